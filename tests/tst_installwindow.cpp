// The install as the window shows it: its bar, its Cancel, and the way forward after a refusal.
#include "fakeadb.h"
#include "window/mainwindow.h"
#include "windowdriver.h"
#include "ziparchive.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QByteArray openSession = "Active install sessions:\n"
                               "  Session 1234:\n"
                               "    userId=0 mInstallerPackageName=com.android.shell\n"
                               "    mInstallerUid=2000 mClientProgress=0.4 mSealed=false\n";

} // namespace

class TestInstallWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void followsTheSendingAndCancels_data();
    void followsTheSendingAndCancels();
    void cancelsABundleBeforeItsChoice();
    void cancelTooLateReportsTheInstall_data();
    void cancelTooLateReportsTheInstall();
    void offersTheWayForward_data();
    void offersTheWayForward();

private:
    QString detail() const { return window->findChild<QLabel *>("statusDetail")->text(); }
    QProgressBar *bar() const { return window->findChild<QProgressBar *>("progressIndicator"); }
    QLabel *barText() const { return window->findChild<QLabel *>("busyText"); }
    // Makes the chosen file an APK of com.example.app, of about the same size.
    bool makeRealApk() const
    {
        return writeZip(apk,
                        {{"AndroidManifest.xml", binaryManifest("com.example.app")},
                         {"classes.dex", QByteArray(2'000'000, 'x')}},
                        false);
    }

    std::unique_ptr<FakeAdb> adb;
    std::unique_ptr<QTemporaryDir> folder;
    std::unique_ptr<MainWindow> window;
    std::unique_ptr<WindowDriver> ui;
    QString apk;
};

void TestInstallWindow::init()
{
    adb = std::make_unique<FakeAdb>();
    QVERIFY(adb->isReady());
    adb->attachDevice();
    adb->setListing({"a.apk"});
    folder = std::make_unique<QTemporaryDir>();
    apk = folder->filePath("big.apk");
    QFile file(apk);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QVERIFY(file.write(QByteArray(2'000'000, 'x')) == 2'000'000);
    window = std::make_unique<MainWindow>([this](QWidget *) { return QStringList{apk}; });
    ui = std::make_unique<WindowDriver>(*window);
}

void TestInstallWindow::cleanup()
{
    ui.reset();
    window.reset();
    folder.reset();
    adb.reset();
}

void TestInstallWindow::followsTheSendingAndCancels_data()
{
    QTest::addColumn<bool>("cancel");
    QTest::newRow("to the end") << false;
    QTest::newRow("cancelled while sending") << true;
}

// The stand-in reads the 2 MB file in 64 KiB pieces, 40 ms apart, then waits before it answers.
void TestInstallWindow::followsTheSendingAndCancels()
{
    QFETCH(bool, cancel);
    adb->setOptions("install", "read_chunk=65536\nread_pause_ms=40\nstall_ms=1500\n");
    adb->setOutput("install", "Success\n");
    adb->setOutput("dumpsys-all", openSession);
    QPushButton *cancelBtn = ui->button("cancelBtn");

    ui->click("installBtn");
    QTRY_VERIFY_WITH_TIMEOUT(barText()->text().startsWith("Sending big.apk: "), 5000);
    QVERIFY(!cancelBtn->isHidden() && cancelBtn->isEnabled());
    QCOMPARE(bar()->maximum(), 1000);
    if (cancel) {
        cancelBtn->click();
        QTRY_COMPARE_WITH_TIMEOUT(ui->status(), "Install cancelled", 10000);
        QCOMPARE(adb->calls("shell").last().arguments.mid(1, 1), QStringList{"ls"});
        const QList<FakeAdb::Call> abandoned = adb->calls("shell");
        QVERIFY(std::any_of(abandoned.cbegin(), abandoned.cend(), [](const FakeAdb::Call &call) {
            return call.arguments == QStringList{"shell", "pm", "install-abandon", "1234"};
        }));
        return;
    }
    int last = 0;
    while (!barText()->text().startsWith("Installing on the device")) {
        QVERIFY(bar()->value() >= last && bar()->value() <= 950);
        last = bar()->value();
        QVERIFY(ui->busy());
        QTest::qWait(20);
    }
    QVERIFY(last > 0);
    QCOMPARE(bar()->maximum(), 0);
    QVERIFY(!cancelBtn->isEnabled());
    QCOMPARE(cancelBtn->toolTip(), "The device is installing; it can't be stopped now");
    QTRY_COMPARE_WITH_TIMEOUT(ui->status(), "Apk installed successfully.", 10000);
    QVERIFY(adb->calls("shell").size() == 2); // the listings before and after: no clean-up
}

// A bundle's splits are chosen by the device's properties; an adb that goes silent when asked
// for them must not hold the install beyond a Cancel.
void TestInstallWindow::cancelsABundleBeforeItsChoice()
{
    apk = folder->filePath("app.apks");
    QVERIFY(writeZip(apk, {{"base.apk", "the base"}, {"split_config.en.apk", "English"}}));
    adb->setOptions("getprop", "hang=1\n");

    ui->click("installBtn");
    QTRY_VERIFY_WITH_TIMEOUT(
        FakeAdb::runningTools() == 1 && adb->calls().last().arguments.value(1) == "getprop", 5000);
    ui->click("cancelBtn");
    QTRY_COMPARE_WITH_TIMEOUT(ui->status(), "Install cancelled", 5000);
    QVERIFY(adb->calls("install-multiple").isEmpty());
    QCOMPARE(FakeAdb::runningTools(), 0);
}

