#pragma once

#include "apps/expansionfiles.h"
#include "apps/packagepaths.h"

#include <QHash>
#include <QList>
#include <QString>
#include <functional>
#include <optional>

class QueueJob;

// What the device holds of one app: read on the queue's thread before the user is asked where to
// save it.
struct SaveSource
{
    QString package;
    QList<PackageFile> files;     // the base first
    QHash<QString, qint64> sizes; // by device path; a file missing here has no known size
    QString versionName;          // empty when the dump gave none
    std::optional<qint64> versionCode;
    QList<ExpansionFile> expansions;
    QString problem; // why it cannot be saved; empty when it can

    // The bytes of its package files; -1 when one of them has no known size.
    qint64 packageBytes() const;
    qint64 expansionBytes() const;
};

// Reads what the device `serial` holds of `package` (a checked package name): its files from
// "pm path", its version from the package manager's dump, the files' sizes and its expansion
// files, each run within `limitMs`. Stops early when `job` is cancelled.
SaveSource readSaveSource(const QueueJob &job, const QString &tool, const QString &serial,
                          const QString &package, int limitMs);

// One app to save, and where.
struct SavePlan
{
    SaveSource source;
    QString name;         // what the user calls it, for the busy bar and the status
    QString target;       // the file to write
    bool replace = false; // false: a file at `target` stays, and " (2)" is added (a batch)
    bool withExpansions = false;
};

// How one save ended.
struct SaveEnd
{
    enum Result { Saved, Failed, Cancelled };
    Result result = Failed;
    QString why;  // when Failed
    QString path; // when Saved: where it was saved
};

// How the copy goes, told on the queue's thread: a copy by adb under way into the file `pulling`
// (whose size the caller may watch) after `done` bytes, or (without `pulling`) `done` bytes of the
// archive written; `total` is what the save copies in all (-1: not known).
struct SaveProgress
{
    QString pulling;
    qint64 done = 0;
    qint64 total = -1;
    bool archiving = false;
};
using SaveReport = std::function<void(const SaveProgress &progress)>;

// Copies the plan's files from the device `serial` with "adb pull" into temporary files beside the
// target, then puts them in place in one rename: the single APK, or an archive of them all that
// the window's Install takes back; `report`, when given, hears how far it has come. Cancel (through
// `job`) ends the copy; whatever the end, no temporary file is left and nothing half written is
// ever under the target name.
SaveEnd saveApp(const QueueJob &job, const QString &tool, const QString &serial,
                const SavePlan &plan, const SaveReport &report);
