// What the Apps view reads from the package manager: the list of apps, in the shapes Android 4.4 to
// 13 print it, and the outcome of an uninstall with its explanation.
#include "apps/packagemanager.h"
#include "device/packagename.h"
#include "device/toolrunner.h"
#include "outcomes/outcomes.h"
#include "outcomes/statusdetail.h"
#include "table/textrows.h"

#include <QTest>

Q_DECLARE_METATYPE(ToolRun)

namespace {

using Apps = QList<std::pair<QString, QString>>; // name, package file

ToolRun ran(const QStringList &output, const QStringList &errors = {})
{
    return ToolRun{QStringLiteral("/usr/lib/apkshelf/adb"), output, errors, {}};
}

} // namespace

class TestPackageManager : public QObject
{
    Q_OBJECT

private slots:
    void readsTheList_data();
    void readsTheList();
    void readsTheUninstall_data();
    void readsTheUninstall();
};

void TestPackageManager::readsTheList_data()
{
    QTest::addColumn<ToolRun>("run");
    QTest::addColumn<Apps>("apps");
    QTest::addColumn<QString>("detail"); // when no app came

    const QString a11 = "/data/app/~~abc-_Q==/com.example.app-xY_z-9==/base.apk";
    QTest::newRow("Android 4.4: flat file, installer")
        << ran({"package:/data/app/com.baidu.tieba-1.apk=com.baidu.tieba  installer=null"})
        << Apps{{"com.baidu.tieba", "/data/app/com.baidu.tieba-1.apk"}} << QString();
    QTest::newRow("Android 6: folder and base.apk")
        << ran({"package:/data/app/org.fdroid.fdroid-2/base.apk=org.fdroid.fdroid"})
        << Apps{{"org.fdroid.fdroid", "/data/app/org.fdroid.fdroid-2/base.apk"}} << QString();
    QTest::newRow("Android 8: '=' in the path, version code")
        << ran({"package:/data/app/com.x.y-Zm9_LQ-Ab==/base.apk=com.x.y versionCode:42"})
        << Apps{{"com.x.y", "/data/app/com.x.y-Zm9_LQ-Ab==/base.apk"}} << QString();
    QTest::newRow("Android 11: two levels of '='") << ran({"package:" + a11 + "=com.example.app"})
                                                   << Apps{{"com.example.app", a11}} << QString();
    QTest::newRow("Android 13: every suffix, uids of two users")
        << ran({"package:" + a11 +
                "=com.example.app versionCode:-3  installer=com.android.vending uid:10123,1010123"})
        << Apps{{"com.example.app", a11}} << QString();
    QTest::newRow("non-ASCII in the path")
        << ran({u8"package:/data/app/caf\u00e9-1/b\u00e4se.apk=com.cafe  installer=null"})
        << Apps{{"com.cafe", u8"/data/app/caf\u00e9-1/b\u00e4se.apk"}} << QString();
    QTest::newRow("one-word name, no path, trailing space and CR")
        << ran({"package:android \r", "package:com.x"})
        << Apps{{"android", QString()}, {"com.x", QString()}} << QString();
    QTest::newRow("not package lines are no rows")
        << ran({"Error: unknown", "package:/x.apk=com.ok", "package:/y.apk=com.bad;rm -rf /",
                "package:/z.apk=1com", "package:/w.apk=com..x", "package:/v.apk=", "sdk:/a=b.c"})
        << Apps{{"com.ok", "/x.apk"}} << QString();
    QTest::newRow("none: not ready, old devices")
        << ran({"Error: Could not access the Package Manager.  Is the system running?"}) << Apps{}
        << "The device's package manager is not running yet: the device is still starting. Press "
           "Refresh in a moment.";
    QTest::newRow("none: not ready, Android 9 and later")
        << ran({}, {"cmd: Can't find service: package"}) << Apps{}
        << "The device's package manager is not running yet: the device is still starting. Press "
           "Refresh in a moment.";
    QTest::newRow("none: another line") << ran({"  Error: Unknown option: -3 "}) << Apps{}
                                        << "The device said: Error: Unknown option: -3";
    QTest::newRow("none: nothing at all")
        << ran({}) << Apps{} << "No third-party apps are installed on this device.";
}

