#include "fakeadb.h"
#include "window/mainwindow.h"
#include "windowdriver.h"
#include "ziparchive.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QThreadPool>

Q_DECLARE_METATYPE(ZipEntries)

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
    void installsABundle_data();
    void installsABundle();

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
    // One refresh before the dialog, and one more after a success; a refusal that needs the
    // device's facts reads its properties.
    QList<FakeAdb::Call> shellCalls = adb->calls("shell");
    shellCalls.removeIf(
        [](const FakeAdb::Call &call) { return call.arguments.value(1) == "getprop"; });
    QCOMPARE(shellCalls.size(), status == installed ? 2 : 1);
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

namespace {

// What each call to the tool was, in order: its first argument, or for shell, the command.
QStringList kindsOf(const QList<FakeAdb::Call> &calls)
{
    QStringList kinds;
    for (const FakeAdb::Call &call : calls)
        kinds.append(call.arguments.value(call.arguments.value(0) == "shell" ? 1 : 0));
    return kinds;
}

const QByteArray phone = "[ro.build.version.sdk]: [33]\n[ro.product.cpu.abilist]: "
                         "[arm64-v8a,armeabi-v7a,armeabi]\n[ro.sf.lcd_density]: [480]\n"
                         "[persist.sys.locale]: [en-US]\n";

} // namespace

void TestInstall::installsABundle_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<ZipEntries>("entries"); // none: the file is not a ZIP
    QTest::addColumn<QByteArray>("errors");  // what install-multiple prints on standard error
    QTest::addColumn<QStringList>("staged"); // "<name>=<entry>": what install-multiple gets
    QTest::addColumn<QStringList>("calls");  // after the refresh before the dialog
    QTest::addColumn<QString>("explained");  // empty: installed

    const ZipEntries apkm{
        {"info.json", R"({"info_version": 1})"},  {"base.apk", "the base"},
        {"split_config.x86.apk", "x86 code"},     {"split_config.arm64_v8a.apk", "arm64 code"},
        {"split_config.mdpi.apk", "mdpi images"}, {"split_config.xxhdpi.apk", "xxhdpi images"},
        {"split_config.de.apk", "German"},        {"split_config.en.apk", "English"}};
    const QStringList chosen{
        "00-base.apk=base.apk", "01-config.arm64_v8a.apk=split_config.arm64_v8a.apk",
        "02-config.xxhdpi.apk=split_config.xxhdpi.apk", "03-config.en.apk=split_config.en.apk"};
    QTest::newRow(".apkm: the device's splits in one install")
        << "app.apkm" << apkm << QByteArray() << chosen
        << QStringList{"getprop", "install-multiple", "devices", "ls"} << QString();
    QTest::newRow(".apks refused by the device")
        << "app.apks" << apkm
        << QByteArray("adb: failed to finalize session\nFailure "
                      "[INSTALL_FAILED_MISSING_SPLIT: Missing split for "
                      "com.example.app]\n")
        << chosen << QStringList{"getprop", "install-multiple"} << "INSTALL_FAILED_MISSING_SPLIT";
    const QByteArray manifest =
        R"({"package_name": "com.example.game", "expansions": [{"file": "Android/obb/main.obb",
            "install_path": "Android/obb/com.example.game/main.7.com.example.game.obb"}]})";
    QTest::newRow(".xapk: the APKs, then its expansion file")
        << "game.xapk"
        << ZipEntries{{"manifest.json", manifest},
                      {"com.example.game.apk", "the base"},
                      {"config.arm64_v8a.apk", "arm64 code"},
                      {"config.x86_64.apk", "x86_64 code"},
                      {"Android/obb/main.obb", "game data"}}
        << QByteArray()
        << QStringList{"00-base.apk=com.example.game.apk",
                       "01-config.arm64_v8a.apk=config.arm64_v8a.apk"}
        << QStringList{"getprop", "pm", "install-multiple", "push", "devices", "ls"} << QString();
    QTest::newRow("an old, encrypted .apkm: not even the device read")
        << "old.apkm" << ZipEntries{} << QByteArray() << QStringList{} << QStringList{}
        << "not a ZIP";
}

// A bundle goes to the device as exactly the APKs it needs, under plain names, in one
// install-multiple; the folder they were staged in is gone afterwards, whatever the outcome.
void TestInstall::installsABundle()
{
    QFETCH(QString, name);
    QFETCH(ZipEntries, entries);
    QFETCH(QByteArray, errors);
    QFETCH(QStringList, staged);
    QFETCH(QStringList, calls);
    QFETCH(QString, explained);
    QTemporaryDir dir;
    const QString path = dir.filePath(name);
    if (entries.isEmpty()) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(QByteArray(512, '\x7f')) == 512);
    } else {
        QVERIFY(writeZip(path, entries));
    }
    chosenPaths = {path};
    adb->setOutput("getprop", phone);
    adb->setOutput("install-multiple", errors.isEmpty() ? "Success\n" : "");
    adb->setErrors("install-multiple", errors);
    adb->setOutput("push", "Android/obb/main.obb: 1 file pushed, 0 skipped.\n");

    ui->click("installBtn");

    QTRY_COMPARE_WITH_TIMEOUT(ui->status(), explained.isEmpty() ? installed : failed, 10000);
    QVERIFY(ui->buttonsEnabled());
    QVERIFY(!ui->busy());
    QCOMPARE(kindsOf(adb->calls()), QStringList({"devices", "devices", "ls"}) + calls);
    QVERIFY(window->findChild<QLabel *>("statusDetail")->text().contains(explained));
    const QList<FakeAdb::Call> installs = adb->calls("install-multiple");
    if (staged.isEmpty())
        return;
    QStringList expected;
    for (const QString &file : staged) {
        const QString entry = file.section('=', 1);
        const auto found = std::find_if(entries.cbegin(), entries.cend(),
                                        [&](const auto &e) { return e.first == entry; });
        expected.append(FakeAdb::describeFile(file.section('=', 0, 0), found->second));
    }
    QCOMPARE(installs.first().files, expected);
    QCOMPARE(installs.first().arguments.value(1), "-r");
    QVERIFY(!QFileInfo(installs.first().arguments.value(2)).dir().exists());
    for (const FakeAdb::Call &push : adb->calls("push")) {
        QCOMPARE(push.arguments.value(2),
                 "/sdcard/Android/obb/com.example.game/main.7.com.example.game.obb");
        QCOMPARE(push.files,
                 QStringList{FakeAdb::describeFile("main.7.com.example.game.obb", "game data")});
    }
}

QTEST_MAIN(TestInstall)
#include "tst_install.moc"
