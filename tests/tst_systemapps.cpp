// System apps and batches without a device: the states merged from the package manager's
// listings as Android 4.4, 7, 10 and 14 print them, each action's arguments by version and kind of
// app, how each action ended and why, the guard rails and the texts of a batch.
#include "apps/appactions.h"
#include "apps/criticalapps.h"
#include "apps/systemapps.h"
#include "device/toolrunner.h"
#include "outcomes/appoutcomes.h"
#include "outcomes/batchtexts.h"

#include <QTest>

using Runs = QMap<Listing, ToolRun>;
Q_DECLARE_METATYPE(ToolRun)
Q_DECLARE_METATYPE(Runs)
Q_DECLARE_METATYPE(AppAction)
Q_DECLARE_METATYPE(AppKind)
Q_DECLARE_METATYPE(AppState)

namespace {

ToolRun ran(const QStringList &output, const QStringList &errors = {})
{
    return ToolRun{QStringLiteral("/usr/lib/apkshelf/adb"), output, errors, {}};
}

// "<path>=<name> <State> <Kind>", or "<name> <State> <Kind>" without a path: a row as the
// listing line that named it, then its columns.
QStringList shown(const QList<AppRow> &rows)
{
    QStringList lines;
    for (const AppRow &row : rows) {
        const QString named = row.path.isEmpty() ? row.name : row.path + '=' + row.name;
        lines.append(
            QStringList{named, stateText(row.state), kindText(row.kind)}.join(' ').trimmed());
    }
    return lines;
}

QStringList packages(const QStringList &lines)
{
    QStringList listed;
    for (const QString &line : lines)
        listed.append("package:" + line);
    return listed;
}

const QStringList usage{"Error: Unknown option: -u",
                        "usage: pm list packages [-f] [-d] [-e] [-s] [-3] [-i] [--user USER_ID] "
                        "[FILTER]",
                        "       pm list permission-groups"};

} // namespace

class TestSystemApps : public QObject
{
    Q_OBJECT

private slots:
    void mergesTheListings_data();
    void mergesTheListings();
    void asksForTheListings();
    void buildsTheActions_data();
    void buildsTheActions();
    void choosesForTheSelection();
    void readsTheOutcomes_data();
    void readsTheOutcomes();
    void guardsCriticalApps();
    void writesTheBatchTexts();
};

