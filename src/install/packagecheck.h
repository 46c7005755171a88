#pragma once

#include "device/toolrunner.h"

#include <QString>
#include <QStringList>
#include <optional>

// The package name in the binary manifest of the APK at `path`, a local file, read through its
// ZIP directory without reading the rest of it; empty when the file cannot be read, is no APK, or
// its manifest gives no valid package name.
QString packageOfApk(const QString &path);

// The tool's arguments that ask which files the device has installed for `packageName`:
// `adb shell pm path <package>`.
QStringList packagePathArguments(const QString &packageName);

// What a run of packagePathArguments() says is installed: the "package:" lines, sorted; empty when
// the app is not installed. None when the run did not answer: it could not start, ran out of
// time, or printed nothing but errors (adb's own, such as a device gone offline).
std::optional<QStringList> installedFiles(const ToolRun &run);

// Whether the device finished an install despite the Cancel that ended adb: after it, the device
// has files for the package, and not those it had before. An install never takes an app away, so
// no files after (an unread list among them) never count as installed. False when either reading
// is unknown.
bool installedDespiteCancel(const std::optional<QStringList> &before,
                            const std::optional<QStringList> &after);

// The detail of an install that Cancel ended too late: the device had already finished it.
QString finishedBeforeCancel();
