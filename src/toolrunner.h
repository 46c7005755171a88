#pragma once

#include <QString>
#include <QStringList>

// Where the application carries its device bridge tool: <executable's folder>/../lib/apkshelf/adb
// (a copy of adb in the build tree and an installed prefix, a link to the system's adb in the
// Debian package). Looked up on every call, so a tool put in place while the application runs is
// found.
QString toolPath();

// Runs the tool with `arguments` (passed as they are, in order, never through a shell) and returns
// its standard output as lines (see LineSplitter). Blocks the calling thread until the tool has
// exited and its output is read, however long that takes; the tool's standard input and standard
// error are the application's own.
// With a non-empty `serial`, the tool runs with ANDROID_SERIAL set to it, so that it talks to that
// device even when several are attached. A tool that is missing or cannot be started gives an
// empty list and a log line that says so; so does an argument that holds a NUL, which could not
// reach the tool whole. Safe to call from any thread; calls share nothing.
QStringList launchTask(const QStringList &arguments, const QString &serial = {});
// The same with the tool at `program`, for a thread that may outlive the application object:
// toolPath() cannot be asked once that has gone, as it is when the user quits during an install.
QStringList launchTask(const QString &program, const QStringList &arguments, const QString &serial);

// The printed form of a list in the diagnostic log: ("a", "b"), shortened when long.
QString describeList(const QStringList &list);
