#pragma once

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <optional>

// One of an app's package files, as "pm path" names it.
struct PackageFile
{
    QString devicePath; // where it is on the device, e.g. /data/app/~~Qm9v4w==/x-Zx81Yw==/base.apk
    QString entryName;  // its name in a saved .apks: "base.apk" for the first, else the device's
};

// Reads what "pm path <package>" printed: one "package:<path>" line per file, the base first.
// Other lines (errors that older devices mix into standard output) are passed over. None when no
// file was named or a name cannot be trusted: a path that is not absolute or holds a "." or ".."
// folder, a split whose file name is not a plain "*.apk" name, or two files with the same name
// (they would overwrite each other in the archive). The base may have any name: it is saved as
// base.apk.
std::optional<QList<PackageFile>> readPackagePaths(const QList<QByteArrayView> &lines);

// Whether `name` can be an entry of a saved .apks as it is: a plain file name ending in ".apk",
// of ASCII letters, digits and ._-+, without a leading dot.
bool isPlainApkName(QStringView name);
