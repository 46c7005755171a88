// The offer of a root shell under a refused listing: how the device's answers to "adb root" are
// read, and the restart itself, which runs off the UI thread and within its limits.
#include "device/adbroot.h"
#include "device/toolrunner.h"
#include "fakeadb.h"
#include "window/mainwindow.h"
#include "windowdriver.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QTest>
#include <QThreadPool>

Q_DECLARE_METATYPE(ToolRun)
Q_DECLARE_METATYPE(RootAnswer)

namespace {

const QString connected = QStringLiteral("Device connected: emulator-5554");
const QString apps =
    QStringLiteral(" The Apps view lists and uninstalls this device's apps without "
                   "root.");

ToolRun ran(const QStringList &output, const QStringList &errors = {}, bool timedOut = false)
{
    return ToolRun{QStringLiteral("/usr/lib/apkshelf/adb"), output, errors, {}, timedOut};
}

} // namespace

class TestAdbRoot : public QObject
{
    Q_OBJECT

private slots:
    void readsTheAnswer_data();
    void readsTheAnswer();
    void offersAndRestarts_data();
    void offersAndRestarts();
    void closingTheWindowEndsTheRestart();
};

void TestAdbRoot::readsTheAnswer_data()
{
    QTest::addColumn<ToolRun>("root");
    QTest::addColumn<ToolRun>("wait"); // after a restart
    QTest::addColumn<RootAnswer>("answer");
    QTest::addColumn<QString>("detail");

    const ToolRun back = ran({});
    const QString restarting = "restarting adbd as root";
    const QString notBack = "The device did not come back within %1 s. Replug it, or run \u201cadb "
                            "kill-server\u201d in a terminal, then press Refresh.";
    QTest::newRow("restarting") << ran({restarting}) << back << RootAnswer::Restarting << QString();
    QTest::newRow("restarting, adb gave up waiting itself")
        << ran({restarting}, {"timeout expired while waiting for device"}) << back
        << RootAnswer::Restarting << QString();
    QTest::newRow("restarting, not back in time")
        << ran({restarting}) << ran({}, {}, true) << RootAnswer::Restarting << notBack.arg(60);
    QTest::newRow("adb root itself ran out of time")
        << ran({restarting}, {}, true) << back << RootAnswer::Restarting << notBack.arg(20);
    QTest::newRow("already root") << ran({"adbd is already running as root"}) << back
                                  << RootAnswer::AlreadyRoot << QString();
    QTest::newRow("production build")
        << ran({"adbd cannot run as root in production builds"}) << back << RootAnswer::Refused
        << "This device's build does not allow a root shell (adb says: adbd cannot run as root in "
           "production builds)." +
               apps;
    QTest::newRow("turned off in the settings")
        << ran({"ADB Root access is disabled by system setting - enable in Settings -> System -> "
                "Developer options"})
        << back << RootAnswer::Refused
        << "Root access for adb is turned off on this device: turn on \u201cRooted debugging\u201d "
           "in its Settings, under System, Developer options, then press Refresh." +
               apps;
    QTest::newRow("nothing: adb could not ask")
        << ran({}, {"adb: unable to connect for root: device offline"}) << back
        << RootAnswer::NoAnswer
        << "adb could not ask the device for a root shell: adb: unable to connect for root: device "
           "offline";
    QTest::newRow("nothing at all")
        << ran({}) << back << RootAnswer::NoAnswer
        << "The device gave no answer, so adb was not restarted as root.";
}

void TestAdbRoot::readsTheAnswer()
{
    QFETCH(ToolRun, root);
    QFETCH(ToolRun, wait);
    QFETCH(RootAnswer, answer);
    QFETCH(QString, detail);

    QCOMPARE(readRootAnswer(root), answer);
    QCOMPARE(rootDetail(root, &wait, 20'000, 60'000), detail);
}

