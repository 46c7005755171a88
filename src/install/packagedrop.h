#pragma once

#include <QString>

class QMimeData;

// The package file that a drag from a file manager carries: the path of its one local file when
// that is a regular file whose name ends in .apk or .apk.zip, or is a bundle of split APKs ending
// in .apks, .xapk or .apkm, in any letter case. Empty for anything else: no files, several files,
// a remote file, a folder, another type.
QString droppedPackage(const QMimeData &data);
