#pragma once

#include <QString>
#include <functional>
#include <optional>

// File names for apps saved to the computer.

// The name proposed for a saved app: "<label or package>_<versionName>.apk", or ".apks" for an app
// of several files; without a version name, "<label or package>.apk". Characters that file systems
// refuse or that mislead (/ \ : * ? " < > |, NUL and other control characters, bidirectional
// overrides) become '_'; leading dots and spaces, trailing dots and spaces go; the label and
// version are cut so that the name stays far below the 255 bytes file systems allow (room is left
// for " (N)"). An empty label, or one that nothing of is left, gives the package name.
QString proposedFileName(const QString &label, const QString &package, const QString &versionName,
                         bool severalFiles);

// The first of `wanted`, "<stem> (2).<ext>", "<stem> (3).<ext>", ... for which `exists` is false:
// a batch never replaces a file. None when even " (9999)" exists.
std::optional<QString> firstFreeName(const QString &wanted,
                                     const std::function<bool(const QString &)> &exists);
