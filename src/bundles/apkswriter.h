#pragma once

#include "bundles/ziprecords.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

// One entry of a saved bundle: a file on disk, or (without `source`) a few bytes made here.
struct ApksEntry
{
    QString name;     // its path in the archive, e.g. "base.apk" or "Android/obb/<package>/x.obb"
    QString source;   // the file its content is read from
    QByteArray bytes; // its content when `source` is empty
};

// How writing a bundle ended.
struct ApksWrite
{
    enum Result { Written, Cancelled, Failed };
    Result result = Failed;
    QString why; // when Failed: what went wrong, for the status detail
};

// Writes a ZIP archive at `target` holding `entries` in their order, each stored (not compressed,
// as the APK files inside are already), streamed from its file a piece at a time so that memory
// stays flat whatever the size. It is written to a temporary file beside `target` that replaces
// `target` in one rename only when whole: on failure or cancel nothing is left, and whatever was
// at `target` is untouched. `progress`, when given, is told the bytes of content written so far
// and cancels by returning false. Refuses names that climb out of the archive, are absolute, hold
// control characters or repeat. Offsets and sizes of `zip64From` or more (4 GiB: an app with large
// expansion files) are written in ZIP64 records; tests lower it to check that form.
ApksWrite writeApks(const QString &target, const QList<ApksEntry> &entries,
                    const std::function<bool(qint64 written)> &progress = {},
                    quint64 zip64From = zip64Needed);

// The manifest.json that makes a saved bundle an .xapk, so that installing it also places its
// expansion files: `apkNames` are the APK entries ("base.apk" first, then "split_<name>.apk"),
// `expansions` the entries under "Android/obb/<package>/".
QByteArray expansionManifest(const QString &package, qint64 versionCode,
                             const QStringList &apkNames, const QStringList &expansions);
