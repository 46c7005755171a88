// The real adb in the resource folder, with no device attached. adb starts its server on the
// first call; the window must wait for that, then report no device, and not hang.
#include "device/toolrunner.h"
#include "fakeadb.h"
#include "window/mainwindow.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTableView>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

class TestRealAdb : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void noDeviceAttached_data();
    void noDeviceAttached();
    void cleanupTestCase();

private:
    QString installed; // where PATH finds adb; in Debian, a link to the program
    QString adb;       // the program itself
    QString port;
    QTemporaryDir home;
};

// The server gets a port of its own, so a developer's running server (and devices) is never used
// or stopped; the child inherits the variable from this process. HOME keeps its key files here.
void TestRealAdb::initTestCase()
{
    installed = QStandardPaths::findExecutable(QStringLiteral("adb"));
    if (installed.isEmpty())
        QSKIP("adb is not installed (Debian package 'adb'): the real-tool test needs it");
    adb = QFileInfo(installed).canonicalFilePath();
    QTcpServer probe;
    QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
    port = QString::number(probe.serverPort());
    probe.close();
    QVERIFY(home.isValid());
    qputenv("ANDROID_ADB_SERVER_PORT", port.toLatin1());
    qputenv("HOME", QFile::encodeName(home.path()));
    qunsetenv("ANDROID_SERIAL");
}

void TestRealAdb::noDeviceAttached_data()
{
    QTest::addColumn<QString>("button");
    // A copy, as the build tree and an installed prefix hold it, or a link to the installed adb,
    // as the Debian package holds it.
    QTest::addColumn<bool>("linked");
    // The first run also starts the server; the second finds it running.
    QTest::newRow("refresh, server starting") << "refreshBtn" << false;
    QTest::newRow("remove, server running") << "removeBtn" << false;
    QTest::newRow("install") << "installBtn" << false;
    QTest::newRow("refresh, through a link") << "refreshBtn" << true;
}

void TestRealAdb::noDeviceAttached()
{
    QFETCH(QString, button);
    QFETCH(bool, linked);
    FakeAdb::removeTool();
    QDir().mkpath(QFileInfo(toolPath()).absolutePath());
    QVERIFY(linked ? QFile::link(installed, toolPath()) : QFile::copy(adb, toolPath()));
    bool chooserAsked = false;
    MainWindow window([&chooserAsked](QWidget *) {
        chooserAsked = true;
        return QStringList{};
    });

    window.findChild<QPushButton *>(button)->click();

    QCOMPARE(window.findChild<QLineEdit *>(QStringLiteral("installStatus"))->text(),
             QStringLiteral("Device not available."));
    QCOMPARE(window.findChild<QTableView *>()->model()->rowCount(), 0);
    QVERIFY(!chooserAsked);
    QVERIFY(!window.controller()->checkDevice());
}

void TestRealAdb::cleanupTestCase()
{
    if (adb.isEmpty())
        return;
    QCOMPARE(QProcess::execute(adb, {QStringLiteral("-P"), port, QStringLiteral("kill-server")}),
             0);
    FakeAdb::removeTool();
}

QTEST_MAIN(TestRealAdb)
#include "tst_realadb.moc"
