#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

// Installs one package file off the UI thread (a job of the device queue) and reports back through
// queued signals, so the window is only ever touched on its own thread. If the window is gone by
// then, the reports are simply not delivered; the install itself still runs to its end.
class InstallWorker : public QObject
{
    Q_OBJECT

public:
    // `serial` is the device the install goes to. Construct on the UI thread.
    explicit InstallWorker(QString serial);

    // Installs the first of `chosenPaths` and logs each output line. A package whose name ends in
    // .apk or .apk.zip goes to `adb install` (through a link when adb would refuse its name, see
    // InstallPath); any other file is taken as a bundle of split APKs (see BundleInstall). True
    // when a line reports "Success". Emits toolFinished() once the tools have ended, or could not
    // be run (not when there is nothing to install), then installReported() with, for a failure,
    // what explains it.
    bool installApk(const QStringList &chosenPaths);

signals:
    void toolFinished();
    void installReported(bool installed, const QString &detail);

private:
    bool installBundle(const QString &path);

    QString serial;
    QString tool; // found on the UI thread, which is the only one sure to have the application
};

// Whether a package file installs as one APK, by its name: it ends in .apk or .apk.zip, in any
// letter case.
bool isSingleApkName(const QString &path);