void TestSystemApps::mergesTheListings_data()
{
    QTest::addColumn<Runs>("runs");
    QTest::addColumn<QStringList>("updated"); // from the package details
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QString>("detail"); // a part of it; empty: none

    QTest::newRow("Android 4.4: flat files, CR from the terminal")
        << Runs{{Listing::Installed,
                 ran(packages({"/system/app/PicoTts.apk=com.svox.pico\r",
                               "/data/app/com.baidu.tieba-1.apk=com.baidu.tieba\r",
                               "/system/app/Browser.apk=com.android.browser\r"}))},
                {Listing::Uninstalled,
                 ran(packages({"/system/app/PicoTts.apk=com.svox.pico\r",
                               "/data/app/com.baidu.tieba-1.apk=com.baidu.tieba\r",
                               "/system/app/Browser.apk=com.android.browser\r"}))},
                {Listing::Disabled, ran(packages({"com.android.browser\r"}))},
                {Listing::System, ran(packages({"com.svox.pico\r", "com.android.browser\r"}))}}
        << QStringList{}
        << QStringList{"/system/app/PicoTts.apk=com.svox.pico Enabled System",
                       "/data/app/com.baidu.tieba-1.apk=com.baidu.tieba Enabled User",
                       "/system/app/Browser.apk=com.android.browser Disabled System"}
        << QString();
    QTest::newRow("Android 7: a system app removed for user 0")
        << Runs{{Listing::Installed,
                 ran(packages({"/data/app/org.fdroid.fdroid-2/base.apk=org.fdroid.fdroid"}))},
                {Listing::Uninstalled,
                 ran(packages({"/system/priv-app/FMPlayer/FMPlayer.apk=com.caf.fmradio",
                               "/data/app/org.fdroid.fdroid-2/base.apk=org.fdroid.fdroid"}))},
                {Listing::Disabled, ran({})},
                {Listing::System, ran(packages({"com.caf.fmradio"}))}}
        << QStringList{}
        << QStringList{"/data/app/org.fdroid.fdroid-2/base.apk=org.fdroid.fdroid Enabled User",
                       "/system/priv-app/FMPlayer/FMPlayer.apk=com.caf.fmradio Removed System"}
        << QString();
    QTest::newRow("Android 10: an updated system app, disabled")
        << Runs{{Listing::Installed,
                 ran(packages({"/data/app/com.google.android.youtube-Zm9_LQ==/"
                               "base.apk=com.google.android.youtube",
                               "/system/priv-app/SystemUI/SystemUI.apk=com.android.systemui"}))},
                {Listing::Uninstalled,
                 ran(packages({"/data/app/com.google.android.youtube-Zm9_LQ==/"
                               "base.apk=com.google.android.youtube",
                               "/system/priv-app/SystemUI/SystemUI.apk=com.android.systemui"}))},
                {Listing::Disabled, ran(packages({"com.google.android.youtube"}))},
                {Listing::System,
                 ran(packages({"com.android.systemui", "com.google.android.youtube"}))}}
        << QStringList{"com.google.android.youtube"}
        << QStringList{"/data/app/com.google.android.youtube-Zm9_LQ==/"
                       "base.apk=com.google.android.youtube Disabled Updated system",
                       "/system/priv-app/SystemUI/SystemUI.apk=com.android.systemui Enabled System"}
        << QString();
    const QString a14 = "/data/app/~~abc-_Q==/com.example.notes-xY_z-9==/base.apk";
    QTest::newRow("Android 14: a user app removed with its data kept, a disabled system app")
        << Runs{{Listing::Installed, ran(packages({"/product/app/Maps/Maps.apk=com.google.maps"}))},
                {Listing::Uninstalled,
                 ran(packages(
                     {a14 + "=com.example.notes", "/product/app/Maps/Maps.apk=com.google.maps"}))},
                {Listing::Disabled, ran(packages({"com.google.maps"}))},
                {Listing::System, ran(packages({"com.google.maps"}))}}
        << QStringList{}
        << QStringList{"/product/app/Maps/Maps.apk=com.google.maps Disabled System",
                       a14 + "=com.example.notes Removed User"}
        << QString();
    QTest::newRow("usage text for -u, -d and -s: enabled, kind unknown")
        << Runs{{Listing::Installed, ran(packages({"/system/app/Mms.apk=com.android.mms"}))},
                {Listing::Uninstalled, ran(usage)},
                {Listing::Disabled, ran({}, usage)},
                {Listing::System, ran(usage)}}
        << QStringList{} << QStringList{"/system/app/Mms.apk=com.android.mms Enabled"}
        << "does not list apps removed for its user";
    QTest::newRow("an empty -d listing is no failure, a failed -s is")
        << Runs{{Listing::Installed, ran(packages({"/system/app/Mms.apk=com.android.mms"}))},
                {Listing::Disabled, ran({"", ""})},
                {Listing::System, ToolRun{"adb", {}, {}, "crashed", false}}}
        << QStringList{} << QStringList{"/system/app/Mms.apk=com.android.mms Enabled"}
        << "does not list which apps came with it";
    QTest::newRow("package manager not ready: nothing is Removed")
        << Runs{{Listing::Installed,
                 ran({}, {"Error: Could not access the Package Manager.  Is the system running?"})},
                {Listing::Uninstalled, ran(packages({"/system/app/Mms.apk=com.android.mms"}))}}
        << QStringList{} << QStringList{} << QString();
    QTest::newRow("base listing cut short: nothing is Removed")
        << Runs{{Listing::Installed,
                 ToolRun{"adb", packages({"/system/app/A.apk=com.a"}), {}, {}, true}},
                {Listing::Uninstalled,
                 ran(packages({"/system/app/A.apk=com.a", "/system/app/B.apk=com.b"}))}}
        << QStringList{} << QStringList{} << QString();
    QTest::newRow("third-party apps: no -s asked, so User")
        << Runs{{Listing::Installed, ran(packages({"/data/app/com.x-1/base.apk=com.x",
                                                   "/data/app/com.y-1/base.apk=com.y",
                                                   "/data/app/com.x-1/base.apk=com.x"}))},
                {Listing::Disabled, ran(packages({"com.y"}))}}
        << QStringList{}
        << QStringList{"/data/app/com.x-1/base.apk=com.x Enabled User",
                       "/data/app/com.y-1/base.apk=com.y Disabled User"}
        << QString();
}

