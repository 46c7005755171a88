// Makes a 100 MB bundle, or prepares one for installing the way the install worker does:
// recognise it, choose for a fixed device, extract the chosen APKs into a private folder. Prints
// "<figure> <value>" lines for the bench to read.
// Usage: apkshelf_bench_bundle make <folder>   writes <folder>/stored.apkm (the APKs stored as
//                                              they are), <folder>/deflated.apkm (deflated) and
//                                              <folder>/chosen.bin (as many bytes as the chosen
//                                              APKs hold); prints stored_mb, deflated_mb, chosen_mb
//        apkshelf_bench_bundle prepare <bundle>  prints prepare (ms), rss_peak (kB)
#include "../clock.h"
#include "bundles/bundlearchive.h"
#include "bundles/bundlecontents.h"
#include "bundles/bundlestage.h"
#include "ziparchive.h"

#include <QCoreApplication>
#include <QFile>
#include <cstdio>

namespace {

constexpr qint64 mb = qint64(1000) * 1000;

// Mostly noise, some text, as APKs are: compressed code and images beside a few stored tables.
QByteArray apkBytes(qint64 size, quint64 seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    const QByteArray text("<string name=\"greeting\">Hello</string>\n");
    for (qint64 at = 0; at < size; ++at) {
        seed ^= seed << 13;
        seed ^= seed >> 7;
        seed ^= seed << 17;
        bytes[at] = (at / 4096) % 8 ? char(seed) : text.at(at % text.size());
    }
    return bytes;
}

int make(const QString &folder)
{
    const QList<std::pair<const char *, qint64>> apks{{"base.apk", 56 * mb},
                                                      {"split_config.arm64_v8a.apk", 24 * mb},
                                                      {"split_config.armeabi_v7a.apk", 12 * mb},
                                                      {"split_config.x86.apk", 4 * mb},
                                                      {"split_config.x86_64.apk", 3 * mb},
                                                      {"split_config.xxhdpi.apk", mb / 2},
                                                      {"split_config.xhdpi.apk", mb / 2}};
    ZipEntries entries{{"info.json", R"({"info_version": 1})"}};
    quint64 seed = 88172645463325252u;
    for (const auto &[name, size] : apks)
        entries.append({QString::fromLatin1(name), apkBytes(size, seed++)});
    for (const char *language : {"de", "en", "es", "fr", "it", "ja", "ko", "pt", "ru", "zh"})
        entries.append(
            {QStringLiteral("split_config.%1.apk").arg(language), apkBytes(mb / 10, seed++)});
    const QString stored = folder + QStringLiteral("/stored.apkm");
    const QString deflated = folder + QStringLiteral("/deflated.apkm");
    if (!writeZip(stored, entries, false) || !writeZip(deflated, entries, true))
        return 1;
    // What the device below gets: the base, arm64_v8a, xxhdpi, en.
    const qint64 chosen = 56 * mb + 24 * mb + mb / 2 + mb / 10;
    QFile copy(folder + QStringLiteral("/chosen.bin"));
    if (!copy.open(QIODevice::WriteOnly) || copy.write(apkBytes(chosen, 1)) != chosen)
        return 1;
    std::printf("stored_mb %.1f\ndeflated_mb %.1f\nchosen_mb %.1f\n",
                double(QFile(stored).size()) / mb, double(QFile(deflated).size()) / mb,
                double(chosen) / mb);
    return 0;
}

long peakKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).simplified().split(' ').first().toLong();
    }
    return 0;
}

int prepare(const QString &path)
{
    DeviceSpec device;
    device.sdk = 33;
    device.abis = {QStringLiteral("arm64_v8a"), QStringLiteral("armeabi_v7a")};
    device.density = 420;
    device.languages = {QStringLiteral("en")};

    const std::int64_t start = monotonicNs();
    BundleArchive archive(path);
    std::optional<BundleProblem> problem = archive.problem();
    const std::optional<BundleContents> contents =
        problem ? std::nullopt : readBundle(archive, problem);
    const SplitChoice choice = contents ? chooseApks(*contents, device) : SplitChoice{};
    BundleStage stage;
    QStringList staged;
    if (contents && !choice.problem)
        problem = stage.stageApks(archive, choice.chosen, staged);
    const std::int64_t end = monotonicNs();
    if (problem || choice.problem || staged.size() != 4) {
        std::fprintf(stderr, "prepare: the bundle was not prepared\n");
        return 1;
    }
    std::printf("prepare %.3f\nrss_peak %ld\n", msBetween(start, end), peakKb());
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    const QStringList arguments = app.arguments();
    if (arguments.size() == 3 && arguments.at(1) == QLatin1String("make"))
        return make(arguments.at(2));
    if (arguments.size() == 3 && arguments.at(1) == QLatin1String("prepare"))
        return prepare(arguments.at(2));
    std::fprintf(stderr, "usage: apkshelf_bench_bundle make <folder> | prepare <bundle>\n");
    return 2;
}
