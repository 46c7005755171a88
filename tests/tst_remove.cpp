#include "apps/apptable.h"
#include "fakeadb.h"
#include "text/shellquote.h"
#include "window/mainwindow.h"
#include "windowdriver.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {
const QString connected = QStringLiteral("Device connected: emulator-5554");
const QByteArray noDevice = "List of devices attached\n\n";

// The calls "shell pm <command> ...", in order.
QList<FakeAdb::Call> packageManagerCalls(const FakeAdb &adb, const QString &command)
{
    QList<FakeAdb::Call> found;
    for (const FakeAdb::Call &call : adb.calls("shell")) {
        if (call.arguments.size() > 2 && call.arguments.at(1) == "pm" &&
            call.arguments.at(2) == command)
            found.append(call);
    }
    return found;
}
} // namespace

class TestRemove : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void reportsTheOutcome_data();
    void reportsTheOutcome();
    void nothingSelectedRemovesNothing_data();
    void nothingSelectedRemovesNothing();
    void deviceGoneBeforeTheCheckingRefresh();
    void quotesNamesForTheDeviceShell_data();
    void quotesNamesForTheDeviceShell();
    void sendsTheQuotedName();
    void uninstallsInTheAppsView_data();
    void uninstallsInTheAppsView();
    void disablesSeveralApps_data();
    void disablesSeveralApps();
    void restoreIsJudgedByTheList_data();
    void restoreIsJudgedByTheList();

private:
    void refreshAndSelect(int row);

    std::unique_ptr<FakeAdb> adb;
    std::unique_ptr<MainWindow> window;
    std::unique_ptr<WindowDriver> ui;
};

void TestRemove::init()
{
    adb = std::make_unique<FakeAdb>();
    QVERIFY(adb->isReady());
    adb->attachDevice();
    adb->setListing({"app-1.apk", "b.apk"});
    window = std::make_unique<MainWindow>();
    ui = std::make_unique<WindowDriver>(*window);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
}

void TestRemove::cleanup()
{
    ui.reset();
    window.reset();
    adb.reset();
}

void TestRemove::refreshAndSelect(int row)
{
    ui->click("refreshBtn");
    ui->clickRow(row);
}

void TestRemove::reportsTheOutcome_data()
{
    QTest::addColumn<QByteArray>("output");
    QTest::addColumn<QStringList>("listedAfter");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QStringList>("shown");

    const QStringList gone{"b.apk"};
    const QStringList still{"app-1.apk", "b.apk"};
    QTest::newRow("removed") << QByteArray() << gone << "app-1.apk removed" << gone;
    QTest::newRow("reported failed")
        << QByteArray("removing app-1.apk failed\n") << gone << "remove failed" << still;
    QTest::newRow("capital Failed is no failure")
        << QByteArray("Failed to frobnicate\n") << gone << "app-1.apk removed" << gone;
    QTest::newRow("permission denied, still listed")
        << QByteArray("rm: data/app/app-1.apk: Permission denied\n") << still << "remove failed"
        << still;
    QTest::newRow("permission denied, gone all the same")
        << QByteArray("rm: data/app/app-1.apk: Permission denied\n") << gone << "app-1.apk removed"
        << gone;
    QTest::newRow("silent, still listed") << QByteArray() << still << "remove failed" << still;
}

void TestRemove::reportsTheOutcome()
{
    QFETCH(QByteArray, output);
    QFETCH(QStringList, listedAfter);
    QFETCH(QString, status);
    QFETCH(QStringList, shown);
    adb->setOutput("rm", output);
    adb->setListing(listedAfter, 2);
    refreshAndSelect(0);

    ui->click("removeBtn");

    QCOMPARE(ui->status(), status);
    QCOMPARE(ui->shownEntries(), shown);
    const QList<FakeAdb::Call> removals = adb->calls("shell").mid(1);
    QCOMPARE(removals.first().arguments, QStringList({"shell", "rm", "data/app/app-1.apk"}));
    QCOMPARE(removals.first().serial, std::optional<QString>("emulator-5554"));
    const bool refreshed = !output.contains("failed");
    QCOMPARE(removals.size(), refreshed ? 2 : 1);
}

