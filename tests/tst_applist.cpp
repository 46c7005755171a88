#include "device/logfeed.h"
#include "fakeadb.h"
#include "window/mainwindow.h"
#include "windowdriver.h"

#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTest>
#include <QThreadPool>
#include <functional>

namespace {
const QByteArray oneDevice = "List of devices attached\nemulator-5554\tdevice\n\n";
const QByteArray noDevice = "List of devices attached\n\n";
const QByteArray twoDevices = "List of devices attached\nemulator-5554\tdevice\nR58M\tdevice\n\n";
// What the stand-in prints beyond one device and an empty list.
using Scenario = std::function<void(FakeAdb &)>;
} // namespace

Q_DECLARE_METATYPE(Scenario)

class TestAppList : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void refreshes_data();
    void refreshes();
    void refreshingTwiceDoesNotDouble();
    void selectingARowShowsIt();
    void clearingTheSelection();
    void failedRefreshForgetsTheSelection();
    void sortedTableIndexesTheSortedOrder();
    void explainsOnlyTheLatestRefresh();
    void logShownLateHasTheLatestLines();
    void explainsUnderTheStatusLine_data();
    void explainsUnderTheStatusLine();

private:
    void showWindow();

    std::unique_ptr<FakeAdb> adb;
    std::unique_ptr<MainWindow> window;
    std::unique_ptr<WindowDriver> ui;
};

void TestAppList::init()
{
    adb = std::make_unique<FakeAdb>();
    QVERIFY(adb->isReady());
    adb->setOutput("devices", oneDevice);
    // Install takes this package rather than asking in a file dialog.
    window = std::make_unique<MainWindow>([](QWidget *) { return QStringList{"/tmp/app.apk"}; });
    ui = std::make_unique<WindowDriver>(*window);
}

void TestAppList::cleanup()
{
    ui.reset();
    window.reset();
    QThreadPool::globalInstance()->waitForDone();
    adb.reset();
}

void TestAppList::showWindow()
{
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
}

void TestAppList::refreshes_data()
{
    QTest::addColumn<QByteArray>("devices");
    QTest::addColumn<QByteArray>("listing");
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QString>("status");

    QTest::newRow("device") << oneDevice << QByteArray("app-1.apk\nb b.apk\n com.x-2 \n")
                            << QStringList{"app-1.apk", "b b.apk", " com.x-2 "}
                            << "Device connected: emulator-5554";
    QTest::newRow("empty folder") << oneDevice << QByteArray() << QStringList{}
                                  << "Device connected: emulator-5554";
    QTest::newRow("error text becomes entries")
        << oneDevice << QByteArray("ls: data/app/: Permission denied\n")
        << QStringList{"ls: data/app/: Permission denied"} << "Device connected: emulator-5554";
    QTest::newRow("duplicates kept")
        << oneDevice << QByteArray("a.apk\na.apk\n") << QStringList{"a.apk", "a.apk"}
        << "Device connected: emulator-5554";
    QTest::newRow("no device") << noDevice << QByteArray("a.apk\n") << QStringList{}
                               << "Device not available.";
}

void TestAppList::refreshes()
{
    QFETCH(QByteArray, devices);
    QFETCH(QByteArray, listing);
    QFETCH(QStringList, entries);
    QFETCH(QString, status);
    adb->setOutput("devices", devices);
    adb->setOutput("ls", listing);
    const bool found = devices == oneDevice;
    if (!found)
        QTest::ignoreMessage(QtInfoMsg, "array: 0");

    ui->click("refreshBtn");

    QCOMPARE(ui->shownEntries(), entries);
    QCOMPARE(ui->status(), status);
    QCOMPARE(window->controller()->isLoaded(), found);
    QCOMPARE(window->controller()->currentRow(), -1);
    QVERIFY(!ui->busy());
    const QList<FakeAdb::Call> listings = adb->calls("shell");
    QCOMPARE(listings.size(), found ? 1 : 0);
    if (found) {
        QCOMPARE(listings.first().arguments, QStringList({"shell", "ls", "data/app/"}));
        QCOMPARE(listings.first().serial, std::optional<QString>("emulator-5554"));
    }
}