void TestAdbRoot::offersAndRestarts_data()
{
    QTest::addColumn<QByteArray>("rootOptions");
    QTest::addColumn<QStringList>("ran"); // after the device check that the button starts with
    QTest::addColumn<QString>("detail");

    QTest::newRow("restarts, then lists")
        << QByteArray() << QStringList{"root", "wait-for-device", "devices", "shell"} << QString();
    QTest::newRow("never answers: killed at its limit")
        << QByteArray("stall_ms=60000\n") << QStringList{"root"}
        << "The device did not come back within 0.4 s. Replug it, or run \u201cadb "
           "kill-server\u201d "
           "in a terminal, then press Refresh.";
}

// The offer comes only with a listing refused for want of root; the restart runs off the UI
// thread with the device's serial and ends in a refresh, or, when the device keeps silent, is
// killed at its limit while the window goes on answering.
void TestAdbRoot::offersAndRestarts()
{
    QFETCH(QByteArray, rootOptions);
    QFETCH(QStringList, ran);
    QFETCH(QString, detail);
    FakeAdb adb;
    QVERIFY(adb.isReady());
    adb.attachDevice();
    adb.setListing({"a.apk"}, 1);
    adb.setErrors("ls", "ls: data/app/: Permission denied\n", 2);
    adb.setListing({"a.apk"}, 3);
    adb.setOutput("root", "restarting adbd as root\n");
    adb.setOptions("root", rootOptions);
    // Not shown: painting would share the worker's thread pool, which ThreadSanitizer cannot
    // follow inside Qt.
    MainWindow window;
    window.controller()->setRootLimits({400, 400});
    WindowDriver ui(window);
    QPushButton *offer = ui.button("rootBtn");

    ui.click("refreshBtn");
    QVERIFY(offer->isHidden());
    ui.click("refreshBtn");
    QVERIFY(!offer->isHidden());
    QCOMPARE(offer->accessibleName(), "Restart adb as root");

    const qsizetype before = adb.calls().size();
    ui.click("rootBtn");

    QCOMPARE(ui.status(), "Restarting adb as root...");
    QVERIFY(ui.busy());
    QVERIFY(!ui.buttonsEnabled());
    ui.click("logBtn"); // the window answers while the device restarts
    QVERIFY(!window.findChild<QPlainTextEdit *>("toolLog")->isHidden());
    QTRY_VERIFY_WITH_TIMEOUT(ui.buttonsEnabled(), 10000);
    QCOMPARE(ui.status(), connected);
    QVERIFY(!ui.busy());
    QVERIFY(offer->isHidden());
    QCOMPARE(window.findChild<QLabel *>("statusDetail")->text(), detail);
    QStringList calls;
    for (const FakeAdb::Call &call : adb.calls().mid(before + 1)) {
        calls.append(call.arguments.first());
        if (calls.last() != "devices")
            QCOMPARE(call.serial, std::optional<QString>("emulator-5554"));
    }
    QCOMPARE(calls, ran);
    QCOMPARE(ui.shownEntries(), detail.isEmpty() ? QStringList{"a.apk"} : QStringList{});
    QCOMPARE(FakeAdb::runningTools(), 0);
    // The worker's thread goes back to the pool before the next row starts one.
    QThreadPool::globalInstance()->waitForDone();
}

// A window that goes need not wait for a device that may never come back: the restart under way
// ends with it, and leaves no tool running.
void TestAdbRoot::closingTheWindowEndsTheRestart()
{
    FakeAdb adb;
    QVERIFY(adb.isReady());
    adb.attachDevice();
    adb.setErrors("ls", "ls: data/app/: Permission denied\n");
    adb.setOptions("root", "stall_ms=60000\n");
    auto window = std::make_unique<MainWindow>();
    WindowDriver ui(*window);
    ui.click("refreshBtn");
    ui.click("rootBtn");
    QTRY_COMPARE(adb.calls("root").size(), 1);

    window.reset();

    // Well within the 20 s that "adb root" may otherwise take.
    QVERIFY(QThreadPool::globalInstance()->waitForDone(10'000));
    QCOMPARE(FakeAdb::runningTools(), 0);
    QVERIFY(adb.calls("wait-for-device").isEmpty());
}

QTEST_MAIN(TestAdbRoot)
#include "tst_adbroot.moc"