void TestInstallWindow::cancelTooLateReportsTheInstall_data()
{
    QTest::addColumn<QByteArray>("after"); // what "pm path" says once adb was ended
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("explained");

    QTest::newRow("the app as before") << QByteArray() << "Install cancelled"
                                       << "did not install it";
    QTest::newRow("the device had finished")
        << QByteArray("package:/data/app/~~q==/com.example.app-r==/base.apk\n")
        << "big.apk installed"
        << "had finished installing the package before the Cancel";
}

// An adb whose reading of the file cannot be followed: the bar stays indeterminate and Cancel
// ends adb, perhaps after the device has finished. The list of the app's files tells which.
void TestInstallWindow::cancelTooLateReportsTheInstall()
{
    QFETCH(QByteArray, after);
    QFETCH(QString, status);
    QFETCH(QString, explained);
    QVERIFY(makeRealApk());
    adb->setOptions("install", "stall_ms=5000\n");
    adb->setOutput("pm-path", after, 2);

    ui->click("installBtn");
    QTRY_VERIFY_WITH_TIMEOUT(!adb->calls("install").isEmpty(), 10000);
    QVERIFY(barText()->text().startsWith("Installing big.apk"));
    QVERIFY(ui->button("cancelBtn")->isEnabled());
    ui->click("cancelBtn");
    QTRY_COMPARE_WITH_TIMEOUT(ui->status(), status, 10000);
    QVERIFY(detail().contains(explained));
    const QStringList asked{"shell", "pm", "path", "com.example.app"};
    int pathRuns = 0;
    for (const FakeAdb::Call &call : adb->calls("shell"))
        pathRuns += call.arguments == asked;
    QCOMPARE(pathRuns, 2); // before the install and after the Cancel
}

void TestInstallWindow::offersTheWayForward_data()
{
    QTest::addColumn<QByteArray>("refusal");
    QTest::addColumn<QByteArray>("device");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QStringList>("then");
    QTest::addColumn<QString>("explained");

    const QByteArray phone =
        "[ro.build.version.sdk]: [30]\n[ro.product.cpu.abilist]: [arm64-v8a]\n";
    QTest::newRow("older version, debuggable build")
        << QByteArray("INSTALL_FAILED_VERSION_DOWNGRADE") << phone + "[ro.debuggable]: [1]\n"
        << "Install the older version" << QStringList{"install", "-r", "-d"} << QString();
    QTest::newRow("older version, user build")
        << QByteArray("INSTALL_FAILED_VERSION_DOWNGRADE: Downgrade detected") << phone
        << "Uninstall com.example.app and install this file" << QStringList{"install"}
        << "only once the newer one is uninstalled";
    QTest::newRow("signed by someone else")
        << QByteArray("INSTALL_FAILED_UPDATE_INCOMPATIBLE: Package com.example.app signatures do "
                      "not match previously installed version; ignoring!")
        << phone << "Uninstall com.example.app and install this file" << QStringList{"install"}
        << QString();
    QTest::newRow("test build") << QByteArray("INSTALL_FAILED_TEST_ONLY: installPackageLI") << phone
                                << "Install test build" << QStringList{"install", "-r", "-t"}
                                << QString();
    QTest::newRow("storage") << QByteArray("INSTALL_FAILED_INSUFFICIENT_STORAGE") << phone
                             << QString() << QStringList() << "The device has 1.0 MB free";
    QTest::newRow("newer Android")
        << QByteArray("INSTALL_FAILED_OLDER_SDK: Requires newer sdk version #33 (current version "
                      "is #30)")
        << phone << QString() << QStringList()
        << "needs Android 13 (API level 33) or later; this device has Android 11";
}

void TestInstallWindow::offersTheWayForward()
{
    QFETCH(QByteArray, refusal);
    QFETCH(QByteArray, device);
    QFETCH(QString, button);
    QFETCH(QStringList, then);
    QFETCH(QString, explained);
    QVERIFY(makeRealApk());
    adb->setErrors("install",
                   "adb: failed to install " + apk.toUtf8() + ": Failure [" + refusal + "]\n", 1);
    adb->setOutput("install", "Success\n", 2);
    adb->setOutput("getprop", device);
    adb->setOutput("df", "Filesystem 1K-blocks Used Available Use% Mounted on\n"
                         "/dev/block/dm-5 1000000 999000 1000 99% /data\n");
    adb->setOutput("pm-uninstall", "Success\n");
    QPushButton *offer = window->findChild<QPushButton *>("offerBtn");

    ui->click("installBtn");
    QTRY_COMPARE_WITH_TIMEOUT(ui->status(), "Apk installation failed.", 10000);
    QVERIFY(detail().contains(explained));
    QCOMPARE(!offer->isHidden(), !button.isEmpty());
    if (button.isEmpty())
        return;
    QCOMPARE(offer->text(), button);
    QCOMPARE(offer->accessibleName(), button);
    bool asked = false;
    if (button.startsWith("Uninstall"))
        ui->whenDialogShows([&asked](QWidget &dialog) {
            asked = true;
            auto &box = static_cast<QMessageBox &>(dialog);
            QVERIFY(box.text().contains("data on the device is deleted"));
            box.button(QMessageBox::Yes)->click();
        });
    offer->click();
    QTRY_COMPARE_WITH_TIMEOUT(ui->status(), "Apk installed successfully.", 10000);
    QVERIFY(offer->isHidden());
    QCOMPARE(adb->calls("install").last().arguments, then + QStringList{apk});
    const QList<FakeAdb::Call> uninstalls = adb->calls("shell");
    const bool uninstalled =
        std::any_of(uninstalls.cbegin(), uninstalls.cend(), [](const FakeAdb::Call &call) {
            return call.arguments == QStringList{"shell", "pm", "uninstall", "com.example.app"};
        });
    QCOMPARE(uninstalled, asked);
}

QTEST_MAIN(TestInstallWindow)
#include "tst_installwindow.moc"
