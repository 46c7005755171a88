#pragma once

#include "apps/packagesizes.h"

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

// An app's expansion (OBB) file on the device, and where a saved bundle holds it.
struct ExpansionFile
{
    QString devicePath; // /sdcard/Android/obb/<package>/<name>
    QString entryName;  // Android/obb/<package>/<name>, as an .xapk holds it
    qint64 size = 0;
};

// The argument list (for runTool) that lists the expansion files of `package` with their sizes:
// "stat" of every file in its folder, or "ls -l" of the folder on devices without stat. Empty when
// `package` is not a package name. A folder that does not exist prints nothing on standard output.
QStringList expansionCommand(const QString &package, SizeTool tool);

// The regular files of plain names (no folder, no leading dot, printable ASCII) among the lines
// that command printed; anything else is passed over.
QList<ExpansionFile> readExpansionLines(const QList<QByteArrayView> &lines, const QString &package,
                                        SizeTool tool);
