#include "bundlefigure.h"

#include "clock.h"
#include "plainrun.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>

namespace {

double timeCopy(const QString &from, const QString &to)
{
    QFile::remove(to);
    QProcess cp;
    const std::int64_t start = monotonicNs();
    cp.start(QStringLiteral("cp"), {from, to});
    cp.waitForFinished(-1);
    const double ms = msBetween(start, monotonicNs());
    QFile::remove(to);
    return cp.exitCode() == 0 ? ms : -1;
}

} // namespace

BundleResult measureBundle()
{
    std::fprintf(stderr, "bundle: making a 100 MB bundle\n");
    const QString harness =
        QCoreApplication::applicationDirPath() + QStringLiteral("/apkshelf_bench_bundle");
    QTemporaryDir folder;
    BundleResult result;
    const QHash<QByteArray, Samples> made =
        samplesFrom(captureOutput(harness, {QStringLiteral("make"), folder.path()}));
    result.storedMb = made.value("stored_mb").max();
    result.deflatedMb = made.value("deflated_mb").max();
    result.chosenMb = made.value("chosen_mb").max();
    const QString chosen = folder.filePath(QStringLiteral("chosen.bin"));
    const QString copy = folder.filePath(QStringLiteral("copy.bin"));
    const auto prepare = [&](const QString &name) {
        const QHash<QByteArray, Samples> prepared =
            samplesFrom(captureOutput(harness, {QStringLiteral("prepare"), folder.filePath(name)}));
        result.peakMb = std::max(result.peakMb, prepared.value("rss_peak").max() / 1024);
        return prepared.value("prepare").max();
    };
    // A first round unmeasured: all read what is in the page cache, as a bundle just downloaded is.
    prepare(QStringLiteral("stored.apkm"));
    prepare(QStringLiteral("deflated.apkm"));
    timeCopy(chosen, copy);
    for (int run = 0; run < 9; ++run) {
        result.stored.add(prepare(QStringLiteral("stored.apkm")));
        result.deflated.add(prepare(QStringLiteral("deflated.apkm")));
        result.copy.add(timeCopy(chosen, copy));
    }
    return result;
}
