// The window against a tool that misbehaves in every way we could think of. Whatever the tool
// does, the application must not crash, must show a defined outcome, must never remove a file
// other than the one selected, and must leave its buttons working.
#include "fakeadb.h"
#include "text/shellquote.h"
#include "window/mainwindow.h"

#include <QAbstractItemModel>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableView>
#include <QTest>

namespace {

const QString serial = QStringLiteral("emulator-5554");
const QStringList listing = {QStringLiteral("a.apk"), QStringLiteral("b.apk")};
const QString deviceText = QStringLiteral("Device connected: emulator-5554");
const QString noDevice = QStringLiteral("Device not available.");
const QString installFailed = QStringLiteral("Apk installation failed.");
constexpr int installWaitMs = 20000;

QString packagePath()
{
    return QDir::temp().filePath(QStringLiteral("hostile.apk"));
}

QStringList shownEntries(QTableView *table)
{
    QStringList entries;
    for (int row = 0; row < table->model()->rowCount(); ++row)
        entries.append(table->model()->index(row, 0).data().toString());
    return entries;
}

QStringList listingWith(const QString &entry)
{
    QStringList entries = listing;
    if (!entries.contains(entry))
        entries.append(entry);
    return entries;
}

} // namespace

class TestHostileTool : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void survivesTheTool_data();
    void survivesTheTool();

private:
    void loadAndSelect(FakeAdb &adb, MainWindow &window, const QString &entry);
    void breakTool(FakeAdb &adb, const QString &selected);
    void act(MainWindow &window, const QString &action);
    void checkOnlySelectedRemoved(const FakeAdb &adb, const QString &entry);
    void checkStillUsable(FakeAdb &adb, MainWindow &window);
};

void TestHostileTool::init()
{
    qunsetenv("ANDROID_SERIAL");
    // A run must never be abandoned while its tool is still going.
    QTest::failOnWarning(QRegularExpression(QStringLiteral("QProcess: Destroyed")));
}

void TestHostileTool::survivesTheTool_data()
{
    QTest::addColumn<QString>("tool"); // "stand-in", "missing", "plain file", "directory"
    QTest::addColumn<QString>("kind"); // the call that misbehaves
    QTest::addColumn<QByteArray>("options");
    QTest::addColumn<QByteArray>("output"); // null: the call prints what it normally does
    QTest::addColumn<QString>("action");    // "refresh", "install", "remove"
    QTest::addColumn<QString>("selected");  // the entry selected before the action
    QTest::addColumn<QString>("status");
    QTest::addColumn<QStringList>("entries");

    const QString standIn = QStringLiteral("stand-in");
    const QByteArray none;
    const QStringList empty;
    const QString b = QStringLiteral("b.apk");
    // A tool that cannot be run looks like a bridge that sees no device; the list stays as it
    // was except that Refresh empties it.
    for (const QString &tool : QStringList{"missing", "plain file", "directory"}) {
        QTest::addRow("%s: refresh", qPrintable(tool))
            << tool << "devices" << none << none << "refresh" << b << noDevice << empty;
        QTest::addRow("%s: install", qPrintable(tool))
            << tool << "devices" << none << none << "install" << b << noDevice << listing;
        QTest::addRow("%s: remove", qPrintable(tool))
            << tool << "devices" << none << none << "remove" << b << noDevice << listing;
    }
    // A crash keeps what was printed, even the half line; a cut device line is no device.
    QTest::newRow("crash in the listing")
        << standIn << "ls" << QByteArray("crash=1\n") << QByteArray("c.apk\nd.a") << "refresh" << b
        << deviceText << QStringList{"c.apk", "d.a"};
    QTest::newRow("crash in the device check")
        << standIn << "devices" << QByteArray("crash=1\n")
        << QByteArray("List of devices attached\nemulator-5554\tdev") << "remove" << b << noDevice
        << listing;
    QTest::newRow("crash in the install")
        << standIn << "install" << QByteArray("crash=1\n") << QByteArray("Succ") << "install" << b
        << installFailed << listing;
    // 50 MB of filler before the device line: nothing after it is lost.
    QTest::newRow("50 MB from the device check")
        << standIn << "devices" << QByteArray("flood=52428800\n")
        << QByteArray("emulator-5554\tdevice\n") << "refresh" << b << deviceText << listing;
    QTest::newRow("NUL and invalid UTF-8 between good lines")
        << standIn << "ls" << none << QByteArray("c.apk\n\xff\xfe\n\0\0\nd\xc3\xa4.apk\n", 20)
        << "refresh" << b << deviceText
        << QStringList{"c.apk", QString(2, QChar(0)), QString::fromUtf8("d\xc3\xa4.apk")};
    // The system cuts an argument at a NUL; 'x'\0 would reach the device shell as rm 'x'\''.
    QTest::newRow("removing an entry with a NUL")
        << standIn << "rm" << none << none << "remove" << QString::fromUtf8("x'\0", 3)
        << "remove failed" << QStringList{"a.apk", "b.apk", QString::fromUtf8("x'\0", 3)};
    QTest::newRow("stalls between chunks")
        << standIn << "install" << QByteArray("chunk=20\npause_ms=1500\n")
        << QByteArray("Performing Streamed Install\nSuccess\n") << "install" << b
        << "Apk installed successfully." << listing;
    QTest::newRow("closes its output, keeps running")
        << standIn << "ls" << QByteArray("linger_ms=1500\n") << QByteArray("a.apk\n") << "remove"
        << b << "b.apk removed" << QStringList{"a.apk"};
    // The run ends with the tool; what its child prints later is not waited for.
    QTest::newRow("exits, its child holds the output")
        << standIn << "ls" << QByteArray("orphan_ms=2000\n") << QByteArray("c.apk\n") << "refresh"
        << b << deviceText << QStringList{"c.apk"};
    QTest::newRow("device gone mid-install")
        << standIn << "install" << QByteArray("stall_ms=1500\nexit=1\n")
        << QByteArray("adb: device 'emulator-5554' not found\n") << "install" << b << installFailed
        << listing;
    QTest::newRow("\"Success\" on standard error only")
        << standIn << "install" << QByteArray("stderr=Success\n")
        << QByteArray("Performing Streamed Install\n") << "install" << b << installFailed
        << listing;
}