void TestPackageManager::readsTheList()
{
    QFETCH(ToolRun, run);
    QFETCH(Apps, apps);
    QFETCH(QString, detail);

    // As the runner hands them over: the bytes of each line.
    QList<QByteArray> bytes;
    for (const QString &line : std::as_const(run.output))
        bytes.append(line.toUtf8());
    const QList<QByteArrayView> lines(bytes.cbegin(), bytes.cend());
    TextRows read(2);
    QStringList others;
    readPackageLines(lines, read, others);

    Apps got;
    for (qsizetype row = 0; row < read.rowCount(); ++row)
        got.append({read.text(row, 0), read.text(row, 1)});
    QCOMPARE(got, apps);
    QCOMPARE(others.size(), run.output.size() - apps.size());
    QCOMPARE(detailFor(Step::AppListing, run), detail);
}

void TestPackageManager::readsTheUninstall_data()
{
    QTest::addColumn<ToolRun>("run");
    QTest::addColumn<bool>("uninstalled");
    QTest::addColumn<QString>("detail"); // when it failed

    QTest::newRow("success") << ran({"Success"}) << true << QString();
    QTest::newRow("success, merged by an old device's terminal")
        << ran({"Success"}, {"WARNING: linker: libdvm.so has text relocations."}) << true
        << QString();
    QTest::newRow("\"Success\" inside a line is no success")
        << ran({"Error: Success is not a package"}) << false
        << "The device said: Error: Success is not a package";
    QTest::newRow("device administrator")
        << ran({"Failure [DELETE_FAILED_DEVICE_POLICY_MANAGER]"}) << false
        << "DELETE_FAILED_DEVICE_POLICY_MANAGER: the app is an active device administrator. "
           "Deactivate it under Device admin apps in the device's security settings, then try "
           "again.";
    QTest::newRow("restricted, with a message, Android 5 and 6 on standard error")
        << ran({}, {"Failure [DELETE_FAILED_USER_RESTRICTED: no]"}) << false
        << "DELETE_FAILED_USER_RESTRICTED: uninstalling is restricted on this device, by its maker "
           "or by a policy.";
    QTest::newRow("blocked by the owner")
        << ran({"Failure [DELETE_FAILED_OWNER_BLOCKED]"}) << false
        << "DELETE_FAILED_OWNER_BLOCKED: a work profile or the device's owner (an organisation "
           "that manages it) has blocked uninstalling this app.";
    QTest::newRow("shared library")
        << ran({"Failure [DELETE_FAILED_USED_SHARED_LIBRARY]"}) << false
        << "DELETE_FAILED_USED_SHARED_LIBRARY: the app is a shared library that other installed "
           "apps use.";
    QTest::newRow("internal error")
        << ran({"Failure [DELETE_FAILED_INTERNAL_ERROR]"}) << false
        << "DELETE_FAILED_INTERNAL_ERROR: the package manager refused without giving a reason. It "
           "refuses this way to remove a system app or an app the device protects, such as its "
           "launcher.";
    const QString notFor = "The app is not installed for user 0 of the device: it may be gone "
                           "already, or belong to another user or a work profile.";
    QTest::newRow("not installed, Android 8 and later")
        << ran({"Failure [not installed for 0]"}) << false << notFor;
    QTest::newRow("not installed, Android 5 to 7")
        << ran({}, {"Failure - not installed for 0"}) << false << notFor;
    QTest::newRow("a bare number")
        << ran({"Failure [-7]"}) << false
        << "The package manager refused with code -7 and gave no reason.";
    QTest::newRow("Android 4: no reason")
        << ran({"Failure"}) << false << "The device said: Failure";
    QTest::newRow("an unknown text as it stands")
        << ran({"Failure [only root can delete system app for a particular user]"}) << false
        << "The device said: Failure [only root can delete system app for a particular user]";
    QTest::newRow("package manager not ready")
        << ran({}, {"cmd: Can't find service: package"}) << false
        << "The device's package manager is not running yet: the device is still starting. Press "
           "Refresh in a moment.";
    QTest::newRow("silent") << ran({}) << false
                            << "adb printed nothing, so the app was not uninstalled.";
}

void TestPackageManager::readsTheUninstall()
{
    QFETCH(ToolRun, run);
    QFETCH(bool, uninstalled);
    QFETCH(QString, detail);

    QCOMPARE(reportsUninstalled(run), uninstalled);
    if (!uninstalled)
        QCOMPARE(detailFor(Step::Uninstall, run), detail);
}

QTEST_GUILESS_MAIN(TestPackageManager)
#include "tst_packagemanager.moc"