void TestAppList::refreshingTwiceDoesNotDouble()
{
    adb->setListing({"a.apk", "b.apk"});
    ui->click("refreshBtn");
    ui->click("refreshBtn");
    QCOMPARE(ui->shownEntries(), QStringList({"a.apk", "b.apk"}));
    QCOMPARE(adb->calls("devices").size(), 2);
}

void TestAppList::selectingARowShowsIt()
{
    adb->setListing({"a.apk", "b.apk", "c.apk", "d.apk"});
    showWindow();
    ui->click("refreshBtn");

    QTest::ignoreMessage(QtInfoMsg, "2");
    ui->clickRow(2);

    QCOMPARE(ui->selectedApp(), "c.apk");
    QCOMPARE(window->controller()->currentRow(), 2);
}

void TestAppList::clearingTheSelection()
{
    adb->setListing({"a.apk", "b.apk"});
    showWindow();
    ui->click("refreshBtn");
    ui->clickRow(1);

    QTest::ignoreMessage(QtInfoMsg, "-1");
    ui->table()->clearSelection();

    QCOMPARE(ui->selectedApp(), QString());
    QCOMPARE(window->controller()->currentRow(), -1);
}

void TestAppList::failedRefreshForgetsTheSelection()
{
    adb->setListing({"a.apk", "b.apk"});
    adb->setOutput("devices", noDevice, 2);
    showWindow();
    ui->click("refreshBtn");
    ui->clickRow(1);
    QCOMPARE(ui->selectedApp(), "b.apk");

    ui->click("refreshBtn");

    QCOMPARE(ui->shownEntries(), QStringList());
    QCOMPARE(ui->selectedApp(), QString());
    QCOMPARE(window->controller()->currentRow(), -1);
    QVERIFY(!window->controller()->isLoaded());
}

void TestAppList::sortedTableIndexesTheSortedOrder()
{
    adb->setListing({"com.c.apk", "com.a.apk", "com.b.apk"});
    showWindow();
    ui->click("refreshBtn");
    QCOMPARE(ui->shownEntries(), QStringList({"com.c.apk", "com.a.apk", "com.b.apk"}));
    ui->clickRow(0);
    QCOMPARE(ui->selectedApp(), "com.c.apk");

    ui->clickHeader();

    QCOMPARE(ui->shownEntries(), QStringList({"com.a.apk", "com.b.apk", "com.c.apk"}));
    // The selection follows its entry to the new row.
    QCOMPARE(ui->selectedApp(), "com.c.apk");
    QCOMPARE(window->controller()->currentRow(), 2);

    ui->clickRow(0);
    QCOMPARE(ui->selectedApp(), "com.a.apk");
    QCOMPARE(window->controller()->currentRow(), 0);
}

// A production phone refuses the listing on standard error: the list is empty and the line under
// the status line says why, until a refresh that works; the log has what the device said.
void TestAppList::explainsOnlyTheLatestRefresh()
{
    adb->setErrors("ls", "ls: data/app/: Permission denied\n", 1);
    adb->setListing({"a.apk"}, 2);
    auto *detail = window->findChild<QLabel *>("statusDetail");
    auto *log = window->findChild<QPlainTextEdit *>("toolLog");
    showWindow();

    ui->click("refreshBtn");

    QCOMPARE(ui->status(), "Device connected: emulator-5554");
    QVERIFY(ui->shownEntries().isEmpty());
    QVERIFY(detail->isVisible());
    QVERIFY2(detail->text().contains("root shell"), qPrintable(detail->text()));
    QVERIFY(log->isHidden());
    ui->click("logBtn");
    QVERIFY(log->isVisible());
    QTRY_VERIFY(log->toPlainText().contains("[adb] ls: data/app/: Permission denied"));

    ui->click("refreshBtn");

    QCOMPARE(ui->shownEntries(), QStringList{"a.apk"});
    QVERIFY(detail->isHidden());
    QCOMPARE(detail->text(), QString());
}

