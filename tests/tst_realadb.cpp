// The real adb in the resource folder, with no device attached. adb starts its server on the
// first call; the window must wait for that, then report no device, and not hang.
#include "fakeadb.h"
#include "mainwindow.h"
#include "toolrunner.h"

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
    QString adb;
    QString port;
    QTemporaryDir home;
};

// The server gets a port of its own, so a developer's running server (and devices) is never used
// or stopped; the child inherits the variable from this process. HOME keeps its key files here.
void TestRealAdb::initTestCase()
{
    const QString installed = QStandardPaths::findExecutable(QStringLiteral("adb"));
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

    FakeAdb::removeTool();
    QDir().mkpath(QFileInfo(toolPath()).absolutePath());
    QVERIFY(QFile::copy(adb, toolPath()));
}

void TestRealAdb::noDeviceAttached_data()
{
    QTest::addColumn<QString>("button");
    // The first run also starts the server; the second finds it running.
    QTest::newRow("refresh, server starting") << "refreshBtn";
    QTest::newRow("remove, server running") << "removeBtn";
    QTest::newRow("install") << "installBtn";
}

void TestRealAdb::noDeviceAttached()
{
    QFETCH(QString, button);
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