void TestSystemApps::mergesTheListings()
{
    QFETCH(Runs, runs);
    QFETCH(QStringList, updated);
    QFETCH(QStringList, rows);
    QFETCH(QString, detail);

    const MergedListing merged =
        mergeListings(runs, QSet<QString>(updated.cbegin(), updated.cend()));
    QCOMPARE(shown(merged.rows), rows);
    QCOMPARE(merged.listed, !rows.isEmpty());
    // What the detail says is hidden is what the window knows it cannot judge by.
    QCOMPARE(merged.unusable.isEmpty(), merged.detail.isEmpty());
    if (detail.isEmpty())
        QCOMPARE(merged.detail, QString());
    else
        QVERIFY2(merged.detail.contains(detail), qPrintable(merged.detail));
}

void TestSystemApps::asksForTheListings()
{
    const auto asked = [](int sdk, bool systemApps) {
        QStringList commands;
        for (const ListingCommand &command : listingCommands(sdk, systemApps))
            commands.append(command.arguments.join(' '));
        return commands;
    };
    QCOMPARE(asked(19, true),
             (QStringList{"shell pm list packages -f", "shell pm list packages -f -u",
                          "shell pm list packages -d", "shell pm list packages -s"}));
    QCOMPARE(asked(24, true).first(), "shell pm list packages -f --user 0");
    QCOMPARE(asked(34, true).at(1), "shell pm list packages -f -u --user 0");
    QCOMPARE(asked(34, false), (QStringList{"shell pm list packages -f -3 --user 0",
                                            "shell pm list packages -d -3 --user 0"}));
    QCOMPARE(listingCommands(34, true).at(2).listing, Listing::Disabled);
}

