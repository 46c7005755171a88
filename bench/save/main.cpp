// Saving a 100 MB split app (a base and three splits of 25 MB) through the tests' stand-in for
// adb, as the window does (saveApp on the device queue: four adb pulls, then the .apks streamed
// from them), against the same four adb pulls alone into files. The runs alternate. Prints a
// small table; the peak resident memory is this process's, which does all the saving but the
// stand-in's own copying.
#include "../clock.h"
#include "../samples.h"
#include "../tablelines.h"
#include "device/devicequeue.h"
#include "fakeadb.h"
#include "window/savework.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <atomic>
#include <cstdio>

namespace {

constexpr qint64 fileBytes = 25'000'000;
const QStringList names{"base.apk", "split_config.arm64_v8a.apk", "split_config.xxhdpi.apk",
                        "split_config.en.apk"};

SavePlan planIn(const QString &folder)
{
    SavePlan plan;
    plan.source.package = QStringLiteral("com.example.big");
    for (const QString &name : names) {
        const QString path = QStringLiteral("/data/app/com.example.big-1/") + name;
        plan.source.files.append({path, name});
        plan.source.sizes.insert(path, fileBytes);
    }
    plan.name = plan.source.package;
    plan.target = folder + QStringLiteral("/big.apks");
    plan.replace = true;
    return plan;
}

double pullsAlone(const QString &folder)
{
    const std::int64_t start = monotonicNs();
    for (int i = 0; i < names.size(); ++i) {
        QProcess pull;
        pull.start(toolPath(), {QStringLiteral("pull"), QStringLiteral("/data/app/x/") + names[i],
                                folder + QStringLiteral("/floor-%1").arg(i)});
        pull.waitForFinished(-1);
    }
    const double ms = msBetween(start, monotonicNs());
    for (int i = 0; i < names.size(); ++i)
        QFile::remove(folder + QStringLiteral("/floor-%1").arg(i));
    return ms;
}

double save(DeviceQueue &queue, const SavePlan &plan)
{
    std::atomic<bool> done{false};
    SaveEnd end;
    const std::int64_t start = monotonicNs();
    queue.post([&](const QueueJob &job) {
        end = saveApp(job, toolPath(), QStringLiteral("bench"), plan, {});
        done = true;
    });
    while (!done)
        QThread::msleep(1);
    const double ms = msBetween(start, monotonicNs());
    if (end.result != SaveEnd::Saved || QFile(plan.target).size() < 4 * fileBytes)
        std::fprintf(stderr, "save failed: %s\n", qPrintable(end.why));
    QFile::remove(plan.target);
    return ms;
}

long peakKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).simplified().split(' ').first().toLong();
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    FakeAdb adb;
    QTemporaryDir folder;
    if (!adb.isReady() || !folder.isValid())
        return 1;
    adb.setOptions(QStringLiteral("pull"), "data_bytes=" + QByteArray::number(fileBytes));
    adb.setOutput(QStringLiteral("pull"), "/data/app/x/base.apk: 1 file pulled, 0 skipped.\n");
    const SavePlan plan = planIn(folder.path());
    DeviceQueue queue;
    Samples saving;
    Samples floor;
    const int runs = argc > 1 ? QByteArray(argv[1]).toInt() : 7;
    for (int run = 0; run < runs; ++run) {
        floor.add(pullsAlone(folder.path()));
        saving.add(save(queue, plan));
    }
    const double ratio = saving.median() / floor.median();
    const double peakMb = double(peakKb()) / 1024;
    std::printf("\n9. Save of a 100 MB split app (4 files) vs the same adb pulls alone (ms)\n");
    std::printf("runs  %-26s %-26s %6s  %s\n", "save", "pulls alone", "ratio", "peak MB");
    std::printf("%4d  %-26s %-26s %5.2fx  %.1f\n", runs, spread(saving).constData(),
                spread(floor).constData(), ratio, peakMb);
    printGoal("saving a 100 MB split app, against the pulls alone", ratio, "x", 1.2);
    printGoal("saving a 100 MB split app, peak resident", peakMb, "MB", 30);
    return 0;
}
