#include "device/devicelist.h"
#include "fakeadb.h"
#include "window/mainwindow.h"
#include "windowdriver.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

class TestDeviceCheck : public QObject
{
    Q_OBJECT

private slots:
    void findsFirstUsableDevice_data();
    void findsFirstUsableDevice();
    void picksTheChosenDevice_data();
    void picksTheChosenDevice();
    void choosingADeviceRefreshesIt();
    void chooserFitsTheDevicesItLists();
    void showsTheDeviceInTheStatusLine_data();
    void showsTheDeviceInTheStatusLine();
    void switchesAllButtons_data();
    void switchesAllButtons();
};

void TestDeviceCheck::findsFirstUsableDevice_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("serial"); // of the first usable device; null: none
    QTest::addColumn<int>("usable");     // how many there are

    QTest::newRow("no output") << QStringList{} << QString() << 0;
    QTest::newRow("header only") << QStringList{"List of devices attached"} << QString() << 0;
    QTest::newRow("offline, then usable")
        << QStringList{"List of devices attached", "A1\toffline", "B2\tdevice"} << "B2" << 1;
    QTest::newRow("two usable: the first") << QStringList{"A1\tdevice", "B2\tdevice"} << "A1" << 2;
    QTest::newRow("no tab: the whole line") << QStringList{"mydevice"} << "mydevice" << 1;
    QTest::newRow("\"device\" in an offline serial")
        << QStringList{"device7\toffline"} << QString() << 0;
    QTest::newRow("state in capitals") << QStringList{"A1\tDevice"} << QString() << 0;
    QTest::newRow("unauthorized") << QStringList{"A1\tunauthorized"} << QString() << 0;
    QTest::newRow("no permissions")
        << QStringList{"A1\tno permissions (user in plugdev group; are your udev rules wrong?); "
                       "see [http://developer.android.com/tools/device.html]"}
        << QString() << 0;
    QTest::newRow("state word then details")
        << QStringList{"A1\tdevice usb:1-1 product:sdk model:x"} << "A1" << 1;
    QTest::newRow("state word longer") << QStringList{"A1\tdevices"} << QString() << 0;
    QTest::newRow("\"List\" is tested first") << QStringList{"List\tdevice"} << QString() << 0;
    QTest::newRow("serial with spaces") << QStringList{"my phone\tdevice"} << "my phone" << 1;
}

void TestDeviceCheck::findsFirstUsableDevice()
{
    QFETCH(QStringList, lines);
    QFETCH(QString, serial);
    QFETCH(int, usable);

    const QStringList found = usableDevices(lines);
    QCOMPARE(found.size(), usable);
    QCOMPARE(found.value(0), serial);
}

void TestDeviceCheck::picksTheChosenDevice_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("chosen"); // empty: no choice yet
    QTest::addColumn<QString>("picked"); // empty: none

    const QString header = "List of devices attached";
    const QStringList two{header, "emulator-5554\tdevice", "R58M\tdevice"};
    QTest::newRow("no choice: the first") << two << QString() << "emulator-5554";
    QTest::newRow("chosen and attached") << two << "R58M"
                                         << "R58M";
    QTest::newRow("chosen and gone: the first")
        << QStringList{header, "emulator-5554\tdevice"} << "R58M"
        << "emulator-5554";
    QTest::newRow("chosen, now unusable: the first")
        << QStringList{header, "emulator-5554\tdevice", "R58M\toffline"} << "R58M"
        << "emulator-5554";
    QTest::newRow("chosen, none usable")
        << QStringList{header, "R58M\tunauthorized"} << "R58M" << QString();
}

void TestDeviceCheck::picksTheChosenDevice()
{
    QFETCH(QStringList, lines);
    QFETCH(QString, chosen);
    QFETCH(QString, picked);

    QCOMPARE(pickDevice(usableDevices(lines), chosen).value_or(QString()), picked);
}

void TestDeviceCheck::showsTheDeviceInTheStatusLine_data()
{
    QTest::addColumn<QByteArray>("output");
    QTest::addColumn<bool>("found");
    QTest::addColumn<QString>("status");

    QTest::newRow("attached") << QByteArray("List of devices attached\nR58M\tdevice\n\n") << true
                              << "Device connected: R58M";
    QTest::newRow("none") << QByteArray("List of devices attached\n\n") << false
                          << "Device not available.";
    QTest::newRow("silent tool") << QByteArray() << false << "Device not available.";
}