void TestRemove::nothingSelectedRemovesNothing_data()
{
    QTest::addColumn<bool>("refreshFirst");
    QTest::newRow("right after a refresh") << true;
    QTest::newRow("before any refresh") << false;
}

void TestRemove::nothingSelectedRemovesNothing()
{
    QFETCH(bool, refreshFirst);
    if (refreshFirst)
        ui->click("refreshBtn");

    ui->click("removeBtn");

    QCOMPARE(ui->status(), connected);
    const QList<FakeAdb::Call> removals = adb->calls("shell").mid(refreshFirst ? 1 : 0);
    QVERIFY(removals.isEmpty());
}

void TestRemove::deviceGoneBeforeTheCheckingRefresh()
{
    // Checks: the refresh, the removal, then the refresh after it finds no device.
    adb->setOutput("devices", noDevice, 3);
    refreshAndSelect(1);

    QTest::ignoreMessage(QtInfoMsg, "array: 0");
    ui->click("removeBtn");

    // Whether the file went cannot be told without a listing: no claim either way.
    QCOMPARE(ui->status(), "Device not available.");
    QCOMPARE(adb->calls("shell").size(), 2);
}

void TestRemove::quotesNamesForTheDeviceShell_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("unchanged");

    QTest::newRow("plain") << "app-1.apk" << true;
    QTest::newRow("package directory") << "com.example.app-Xy_z9==" << true;
    QTest::newRow("space") << "a b.apk" << false;
    QTest::newRow("single quote") << "it's.apk" << false;
    QTest::newRow("double quote") << "say \"hi\".apk" << false;
    QTest::newRow("semicolon") << "a.apk; rm -rf x" << false;
    QTest::newRow("command substitution") << "$(touch x).apk" << false;
    QTest::newRow("backquotes") << "`touch x`.apk" << false;
    QTest::newRow("glob") << "*" << false;
    QTest::newRow("and") << "a && touch x" << false;
    QTest::newRow("leading dash") << "-rf" << true;
    QTest::newRow("trailing backslash") << "a\\" << false;
    QTest::newRow("variable") << "$HOME" << false;
    QTest::newRow("tab and newline") << "a\tb\nc" << false;
    QTest::newRow("non-ASCII") << u8"\u00fcber \u2713.apk" << false;
}

