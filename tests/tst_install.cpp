#include "fakeadb.h"
#include "mainwindow.h"
#include "windowdriver.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QThreadPool>

namespace {
const QString installed = QStringLiteral("Apk installed successfully.");
const QString failed = QStringLiteral("Apk installation failed.");
const QString connected = QStringLiteral("Device connected: emulator-5554");
} // namespace

class TestInstall : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void reportsTheOutcome_data();
    void reportsTheOutcome();
    void passesTheChosenPath_data();
    void passesTheChosenPath();
    void cancelKeepsTheRefreshedList();
    void noDeviceAsksForNoFile();
    void locksTheButtonsWhileInstalling();
    void closingTheWindowDuringAnInstall();

private:
    void createWindow();

    std::unique_ptr<FakeAdb> adb;
    std::unique_ptr<MainWindow> window;
    std::unique_ptr<WindowDriver> ui;
    QStringList chosenPaths;
    int asked = 0;
};

void TestInstall::init()
{
    adb = std::make_unique<FakeAdb>();
    QVERIFY(adb->isReady());
    adb->attachDevice();
    adb->setListing({"a.apk"});
    chosenPaths = QStringList{"/tmp/app.apk"};
    asked = 0;
    createWindow();
}

void TestInstall::createWindow()
{
    window = std::make_unique<MainWindow>([this](QWidget *) {
        ++asked;
        return chosenPaths;
    });
    ui = std::make_unique<WindowDriver>(*window);
}

void TestInstall::cleanup()
{
    ui.reset();
    window.reset();
    QThreadPool::globalInstance()->waitForDone();
    adb.reset();
}

void TestInstall::reportsTheOutcome_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QByteArray>("output");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QStringList>("logged");

    QTest::newRow("success after another line")
        << "/tmp/app.apk" << QByteArray("Performing Streamed Install\nSuccess\n") << installed
        << QStringList{"Performing Streamed Install", "Success", installed};
    QTest::newRow("failure") << "/tmp/app.apk" << QByteArray("Failure [INSTALL_FAILED_OLDER_SDK]\n")
                             << failed
                             << QStringList{"Failure [INSTALL_FAILED_OLDER_SDK]",
                                            "Did not install this apk."};
    QTest::newRow("success inside longer text")
        << "/tmp/app.apk" << QByteArray("Result: Success\n") << installed << QStringList{};
    QTest::newRow("lower case is no success")
        << "/tmp/app.apk" << QByteArray("success\n") << failed << QStringList{};
    QTest::newRow("no output") << "/tmp/app.apk" << QByteArray() << failed
                               << QStringList{"Did not install this apk."};
    QTest::newRow("CR LF output") << "/tmp/app.apk" << QByteArray("Success\r\n") << installed
                                  << QStringList{"Success"};
    QTest::newRow("\"Success\" in the chosen folder")
        << "/home/u/Success/app.apk"
        << QByteArray("/home/u/Success/app.apk: 1 file pushed, 0 skipped. 31.2 MB/s (1234 bytes "
                      "in 0.001s)\nFailure [INSTALL_FAILED_INVALID_APK]\n")
        << failed << QStringList{};
    QTest::newRow("\"Success\" in the file name")
        << "/tmp/Success.apk"
        << QByteArray("Performing Push Install\n/tmp/Success.apk: 1 file pushed, 0 skipped.\n"
                      "\tpkg: /data/local/tmp/Success.apk\nFailure [INSTALL_FAILED_INVALID_APK]\n")
        << failed << QStringList{};
    QTest::newRow("\"Success\" in the file name, echoed in another folder")
        << "/home/u/Success.apk"
        << QByteArray("Performing Push Install\n/home/u/Success.apk: 1 file pushed, 0 skipped.\n"
                      "\tpkg: /data/local/tmp/Success.apk\nFailure [INSTALL_FAILED_INVALID_APK]\n")
        << failed << QStringList{};
    QTest::newRow("success after echoing a \"Success\" folder")
        << "/home/u/Success/app.apk"
        << QByteArray("/home/u/Success/app.apk: 1 file pushed, 0 skipped.\nSuccess\n") << installed
        << QStringList{};
}

