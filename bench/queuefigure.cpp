#include "queuefigure.h"

#include "clock.h"
#include "device/devicequeue.h"
#include "fakeadb.h"
#include "listingrun.h"

#include <QEventLoop>
#include <cstdio>

namespace {

const QStringList listing{QStringLiteral("shell"),    QStringLiteral("pm"), QStringLiteral("list"),
                          QStringLiteral("packages"), QStringLiteral("-f"), QStringLiteral("-3")};

// One listing as the window's jobs run it: posted, run on the queue's thread, and its count
// delivered back to this thread's event loop.
qsizetype runQueued(DeviceQueue &queue)
{
    qsizetype lines = -1;
    QEventLoop loop;
    queue.post([&lines, &loop](const QueueJob &job) {
        const qsizetype got = runListing(listing);
        job.deliver([&lines, &loop, got] {
            lines = got;
            loop.quit();
        });
    });
    loop.exec();
    return lines;
}

} // namespace

QueueResult measureQueue()
{
    constexpr long lines = 1'000;
    constexpr int runs = 41;
    std::fprintf(stderr, "queue: %ld apps\n", lines);
    FakeAdb adb;
    adb.setOptions(QStringLiteral("pm-list"), QByteArray("lines=") + QByteArray::number(lines));
    DeviceQueue queue;
    QueueResult result;
    result.lines = lines;
    // One of each first, untimed, so neither side pays for a cold cache or a new thread.
    runListing(listing);
    runQueued(queue);
    for (int turn = 0; turn < runs; ++turn) {
        std::int64_t start = monotonicNs();
        const qsizetype direct = runListing(listing);
        result.direct.add(msBetween(start, monotonicNs()));
        start = monotonicNs();
        const qsizetype queued = runQueued(queue);
        result.queued.add(msBetween(start, monotonicNs()));
        if (direct != lines || queued != lines)
            std::fprintf(stderr, "queue: %lld and %lld lines\n", qint64(direct), qint64(queued));
    }
    return result;
}
