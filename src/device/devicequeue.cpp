#include "device/devicequeue.h"

RunLimit QueueJob::limit(int ms) const
{
    return RunLimit{ms < 0 ? QDeadlineTimer(QDeadlineTimer::Forever) : QDeadlineTimer(ms), stop};
}

RunLimit QueueJob::limitAfterCancel(int ms) const
{
    return RunLimit{ms < 0 ? QDeadlineTimer(QDeadlineTimer::Forever) : QDeadlineTimer(ms), closing};
}

void QueueJob::deliver(std::function<void()> onUiThread) const
{
    // The queue outlives every job it runs (its destructor waits for them), and a call still
    // waiting when it goes is dropped with it. Qt owns the call it makes of the functor and deletes
    // it once run or dropped, which the analyzer cannot follow into Qt.
    // NOLINTNEXTLINE(clang-analyzer-cplusplus.NewDeleteLeaks)
    QMetaObject::invokeMethod(queue, std::move(onUiThread), Qt::QueuedConnection);
}

DeviceQueue::DeviceQueue(QObject *parent)
    : QObject(parent)
    , worker([this] { runJobs(); })
{}

DeviceQueue::~DeviceQueue()
{
    {
        const std::lock_guard<std::mutex> lock(mutex);
        closing = true;
        closingFlag->store(true);
        for (const Entry &entry : waiting) {
            if (entry.cancellable)
                entry.stop->store(true);
        }
        if (running && runningCancellable)
            running->store(true);
    }
    wake.notify_all();
    worker.join();
}

void DeviceQueue::post(Work work, bool cancellable)
{
    {
        const std::lock_guard<std::mutex> lock(mutex);
        waiting.push_back(
            {std::move(work), std::make_shared<std::atomic<bool>>(false), cancellable});
    }
    wake.notify_one();
}

void DeviceQueue::cancel()
{
    const std::lock_guard<std::mutex> lock(mutex);
    if (running && runningCancellable)
        running->store(true);
    // A waiting job that is dropped would never deliver: it runs, sees itself cancelled at once
    // and says so, like the job under way.
    for (const Entry &entry : waiting) {
        if (entry.cancellable)
            entry.stop->store(true);
    }
}

bool DeviceQueue::isBusy() const
{
    const std::lock_guard<std::mutex> lock(mutex);
    return running || !waiting.empty();
}

void DeviceQueue::runJobs()
{
    for (;;) {
        Entry entry;
        {
            std::unique_lock<std::mutex> lock(mutex);
            wake.wait(lock, [this] { return closing || !waiting.empty(); });
            if (waiting.empty())
                return; // closing, and nothing is left that must run to its end
            entry = std::move(waiting.front());
            waiting.pop_front();
            running = entry.stop;
            runningCancellable = entry.cancellable;
        }
        entry.work(QueueJob(this, entry.stop, closingFlag));
        const std::lock_guard<std::mutex> lock(mutex);
        running.reset();
    }
}
