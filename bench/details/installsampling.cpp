// What following an install costs: the worker samples how far adb has read the file (its fdinfo)
// about four times a second and wakes every 50 ms to look, where a plain run sleeps until adb
// prints. Both runs go through the device queue with the UI thread waiting in its event loop, as
// in the window; only this process's CPU time is counted, never the stand-in's.
#include "../clock.h"
#include "../samples.h"
#include "../tablelines.h"
#include "device/devicequeue.h"
#include "fakeadb.h"
#include "figures.h"
#include "install/installworker.h"

#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <sys/resource.h>

namespace {

constexpr qint64 fileBytes = 500'000'000;
const QString serial = QStringLiteral("emulator-5554");

// CPU time of this process, all its threads, user and system, in ms.
double cpuMs()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto ms = [](const timeval &t) {
        return double(t.tv_sec) * 1e3 + double(t.tv_usec) / 1e3;
    };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

struct Span
{
    double corePercent = 0; // CPU time over wall time
    double seconds = 0;
};

// Runs `work` as a job of `queue` while this thread waits in an event loop for its end.
Span spanOf(DeviceQueue &queue, const DeviceQueue::Work &work)
{
    QEventLoop loop;
    const double cpuStart = cpuMs();
    const std::int64_t start = monotonicNs();
    queue.post(
        [&](const QueueJob &job) {
            work(job);
            job.deliver([&loop] { loop.quit(); });
        },
        false);
    loop.exec();
    const double wallMs = msBetween(start, monotonicNs());
    return {100 * (cpuMs() - cpuStart) / wallMs, wallMs / 1e3};
}

} // namespace

void measureInstallSampling(int runs)
{
    FakeAdb adb;
    QTemporaryDir folder;
    const QString apk = folder.filePath(QStringLiteral("big.apk"));
    QFile file(apk);
    // A sparse file: it takes no room, and reading it costs the stand-in little.
    if (!adb.isReady() || !file.open(QIODevice::WriteOnly) || !file.resize(fileBytes))
        return;
    file.close();
    adb.attachDevice(serial);
    adb.setOutput(QStringLiteral("install"), "Performing Streamed Install\nSuccess\n");
    adb.setOptions(QStringLiteral("install"), "read_chunk=1048576\nread_pause_ms=10\n");

    DeviceQueue queue;
    Samples watched, plain, watchedSeconds, plainSeconds;
    int barUpdates = 0;
    double watchedTotal = 0;
    bool installed = true;
    for (int run = 0; run < runs; ++run) {
        Span span = spanOf(queue, [&](const QueueJob &) {
            runTool(toolPath(), {QStringLiteral("install"), apk}, serial);
        });
        plain.add(span.corePercent);
        plainSeconds.add(span.seconds);
        span = spanOf(queue, [&](const QueueJob &job) {
            InstallHooks hooks;
            hooks.progressed = [&job, &barUpdates](const ProgressView &, bool) {
                job.deliver([&barUpdates] { ++barUpdates; });
            };
            const InstallReport report = InstallWorker(toolPath(), serial, hooks).install({apk});
            installed = installed && report.end == InstallReport::End::Installed;
        });
        watched.add(span.corePercent);
        watchedSeconds.add(span.seconds);
        watchedTotal += span.seconds;
    }
    if (!installed)
        std::fprintf(stderr, "install sampling: an install did not succeed\n");

    std::printf("\n5. Install of a %lld MB file that adb reads 1 MB per 10 ms: this process's "
                "CPU time (%% of one core)\n",
                fileBytes / 1'000'000);
    std::printf("%-30s %4s  %-26s %-20s\n", "run", "runs", "CPU", "seconds");
    std::printf("%-30s %4d  %-26s %-20s\n", "install worker, bar followed", watched.count(),
                spread(watched, 2).constData(), spread(watchedSeconds).constData());
    std::printf("%-30s %4d  %-26s %-20s\n", "runTool, nothing followed", plain.count(),
                spread(plain, 2).constData(), spread(plainSeconds).constData());
    std::printf("bar updates handed to the UI thread: %.1f a second\n", barUpdates / watchedTotal);
    printGoal("following an install, CPU over the plain run", watched.median() - plain.median(),
              "%", 1);
}
