#pragma once

#include <QByteArrayView>
#include <QDeadlineTimer>
#include <QList>
#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>
#include <memory>

// Where the application carries its device bridge tool: <executable's folder>/../lib/apkshelf/adb
// (a copy of adb in the build tree and an installed prefix, a link to the system's adb in the
// Debian package). Looked up on every call, so a tool put in place while the application runs is
// found.
QString toolPath();

// What one run of the tool printed. Outcomes are read from `output` alone; `errors` only explain.
struct ToolRun
{
    QString program;       // the tool's path
    QStringList output;    // standard output, as lines
    QStringList errors;    // standard error, as lines; only the latest few thousand
    QString failure;       // why the tool could not be run at all; empty when it ran
    bool timedOut = false; // it ran into its limit and was killed; the lines are what came before
};

// How long a run may take: until `deadline` passes, and only while `stop` (if given) is not
// raised. Another thread may raise `stop`, to end a run that is no longer wanted.
struct RunLimit
{
    QDeadlineTimer deadline{QDeadlineTimer::Forever};
    std::shared_ptr<const std::atomic<bool>> stop;
};

// Runs the tool at `program` with `arguments` (passed as they are, in order, never through a
// shell). Blocks the calling thread until the tool has exited and its output is read, however long
// that takes, or until `limit` ends the run: then the tool is killed and collected, and the run is
// `timedOut`. Both output streams are split into lines (see LineSplitter). Every byte of the tool's
// standard error is also written on to the application's standard error as it arrives, and each
// of its lines goes to the window's log (see logfeed.h); standard input is the application's own.
// With a non-empty `serial`, the tool runs with ANDROID_SERIAL set to it, so that it talks to that
// device even when several are attached. A tool that is missing or cannot be started gives empty
// lines, a `failure` and a log line that says so; so does an argument that holds a NUL, which could
// not reach the tool whole. Safe to call from any thread, also one that may outlive the
// application object; calls share nothing.
ToolRun runTool(const QString &program, const QStringList &arguments, const QString &serial,
                const RunLimit &limit = {});

// Takes a batch of standard output's lines as they are read: each line's bytes, valid UTF-8,
// without the line end and never empty (see LineSplitter). The views hold only during the call.
using LineSink = std::function<void(const QList<QByteArrayView> &lines)>;

// How many of standard output's first lines a run with a LineSink keeps as text: enough to explain
// the run (see statusdetail.h) and to log it.
constexpr qsizetype keptOutputLines = 20;

// Runs the tool as runTool() does, but hands the lines of its standard output to `sink` in batches
// as they are read, and keeps only the first keptOutputLines of them in `output`: a listing of any
// length then costs no more than what `sink` keeps of it.
ToolRun runToolInBatches(const QString &program, const QStringList &arguments,
                         const QString &serial, const LineSink &sink, const RunLimit &limit = {});

// Called on the running thread about four times a second while a tool runs, with its process id:
// to follow what the tool does (how far it has read a file) without a thread of its own.
using RunWatch = std::function<void(qint64 pid)>;

// Runs the tool as runTool() does, and calls `watch` while it runs (see RunWatch). `watch` may
// raise the limit's stop flag, which ends the run as another thread's raising would.
ToolRun runToolWatched(const QString &program, const QStringList &arguments, const QString &serial,
                       const RunLimit &limit, const RunWatch &watch);

// The standard output lines of runTool() with the tool in the resource folder.
QStringList launchTask(const QStringList &arguments, const QString &serial = {});

// The printed form of a list in the diagnostic log: ("a", "b"), shortened when long.
QString describeList(const QStringList &list);
// The same for a list of `total` entries of which `first` are the first.
QString describeList(const QStringList &first, qsizetype total);
