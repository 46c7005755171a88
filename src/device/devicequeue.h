#pragma once

#include "device/toolrunner.h"

#include <QObject>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

// What a job of the queue sees of itself on the queue's thread: limits for its tool runs, whether
// it was cancelled, and the way to hand something back to the UI thread.
class QueueJob
{
public:
    // A limit for one tool run: `ms` from now (or without end when negative), and ended early by
    // Cancel or by the queue going away.
    RunLimit limit(int ms) const;
    // A limit for a run that follows a cancelled one, to see what it left (a fresh list): ended
    // only when the queue goes away.
    RunLimit limitAfterCancel(int ms) const;
    // Whether Cancel was pressed for this job (or the queue is going away).
    bool cancelled() const { return stop->load(); }
    // Runs `onUiThread` on the thread the queue lives on, after everything handed back before it;
    // dropped when the queue is gone by then.
    void deliver(std::function<void()> onUiThread) const;

private:
    friend class DeviceQueue;
    QueueJob(class DeviceQueue *queue, std::shared_ptr<std::atomic<bool>> stop,
             std::shared_ptr<std::atomic<bool>> closing)
        : queue(queue)
        , stop(std::move(stop))
        , closing(std::move(closing))
    {}

    DeviceQueue *queue;
    std::shared_ptr<std::atomic<bool>> stop;
    std::shared_ptr<std::atomic<bool>> closing;
};

// The one queue that the window's device work goes through: a thread of its own that runs one job
// after another (adb serialises a device's commands anyway), each able to be cancelled, and hands
// what they deliver back to the UI thread through queued calls. Create and use it on the UI thread.
class DeviceQueue : public QObject
{
    Q_OBJECT

public:
    using Work = std::function<void(const QueueJob &job)>;

    explicit DeviceQueue(QObject *parent = nullptr);
    // Cancels every job that can be cancelled, waits for the one under way to end (a tool run
    // ends within about 50 ms of its stop flag), and drops whatever they had still to deliver.
    ~DeviceQueue() override;

    // Runs `work` on the queue's thread once the jobs posted before it have ended. A job that is
    // not `cancellable` is not stopped by cancel(), nor when the queue goes: it runs to its end.
    void post(Work work, bool cancellable = true);
    // Stops the job under way (its tool is killed by its pid) and marks the jobs still waiting as
    // cancelled, those that can be: each still runs, sees so at once and says so. Harmless when
    // nothing runs.
    void cancel();
    // Whether a job is under way or waiting.
    bool isBusy() const;

private:
    struct Entry
    {
        Work work;
        std::shared_ptr<std::atomic<bool>> stop;
        bool cancellable;
    };

    void runJobs();
    friend class QueueJob;

    mutable std::mutex mutex;
    std::condition_variable wake;
    std::deque<Entry> waiting;
    std::shared_ptr<std::atomic<bool>> running; // the stop flag of the job under way, if any
    bool runningCancellable = false;
    bool closing = false;
    // Raised when the queue goes: it ends even the runs that follow a cancel.
    std::shared_ptr<std::atomic<bool>> closingFlag = std::make_shared<std::atomic<bool>>(false);
    // A plain thread, not a QThread: the jobs need no event loop of their own, and ThreadSanitizer,
    // which cannot see into how Qt starts its threads, then follows the hand-over through `mutex`.
    std::thread worker; // last, so it starts once everything it uses is there
};