void TestSystemApps::buildsTheActions_data()
{
    QTest::addColumn<AppAction>("action");
    QTest::addColumn<AppKind>("kind");
    QTest::addColumn<AppState>("state");
    QTest::addColumn<int>("sdk");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("keepData");
    QTest::addColumn<QString>("arguments"); // joined by spaces; empty: not offered

    const auto U = AppAction::Uninstall;
    const auto En = AppState::Enabled;
    const QString pkg = "com.example.notes";
    const QString fm = "/system/priv-app/FMPlayer/FMPlayer.apk";
    QTest::newRow("user app, Android 4.4")
        << U << AppKind::User << En << 19 << pkg << "" << false << "shell pm uninstall " + pkg;
    QTest::newRow("user app, data kept")
        << U << AppKind::User << En << 34 << pkg << "" << true << "shell pm uninstall -k " + pkg;
    QTest::newRow("system app, Android 7: for user 0, data kept")
        << U << AppKind::System << En << 24 << pkg << "" << false
        << "shell pm uninstall -k --user 0 " + pkg;
    QTest::newRow("updated system app: for user 0, never a downgrade")
        << U << AppKind::UpdatedSystem << AppState::Disabled << 29 << pkg << "" << false
        << "shell pm uninstall -k --user 0 " + pkg;
    QTest::newRow("kind unknown: as a system app")
        << U << AppKind::Unknown << En << 34 << pkg << "" << true
        << "shell pm uninstall -k --user 0 " + pkg;
    QTest::newRow("system app, Android 6: not offered")
        << U << AppKind::System << En << 23 << pkg << "" << false << "";
    QTest::newRow("removed app: no uninstall")
        << U << AppKind::System << AppState::Removed << 34 << pkg << "" << false << "";
    QTest::newRow("disable, Android 4.4")
        << AppAction::Disable << AppKind::System << En << 19 << pkg << "" << false
        << "shell pm disable-user --user 0 " + pkg;
    QTest::newRow("disable, Android 4.1: no users yet")
        << AppAction::Disable << AppKind::User << En << 16 << pkg << "" << false
        << "shell pm disable-user " + pkg;
    QTest::newRow("disable a disabled app: not offered")
        << AppAction::Disable << AppKind::System << AppState::Disabled << 34 << pkg << "" << false
        << "";
    QTest::newRow("enable") << AppAction::Enable << AppKind::System << AppState::Disabled << 34
                            << pkg << "" << false << "shell pm enable --user 0 " + pkg;
    QTest::newRow("enable an enabled app: not offered")
        << AppAction::Enable << AppKind::System << En << 34 << pkg << "" << false << "";
    QTest::newRow("restore, Android 8")
        << AppAction::Restore << AppKind::System << AppState::Removed << 26 << pkg << fm << false
        << "shell cmd package install-existing --user 0 " + pkg;
    QTest::newRow("restore, Android 7: its file again")
        << AppAction::Restore << AppKind::System << AppState::Removed << 24 << pkg << fm << false
        << "shell pm install -r --user 0 " + fm;
    QTest::newRow("restore, Android 7: a path with shell characters is quoted")
        << AppAction::Restore << AppKind::System << AppState::Removed << 25 << pkg
        << "/system/app/My App/$(reboot).apk" << false
        << "shell pm install -r --user 0 '/system/app/My App/$(reboot).apk'";
    QTest::newRow("restore, Android 7: no path")
        << AppAction::Restore << AppKind::System << AppState::Removed << 24 << pkg << "" << false
        << "";
    QTest::newRow("restore, Android 7: a path that climbs out")
        << AppAction::Restore << AppKind::System << AppState::Removed << 24 << pkg
        << "/system/app/../../data/local/tmp/x.apk" << false << "";
    QTest::newRow("restore, Android 6: not offered")
        << AppAction::Restore << AppKind::System << AppState::Removed << 23 << pkg << fm << false
        << "";
    QTest::newRow("a name with shell characters never runs")
        << AppAction::Disable << AppKind::User << En << 34 << "com.x;reboot"
        << "" << false << "";
}

void TestSystemApps::buildsTheActions()
{
    QFETCH(AppAction, action);
    QFETCH(AppKind, kind);
    QFETCH(AppState, state);
    QFETCH(int, sdk);
    QFETCH(QString, name);
    QFETCH(QString, path);
    QFETCH(bool, keepData);
    QFETCH(QString, arguments);

    const std::optional<QStringList> built =
        actionArguments(action, AppRow{name, path, state, kind}, sdk, keepData);
    QCOMPARE(built ? built->join(' ') : QString(), arguments);
}

void TestSystemApps::choosesForTheSelection()
{
    const AppRow user{"com.x", {}, AppState::Enabled, AppKind::User};
    const AppRow system{"com.y", {}, AppState::Enabled, AppKind::System};
    const AppRow disabled{"com.z", {}, AppState::Disabled, AppKind::System};
    QVERIFY(appliesToAll(AppAction::Uninstall, {user, system}, 24));
    QVERIFY(!appliesToAll(AppAction::Uninstall, {user, system}, 23));
    QVERIFY(!appliesToAll(AppAction::Enable, {disabled, user}, 34));
    QVERIFY(!appliesToAll(AppAction::Disable, {}, 34));
    QCOMPARE(disableOrEnable({disabled}), AppAction::Enable);
    QCOMPARE(disableOrEnable({disabled, user}), AppAction::Disable);
}

