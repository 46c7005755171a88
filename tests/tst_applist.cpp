#include "fakeadb.h"
#include "mainwindow.h"
#include "windowdriver.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTest>

namespace {
const QByteArray oneDevice = "List of devices attached\nemulator-5554\tdevice\n\n";
const QByteArray noDevice = "List of devices attached\n\n";
} // namespace

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
    window = std::make_unique<MainWindow>();
    ui = std::make_unique<WindowDriver>(*window);
}

void TestAppList::cleanup()
{
    ui.reset();
    window.reset();
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

QTEST_MAIN(TestAppList)
#include "tst_applist.moc"
