#include "device/logfeed.h"

#include <QMutex>
#include <QTime>

namespace {

// The feed that lines go to, and the handler to pass messages on to. Guarded by one lock, because
// a worker thread may log while the window, and with it the feed, goes away.
struct FeedState
{
    QMutex lock;
    LogFeed *feed = nullptr;
    QtMessageHandler next = nullptr;
};

FeedState &state()
{
    static FeedState shared;
    return shared;
}

QString stamped(const QString &line)
{
    return QTime::currentTime().toString(QStringLiteral("hh:mm:ss.zzz ")) + line;
}

void handleMessage(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    LogFeed::post(message);
    QtMessageHandler next = nullptr;
    {
        FeedState &shared = state();
        const QMutexLocker locker(&shared.lock);
        next = shared.next;
    }
    // Outside the lock: the next handler may log again, or abort on a fatal message.
    if (next)
        next(type, context, message);
}

} // namespace

void logToolErrorLine(const QString &line)
{
    LogFeed::post(QStringLiteral("[adb] ") + line);
}

void LogFeed::post(const QString &line)
{
    FeedState &shared = state();
    const QMutexLocker locker(&shared.lock);
    if (shared.feed)
        shared.feed->add(stamped(line));
}

LogFeed::LogFeed(QObject *parent)
    : QObject(parent)
{
    connect(this, &LogFeed::batchStarted, this, &LogFeed::flush, Qt::QueuedConnection);
    FeedState &shared = state();
    const QMutexLocker locker(&shared.lock);
    previousFeed = std::exchange(shared.feed, this);
    previousHandler = qInstallMessageHandler(handleMessage);
    if (previousHandler != handleMessage)
        shared.next = previousHandler;
}

LogFeed::~LogFeed()
{
    FeedState &shared = state();
    const QMutexLocker locker(&shared.lock);
    shared.feed = previousFeed;
    // `next` stays: a thread that took this handler a moment ago still passes its message on.
    if (previousHandler != handleMessage)
        qInstallMessageHandler(previousHandler);
}

void LogFeed::add(const QString &line)
{
    if (pending.size() >= keptLines)
        pending.removeFirst();
    pending.append(line);
    // One event carries everything added until it is handled.
    if (pending.size() == 1)
        emit batchStarted();
}

void LogFeed::flush()
{
    QStringList lines;
    {
        FeedState &shared = state();
        const QMutexLocker locker(&shared.lock);
        lines = std::exchange(pending, {});
    }
    emit linesAdded(lines);
}
