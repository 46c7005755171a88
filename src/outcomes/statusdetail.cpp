#include "outcomes/statusdetail.h"

#include "apps/packagemanager.h"
#include "device/devicelist.h"
#include "outcomes/outcomes.h"

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

QString quoted(const QString &line)
{
    return quotedLine(line);
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

// The last line of either stream, standard error first: what a run that was ended had come to.
QString lastSaid(const ToolRun &run)
{
    const QStringList &lines = run.errors.isEmpty() ? run.output : run.errors;
    return lines.isEmpty() ? QString() : quoted(lines.last());
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
    if (refusedForWantOfRoot(run))
        return text("Listing data/app/ needs a root shell on the device: on an emulator or a "
                    "userdebug build, \u201cRestart adb as root\u201d (adb root) gives one. "
                    "Production phones don't allow it, so their list stays empty. The Apps view "
                    "lists and uninstalls this device's apps without root.");
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

// What the package manager means by the codes of a refused uninstall.
QString uninstallMeaning(const QString &code)
{
    static const QHash<QString, const char *> meanings{
        {"DELETE_FAILED_INTERNAL_ERROR",
         "the package manager refused without giving a reason. It refuses this way to remove a "
         "system app or an app the device protects, such as its launcher."},
        {"DELETE_FAILED_DEVICE_POLICY_MANAGER",
         "the app is an active device administrator. Deactivate it under Device admin apps in the "
         "device's security settings, then try again."},
        {"DELETE_FAILED_USER_RESTRICTED",
         "uninstalling is restricted on this device, by its maker or by a policy."},
        {"DELETE_FAILED_OWNER_BLOCKED",
         "a work profile or the device's owner (an organisation that manages it) has blocked "
         "uninstalling this app."},
        {"DELETE_FAILED_USED_SHARED_LIBRARY",
         "the app is a shared library that other installed apps use."},
        {"DELETE_FAILED_ABORTED", "the uninstall was aborted on the device."},
    };
    const char *meaning = meanings.value(code);
    return meaning ? text(meaning) : QString();
}

bool saysNotReady(const QString &line)
{
    return line.contains(QLatin1String("Could not access the Package Manager")) ||
           line.contains(QLatin1String("Can't find service: package"));
}

QString packageManagerNotReady()
{
    return text("The device's package manager is not running yet: the device is still starting. "
                "Press Refresh in a moment.");
}

// The first line of either stream, standard error first, that `holds`.
template<typename Predicate> std::optional<QString> firstLine(const ToolRun &run, Predicate holds)
{
    for (const QStringList *lines : {&run.errors, &run.output}) {
        const auto found = std::find_if(lines->cbegin(), lines->cend(), holds);
        if (found != lines->cend())
            return *found;
    }
    return std::nullopt;
}

QString appListing(const ToolRun &run)
{
    if (!run.failure.isEmpty())
        return notRunnable(run);
    const auto isApp = [](const QString &line) { return readPackageLine(line).has_value(); };
    if (std::any_of(run.output.cbegin(), run.output.cend(), isApp))
        return {};
    if (firstLine(run, saysNotReady))
        return packageManagerNotReady();
    if (const std::optional<QString> said = firstLine(run, [](const QString &) { return true; }))
        return text("The device said: %1").arg(quoted(*said));
    return text("No third-party apps are installed on this device.");
}

QString uninstallFailure(const QString &line)
{
    static const QRegularExpression reason(
        QStringLiteral("Failure (?:\\[([^\\]:]*)|- not installed for (\\d+))"));
    const QRegularExpressionMatch match = reason.match(line);
    const QString code = match.captured(1);
    const QString meaning = uninstallMeaning(code);
    if (!meaning.isEmpty())
        return code + QStringLiteral(": ") + meaning;
    static const QRegularExpression notInstalled(QStringLiteral("^not installed for (\\d+)$"));
    const QString user =
        match.hasCaptured(2) ? match.captured(2) : notInstalled.match(code).captured(1);
    if (!user.isEmpty())
        return text("The app is not installed for user %1 of the device: it may be gone already, "
                    "or belong to another user or a work profile.")
            .arg(user);
    static const QRegularExpression number(QStringLiteral("^-?\\d+$"));
    if (number.match(code).hasMatch())
        return text("The package manager refused with code %1 and gave no reason.").arg(code);
    return text("The device said: %1").arg(quoted(line));
}

QString uninstall(const ToolRun &run)
{
    if (!run.failure.isEmpty())
        return text("The app could not be passed to adb: %1.").arg(run.failure);
    if (const std::optional<QString> failure = lineWith(run, QLatin1String("Failure")))
        return uninstallFailure(*failure);
    if (firstLine(run, saysNotReady))
        return packageManagerNotReady();
    // Asked only when the uninstall failed: the app is still listed after all.
    if (reportsUninstalled(run))
        return text("The package manager reported success, yet the app is still installed.");
    if (run.output.isEmpty() && run.errors.isEmpty())
        return text("adb printed nothing, so the app was not uninstalled.");
    return text("The device said: %1").arg(firstSaid(run));
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

bool refusedForWantOfRoot(const ToolRun &listing)
{
    // A device that refuses the listing prints its error in place of the names, so a long
    // listing, which is all names, is not read a second time.
    constexpr qsizetype errorLinesAtMost = 10;
    return listing.failure.isEmpty() &&
           lineWith(listing, QLatin1String("Permission denied"), errorLinesAtMost).has_value();
}

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
    case Step::AppListing:
        return appListing(run);
    case Step::Uninstall:
        return uninstall(run);
    }
    return {};
}

QString notAnswered(const ToolRun &run, int limitMs)
{
    const int seconds = std::max(1, (limitMs + 999) / 1000);
    const QString first =
        seconds == 1 ? text("adb did not answer within 1 second, so it was ended.")
                     : text("adb did not answer within %1 seconds, so it was ended.").arg(seconds);
    const QString said = firstSaid(run);
    if (said.isEmpty())
        return first + QLatin1Char(' ') + text("It had printed nothing by then.");
    return first + QLatin1Char(' ') + text("The last it printed was: %1").arg(lastSaid(run));
}

QString quotedLine(const QString &line)
{
    constexpr qsizetype longest = 300;
    const QString trimmed = line.trimmed();
    return trimmed.size() <= longest ? trimmed : trimmed.left(longest) + QChar(0x2026);
}
