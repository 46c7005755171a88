// An install outlives the window that started it. Its reports must then be dropped, not
// delivered to a destroyed controller, and quitting must wait for it rather than crash.
#include "fakeadb.h"
#include "window/mainwindow.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QThreadPool>
#include <QTimer>
#include <memory>

namespace {

const char quitFlag[] = "--quit-during-install";
constexpr int waitMs = 60000;

QStringList choosePackage(QWidget *)
{
    return {QStringLiteral("/tmp/lifetime.apk.zip")};
}

// The child process: start an install, then close the only window as soon as the event loop
// runs, as a user who quits right after accepting the dialog.
int runQuitDuringInstall(int argc, char **argv)
{
    QApplication app(argc, argv);
    MainWindow window(choosePackage);
    window.show();
    window.findChild<QPushButton *>(QStringLiteral("installBtn"))->click();
    QTimer quit;
    quit.setSingleShot(true);
    QObject::connect(&quit, &QTimer::timeout, &window, &QWidget::close);
    quit.start(0);
    return QApplication::exec();
}

// The install succeeded on the device; a report that reached a window would refresh the list.
// The link it went through is gone all the same.
void expectInstallWithoutRefresh(const FakeAdb &adb)
{
    const QList<FakeAdb::Call> calls = adb.calls();
    QCOMPARE(adb.calls(QStringLiteral("install")).size(), 1);
    QCOMPARE(calls.last().arguments.value(0), QStringLiteral("install"));
    QCOMPARE(calls.last().linkTarget, choosePackage(nullptr).first());
    QVERIFY(!QFileInfo(calls.last().arguments.value(1)).dir().exists());
}

} // namespace

class TestInstallLifetime : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void windowDestroyedDuringInstall();
    void quitDuringInstall();
};

void TestInstallLifetime::init()
{
    qunsetenv("ANDROID_SERIAL");
}

void TestInstallLifetime::windowDestroyedDuringInstall()
{
    FakeAdb adb;
    QVERIFY(adb.isReady());
    adb.attachDevice();
    adb.setOptions(QStringLiteral("install"), "stall_ms=1000\n");
    adb.setOutput(QStringLiteral("install"), "Success\n");
    auto window = std::make_unique<MainWindow>(choosePackage);
    window->findChild<QPushButton *>(QStringLiteral("installBtn"))->click();
    QCOMPARE(window->findChild<QLineEdit *>(QStringLiteral("installStatus"))->text(),
             QStringLiteral("Installing apk..."));

    window.reset();
    QVERIFY(QThreadPool::globalInstance()->waitForDone(waitMs));
    QCoreApplication::sendPostedEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    expectInstallWithoutRefresh(adb);
}

void TestInstallLifetime::quitDuringInstall()
{
    FakeAdb adb;
    QVERIFY(adb.isReady());
    adb.attachDevice();
    adb.setOptions(QStringLiteral("install"), "stall_ms=1000\n");
    adb.setOutput(QStringLiteral("install"), "Success\n");
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    child.setProcessEnvironment(environment);

    child.start(QCoreApplication::applicationFilePath(), {QString::fromLatin1(quitFlag)});
    QVERIFY2(child.waitForFinished(waitMs), qPrintable(child.errorString()));

    const QByteArray log = child.readAllStandardError();
    QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0, log.constData());
    // The install ran to its end after the window had gone.
    QVERIFY2(log.contains("Apk installed successfully."), log.constData());
    expectInstallWithoutRefresh(adb);
}

int main(int argc, char **argv)
{
    if (argc > 1 && qstrcmp(argv[1], quitFlag) == 0)
        return runQuitDuringInstall(argc, argv);
    QApplication app(argc, argv);
    TestInstallLifetime test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_installlifetime.moc"
