#include "statusdetail.h"

#include "devicelist.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <algorithm>
#include <limits>
#include <optional>

namespace {

QString text(const char *source)
{
    return QCoreApplication::translate("StatusDetail", source);
}

// A line of adb's as it stands in a sentence: trimmed, and cut when it is too long to read.
QString quoted(const QString &line)
{
    constexpr qsizetype longest = 300;
    const QString trimmed = line.trimmed();
    return trimmed.size() <= longest ? trimmed : trimmed.left(longest) + QChar(0x2026);
}

// The first line of either stream, standard error first, that contains `needle`; of standard
// output only the first `outputLines` are looked at.
std::optional<QString> lineWith(const ToolRun &run, QLatin1String needle,
                                qsizetype outputLines = std::numeric_limits<qsizetype>::max())
{
    const auto holds = [needle](const QString &line) { return line.contains(needle); };
    const auto error = std::find_if(run.errors.cbegin(), run.errors.cend(), holds);
    if (error != run.errors.cend())
        return quoted(*error);
    const auto outputEnd = run.output.cbegin() + std::min(outputLines, run.output.size());
    const auto output = std::find_if(run.output.cbegin(), outputEnd, holds);
    if (output != outputEnd)
        return quoted(*output);
    return std::nullopt;
}

QString firstSaid(const ToolRun &run)
{
    const QStringList &lines = run.errors.isEmpty() ? run.output : run.errors;
    return lines.isEmpty() ? QString() : quoted(lines.first());
}

QString notRunnable(const ToolRun &run)
{
    return text("adb could not be run from %1 (%2). The installation is incomplete: reinstall "
                "apkshelf and Debian's adb package.")
        .arg(run.program, run.failure);
}

QString notReady(const DeviceLine &device)
{
    static const QRegularExpression noPermissions(QStringLiteral("^no permissions \\((.*)\\)"));
    const QString state = device.state.section(QLatin1Char(' '), 0, 0);
    if (state == QLatin1String("unauthorized"))
        return text(
                   "%1 has not allowed USB debugging from this computer yet. Unlock it, accept "
                   "the \u201cAllow USB debugging?\u201d prompt on its screen, then press Refresh.")
            .arg(device.serial);
    if (const QRegularExpressionMatch match = noPermissions.match(device.state); match.hasMatch())
        return text("This user may not use %1 (adb says: %2). On Debian, install "
                    "android-sdk-platform-tools-common for its udev rules, make sure you are in "
                    "the plugdev group, then replug the device.")
            .arg(device.serial, match.captured(1));
    if (QStringList{"offline", "connecting", "authorizing"}.contains(state))
        return text("%1 is %2 and not ready yet. Wait a moment or replug it, then press Refresh.")
            .arg(device.serial, state);
    if (QStringList{"recovery", "sideload", "rescue", "bootloader"}.contains(state))
        return text("%1 is in %2 mode. Reboot it into Android, then press Refresh.")
            .arg(device.serial, state);
    return text("%1 is \u201c%2\u201d and cannot be used now.").arg(device.serial, device.state);
}

QString deviceCheck(const ToolRun &run, const QString &device)
{
    if (!run.failure.isEmpty())
        return notRunnable(run);
    const qsizetype usable = usableDevices(run.output).size();
    if (usable > 1)
        return text("%1 devices are attached; this window works on %2. Choose another under "
                    "Device.")
            .arg(usable)
            .arg(device);
    if (usable == 1)
        return {};
    const QList<DeviceLine> waiting = unusableDevices(run.output);
    if (waiting.size() > 1)
        return text("%1 devices are attached and none can be used. ").arg(waiting.size()) +
               notReady(waiting.first());
    if (!waiting.isEmpty())
        return notReady(waiting.first());
    if (!run.output.isEmpty())
        return text("No device is attached. Connect one by USB with USB debugging turned on (in "
                    "Developer options), or start an emulator, then press Refresh.");
    if (!run.errors.isEmpty())
        return text("adb printed no list of devices. It said: %1").arg(quoted(run.errors.last()));
    return text("adb printed nothing, so no device could be found.");
}

QString listing(const ToolRun &run)
{
    if (!run.failure.isEmpty())
        return notRunnable(run);
    // A device that refuses the listing prints its error in place of the names, so a long
    // listing, which is all names, is not read a second time.
    constexpr qsizetype errorLinesAtMost = 10;
    if (lineWith(run, QLatin1String("Permission denied"), errorLinesAtMost))
        return text("Listing data/app/ needs a root shell on the device: run \u201cadb root\u201d "
                    "first on an emulator or a userdebug build. Production phones don't allow "
                    "it, so their list stays empty.");
    if (run.output.isEmpty() && !run.errors.isEmpty())
        return text("The device said: %1").arg(firstSaid(run));
    return {};
}

QString removal(const ToolRun &run)
{
    if (!run.failure.isEmpty())
        return text("The entry could not be passed to adb: %1.").arg(run.failure);
    if (lineWith(run, QLatin1String("Is a directory")))
        return text("The entry is an app's folder (every app has one on Android 5 and later), "
                    "which Remove does not delete.");
    if (lineWith(run, QLatin1String("Permission denied")))
        return text("Deleting in data/app/ needs a root shell on the device: run \u201cadb "
                    "root\u201d first on an emulator or a userdebug build.");
    if (lineWith(run, QLatin1String("Read-only file system")))
        return text("data/app/ is read-only on this device, so nothing can be deleted there.");
    if (run.output.isEmpty() && run.errors.isEmpty())
        return text("adb printed nothing, yet the entry is still listed.");
    return text("The device said: %1").arg(firstSaid(run));
}

// What the device's package manager means by the codes people meet most. Some codes stand for
// several faults, told apart by the message after the code; the first entry that matches wins.
QString meaningOf(const QString &code, const QString &message)
{
    struct Meaning
    {
        const char *code;
        const char *message; // a part of the message; empty: any
        const char *meaning;
    };
    static const Meaning meanings[] = {
        {"INSTALL_FAILED_UPDATE_INCOMPATIBLE", "",
         "the app is already installed with a different signature. Uninstall it from the device "
         "first; that deletes its data."},
        {"INSTALL_FAILED_VERSION_DOWNGRADE", "",
         "the device has a newer version of this app. Uninstall that first, or install a newer "
         "package."},
        {"INSTALL_FAILED_INSUFFICIENT_STORAGE", "",
         "the device has too little free storage. Free some space, then try again."},
        {"INSTALL_FAILED_NO_MATCHING_ABIS", "",
         "the package's native code is built for other processors than this device's."},
        {"INSTALL_FAILED_OLDER_SDK", "",
         "the package needs a newer Android version than this device has."},
        {"INSTALL_FAILED_DEPRECATED_SDK_VERSION", "",
         "the package was made for an Android version so old that this device refuses it."},
        {"INSTALL_FAILED_USER_RESTRICTED", "",
         "the device does not allow installs over USB. Turn on \u201cInstall via USB\u201d in "
         "Developer options, or accept the prompt on the device's screen."},
        {"INSTALL_FAILED_MISSING_SPLIT", "",
         "the app comes as a base and split packages, and needs splits that were not installed "
         "with it. Install its whole bundle (.apks, .xapk or .apkm)."},
        {"INSTALL_FAILED_INVALID_APK", "defined multiple times",
         "two of the packages are the same split, or two are a base: the bundle holds copies "
         "meant for different devices."},
        {"INSTALL_FAILED_INVALID_APK", "must include a base package",
         "none of the packages is the app's base, which every install needs."},
        {"INSTALL_FAILED_INVALID_APK", "inconsistent",
         "the packages are not all of one app, one version and one signer."},
        {"INSTALL_FAILED_INVALID_APK", "",
         "the file is not a valid Android package; it may be damaged or incomplete."},
        {"INSTALL_PARSE_FAILED_BAD_MANIFEST", "which is missing",
         "a split needs another split that was not installed with it."},
        {"INSTALL_FAILED_ALREADY_EXISTS", "", "the app is already installed on the device."},
        {"INSTALL_FAILED_TEST_ONLY", "",
         "the package is marked as test-only, which the device does not install this way."},
        {"INSTALL_FAILED_INVALID_URI", "",
         "the device could not read the package file it was given."},
    };
    for (const Meaning &meaning : meanings) {
        if (code == QLatin1String(meaning.code) && message.contains(QLatin1String(meaning.message)))
            return text(meaning.meaning);
    }
    return {};
}

QString install(const ToolRun &run)
{
    // The tool itself was found by the device check just before: what failed is the handing over.
    if (!run.failure.isEmpty())
        return text("The package was not handed to adb: %1. adb takes only names that end in .apk, "
                    "so a file named otherwise needs a link in the temporary folder.")
            .arg(run.failure);
    static const QRegularExpression failureCode(QStringLiteral("Failure \\[([A-Z0-9_]+)(.*)"));
    if (const std::optional<QString> failure = lineWith(run, QLatin1String("Failure ["))) {
        const QRegularExpressionMatch match = failureCode.match(*failure);
        const QString code = match.captured(1);
        const QString meaning = meaningOf(code, match.captured(2));
        return meaning.isEmpty() ? *failure : code + QStringLiteral(": ") + meaning;
    }
    if (const std::optional<QString> refusal = lineWith(run, QLatin1String("adb: ")))
        return *refusal;
    if (run.output.isEmpty() && run.errors.isEmpty())
        return text("adb printed nothing, so the package was not installed.");
    return text("adb said: %1").arg(firstSaid(run));
}

} // namespace

QString detailFor(Step step, const ToolRun &run, const QString &device)
{
    switch (step) {
    case Step::DeviceCheck:
        return deviceCheck(run, device);
    case Step::Listing:
        return listing(run);
    case Step::Removal:
        return removal(run);
    case Step::Install:
        return install(run);
    }
    return {};
}
