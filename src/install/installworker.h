#pragma once

#include "install/installoffers.h"
#include "install/installwatch.h"

#include <QString>
#include <QStringList>

// How an install ended, as the window reports it.
struct InstallReport
{
    enum class End { Installed, Failed, Cancelled } end = End::Failed;
    bool cancelPressed = false; // Cancel was pressed during it, whatever it could still stop
    QString name;               // the chosen file's name
    QString detail;             // what explains a failure, or what a Cancel left behind
    RefusalOffer offer;         // after a refusal, the way forward; Kind::None for none
    QString packageName;        // the installed app a refusal named; empty when it named none
};

// Installs one package file on the queue's thread (a job of the device queue), with its bar and
// its Cancel (see InstallWatch). It touches nothing of the window: the job hands the report over.
class InstallWorker
{
public:
    // `tool` and `serial` are found on the UI thread, the only one sure to have the application.
    InstallWorker(QString tool, QString serial, InstallHooks hooks);

    // Installs the first of `chosenPaths` with `flags` and logs each output line. A package whose
    // name ends in .apk or .apk.zip goes to `adb install` (through a link when adb would refuse its
    // name, see InstallPath); any other file is taken as a bundle of split APKs (see
    // BundleInstall). Installed when a line reports "Success". A refusal is explained, with the
    // device's facts it needs (one getprop or df run), and the way forward offered. When the
    // package's name can be read from the file, the device's files for it are asked for before
    // sending (one short `pm path` run), so that an install whose adb a Cancel ended is reported
    // installed when the device had finished it all the same.
    InstallReport install(const QStringList &chosenPaths, InstallFlags flags = {});
    // Uninstalls `packageName` (a checked package name), then installs as install() does once the
    // package manager reported it uninstalled.
    InstallReport replace(const QString &packageName, const QStringList &chosenPaths,
                          InstallFlags flags);

private:
    InstallReport installSingle(const QString &path, InstallFlags flags);
    // Runs adb install on `path` (through `given`, the path adb is given); empty lines and a
    // failure when no path could be made for adb.
    ToolRun sendSingle(const QString &path, InstallFlags flags, QString &given);
    InstallReport installBundle(const QString &path, InstallFlags flags);
    // Explains a refusal in `report` and offers the way forward; `filePackage` is the package
    // the file installs (empty when unknown), for a refusal that names none.
    void explainRefusal(InstallReport &report, const ToolRun &run, qint64 bytes,
                        const QString &filePackage);
    DeviceFacts readFacts();
    RunLimit shortLimit() const;

    QString tool;
    QString serial;
    InstallHooks hooks;
    InstallWatch watch;
};

// Whether a package file installs as one APK, by its name: it ends in .apk or .apk.zip, in any
// letter case.
bool isSingleApkName(const QString &path);
