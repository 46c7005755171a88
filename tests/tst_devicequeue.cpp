// Device work that never ends: an adb that takes the call and never answers. The window must stay
// alive while it waits, end the run at its limit or on Cancel, say so, and leave no adb behind.
#include "device/devicelimits.h"
#include "fakeadb.h"
#include "window/mainwindow.h"
#include "windowdriver.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

class TestDeviceQueue : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void endsRunsThatHang_data();
    void endsRunsThatHang();
};

void TestDeviceQueue::init()
{
    qunsetenv("ANDROID_SERIAL");
}

namespace {

const QByteArray apps = "package:/data/app/a/base.apk=com.a\npackage:/data/app/b/base.apk=com.b\n";
constexpr int shortLimitMs = 400;

// Answers the uninstall dialog with its Uninstall button.
void confirmUninstall(QWidget &dialog)
{
    const QList<QAbstractButton *> buttons = static_cast<QMessageBox &>(dialog).buttons();
    for (QAbstractButton *button : buttons) {
        if (button->text() == QLatin1String("&Uninstall"))
            button->click();
    }
}

// Whether the latest call is the hung one, of `kind`, and it still runs: short calls before it
// come and go, and would count for a moment.
bool hangs(const FakeAdb &adb, const QString &kind)
{
    const QList<FakeAdb::Call> calls = adb.calls();
    if (calls.isEmpty() || FakeAdb::runningTools() != 1)
        return false;
    const QStringList &last = calls.last().arguments;
    if (kind == "pm-list")
        return last == QStringList({"shell", "pm", "list", "packages", "-f", "-3"});
    if (kind == "pm-uninstall")
        return last.size() > 2 && last.at(2) == "uninstall";
    return true;
}
} // namespace

void TestDeviceQueue::endsRunsThatHang_data()
{
    QTest::addColumn<int>("view");
    QTest::addColumn<QString>("hung");   // the kind of call that never answers (or answers late)
    QTest::addColumn<QByteArray>("how"); // its options
    QTest::addColumn<QString>("action"); // refresh, uninstall
    QTest::addColumn<QString>("ending"); // limit, cancel, close
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("detail"); // what the detail holds

    const QString device = "Device connected: emulator-5554";
    const QByteArray never = "hang=1\n";
    QTest::newRow("package files: the listing ends at its limit")
        << 0 << "ls" << never << "refresh"
        << "limit" << device
        << "adb did not answer within 1 second, so it was ended. It had printed nothing by then.";
    QTest::newRow("package files: the device check ends at its limit")
        << 0 << "devices" << never << "refresh"
        << "limit"
        << "Device not available."
        << "adb did not answer within 1 second";
    QTest::newRow("apps: the listing ends at its limit")
        << 1 << "pm-list" << never << "refresh"
        << "limit" << device << "adb did not answer within 1 second";
    QTest::newRow("apps: the device check ends at its limit")
        << 1 << "devices" << never << "refresh"
        << "limit"
        << "Device not available."
        << "adb did not answer within 1 second";
    QTest::newRow("apps: Cancel ends the listing") << 1 << "pm-list" << never << "refresh"
                                                   << "cancel"
                                                   << "Refresh cancelled"
                                                   << "The list of apps was not read to its end.";
    QTest::newRow("apps: Cancel ends an uninstall; the fresh list judges")
        << 1 << "pm-uninstall" << never << "uninstall"
        << "cancel"
        << "Uninstall cancelled"
        << "com.b is still installed.";
    QTest::newRow("apps: an uninstall ends at its limit")
        << 1 << "pm-uninstall" << never << "uninstall"
        << "limit"
        << "uninstall failed"
        << "adb did not answer within 1 second";
    QTest::newRow("apps: closing the window ends the listing")
        << 1 << "pm-list" << never << "refresh"
        << "close" << QString() << QString();
    QTest::newRow("apps: Cancel after the apps were listed: what is missing is told")
        << 1 << "pm-list-d3" << never << "refresh"
        << "cancel"
        << "Refresh cancelled"
        << "The apps are listed, but not all";
    QTest::newRow("apps: Cancel during the list that confirms an uninstall: it stands")
        << 1 << "pm-list" << QByteArray("stall_ms=1500\n") << "uninstall"
        << "cancel"
        << "com.b uninstalled" << QString();
}

void TestDeviceQueue::endsRunsThatHang()
{
    QFETCH(int, view);
    QFETCH(QString, hung);
    QFETCH(QByteArray, how);
    QFETCH(QString, action);
    QFETCH(QString, ending);
    QFETCH(QString, status);
    QFETCH(QString, detail);
    FakeAdb adb;
    QVERIFY(adb.isReady());
    adb.attachDevice();
    adb.setOutput("pm-list", apps);
    adb.setOutput("pm-uninstall", "Success\n");
    if (status.endsWith(" uninstalled")) // the list after it says so
        adb.setOutput("pm-list", "package:/data/app/a/base.apk=com.a\n", 2);
    auto window = std::make_unique<MainWindow>();
    WindowDriver ui(*window);
    DeviceLimits limits;
    if (ending == "limit")
        limits.checkMs = limits.filesListingMs = limits.appListingMs = limits.packageManagerMs =
            shortLimitMs;
    window->controller()->setLimits(limits);
    if (view == 1) {
        ui.clickTab(1);
        QTRY_COMPARE(ui.shownEntries(), QStringList({"com.a", "com.b"}));
        // The apps' details are read after the listing; the runs here are the next action's.
        QTRY_VERIFY(!ui.busy());
    }
    if (action == "uninstall") {
        ui.clickRow(1);
        ui.whenDialogShows(confirmUninstall);
    }
    adb.setOptions(hung, how);

    int ticks = 0;
    QTimer timer;
    connect(&timer, &QTimer::timeout, [&ticks] { ++ticks; });
    timer.start(10);
    ui.click(action == "uninstall" ? "removeBtn" : "refreshBtn");
    if (view == 1) {
        // The queue's run is under way, and the window goes on meanwhile.
        QTRY_VERIFY(hangs(adb, hung));
        QVERIFY(ui.busy());
        QVERIFY(!ui.buttonsEnabled());
        const int before = ticks;
        QTRY_VERIFY(ticks > before + 3);
    }
    if (ending == "cancel") {
        QVERIFY(ui.button("cancelBtn")->isVisible() || !window->isVisible());
        ui.click("cancelBtn");
        // The runs that follow a cancel (a fresh list) come and go: wait for the action's end.
        QTRY_VERIFY_WITH_TIMEOUT(FakeAdb::runningTools() == 0 && !ui.busy(), 3000);
    } else if (ending == "close") {
        // Well within the listing's minute: the run was ended, not waited for.
        QElapsedTimer closing;
        closing.start();
        window.reset();
        QVERIFY2(closing.elapsed() < 5000, qPrintable(QString::number(closing.elapsed())));
        QCOMPARE(FakeAdb::runningTools(), 0);
        return;
    }
    QTRY_VERIFY(!ui.busy());
    QCOMPARE(FakeAdb::runningTools(), 0);
    QVERIFY(ui.buttonsEnabled());
    QVERIFY(ui.button("cancelBtn")->isHidden());
    QCOMPARE(ui.status(), status);
    const QString shown = window->findChild<QLabel *>("statusDetail")->text();
    QVERIFY2(shown.contains(detail), qPrintable(shown));
    // A second Cancel after the end is harmless.
    ui.click("cancelBtn");
    QCOMPARE(ui.status(), status);
}

QTEST_MAIN(TestDeviceQueue)
#include "tst_devicequeue.moc"
