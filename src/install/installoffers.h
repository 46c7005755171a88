#pragma once

#include "device/toolrunner.h"

#include <QString>
#include <QStringList>
#include <optional>

// The options of an install beyond "-r", which every install passes (replace the app if present).
struct InstallFlags
{
    bool downgrade = false; // -d: allow an older version over a newer one, where Android does
    bool testBuild = false; // -t: allow a package marked test-only
};

// The tool's arguments that install `paths`: `install -r [-d] [-t] <path>` for one package file,
// `install-multiple -r [-d] [-t] <path>...` when `multiple`. Each option is an argument of its
// own: the device refuses "-r -d" in one as a single unknown option.
QStringList installArguments(const QStringList &paths, bool multiple, InstallFlags flags = {});

// A refusal of the device's package manager: "Failure [CODE: message]" on either stream.
struct Refusal
{
    QString code;    // INSTALL_FAILED_VERSION_DOWNGRADE
    QString message; // what follows the code, trimmed; may be empty
};

// The first refusal on either stream of an install's run, standard error first.
std::optional<Refusal> refusalOf(const ToolRun &run);

// The installed app's package name that a refusal's message names ("Package <name> signatures do
// not match ..."); empty when it names none.
QString packageFromMessage(const QString &message);

// What the offers depend on: the device's SDK level (0: unknown), whether it is a debuggable build
// (ro.debuggable = 1) and its ABIs, most preferred first ("arm64_v8a").
struct DeviceFacts
{
    int sdk = 0;
    bool debuggable = false;
    QStringList abis;
};

// Whether `adb shell getprop`'s lines say ro.debuggable is 1.
bool debuggableFromProperties(const QStringList &lines);

// The way forward after a refusal: a button under its detail that runs a safe next step, and what
// to add to the detail. `name` is how the app is called in texts.
struct RefusalOffer
{
    enum class Kind { None, InstallOlder, UninstallFirst, InstallTestBuild } kind = Kind::None;
    QString button;       // its text, also its accessible name; empty for none
    QString confirmation; // asked before it runs; empty when it needs none
    InstallFlags flags;   // of the install it runs (after uninstalling, for UninstallFirst)
    QString detail;       // a sentence for the refusal's detail; may be empty
};

// The offer after a refusal with `code` on `device`. An older version over a newer one is offered
// only where Android honours -d for any app: Android 6 and older, and debuggable builds; elsewhere
// only uninstalling first (its data is lost) makes room for it. A package signed by someone else
// than the installed app is offered the same, behind a confirmation. A test-only package is
// offered again with -t. Other codes get no button.
RefusalOffer offerAfter(const QString &code, const QString &name, const DeviceFacts &device);

// The tool's arguments that print the space of the device's /data: `adb shell df /data`.
QStringList freeSpaceArguments();

// The free bytes on the file system `df /data` printed, in either shape: toybox's (Android 6 and
// later) "Filesystem 1K-blocks Used Available Use% Mounted on" with counts of 1K blocks, or
// toolbox's (older) "Filesystem Size Used Free Blksize" with sizes like "4.8G" (binary units).
// Empty when the text is neither, or the figure does not fit.
std::optional<qint64> freeBytesFromDf(const QStringList &lines);

// For too little storage: how much /data has free (when known) beside the package's size.
QString storageDetail(std::optional<qint64> freeBytes, qint64 packageBytes);

// The SDK level the device said a package needs, from "Requires newer sdk version #26 (current
// version is #25)"; 0 when it did not say.
int neededSdkFromMessage(const QString &message);

// "Android 8.0 (API level 26)"; "API level 40" for a level it does not know.
QString androidVersion(int sdk);

// For a package that needs a newer Android: the version it needs (0: unknown) beside the device's.
QString olderSdkDetail(int neededSdk, int deviceSdk);

// For native code the device cannot run: the package's processor types (empty: unknown) beside
// the device's.
QString abiDetail(const QStringList &packageAbis, const QStringList &deviceAbis);