void TestInstall::reportsTheOutcome()
{
    QFETCH(QString, path);
    QFETCH(QByteArray, output);
    QFETCH(QString, status);
    QFETCH(QStringList, logged);
    chosenPaths = {path};
    adb->setOutput("install", output);
    for (const QString &line : logged)
        QTest::ignoreMessage(QtInfoMsg, qPrintable(line));

    ui->click("installBtn");

    QTRY_COMPARE_WITH_TIMEOUT(ui->status(), status, 10000);
    QVERIFY(ui->buttonsEnabled());
    QVERIFY(!ui->busy());
    QCOMPARE(asked, 1);
    const QList<FakeAdb::Call> installs = adb->calls("install");
    QCOMPARE(installs.size(), 1);
    QCOMPARE(installs.first().arguments, QStringList({"install", path}));
    QCOMPARE(installs.first().serial, std::optional<QString>("emulator-5554"));
    // One refresh before the dialog, and one more after a success.
    QCOMPARE(adb->calls("shell").size(), status == installed ? 2 : 1);
}

void TestInstall::passesTheChosenPath_data()
{
    QTest::addColumn<QStringList>("chosen"); // files made in a temporary folder
    QTest::addColumn<QString>("linkName");   // empty: the chosen path goes to adb as it is
    QTest::addColumn<bool>("succeeds");
    QTest::addColumn<QString>("tmpdir"); // TMPDIR, in the chosen folder; empty: as it was

    QTest::newRow(".apk") << QStringList{"app.apk"} << QString() << true << QString();
    QTest::newRow(".apk, failed") << QStringList{"app.apk"} << QString() << false << QString();
    QTest::newRow("capitals") << QStringList{"APP.APK"} << QString() << true << QString();
    QTest::newRow("only the first of several")
        << QStringList{"a.apk", "b.apk"} << QString() << true << QString();
    QTest::newRow("spaces, non-ASCII") << QStringList{u8"my apps/\u00fcber \u30a2\u30d7\u30ea.apk"}
                                       << QString() << true << QString();
    QTest::newRow(".apk.zip") << QStringList{"Tiny.apk.zip"} << "Tiny.apk" << true << QString();
    QTest::newRow("\"Success\" in the linked name, failed")
        << QStringList{"Success.apk.zip"} << "Success.apk" << false << QString();
    QTest::newRow(".APK.ZIP") << QStringList{"TINY.APK.ZIP"} << "TINY.APK" << true << QString();
    QTest::newRow(".apk.zip, spaces, non-ASCII")
        << QStringList{u8"my apps/\u00fcber \u2713.apk.zip"} << u8"\u00fcber \u2713.apk" << true
        << QString();
    QTest::newRow(".apk.zip, shell characters")
        << QStringList{"$(touch x);'\"`&.apk.zip"} << "$(touch x);'\"`&.apk" << true << QString();
    QTest::newRow(".apk.zip, no temporary folder")
        << QStringList{"Tiny.apk.zip"} << QString() << false << "missing";
    QTest::newRow(".apk.zip, temporary folder is a file")
        << QStringList{"Tiny.apk.zip"} << QString() << false << "Tiny.apk.zip";
}

