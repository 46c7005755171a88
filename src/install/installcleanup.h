#pragma once

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

// What an install ended by Cancel may leave on the device, and the runs that clean it up.
//
// An `install-multiple` whose adb was ended mid-transfer leaves its install session open, with the
// part it received, until a reboot more than three days later. adb never prints the session's id;
// the package manager's dump lists it under "Active install sessions:", a block each:
//   Session 1234:
//     userId=0 mOriginalInstallerUid=2000 mInstallerPackageName=com.android.shell
//     mInstallerUid=2000 createdMillis=... stageDir=/data/app/vmdl1234.tmp stageCid=null
//     ...
//     mClientProgress=0.4 mProgress=0.32 mCommitted=false mSealed=false ... mDestroyed=false
// (installerUid= before Android 7; the pairs wrap at 120 columns, anywhere between two pairs).

// The tool's arguments that print the package manager's dump: `adb shell dumpsys package`.
QStringList sessionDumpArguments();

// Reads the dump a line at a time, as the tool prints it, and keeps the ids of the sessions that
// the shell user (or a root shell) opened and left open: not sealed, committed or destroyed, so an
// install that the device has taken over is never touched. Stops looking at the end of the
// "Active install sessions:" part; keeps at most a few hundred ids.
class OpenSessions
{
public:
    void feed(QByteArrayView line);
    // The ids found, in the order listed.
    QList<int> ids() const;

private:
    void readPair(QByteArrayView pair);
    void endSession();

    enum class Part { Before, Active, After } part = Part::Before;
    int session = -1;
    bool byShell = false;
    bool finished = false;
    QList<int> found;
};

// The same over a whole dump.
QList<int> openShellSessions(const QStringList &dump);

// The tool's arguments that abandon session `id`, deleting what it received.
QStringList abandonArguments(int id);

// On the old push path (devices without `cmd`, Android 6 and older) adb copies the package to
// /data/local/tmp/<file name> and deletes it only after `pm install` returns: ended in between, it
// leaves the copy behind. The tool's arguments that delete the copy of `givenPath`, the path adb
// was given; stdin from /dev/null, as adb itself does, so that rm never waits on a prompt.
QStringList pushCopyRemovalArguments(const QString &givenPath);

// Where a bundle's expansion file `fileName` of package `packageName` is copied to on the device.
QString expansionDevicePath(const QString &packageName, const QString &fileName);

// The tool's arguments that delete the expansion files at `devicePaths` (those copied so far, and
// the one that was being copied), in one run; empty when there are none.
QStringList expansionRemovalArguments(const QStringList &devicePaths);
