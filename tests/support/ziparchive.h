#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <utility>

// Entries of a ZIP archive, name and content, in order.
using ZipEntries = QList<std::pair<QString, QByteArray>>;

// Writes a ZIP archive of `entries` at `path`, replacing any file there, each entry deflated or,
// without `compressed`, stored as it is; true when it was written whole. Test bundles are made
// this way when a test runs, never kept in the tree.
bool writeZip(const QString &path, const ZipEntries &entries, bool compressed = true);

// A binary AndroidManifest.xml whose root <manifest> element has one attribute, package=`package`,
// in a UTF-8 string pool as aapt2 writes it: enough for an APK of which only the name is read.
QByteArray binaryManifest(const QString &package);