// Lines logged while the log view is hidden wait for it to be shown: then it has the latest of
// them, in order, as many as it keeps.
void TestAppList::logShownLateHasTheLatestLines()
{
    auto *log = window->findChild<QPlainTextEdit *>("toolLog");
    const int logged = LogFeed::keptLines + 10;
    for (int line = 0; line < logged; ++line)
        LogFeed::post(QStringLiteral("line %1").arg(line));
    QCoreApplication::processEvents();

    ui->click("logBtn");

    QTRY_COMPARE(log->blockCount(), LogFeed::keptLines);
    const QStringList shown = log->toPlainText().split('\n');
    QVERIFY2(shown.first().endsWith(" line 10"), qPrintable(shown.first()));
    QVERIFY2(shown.last().endsWith(QStringLiteral(" line %1").arg(logged - 1)),
             qPrintable(shown.last()));
}

void TestAppList::explainsUnderTheStatusLine_data()
{
    QTest::addColumn<Scenario>("scenario");
    QTest::addColumn<QStringList>("presses"); // of the buttons; a removal takes the first row
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("detail"); // all of it; empty: none shown

    const QString two = "2 devices are attached; this window works on emulator-5554. Choose "
                        "another under Device.";
    QTest::newRow("two devices: how many, and the one in use")
        << Scenario([](FakeAdb &adb) { adb.setOutput("devices", twoDevices); })
        << QStringList{"refresh"} << "Device connected: emulator-5554" << two;
    QTest::newRow("unauthorized: the prompt")
        << Scenario([](FakeAdb &adb) {
               adb.setOutput("devices", "List of devices attached\nR58M\tunauthorized\n\n");
           })
        << QStringList{"refresh"} << "Device not available."
        << "R58M has not allowed USB debugging from this computer yet. Unlock it, accept the "
           "\u201cAllow USB debugging?\u201d prompt on its screen, then press Refresh.";
    QTest::newRow("listing refused, then unplugged: the refusal is forgotten")
        << Scenario([](FakeAdb &adb) {
               adb.setErrors("ls", "ls: data/app/: Permission denied\n", 1);
               adb.setOutput("devices", noDevice, 2);
           })
        << QStringList{"refresh", "refresh"} << "Device not available."
        << "No device is attached. Connect one by USB with USB debugging turned on (in Developer "
           "options), or start an emulator, then press Refresh.";
    QTest::newRow("installed on one of two devices, which stays chosen meanwhile")
        << Scenario([](FakeAdb &adb) {
               adb.setOutput("devices", twoDevices);
               adb.setOutput("install", "Performing Streamed Install\nSuccess\n");
           })
        << QStringList{"install"} << "Apk installed successfully." << two;
    QTest::newRow("install refused with a known code")
        << Scenario([](FakeAdb &adb) {
               adb.setOutput("devices", twoDevices);
               adb.setOutput("install", "Performing Streamed Install\n");
               adb.setErrors("install", "adb: failed to install /tmp/app.apk: Failure "
                                        "[INSTALL_FAILED_INSUFFICIENT_STORAGE]\n");
           })
        << QStringList{"install"} << "Apk installation failed."
        << two + " INSTALL_FAILED_INSUFFICIENT_STORAGE: the device has too little free storage. "
                 "Free some space, then try again.";
    QTest::newRow("silent removal, still listed")
        << Scenario([](FakeAdb &adb) { adb.setListing({"a.apk"}); })
        << QStringList{"refresh", "remove"} << "remove failed"
        << "adb printed nothing, yet the entry is still listed.";
}

void TestAppList::explainsUnderTheStatusLine()
{
    QFETCH(Scenario, scenario);
    QFETCH(QStringList, presses);
    QFETCH(QString, status);
    QFETCH(QString, detail);
    scenario(*adb);
    auto *shown = window->findChild<QLabel *>("statusDetail");
    auto *chooser = window->findChild<QComboBox *>("deviceChooser");
    showWindow();

    for (const QString &press : presses) {
        if (press == "remove")
            ui->clickRow(0);
        ui->click(press + "Btn");
        if (press != "install")
            continue;
        // The worker reports through the event queue, so until that is read the install runs.
        QVERIFY2(!chooser->isEnabled(), "the device can be changed during an install");
        QTRY_VERIFY_WITH_TIMEOUT(ui->status() != "Installing apk...", 10000);
    }

    QCOMPARE(ui->status(), status);
    QCOMPARE(shown->text(), detail);
    QCOMPARE(shown->isVisible(), !detail.isEmpty());
}

QTEST_MAIN(TestAppList)
#include "tst_applist.moc"