void TestHostileTool::survivesTheTool()
{
    QFETCH(QString, tool);
    QFETCH(QString, action);
    QFETCH(QString, selected);
    QFETCH(QString, status);
    QFETCH(QStringList, entries);
    FakeAdb adb;
    QVERIFY(adb.isReady());
    MainWindow window([](QWidget *) { return QStringList{packagePath()}; });
    loadAndSelect(adb, window, selected);

    breakTool(adb, selected);
    act(window, action);

    auto *statusLine = window.findChild<QLineEdit *>(QStringLiteral("installStatus"));
    QTRY_COMPARE_WITH_TIMEOUT(statusLine->text(), status, installWaitMs);
    QCOMPARE(shownEntries(window.findChild<QTableView *>()), entries);
    checkOnlySelectedRemoved(adb, selected);
    checkStillUsable(adb, window);
}

void TestHostileTool::loadAndSelect(FakeAdb &adb, MainWindow &window, const QString &entry)
{
    const QStringList entries = listingWith(entry);
    adb.attachDevice(serial);
    adb.setListing(entries);
    window.controller()->getApps();
    auto *table = window.findChild<QTableView *>();
    QCOMPARE(shownEntries(table), entries);
    table->selectRow(static_cast<int>(entries.indexOf(entry)));
    QCOMPARE(window.findChild<QLineEdit *>(QStringLiteral("selectedApp"))->text(), entry);
}

void TestHostileTool::breakTool(FakeAdb &adb, const QString &selected)
{
    QFETCH(QString, tool);
    QFETCH(QString, kind);
    QFETCH(QByteArray, options);
    QFETCH(QByteArray, output);
    adb.setListing(listingWith(selected));
    adb.setOptions(kind, options);
    if (!output.isNull())
        adb.setOutput(kind, output);
    if (tool == QLatin1String("missing"))
        FakeAdb::removeTool();
    else if (tool == QLatin1String("plain file"))
        FakeAdb::placeTool("#!/bin/sh\necho 'A1\tdevice'\n", false);
    else if (tool == QLatin1String("directory"))
        FakeAdb::placeDirectory();
}

void TestHostileTool::act(MainWindow &window, const QString &action)
{
    const QString button = action == QLatin1String("refresh")   ? QStringLiteral("refreshBtn")
                           : action == QLatin1String("install") ? QStringLiteral("installBtn")
                                                                : QStringLiteral("removeBtn");
    window.findChild<QPushButton *>(button)->click();
}

void TestHostileTool::checkOnlySelectedRemoved(const FakeAdb &adb, const QString &entry)
{
    const QStringList removal{"shell", "rm", "data/app/" + shellQuoted(entry)};
    for (const FakeAdb::Call &call : adb.calls(QStringLiteral("shell"))) {
        if (call.arguments.value(1) == QLatin1String("rm"))
            QCOMPARE(call.arguments, removal);
    }
}

// Once the tool behaves again, a refresh works from the same window.
void TestHostileTool::checkStillUsable(FakeAdb &adb, MainWindow &window)
{
    // A button of the other view (Save) is hidden here, and waits for a selection there.
    for (QPushButton *button : window.findChildren<QPushButton *>())
        QVERIFY2(button->isEnabled() || button->isHidden(), qPrintable(button->objectName()));
    QVERIFY(FakeAdb::placeStandIn());
    for (const QString kind : {"all", "devices", "ls", "install", "rm"})
        adb.setOptions(kind, {});
    adb.attachDevice(serial);
    adb.setListing({QStringLiteral("fresh.apk")});
    window.findChild<QPushButton *>(QStringLiteral("refreshBtn"))->click();
    QCOMPARE(window.findChild<QLineEdit *>(QStringLiteral("installStatus"))->text(), deviceText);
    QCOMPARE(shownEntries(window.findChild<QTableView *>()), QStringList{"fresh.apk"});
}

QTEST_MAIN(TestHostileTool)
#include "tst_hostiletool.moc"
