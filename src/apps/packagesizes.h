#pragma once

#include "apps/packagedump.h"

#include <QByteArrayView>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

// The sizes of apps' package files, as the device's shell tells them. The files are readable by
// the shell user wherever their paths are known (from "pm path" or the dump's codePath).

enum class SizeTool {
    Stat, // "stat -c '%s %n'": toybox, Android 6 and later
    List, // "ls -l" with a marker line before each file: toolbox, Android 4.4 and 5
};

// The argument lists (for runTool) that ask the sizes of `paths`, every path quoted for the
// device's shell; each command line stays under the 4,000 bytes that older devices accept.
QList<QStringList> sizeCommands(const QStringList &paths, SizeTool tool);

// Reads what one of those commands printed into `sizes`, by path. Lines it does not recognise (a
// file that could not be read is reported on standard error, which older devices mix in) are
// passed over.
void readSizeLines(const QList<QByteArrayView> &lines, SizeTool tool,
                   QHash<QString, qint64> &sizes);

// The total size of `paths`; -1 when one of them has no size in `sizes` (an empty cell rather than
// a wrong total).
qint64 totalSize(const QStringList &paths, const QHash<QString, qint64> &sizes);

// The package files of the app whose base package file is `base`: the base, then the splits that
// `details` (its block of the dump; none when the dump does not name it) names in its codePath.
QStringList packageFiles(const QString &base, const PackageDetails *details);

// The size of an app's package files, as far as it is known.
struct AppSize
{
    qint64 bytes = -1;     // -1 unknown
    bool baseOnly = false; // of the base package file alone: whether the app has splits is unknown
};

// The size of the app whose base package file is `base`, from `sizes` and `details` as for
// packageFiles(); unknown when the dump does not name the app. `splitsShown` says whether the dump
// names splits on this device (for some app, or the device predates splits): where it does not, an
// app without "splits=" may still have some, and its size is of the base alone.
AppSize appSize(const QString &base, const PackageDetails *details, bool splitsShown,
                const QHash<QString, qint64> &sizes);
