// What the line under the status line says, fed with what adb 29 and the devices it talks to
// really print. Each row gives the whole explanation; an empty one means it says nothing.
#include "outcomes/statusdetail.h"

#include <QTest>

Q_DECLARE_METATYPE(Step)
Q_DECLARE_METATYPE(ToolRun)

namespace {

const QString header = QStringLiteral("List of devices attached");

ToolRun ran(const QStringList &output, const QStringList &errors = {})
{
    return ToolRun{QStringLiteral("/usr/lib/apkshelf/adb"), output, errors, {}};
}

} // namespace

class TestStatusDetail : public QObject
{
    Q_OBJECT

private slots:
    void explains_data();
    void explains();
};

void TestStatusDetail::explains_data()
{
    QTest::addColumn<Step>("step");
    QTest::addColumn<ToolRun>("run");
    QTest::addColumn<QString>("device"); // the serial the check settled on
    QTest::addColumn<QString>("detail");

    const QString nothing;
    const QString allow = "has not allowed USB debugging from this computer yet. Unlock it, accept "
                          "the \u201cAllow USB debugging?\u201d prompt on its screen, then press "
                          "Refresh.";
    const Step check = Step::DeviceCheck;
    QTest::newRow("one device: nothing to add")
        << check << ran({header, "emulator-5554\tdevice"}) << "emulator-5554" << nothing;
    QTest::newRow("two devices: which one")
        << check << ran({header, "emulator-5554\tdevice", "R58M\tdevice"}) << "R58M"
        << "2 devices are attached; this window works on R58M. Choose another under Device.";
    QTest::newRow("unauthorized") << check << ran({header, "R58M\tunauthorized"}) << QString()
                                  << "R58M " + allow;
    QTest::newRow("no permissions")
        << check
        << ran({header, "R58M\tno permissions (user in plugdev group; are your udev rules "
                        "wrong?); see [http://developer.android.com/tools/device.html]"})
        << QString()
        << "This user may not use R58M (adb says: user in plugdev group; are your udev rules "
           "wrong?). On Debian, install android-sdk-platform-tools-common for its udev rules, "
           "make sure you are in the plugdev group, then replug the device.";
    for (const char *state : {"offline", "authorizing", "connecting"}) {
        QTest::addRow("%s", state)
            << check << ran({header, QStringLiteral("A1\t%1").arg(state)}) << QString()
            << QStringLiteral("A1 is %1 and not ready yet. Wait a moment or "
                              "replug it, then press Refresh.")
                   .arg(state);
    }
    for (const char *mode : {"recovery", "sideload"}) {
        QTest::addRow("in %s", mode)
            << check << ran({header, QStringLiteral("R58M\t%1").arg(mode)}) << QString()
            << QStringLiteral("R58M is in %1 mode. Reboot it into Android, then press Refresh.")
                   .arg(mode);
    }
    QTest::newRow("several not ready: the first, and how many")
        << check << ran({header, "A1\tunauthorized", "B2\toffline"}) << QString()
        << "2 devices are attached and none can be used. A1 " + allow;
    QTest::newRow("no device line")
        << check
        << ran({header},
               {"* daemon not running; starting now at tcp:5037", "* daemon started successfully"})
        << QString()
        << "No device is attached. Connect one by USB with USB debugging turned on (in Developer "
           "options), or start an emulator, then press Refresh.";
    QTest::newRow("tool missing")
        << check << ToolRun{"/opt/x/lib/apkshelf/adb", {}, {}, "execve: No such file or directory"}
        << QString()
        << "adb could not be run from /opt/x/lib/apkshelf/adb (execve: No such file or "
           "directory). The installation is incomplete: reinstall apkshelf and Debian's adb "
           "package.";
    QTest::newRow("no list, an error")
        << check << ran({}, {"adb: failed to check server version: protocol fault"}) << QString()
        << "adb printed no list of devices. It said: adb: failed to check server version: "
           "protocol fault";
    QTest::newRow("silent tool") << check << ran({}) << QString()
                                 << "adb printed nothing, so no device could be found.";

    const Step list = Step::Listing;
    const QString rootToList =
        "Listing data/app/ needs a root shell on the device: on an emulator or a userdebug build, "
        "\u201cRestart adb as root\u201d (adb root) gives one. Production phones don't allow it, "
        "so their list stays empty. The Apps view lists and uninstalls this device's apps without "
        "root.";
    QTest::newRow("listing refused, Android 7 and later")
        << list << ran({}, {"ls: data/app/: Permission denied"}) << QString() << rootToList;
    QTest::newRow("listing refused, older devices")
        << list << ran({"opendir failed, Permission denied"}) << QString() << rootToList;
    QTest::newRow("listed") << list << ran({"a.apk"}) << QString() << nothing;
    QTest::newRow("listed while the server started")
        << list << ran({"a.apk"}, {"* daemon started successfully"}) << QString() << nothing;

    // A line of adb's is quoted whole up to 300 characters, then cut and marked.
    const auto cut = [](const QString &line) { return line.left(300) + QChar(0x2026); };
    const QString longName = QString(400, 'x') + ".apk";
    const Step remove = Step::Removal;
    QTest::newRow("remove a folder")
        << remove << ran({}, {"rm: data/app/com.example-1: Is a directory"}) << QString()
        << "The entry is an app's folder (every app has one on Android 5 and later), which "
           "Remove does not delete.";
    QTest::newRow("remove refused")
        << remove << ran({}, {"rm: data/app/a.apk: Permission denied"}) << QString()
        << "Deleting in data/app/ needs a root shell on the device: run \u201cadb root\u201d first "
           "on an emulator or a userdebug build.";
    QTest::newRow("remove on a read-only folder")
        << remove << ran({"rm: data/app/a.apk: Read-only file system"}) << QString()
        << "data/app/ is read-only on this device, so nothing can be deleted there.";
    QTest::newRow("remove, silent")
        << remove << ran({}) << QString() << "adb printed nothing, yet the entry is still listed.";
    QTest::newRow("remove, an unknown line on standard error")
        << remove << ran({}, {"rm: data/app/a.apk: No such file or directory"}) << QString()
        << "The device said: rm: data/app/a.apk: No such file or directory";
    const QString longRemoval = "rm: data/app/" + longName + ": Operation not permitted";
    QTest::newRow("remove, a long line cut")
        << remove << ran({}, {longRemoval}) << QString() << "The device said: " + cut(longRemoval);

    const Step install = Step::Install;
    const QString incompatible = "adb: failed to install /tmp/a.apk: Failure "
                                 "[INSTALL_FAILED_UPDATE_INCOMPATIBLE: Package com.x signatures do "
                                 "not match previously installed version; ignoring!]";
    QTest::newRow("install refused on standard error")
        << install << ran({"Performing Streamed Install"}, {incompatible}) << QString()
        << "INSTALL_FAILED_UPDATE_INCOMPATIBLE: the app is already installed with a different "
           "signature. Uninstall it from the device first; that deletes its data.";
    QTest::newRow("install refused on standard output")
        << install << ran({"Failure [INSTALL_FAILED_OLDER_SDK]"}) << QString()
        << "INSTALL_FAILED_OLDER_SDK: the package needs a newer Android version than this device "
           "has.";
    const std::pair<const char *, const char *> meanings[] = {
        {"INSTALL_FAILED_VERSION_DOWNGRADE",
         "the device has a newer version of this app. Uninstall that first, or install a newer "
         "package."},
        {"INSTALL_FAILED_INSUFFICIENT_STORAGE",
         "the device has too little free storage. Free some space, then try again."},
        {"INSTALL_FAILED_NO_MATCHING_ABIS",
         "the package's native code is built for other processors than this device's."},
        {"INSTALL_FAILED_DEPRECATED_SDK_VERSION",
         "the package was made for an Android version so old that this device refuses it."},
        {"INSTALL_FAILED_USER_RESTRICTED",
         "the device does not allow installs over USB. Turn on \u201cInstall via USB\u201d in "
         "Developer options, or accept the prompt on the device's screen."},
        {"INSTALL_FAILED_MISSING_SPLIT",
         "the app comes as a base and split packages, and needs splits that were not installed "
         "with it. Install its whole bundle (.apks, .xapk or .apkm)."},
        {"INSTALL_FAILED_INVALID_APK",
         "the file is not a valid Android package; it may be damaged or incomplete."},
        {"INSTALL_FAILED_ALREADY_EXISTS", "the app is already installed on the device."},
        {"INSTALL_FAILED_TEST_ONLY",
         "the package is marked as test-only, which the device does not install this way."},
        {"INSTALL_FAILED_INVALID_URI", "the device could not read the package file it was given."},
    };
    for (const auto &[code, meaning] : meanings) {
        QTest::addRow("%s explained", code)
            << install
            << ran({},
                   {QStringLiteral("adb: failed to install /tmp/a.apk: Failure [%1: x]").arg(code)})
            << QString() << QString::fromLatin1(code) + ": " + QString::fromUtf8(meaning);
    }
    // A split install's refusals share codes; the device's message tells them apart.
    const std::pair<const char *, const char *> splitFailures[] = {
        {"INSTALL_FAILED_INVALID_APK: Split config.arm64_v8a was defined multiple times",
         "two of the packages are the same split, or two are a base: the bundle holds copies "
         "meant for different devices."},
        {"INSTALL_FAILED_INVALID_APK: Full install must include a base package",
         "none of the packages is the app's base, which every install needs."},
        {"INSTALL_FAILED_INVALID_APK: /data/app/vmdl1.tmp/01-config.x86.apk package com.b "
         "inconsistent with com.a",
         "the packages are not all of one app, one version and one signer."},
        {"INSTALL_PARSE_FAILED_BAD_MANIFEST: Split 'camera.config.x86' targets split 'camera', "
         "which is missing.",
         "a split needs another split that was not installed with it."},
    };
    for (const auto &[failure, meaning] : splitFailures) {
        const QString code = QString::fromLatin1(failure).section(QLatin1Char(':'), 0, 0);
        QTest::addRow("split install refused: %s", failure)
            << install
            << ran({},
                   {"adb: failed to finalize session", QStringLiteral("Failure [%1]").arg(failure)})
            << QString() << code + ": " + QString::fromUtf8(meaning);
    }
    const QString unknown =
        "adb: failed to install /tmp/a.apk: Failure "
        "[INSTALL_PARSE_FAILED_NO_CERTIFICATES: Failed collecting certificates]";
    QTest::newRow("other codes as adb gave them")
        << install << ran({}, {unknown}) << QString() << unknown;
    const QString refusal = "adb: filename doesn't end .apk or .apex: /tmp/a.apk.zip";
    QTest::newRow("refused by adb itself") << install << ran({}, {refusal}) << QString() << refusal;
    QTest::newRow("device gone") << install
                                 << ran({"Performing Streamed Install"},
                                        {"adb: device 'R58M' not found"})
                                 << QString() << "adb: device 'R58M' not found";
    const QString longFailure = "adb: failed to install /tmp/" + longName +
                                ": Failure [INSTALL_PARSE_FAILED_NOT_APK: Failed to parse]";
    QTest::newRow("install, a long line cut")
        << install << ran({}, {longFailure}) << QString() << cut(longFailure);
    QTest::newRow("install, silent") << install << ran({}) << QString()
                                     << "adb printed nothing, so the package was not installed.";
}

void TestStatusDetail::explains()
{
    QFETCH(Step, step);
    QFETCH(ToolRun, run);
    QFETCH(QString, device);
    QFETCH(QString, detail);

    QCOMPARE(detailFor(step, run, device), detail);
}

QTEST_GUILESS_MAIN(TestStatusDetail)
#include "tst_statusdetail.moc"
