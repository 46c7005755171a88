#pragma once

#include "device/toolrunner.h"

#include <QObject>
#include <QString>
#include <atomic>
#include <memory>

// Restarts the device's adb daemon as root off the UI thread: "adb root", then, when the daemon
// restarts, "adb wait-for-device", each within its limit. Reports back through a queued signal,
// so the window is only ever touched on its own thread; if the window is gone by then, the report
// is simply not delivered.
class RootWorker : public QObject
{
    Q_OBJECT

public:
    struct Limits
    {
        int rootMs = 20'000; // for "adb root", which may wait for the device without end
        int backMs = 60'000; // for the device to come back after the restart
    };

    // `serial` is the device to restart; raising `stop` ends the run under way and skips the
    // rest. Construct on the UI thread.
    RootWorker(QString serial, Limits limits, std::shared_ptr<const std::atomic<bool>> stop);

    // Runs restart() on a pool thread, then deletes this object.
    void start();

    // Asks for the root shell and waits for the device to come back; emits finished() with
    // whether the device is now reached as root, and if not, why.
    void restart();

signals:
    void finished(bool asRoot, const QString &detail);

private:
    ToolRun run(const QStringList &arguments, int limitMs);

    QString serial;
    Limits limits;
    std::shared_ptr<const std::atomic<bool>> stop;
    QString tool; // found on the UI thread, which is the only one sure to have the application
};