void TestSystemApps::readsTheOutcomes_data()
{
    QTest::addColumn<AppAction>("action");
    QTest::addColumn<AppKind>("kind");
    QTest::addColumn<ToolRun>("run");
    QTest::addColumn<bool>("done");
    QTest::addColumn<bool>("lost");
    QTest::addColumn<QString>("why"); // a part of it, when not done

    const auto D = AppAction::Disable;
    const auto U = AppAction::Uninstall;
    const auto R = AppAction::Restore;
    const auto S = AppKind::System;
    const QString thrown = "Exception occurred while executing 'disable-user':";
    QTest::newRow("disabled, Android 4.4 on standard error")
        << D << S << ran({}, {"Package com.x new state: disabled-user"}) << true << false << "";
    QTest::newRow("disabled, Android 10")
        << D << S << ran({"Package com.x new state: disabled-user"}) << true << false << "";
    QTest::newRow("enabled") << AppAction::Enable << S << ran({"Package com.x new state: enabled"})
                             << true << false << "";
    QTest::newRow("\"enabled\" is not disabled")
        << D << S << ran({"Package com.x new state: enabled"}) << false << false << "said";
    QTest::newRow("protected package")
        << D << S
        << ran({}, {"", thrown,
                    "java.lang.SecurityException: Cannot disable a protected package: com.x"})
        << false << false << "protects this app";
    QTest::newRow("shell may not change the state")
        << D << S
        << ran({}, {thrown, "java.lang.SecurityException: Shell cannot change component state for "
                            "null to 3"})
        << false << false << "SecurityException";
    QTest::newRow("unknown package")
        << AppAction::Enable << S
        << ran({}, {"java.lang.IllegalArgumentException: Unknown package: com.x"}) << false << false
        << "does not know this app for user 0";
    QTest::newRow("removed for user 0") << U << S << ran({"Success"}) << true << false << "";
    QTest::newRow("system app refused without reason")
        << U << S << ran({"Failure [DELETE_FAILED_INTERNAL_ERROR]"}) << false << false
        << "Disable the app instead.";
    QTest::newRow("user app refused without reason")
        << U << AppKind::User << ran({"Failure [DELETE_FAILED_INTERNAL_ERROR]"}) << false << false
        << "DELETE_FAILED_INTERNAL_ERROR: the package manager refused";
    QTest::newRow("restricted by the maker")
        << U << S << ran({"Failure [DELETE_FAILED_USER_RESTRICTED]"}) << false << false
        << "restricted on this device";
    QTest::newRow("not installed for user 0, Android 8 and later")
        << U << S << ran({"Failure [not installed for 0]"}) << false << false
        << "does not know this app for user 0";
    QTest::newRow("not installed for user 0, Android 7")
        << U << S << ran({}, {"Failure - not installed for 0"}) << false << false
        << "does not know this app for user 0";
    QTest::newRow("only root may remove for a user")
        << U << S << ran({"Failure [only root can delete system app for a particular user]"})
        << false << false << "only root";
    QTest::newRow("restore is decided by the list, not the line")
        << R << S << ran({"Package com.x installed for user: 0"}) << false << false
        << "still removed";
    QTest::newRow("restore of an unknown package")
        << R << S
        << ran({"android.content.pm.PackageManager$NameNotFoundException: Package com.x doesn't "
                "exist"})
        << false << false << "does not know this app for user 0";
    QTest::newRow("restore on Android 7, install refused")
        << R << S << ran({"Failure [INSTALL_FAILED_INVALID_URI]"}) << false << false
        << "could not read the package file";
    QTest::newRow("device unplugged") << D << S << ran({}, {"error: device 'R58M42' not found"})
                                      << false << true << "disconnected";
    QTest::newRow("no device any more")
        << U << S << ran({}, {"adb: error: no devices/emulators found"}) << false << true
        << "disconnected";
    QTest::newRow("still starting") << D << S << ran({}, {"cmd: Can't find service: package"})
                                    << false << false << "still starting";
    QTest::newRow("nothing printed") << D << S << ran({}) << false << false << "printed nothing";
}

void TestSystemApps::readsTheOutcomes()
{
    QFETCH(AppAction, action);
    QFETCH(AppKind, kind);
    QFETCH(ToolRun, run);
    QFETCH(bool, done);
    QFETCH(bool, lost);
    QFETCH(QString, why);

    QCOMPARE(reportsDone(action, run), done);
    QCOMPARE(lostTheDevice(run), lost);
    if (done)
        return;
    const AppRow app{"com.x", {}, AppState::Enabled, kind};
    const QString said = whyNotDone(action, app, run, action == AppAction::Restore);
    QVERIFY2(said.contains(why), qPrintable(said));
}