void TestDeviceCheck::showsTheDeviceInTheStatusLine()
{
    QFETCH(QByteArray, output);
    QFETCH(bool, found);
    QFETCH(QString, status);
    FakeAdb adb;
    QVERIFY(adb.isReady());
    adb.setOutput("devices", output);
    MainWindow window;

    QCOMPARE(window.controller()->checkDevice(), found);
    QCOMPARE(window.findChild<QLineEdit *>("installStatus")->text(), status);
    QCOMPARE(adb.calls().size(), 1);
    QCOMPARE(adb.calls().first().arguments, QStringList{"devices"});
}

void TestDeviceCheck::switchesAllButtons_data()
{
    QTest::addColumn<bool>("before");
    QTest::addColumn<bool>("flag");
    QTest::newRow("disable enabled") << true << false;
    QTest::newRow("enable disabled") << false << true;
    QTest::newRow("enable enabled") << true << true;
}

void TestDeviceCheck::switchesAllButtons()
{
    QFETCH(bool, before);
    QFETCH(bool, flag);
    MainWindow window;
    QList<QPushButton *> buttons;
    for (const char *name : {"refreshBtn", "installBtn", "removeBtn"})
        buttons.append(window.findChild<QPushButton *>(name));
    for (QPushButton *button : buttons)
        button->setEnabled(before);

    window.controller()->changeBtnStatus(flag);

    for (QPushButton *button : buttons)
        QCOMPARE(button->isEnabled(), flag);
}

// The window works on the device the user picks: the list is refreshed from it at once, and a
// removal that follows goes to it too.
void TestDeviceCheck::choosingADeviceRefreshesIt()
{
    FakeAdb adb;
    QVERIFY(adb.isReady());
    adb.setOutput("devices", "List of devices attached\nemulator-5554\tdevice\nR58M\tdevice\n\n");
    adb.setListing({"emulator.apk"}, 1);
    adb.setListing({"phone.apk"}, 2);
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    WindowDriver ui(window);
    auto *chooser = window.findChild<QComboBox *>("deviceChooser");
    QVERIFY(!chooser->isEnabled());
    ui.click("refreshBtn");
    QCOMPARE(ui.status(), "Device connected: emulator-5554");
    QVERIFY(chooser->isEnabled());

    chooser->setFocus();
    QTest::keyClick(chooser, Qt::Key_Down);

    QCOMPARE(ui.status(), "Device connected: R58M");
    QCOMPARE(ui.shownEntries(), QStringList{"phone.apk"});
    QCOMPARE(adb.calls("shell").last().serial, std::optional<QString>("R58M"));
    ui.clickRow(0);
    ui.click("removeBtn");
    const QList<FakeAdb::Call> shells = adb.calls("shell");
    QCOMPARE(shells.size(), 4); // two listings, the removal, the listing after it
    QCOMPARE(shells.at(2).arguments, (QStringList{"shell", "rm", "data/app/phone.apk"}));
    QCOMPARE(shells.at(2).serial, std::optional<QString>("R58M"));
    // A later check keeps to the chosen device, and its refill of the chooser refreshes nothing.
    QCOMPARE(chooser->currentText(), "R58M");
}

// The chooser starts empty; once it lists devices, it is as wide as their names, however long.
void TestDeviceCheck::chooserFitsTheDevicesItLists()
{
    FakeAdb adb;
    QVERIFY(adb.isReady());
    const QString longSerial = "adb-R58M123ABCDEF-Zq9xYw._adb-tls-connect._tcp";
    adb.setOutput("devices", "List of devices attached\nemulator-5554\tdevice\n" +
                                 longSerial.toUtf8() + "\tdevice\n\n");
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto *chooser = window.findChild<QComboBox *>("deviceChooser");

    WindowDriver(window).click("refreshBtn");

    QCOMPARE(chooser->count(), 2);
    QVERIFY2(chooser->sizeHint().width() > chooser->fontMetrics().horizontalAdvance(longSerial),
             qPrintable(QString::number(chooser->sizeHint().width())));
}

QTEST_MAIN(TestDeviceCheck)
#include "tst_devicecheck.moc"