// The device's shell must see exactly one word, data/app/<name>, and run nothing else.
void TestRemove::quotesNamesForTheDeviceShell()
{
    QFETCH(QString, name);
    QFETCH(bool, unchanged);
    const QString argument = QStringLiteral("data/app/") + shellQuoted(name);
    if (unchanged)
        QCOMPARE(argument, "data/app/" + name);

    // A package file in data/app/, so that a name left open to globbing would match it.
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    QVERIFY(QDir(folder.path()).mkpath("data/app"));
    QFile package(folder.filePath("data/app/base.apk"));
    QVERIFY(package.open(QIODevice::WriteOnly));
    package.close();
    QProcess shell;
    shell.setWorkingDirectory(folder.path());
    shell.start("/bin/sh", {"-c", QStringLiteral("printf '%s\\n' ") + argument});
    QVERIFY2(shell.waitForFinished(), qPrintable(shell.errorString()));

    QCOMPARE(QString::fromUtf8(shell.readAllStandardOutput()), "data/app/" + name + "\n");
    QCOMPARE(QDir(folder.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             QStringList{"data"});
}

void TestRemove::sendsTheQuotedName()
{
    const QString name = QStringLiteral("it's a $(test).apk");
    adb->setListing({name});
    adb->setListing({}, 2);
    refreshAndSelect(0);

    ui->click("removeBtn");

    QCOMPARE(ui->status(), name + " removed");
    QCOMPARE(adb->calls("shell").at(1).arguments,
             QStringList({"shell", "rm", "data/app/'it'\\''s a $(test).apk'"}));
}

void TestRemove::uninstallsInTheAppsView_data()
{
    QTest::addColumn<QString>("answer"); // in the dialog: Cancel, Uninstall, or Keep and Uninstall
    QTest::addColumn<QByteArray>("output");
    QTest::addColumn<QStringList>("arguments"); // of the uninstall; none when it must not run
    QTest::addColumn<QString>("status");
    QTest::addColumn<QStringList>("shown");

    const QStringList all{"com.a", "com.b", "com.c"};
    const QStringList uninstall{"shell", "pm", "uninstall", "com.b"};
    QTest::newRow("cancel runs nothing")
        << "cancel" << QByteArray("Success\n") << QStringList() << connected << all;
    QTest::newRow("uninstall") << "uninstall" << QByteArray("Success\n") << uninstall
                               << "com.b uninstalled" << QStringList{"com.a", "com.c"};
    QTest::newRow("keep its data") << "keep" << QByteArray("Success\n")
                                   << QStringList{"shell", "pm", "uninstall", "-k", "com.b"}
                                   << "com.b uninstalled" << QStringList{"com.a", "com.c"};
    QTest::newRow("refused: the row stays")
        << "uninstall" << QByteArray("Failure [DELETE_FAILED_DEVICE_POLICY_MANAGER]\n") << uninstall
        << "uninstall failed" << all;
}

// The Apps view lists through the package manager and uninstalls what the user confirmed, as the
// user confirmed it; the list after the uninstall is the judge.
void TestRemove::uninstallsInTheAppsView()
{
    QFETCH(QString, answer);
    QFETCH(QByteArray, output);
    QFETCH(QStringList, arguments);
    QFETCH(QString, status);
    QFETCH(QStringList, shown);
    adb->setOutput("pm-list", "package:/data/app/c-1/base.apk=com.c\r\n"
                              "package:/data/app/~~Q==/b-Zz==/base.apk=com.b\r\n"
                              "package:/data/app/a-2/base.apk=com.a\r\n");
    adb->setOutput("pm-list", "package:/c.apk=com.c\npackage:/a.apk=com.a\n", 2);
    adb->setOutput("pm-uninstall", output);

    ui->clickTab(1);

    // The Apps view's device work runs in the queue, off the UI thread.
    QTRY_COMPARE(ui->shownEntries(), QStringList({"com.a", "com.b", "com.c"}));
    const QList<FakeAdb::Call> listings = packageManagerCalls(*adb, "list");
    QCOMPARE(listings.size(), 2); // the apps, then the disabled ones among them
    QCOMPARE(listings.first().arguments,
             QStringList({"shell", "pm", "list", "packages", "-f", "-3"}));
    QCOMPARE(listings.first().serial, std::optional<QString>("emulator-5554"));
    QCOMPARE(ui->button("removeBtn")->accessibleName(), "Uninstall");
    ui->clickRow(1);
    QCOMPARE(ui->selectedApp(), "com.b");

    bool asked = false;
    ui->whenDialogShows([answer, &asked](QWidget &dialog) {
        asked = true;
        auto &box = static_cast<QMessageBox &>(dialog);
        QCOMPARE(box.windowTitle(), "Uninstall app");
        QCOMPARE(box.text(), "Uninstall com.b from emulator-5554?");
        QCOMPARE(box.informativeText(), "Its data on the device is deleted too.");
        QVERIFY(!box.checkBox()->isChecked());
        QCOMPARE(box.defaultButton()->text(), "Cancel");
        if (answer == "keep")
            box.checkBox()->click();
        const QString button = answer == "cancel" ? "Cancel" : "&Uninstall";
        const QList<QAbstractButton *> buttons = box.buttons();
        const auto pressed = std::find_if(buttons.cbegin(), buttons.cend(),
                                          [&](QAbstractButton *b) { return b->text() == button; });
        QVERIFY(pressed != buttons.cend());
        (*pressed)->click();
    });
    ui->click("removeBtn");
    QTRY_VERIFY(asked);
    QTRY_VERIFY(!ui->busy());

    QCOMPARE(ui->status(), status);
    QCOMPARE(ui->shownEntries(), shown);
    const QList<FakeAdb::Call> uninstalls = packageManagerCalls(*adb, "uninstall");
    QCOMPARE(uninstalls.isEmpty() ? QStringList() : uninstalls.first().arguments, arguments);
    if (status == "uninstall failed") {
        QCOMPARE(packageManagerCalls(*adb, "list").size(), 2); // no listing after a refusal
        QVERIFY(
            window->findChild<QLabel *>("statusDetail")->text().contains("device administrator"));
    }
}

void TestRemove::disablesSeveralApps_data()
{
    QTest::addColumn<bool>("riskTaken"); // the answer to the second question, on the critical app
    QTest::addColumn<bool>("cancel");    // Cancel pressed while the first app's run is under way
    QTest::addColumn<QString>("status");
    QTest::newRow("critical app confirmed") << true << false << "2 of 3 disabled";
    QTest::newRow("critical app declined: nothing runs") << false << false << connected;
    QTest::newRow("Cancel: the run under way finishes, no other starts")
        << true << true << "1 of 3 disabled";
}

// System apps shown: one confirmation for the three selected, a second one for the critical app,
// then one run each; the refusal in the middle stops nothing, and the fresh list judges.
void TestRemove::disablesSeveralApps()
{
    QFETCH(bool, riskTaken);
    QFETCH(bool, cancel);
    QFETCH(QString, status);
    adb->setOutput("getprop-sdk", "34\n");
    const QByteArray all = "package:/data/app/a/base.apk=com.a\n"
                           "package:/system/app/B/B.apk=com.b\n"
                           "package:/system/priv-app/SystemUI/SystemUI.apk=com.android.systemui\n";
    adb->setOutput("pm-list-all", all);
    adb->setOutput("pm-list-u", all);
    adb->setOutput("pm-list-s", "package:com.b\npackage:com.android.systemui\n");
    adb->setOutput("pm-list-d", "package:com.a\npackage:com.android.systemui\n", 2);
    adb->setOutput("settings-ime", "null\n");
    adb->setOutput("pm-disable", "Package com.a new state: disabled-user\n", 1);
    adb->setOutput("pm-disable", "Package com.android.systemui new state: disabled-user\n", 2);
    adb->setErrors("pm-disable",
                   "Exception occurred while executing 'disable-user':\n"
                   "java.lang.SecurityException: Cannot disable a protected package: com.b\n",
                   3);
    adb->setOptions("pm-disable", "exit=255\n", 3);
    if (cancel) {
        adb->setOptions("pm-disable", "stall_ms=3000\n", 1);
        adb->setOutput("pm-list-d", "package:com.a\n", 2);
    }
    ui->clickTab(1);
    QTRY_VERIFY(!ui->busy());
    auto *systemApps = window->findChild<QCheckBox *>("systemAppsBox");
    QCOMPARE(systemApps->accessibleName(), "Show system apps");
    QVERIFY(!systemApps->isChecked());
    systemApps->click();
    QTRY_COMPARE(ui->shownEntries(), QStringList({"com.a", "com.android.systemui", "com.b"}));
    QTRY_VERIFY(!ui->busy());
    const QAbstractItemModel *model = ui->table()->model();
    QCOMPARE(model->index(2, AppTable::Kind).data().toString(), "System");
    QVERIFY(model->index(1, 0).data(Qt::ToolTipRole).toString().contains("status bar"));
    QVERIFY(model->index(0, 0).data(Qt::DecorationRole).isNull()); // no warning mark

    ui->clickRow(0);
    QTest::keyClick(ui->table(), Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(ui->selectedApp(), "3 apps selected");
    QCOMPARE(ui->button("disableBtn")->text(), "Disa&ble");
    QVERIFY(!ui->button("restoreBtn")->isEnabled());
    QStringList asked;
    const auto answer = [&asked](QWidget &dialog, bool yes) {
        auto &box = static_cast<QMessageBox &>(dialog);
        asked << box.text();
        QCOMPARE(box.button(QMessageBox::Ok)->text(), "Disa&ble"); // says what it does
        box.button(yes ? QMessageBox::Ok : QMessageBox::Cancel)->click();
    };
    ui->whenDialogShows([this, answer, riskTaken](QWidget &dialog) {
        ui->whenDialogShows([answer, riskTaken](QWidget &next) { answer(next, riskTaken); });
        answer(dialog, true);
    });
    ui->click("disableBtn");
    QTRY_COMPARE(asked.size(), 2);
    if (cancel) {
        QTRY_VERIFY(FakeAdb::runningTools() == 1 &&
                    !packageManagerCalls(*adb, "disable-user").isEmpty());
        ui->click("cancelBtn");
        // Not cut off: a package manager command ended half way leaves the app unknown.
        QTest::qWait(500);
        QCOMPARE(FakeAdb::runningTools(), 1);
    }
    QTRY_VERIFY_WITH_TIMEOUT(!ui->busy(), 10000);

    QVERIFY2(asked.first().startsWith("Disable these 3 apps?"), qPrintable(asked.first()));
    QVERIFY2(asked.last().contains("com.android.systemui: "), qPrintable(asked.last()));
    QVERIFY(!asked.last().contains("com.b"));
    QCOMPARE(ui->status(), status);
    const QList<FakeAdb::Call> runs = packageManagerCalls(*adb, "disable-user");
    QCOMPARE(runs.size(), !riskTaken ? 0 : cancel ? 1 : 3);
    if (cancel) {
        const QString detail = window->findChild<QLabel *>("statusDetail")->text();
        QVERIFY2(detail.contains("com.b: Not done: the batch was cancelled."), qPrintable(detail));
        QVERIFY2(!detail.contains("com.a:"), qPrintable(detail));
    }
    if (!riskTaken || cancel)
        return;
    QCOMPARE(runs.at(2).arguments,
             QStringList({"shell", "pm", "disable-user", "--user", "0", "com.b"}));
    const QString detail = window->findChild<QLabel *>("statusDetail")->text();
    QVERIFY2(detail.contains("com.b: The device protects this app"), qPrintable(detail));
    QVERIFY2(!detail.contains("com.a"), qPrintable(detail));
    QCOMPARE(ui->table()->model()->index(0, AppTable::State).data().toString(), "Disabled");
}

void TestRemove::restoreIsJudgedByTheList_data()
{
    QTest::addColumn<bool>("listedAfter"); // whether the fresh list shows the app installed
    QTest::addColumn<QString>("status");
    QTest::newRow("restored") << true << "1 of 1 restored";
    QTest::newRow("reported, yet still removed") << false << "0 of 1 restored";
}

// The device prints its success line whether or not anything changed: only the list decides.
void TestRemove::restoreIsJudgedByTheList()
{
    QFETCH(bool, listedAfter);
    QFETCH(QString, status);
    adb->setOutput("getprop-sdk", "30\n");
    const QByteArray removed = "package:/system/app/X/X.apk=com.x\n";
    adb->setOutput("pm-list-u", removed);
    adb->setOutput("pm-list-s", "package:com.x\n");
    if (listedAfter)
        adb->setOutput("pm-list-all", removed, 2);
    adb->setOutput("install-existing", "Package com.x installed for user: 0\n");
    window->findChild<QCheckBox *>("systemAppsBox")->click();
    ui->clickTab(1);
    QTRY_COMPARE(ui->shownEntries(), QStringList{"com.x"});
    QTRY_VERIFY(!ui->busy());
    QCOMPARE(ui->table()->model()->index(0, AppTable::State).data().toString(), "Removed");
    ui->clickRow(0);
    QVERIFY(!ui->button("disableBtn")->isEnabled());

    ui->whenDialogShows([](QWidget &dialog) {
        static_cast<QMessageBox &>(dialog).button(QMessageBox::Ok)->click();
    });
    ui->click("restoreBtn");
    QTRY_COMPARE(ui->status(), status);

    const QList<FakeAdb::Call> calls = adb->calls("shell");
    QCOMPARE(std::count_if(calls.cbegin(), calls.cend(),
                           [](const FakeAdb::Call &call) {
                               return call.arguments.contains("install-existing");
                           }),
             1);
    const QString detail = window->findChild<QLabel *>("statusDetail")->text();
    QCOMPARE(detail.contains("still removed"), !listedAfter);
}

QTEST_MAIN(TestRemove)
#include "tst_remove.moc"