void TestSystemApps::guardsCriticalApps()
{
    QCOMPARE(launcherFrom({"priority=0 preferredOrder=0 match=0x108000 specificIndex=-1 "
                           "isDefault=true",
                           "com.google.android.apps.nexuslauncher/.NexusLauncherActivity", ""}),
             "com.google.android.apps.nexuslauncher");
    QCOMPARE(launcherFrom({"priority=0 preferredOrder=0 match=0x0 specificIndex=-1 isDefault=false",
                           "android/com.android.internal.app.ResolverActivity"}),
             std::nullopt);
    QCOMPARE(launcherFrom({"No activity found"}), std::nullopt);
    QCOMPARE(keyboardFrom({"com.google.android.inputmethod.latin/"
                           "com.android.inputmethod.latin.LatinIME"}),
             "com.google.android.inputmethod.latin");
    QCOMPARE(keyboardFrom({"null"}), std::nullopt);
    QCOMPARE(keyboardFrom({"com.x;reboot/.Ime"}), std::nullopt);
    QVERIFY(launcherQuery(23).isEmpty());
    QCOMPARE(launcherQuery(24).join(' '), "shell cmd package resolve-activity --brief -a "
                                          "android.intent.action.MAIN -c "
                                          "android.intent.category.HOME");

    const DeviceRoles roles{"com.sec.android.app.launcher", "com.samsung.android.honeyboard"};
    for (const char *critical : {"android", "com.android.systemui", "com.android.settings",
                                 "com.android.providers.settings", "com.android.phone",
                                 "com.android.shell", "com.android.packageinstaller",
                                 "com.sec.android.app.launcher", "com.samsung.android.honeyboard"})
        QVERIFY2(!criticalReason(critical, roles).isEmpty(), critical);
    QCOMPARE(criticalReason("com.facebook.katana", roles), QString());
    QCOMPARE(criticalReason("com.android.shell.extra", roles), QString());
    QCOMPARE(criticalReason("com.x", DeviceRoles{}), QString());
}

void TestSystemApps::writesTheBatchTexts()
{
    QList<BatchApp> apps;
    for (int i = 1; i <= 22; ++i)
        apps.append({QStringLiteral("com.example.app%1").arg(i), i == 1 ? "Notes" : ""});
    const QString asked = confirmationText(AppAction::Uninstall, apps, true);
    QVERIFY(asked.startsWith("Uninstall these 22 apps?\n\nNotes (com.example.app1)\n"));
    QVERIFY(asked.contains("com.example.app20\nand 2 more\n"));
    QVERIFY(!asked.contains("com.example.app21"));
    QVERIFY(asked.endsWith("Removing system apps can stop the phone from working. They stay on the "
                           "phone and come back with Restore or a factory reset."));
    QVERIFY(!confirmationText(AppAction::Disable, apps, true).contains("Removing system apps"));

    QCOMPARE(busyText(AppAction::Uninstall, 3, 12, apps.at(0)), "Uninstalling 3 of 12: Notes");
    QCOMPARE(busyText(AppAction::Restore, 1, 2, apps.at(1)), "Restoring 1 of 2: com.example.app2");

    // The device went away during the second of four.
    QList<AppResult> results{{apps.at(0), AppEnd::Changed, {}},
                             {apps.at(1), AppEnd::Refused, "The device was disconnected."},
                             {apps.at(2), AppEnd::NotDone, {}},
                             {apps.at(3), AppEnd::NotDone, {}}};
    markRestNotDone(results, 2, "the device was disconnected.");
    QCOMPARE(endStatus(AppAction::Disable, results), "1 of 4 disabled");
    QCOMPARE(batchDetail(results), "com.example.app2: The device was disconnected.\n"
                                   "com.example.app3: Not done: the device was disconnected.\n"
                                   "com.example.app4: Not done: the device was disconnected.");

    const QString second = criticalConfirmation(
        AppAction::Disable, {{apps.at(0), criticalReason("com.android.shell", {})}});
    QVERIFY(second.contains("Disable them all the same?"));
    QVERIFY(second.contains("Notes (com.example.app1): The shell that adb runs in"));
}

QTEST_GUILESS_MAIN(TestSystemApps)
#include "tst_systemapps.moc"
