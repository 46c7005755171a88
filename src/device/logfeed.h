#pragma once

#include <QObject>
#include <QStringList>

// Carries the diagnostic log and the tool's standard-error lines to the window's log view, from
// whichever thread writes them. Lines are collected and handed over in batches, so a tool that
// floods its standard error costs one event per batch rather than one per line.
class LogFeed : public QObject
{
    Q_OBJECT

public:
    // How many of the latest lines are kept; older ones are dropped.
    static constexpr int keptLines = 5000;

    // Installs a message handler that passes every message on to the handler that was in place
    // before (so standard error, and a test's own handler, see the same as without a window), and
    // makes this the feed that logged lines go to. Construct on the UI thread.
    explicit LogFeed(QObject *parent = nullptr);
    // Puts back the handler and the feed that were in place before.
    ~LogFeed() override;

    // Adds `line`, stamped with the time, to the feed that is in place, if there is one. Any
    // thread.
    static void post(const QString &line);

signals:
    // Lines logged since the last batch, oldest first, each with its time; on this object's
    // thread.
    void linesAdded(const QStringList &lines);
    // Internal: the first line of a batch came in, on any thread; the batch is handed over once
    // this object's thread gets to it.
    void batchStarted();

private:
    void add(const QString &line); // with the feed's lock held
    void flush();

    LogFeed *previousFeed;
    QtMessageHandler previousHandler;
    QStringList pending;
};

// Hands one line of the tool's standard error to the log view, if there is one. Any thread.
void logToolErrorLine(const QString &line);
