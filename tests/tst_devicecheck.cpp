#include "devicelist.h"
#include "fakeadb.h"
#include "mainwindow.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

class TestDeviceCheck : public QObject
{
    Q_OBJECT

private slots:
    void findsFirstUsableDevice_data();
    void findsFirstUsableDevice();
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

    QCOMPARE(usableDevices(lines).size(), usable);
    const std::optional<QString> found = firstUsableDevice(lines);
    QCOMPARE(found.has_value(), !serial.isNull());
    if (found)
        QCOMPARE(*found, serial);
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

QTEST_MAIN(TestDeviceCheck)
#include "tst_devicecheck.moc"
