// What the line under the status line says, fed with what adb 29 and the devices it talks to
// really print. Each row names the words the explanation must hold; none means it says nothing.
#include "statusdetail.h"

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
    QTest::addColumn<QStringList>("mentions");

    const QStringList nothing;
    const Step check = Step::DeviceCheck;
    QTest::newRow("one device: nothing to add")
        << check << ran({header, "emulator-5554\tdevice"}) << "emulator-5554" << nothing;
    QTest::newRow("two devices: which one")
        << check << ran({header, "emulator-5554\tdevice", "R58M\tdevice"}) << "R58M"
        << QStringList{"2 devices", "R58M"};
    QTest::newRow("unauthorized") << check << ran({header, "R58M\tunauthorized"}) << QString()
                                  << QStringList{"R58M", "Allow USB debugging?", "Refresh"};
    QTest::newRow("no permissions")
        << check
        << ran({header, "R58M\tno permissions (user in plugdev group; are your udev rules "
                        "wrong?); see [http://developer.android.com/tools/device.html]"})
        << QString()
        << QStringList{"user in plugdev group; are your udev rules wrong?",
                       "android-sdk-platform-tools-common", "plugdev group", "replug"};
    QTest::newRow("offline") << check << ran({header, "emulator-5554\toffline"}) << QString()
                             << QStringList{"emulator-5554", "offline", "replug"};
    QTest::newRow("in recovery") << check << ran({header, "R58M\trecovery"}) << QString()
                                 << QStringList{"recovery", "Reboot it into Android"};
    QTest::newRow("several not ready: the first, and how many")
        << check << ran({header, "A1\tunauthorized", "B2\toffline"}) << QString()
        << QStringList{"2 devices", "A1", "Allow USB debugging?"};
    QTest::newRow("no device line")
        << check
        << ran({header},
               {"* daemon not running; starting now at tcp:5037", "* daemon started successfully"})
        << QString() << QStringList{"No device is attached", "Developer options", "emulator"};
    QTest::newRow("tool missing")
        << check << ToolRun{"/opt/x/lib/apkshelf/adb", {}, {}, "execve: No such file or directory"}
        << QString() << QStringList{"/opt/x/lib/apkshelf/adb", "incomplete"};
    QTest::newRow("no list, an error")
        << check << ran({}, {"adb: failed to check server version: protocol fault"}) << QString()
        << QStringList{"protocol fault"};
    QTest::newRow("silent tool") << check << ran({}) << QString() << QStringList{"printed nothing"};

    const Step list = Step::Listing;
    QTest::newRow("listing refused, Android 7 and later")
        << list << ran({}, {"ls: data/app/: Permission denied"}) << QString()
        << QStringList{"root shell", "adb root"};
    QTest::newRow("listing refused, older devices")
        << list << ran({"opendir failed, Permission denied"}) << QString()
        << QStringList{"root shell"};
    QTest::newRow("listed") << list << ran({"a.apk"}) << QString() << nothing;

    const Step remove = Step::Removal;
    QTest::newRow("remove a folder")
        << remove << ran({}, {"rm: data/app/com.example-1: Is a directory"}) << QString()
        << QStringList{"app's folder"};
    QTest::newRow("remove refused") << remove << ran({}, {"rm: data/app/a.apk: Permission denied"})
                                    << QString() << QStringList{"root shell"};
    QTest::newRow("remove on a read-only folder")
        << remove << ran({"rm: data/app/a.apk: Read-only file system"}) << QString()
        << QStringList{"read-only"};
    QTest::newRow("remove, silent")
        << remove << ran({}) << QString() << QStringList{"printed nothing"};

    const Step install = Step::Install;
    const QString incompatible = "adb: failed to install /tmp/a.apk: Failure "
                                 "[INSTALL_FAILED_UPDATE_INCOMPATIBLE: Package com.x signatures do "
                                 "not match previously installed version; ignoring!]";
    QTest::newRow("install refused on standard error")
        << install << ran({"Performing Streamed Install"}, {incompatible}) << QString()
        << QStringList{"INSTALL_FAILED_UPDATE_INCOMPATIBLE", "signature", "deletes its data"};
    QTest::newRow("install refused on standard output")
        << install << ran({"Failure [INSTALL_FAILED_OLDER_SDK]"}) << QString()
        << QStringList{"INSTALL_FAILED_OLDER_SDK", "newer Android"};
    for (const char *code :
         {"INSTALL_FAILED_VERSION_DOWNGRADE", "INSTALL_FAILED_INSUFFICIENT_STORAGE",
          "INSTALL_FAILED_NO_MATCHING_ABIS", "INSTALL_FAILED_DEPRECATED_SDK_VERSION",
          "INSTALL_FAILED_USER_RESTRICTED", "INSTALL_FAILED_MISSING_SPLIT",
          "INSTALL_FAILED_INVALID_APK", "INSTALL_FAILED_ALREADY_EXISTS", "INSTALL_FAILED_TEST_ONLY",
          "INSTALL_FAILED_INVALID_URI"}) {
        QTest::addRow("%s explained", code)
            << install
            << ran({},
                   {QStringLiteral("adb: failed to install /tmp/a.apk: Failure [%1: x]").arg(code)})
            << QString() << QStringList{QString::fromLatin1(code) + ": "};
    }
    const QStringList splitFailures[] = {
        {"Split config.arm64_v8a was defined multiple times", "same split"},
        {"Full install must include a base package", "base"},
        {"/data/app/vmdl1.tmp/01-config.x86.apk package com.b inconsistent with com.a", "one app"},
        {"Missing split for com.example.app", "whole bundle"}};
    for (const QStringList &failure : splitFailures) {
        const QString code = failure.first().startsWith("Missing") ? "INSTALL_FAILED_MISSING_SPLIT"
                                                                   : "INSTALL_FAILED_INVALID_APK";
        QTest::addRow("split install refused: %s", qPrintable(failure.first()))
            << install
            << ran({}, {"adb: failed to finalize session",
                        QStringLiteral("Failure [%1: %2]").arg(code, failure.first())})
            << QString() << QStringList{code + ": ", failure.last()};
    }
    QTest::newRow("split install refused: a feature split missing")
        << install
        << ran({}, {"Failure [INSTALL_PARSE_FAILED_BAD_MANIFEST: Split 'camera.config.x86' targets "
                    "split 'camera', which is missing.]"})
        << QString() << QStringList{"INSTALL_PARSE_FAILED_BAD_MANIFEST: ", "another split"};
    const QString unknown =
        "adb: failed to install /tmp/a.apk: Failure "
        "[INSTALL_PARSE_FAILED_NO_CERTIFICATES: Failed collecting certificates]";
    QTest::newRow("other codes as adb gave them")
        << install << ran({}, {unknown}) << QString() << QStringList{unknown};
    const QString refusal = "adb: filename doesn't end .apk or .apex: /tmp/a.apk.zip";
    QTest::newRow("refused by adb itself")
        << install << ran({}, {refusal}) << QString() << QStringList{refusal};
    QTest::newRow("device gone") << install
                                 << ran({"Performing Streamed Install"},
                                        {"adb: device 'R58M' not found"})
                                 << QString() << QStringList{"device 'R58M' not found"};
    QTest::newRow("install, silent")
        << install << ran({}) << QString() << QStringList{"printed nothing"};
}

void TestStatusDetail::explains()
{
    QFETCH(Step, step);
    QFETCH(ToolRun, run);
    QFETCH(QString, device);
    QFETCH(QStringList, mentions);

    const QString detail = detailFor(step, run, device);

    QCOMPARE(detail.isEmpty(), mentions.isEmpty());
    for (const QString &words : mentions)
        QVERIFY2(detail.contains(words), qPrintable(detail));
}

QTEST_GUILESS_MAIN(TestStatusDetail)
#include "tst_statusdetail.moc"