// adb refuses a name that does not end in .apk: such a file goes through a link that does, which
// is gone once the run has ended. The chosen file itself stays as it was.
void TestInstall::passesTheChosenPath()
{
    QFETCH(QStringList, chosen);
    QFETCH(QString, linkName);
    QFETCH(bool, succeeds);
    QFETCH(QString, tmpdir);
    const bool canLink = tmpdir.isEmpty();
    QTemporaryDir dir;
    chosenPaths.clear();
    for (const QString &name : chosen) {
        chosenPaths.append(dir.filePath(name));
        QVERIFY(QDir().mkpath(QFileInfo(chosenPaths.last()).path()));
        QFile file(chosenPaths.last());
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("package") == 7);
    }
    const QString path = chosenPaths.first();
    const auto restore = qScopeGuard([saved = qgetenv("TMPDIR")] {
        if (saved.isEmpty())
            qunsetenv("TMPDIR");
        else
            qputenv("TMPDIR", saved);
    });
    if (!canLink) {
        qputenv("TMPDIR", QFile::encodeName(dir.filePath(tmpdir)));
        QTest::ignoreMessage(QtInfoMsg, QRegularExpression("^cannot install through a link: "));
    } else if (!linkName.isEmpty()) {
        const QString logged = "/apkshelf-[^/]+/" + QRegularExpression::escape(linkName) + " -> ";
        QTest::ignoreMessage(QtInfoMsg, QRegularExpression("^install through link: .*" + logged +
                                                           QRegularExpression::escape(path) + "$"));
    }
    // A failed push install echoes the name it was given, which may hold "Success".
    const QString given = linkName.isEmpty() ? QFileInfo(path).fileName() : linkName;
    adb->setOutput("install", succeeds ? QByteArray("Success\n")
                                       : "\tpkg: /data/local/tmp/" + given.toUtf8() +
                                             "\nFailure [INSTALL_FAILED_INVALID_APK]\n");

    ui->click("installBtn");

    QTRY_COMPARE_WITH_TIMEOUT(ui->status(), succeeds ? installed : failed, 10000);
    QVERIFY(ui->buttonsEnabled());
    const QList<FakeAdb::Call> installs = adb->calls("install");
    QCOMPARE(installs.size(), canLink ? 1 : 0);
    if (canLink && linkName.isEmpty()) {
        QCOMPARE(installs.first().arguments, QStringList({"install", path}));
        QCOMPARE(installs.first().linkTarget, QString());
    } else if (canLink) {
        const QFileInfo link(installs.first().arguments.value(1));
        QCOMPARE(link.fileName(), linkName);
        QCOMPARE(installs.first().linkTarget, path);
        QVERIFY(!link.dir().exists());
    }
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("package"));
}

void TestInstall::cancelKeepsTheRefreshedList()
{
    chosenPaths.clear();

    ui->click("installBtn");

    QCOMPARE(asked, 1);
    QCOMPARE(ui->status(), connected);
    QCOMPARE(ui->shownEntries(), QStringList{"a.apk"});
    QVERIFY(!ui->busy());
    QVERIFY(ui->buttonsEnabled());
    QVERIFY(adb->calls("install").isEmpty());
}

void TestInstall::noDeviceAsksForNoFile()
{
    adb->setOutput("devices", "List of devices attached\n\n");

    ui->click("installBtn");

    QCOMPARE(asked, 0);
    QCOMPARE(ui->status(), "Device not available.");
    QVERIFY(adb->calls("shell").isEmpty());
    QVERIFY(adb->calls("install").isEmpty());
}

void TestInstall::locksTheButtonsWhileInstalling()
{
    adb->setOutput("install", "Success\n");
    adb->setOptions("install", "stall_ms=1000\n");

    ui->click("installBtn");

    QCOMPARE(ui->status(), "Installing apk...");
    QVERIFY(ui->busy());
    QVERIFY(!ui->button("refreshBtn")->isEnabled());
    QVERIFY(!ui->button("installBtn")->isEnabled());
    QVERIFY(!ui->button("removeBtn")->isEnabled());
    QVERIFY(ui->table()->isEnabled());
    QTRY_COMPARE_WITH_TIMEOUT(ui->status(), installed, 10000);
    QVERIFY(ui->buttonsEnabled());
    QVERIFY(!ui->busy());
}

void TestInstall::closingTheWindowDuringAnInstall()
{
    adb->setOutput("install", "Success\n");
    adb->setOptions("install", "stall_ms=300\n");
    ui->click("installBtn");

    ui.reset();
    window.reset();
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::sendPostedEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    // The install ran to its end; nothing touched the window that was gone.
    QCOMPARE(adb->calls("install").size(), 1);
    QCOMPARE(adb->calls("shell").size(), 1);
}

QTEST_MAIN(TestInstall)
#include "tst_install.moc"
