#pragma once

#include "device/toolrunner.h"
#include "install/installprogress.h"

#include <QElapsedTimer>
#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>

// What the window gives an install job: the flag its Cancel raises, and where the bar goes.
struct InstallHooks
{
    std::shared_ptr<const std::atomic<bool>> cancel; // raised by Cancel; may be null
    // Called on the job's thread each time what the bar shows changes; `deviceInstalling` when
    // adb has sent everything, so that a Cancel could no longer stop the install.
    std::function<void(const ProgressView &view, bool deviceInstalling)> progressed;
    int cleanupMs = 60'000; // the limit of each run that cleans up after a Cancel
};

// Follows the runs of one install for its bar and for Cancel, on the job's thread. A Cancel ends
// adb while it still sends (or copies an expansion file); once the device installs, the install
// runs to its end, since ending adb then would only lose its verdict.
class InstallWatch
{
public:
    InstallWatch(QString tool, QString serial, InstallHooks hooks);

    // Starts the bar of an install and shows it.
    void begin(InstallProgress progress);
    // A bundle's preparation: `count` of its splits are staged.
    void staged(int count);
    // Runs adb with `arguments`, sending the local `files` in order: the bar follows how far adb
    // has read them.
    ToolRun send(const QStringList &arguments, const QStringList &files);
    // Runs adb copying expansion file `index`, the local `file`.
    ToolRun copy(const QStringList &arguments, const QString &file, int index);

    // Whether Cancel was pressed, whatever it could still stop.
    bool cancelPressed() const { return hooks.cancel && hooks.cancel->load(); }
    // Whether Cancel ended a run of this install (or kept one from starting).
    bool stoppedByCancel() const { return stopped; }
    // The limit of a short question to the device before the install (its properties): the
    // clean-up's deadline, and ended by Cancel.
    RunLimit questionLimit() const
    {
        return RunLimit{QDeadlineTimer(hooks.cleanupMs), hooks.cancel};
    }

    // After Cancel ended the install: deletes what the device may keep of it (see
    // installcleanup.h): the old push path's copy of `given` when adb said it took that path; after
    // the run `sent`, the install sessions the shell left open; the `expansions` copied so far.
    void cleanUp(const ToolRun &sent, const QString &given, const QStringList &expansions);

    // Before the install sends anything: notes which files the device has installed for
    // `packageName` (a checked package name; empty when it is not known), in one short run that
    // Cancel ends.
    void noteInstalled(const QString &packageName);
    // After Cancel ended the install and cleanUp() ran: whether the device had finished it all
    // the same, by what it has installed now beside what noteInstalled() found (see
    // installedDespiteCancel). False when no package was noted or either list is unknown.
    bool finishedDespiteCancel();

private:
    ToolRun watched(const QStringList &arguments, const std::function<void(qint64 pid)> &sample);
    void publish();
    void abandonOpenSessions();
    RunLimit cleanupLimit() const;

    QString tool;
    QString serial;
    InstallHooks hooks;
    std::optional<InstallProgress> progress;
    std::optional<ProgressView> lastShown;
    bool lastDevice = false;
    QElapsedTimer clock;
    bool stopped = false;
    QString packageName;                    // of the install, when known
    std::optional<QStringList> filesBefore; // the device's files for it before the install
};
