#pragma once

#include "bundles/bundleproblem.h"
#include "device/deviceprops.h"
#include "device/toolrunner.h"
#include "install/installoffers.h"

#include <QString>
#include <QStringList>
#include <optional>

class BundleArchive;
class InstallWatch;
struct BundleContents;
class BundleStage;
struct SplitChoice;
struct XapkManifest;

// How an install ended, as the window reports it.
struct InstallOutcome
{
    bool installed = false;
    QString detail;         // for a failure, what explains it; what a Cancel left behind
    bool cancelled = false; // Cancel ended it, and what the device kept of it was deleted
    ToolRun run;            // the install's run, to read a refusal from
    qint64 bytes = 0;       // what the install sent
    QString packageName;    // the package it installs, once staged; empty when unknown
};

// Installs a bundle of split APKs (.apks, .xapk, .apkm, told apart by what they hold) on one
// device, on the calling thread, with the tool at `tool`. It reads the bundle, asks the device for
// its properties in one run, chooses the APKs the device needs, stages them in a private folder,
// installs them in one `install-multiple -r` (a standalone APK with `install -r`) and then, for an
// .xapk, copies its expansion files to the device. Nothing runs on the device once a step before
// the install fails. Logs each step: the choice, and each output line of the install up to the
// one that reports success. Its bar and Cancel are `watch`'s: the staging, the install and the
// copies are parts of one bar; a Cancel stops it before the install, during its sending, or
// during the copies (deleting the copies made). A Cancel that ended adb after the device had
// finished the install all the same (its files for the package changed) is reported installed.
class BundleInstall
{
public:
    BundleInstall(QString tool, QString serial, InstallWatch &watch);

    InstallOutcome run(const QString &path, InstallFlags flags = {});

private:
    std::optional<DeviceSpec> readDevice(std::optional<BundleProblem> &problem);
    bool install(const QStringList &paths, bool standalone, InstallFlags flags, ToolRun &run);
    std::optional<BundleProblem> pushExpansions(BundleArchive &archive, BundleStage &stage,
                                                const XapkManifest &manifest);
    // Starts the bar: the chosen splits in order, then an .xapk's expansion files; gives the bytes
    // the install sends.
    qint64 beginBar(BundleArchive &archive, const BundleContents &contents,
                    const SplitChoice &choice, const QString &path);
    InstallOutcome cancelledCopies(const XapkManifest &manifest);
    // After Cancel ended the install: deletes what the device kept of it, and tells whether the
    // device had finished it all the same (see InstallWatch::finishedDespiteCancel).
    void judgeCancel(InstallOutcome &outcome, const BundleContents &contents,
                     const QStringList &paths, bool standalone);

    QString tool;
    QString serial;
    InstallWatch &watch;
    QStringList copied; // the expansion files copied, or being copied, to the device
    bool copiesCancelled = false;
};

// Logs which of a bundle's APKs were chosen, under the names they are staged with, and which were
// left out; each with why.
void logChoice(const SplitChoice &choice);
