// Saving apps from the Apps view: the files the device holds are copied with adb pull into an
// .apks that Install takes back; a cancel or a refused copy leaves nothing behind.
#include "bundles/bundlearchive.h"
#include "bundles/bundlecontents.h"
#include "fakeadb.h"
#include "window/mainwindow.h"
#include "windowdriver.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QTest>
#include <QThreadPool>

namespace {

const QString package = QStringLiteral("com.example.app");
const QString folder = QStringLiteral("/data/app/~~Ab_c==/com.example.app-Zy9==/");
const QStringList apkNames{"base.apk", "split_config.arm64_v8a.apk", "split_config.xxhdpi.apk",
                           "split_config.en.apk"};
const QString obbPath =
    QStringLiteral("/sdcard/Android/obb/com.example.app/main.42.com.example.app.obb");
const QByteArray phone = "[ro.build.version.sdk]: [33]\n[ro.product.cpu.abilist]: "
                         "[arm64-v8a,armeabi-v7a]\n[ro.sf.lcd_density]: [480]\n"
                         "[persist.sys.locale]: [en-US]\n";

// The content of the device's n-th file: distinct, and large enough to be seen arriving.
QByteArray fileContent(int n, int size = 150'000)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        bytes[i] = char((i * 31 + n * 7) ^ (i >> 8));
    return bytes;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

QStringList filesIn(const QString &path)
{
    return QDir(path).entryList(QDir::Files | QDir::Hidden | QDir::System);
}

} // namespace

class TestSave : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void savesAnAppThatInstallsBack_data();
    void savesAnAppThatInstallsBack();
    void leavesNothingBehind_data();
    void leavesNothingBehind();
    void aBatchGoesOnAndNeverReplaces();

private:
    // The device holds the split app (and an expansion file when `withObb`).
    void describeApp(bool withObb);
    void selectTheApp();
    QString detail() const { return window->findChild<QLabel *>("statusDetail")->text(); }

    std::unique_ptr<FakeAdb> adb;
    std::unique_ptr<MainWindow> window;
    std::unique_ptr<WindowDriver> ui;
    QTemporaryDir target;
    QList<SaveOffer> offers;
    SaveChoice choice;
};

void TestSave::init()
{
    adb = std::make_unique<FakeAdb>();
    QVERIFY(adb->isReady());
    QVERIFY(target.isValid());
    for (const QString &name : filesIn(target.path()))
        QFile::remove(target.filePath(name));
    adb->attachDevice();
    adb->setListing({"a.apk"});
    adb->setOutput("pm-list", QString("package:%1base.apk=%2\n").arg(folder, package).toUtf8());
    offers.clear();
    window = std::make_unique<MainWindow>([](QWidget *) { return QStringList(); });
    window->controller()->setSaveChooser([this](QWidget *, const SaveOffer &offer) {
        offers.append(offer);
        return choice;
    });
    ui = std::make_unique<WindowDriver>(*window);
}

void TestSave::cleanup()
{
    ui.reset();
    window.reset();
    QThreadPool::globalInstance()->waitForDone();
    adb.reset();
}

void TestSave::describeApp(bool withObb)
{
    QByteArray paths;
    QByteArray sizes;
    for (int i = 0; i < apkNames.size(); ++i) {
        paths += "package:" + (folder + apkNames[i]).toUtf8() + "\n";
        sizes += QByteArray::number(fileContent(i).size()) + " " + (folder + apkNames[i]).toUtf8() +
                 "\n";
        adb->setPulledData(fileContent(i), i + 1);
    }
    adb->setOutput("pm-path", paths);
    adb->setOutput("dumpsys", "Packages:\n  Package [com.example.app] (1a2b3c):\n"
                              "    versionCode=42 minSdk=24 targetSdk=33\n"
                              "    versionName=1.2.3\n");
    adb->setOutput("stat", sizes);
    adb->setOutput("pull", "/remote: 1 file pulled, 0 skipped. 9.1 MB/s (150000 bytes in "
                           "0.016s)\n");
    if (withObb) {
        adb->setOutput("obb", "9000 -rw-rw---- " + obbPath.toUtf8() + "\n");
        adb->setPulledData(fileContent(9, 9000), apkNames.size() + 1);
    }
}

void TestSave::selectTheApp()
{
    QVERIFY(ui->button("saveBtn")->isHidden()); // the package files view has nothing to save
    ui->clickTab(1);
    QTRY_COMPARE(ui->shownEntries(), QStringList{package});
    QVERIFY(!ui->button("saveBtn")->isEnabled());
    ui->clickRow(0);
    QTRY_VERIFY(ui->button("saveBtn")->isEnabled());
}

void TestSave::savesAnAppThatInstallsBack_data()
{
    QTest::addColumn<bool>("withObb");
    QTest::addColumn<int>("format");
    QTest::newRow("split app") << false << int(BundleFormat::SplitZip);
    QTest::newRow("with its expansion file") << true << int(BundleFormat::Xapk);
}

// The .apks holds the device's files under their names, reads back through our own bundle
// reader, and a drop of it installs every split again.
void TestSave::savesAnAppThatInstallsBack()
{
    QFETCH(bool, withObb);
    QFETCH(int, format);
    describeApp(withObb);
    const QString path = target.filePath("saved.apks");
    choice = {path, withObb};
    selectTheApp();

    ui->click("saveBtn");
    QTRY_COMPARE(ui->status(), package + " saved");
    QVERIFY(!ui->busy());
    QCOMPARE(offers.size(), 1);
    QCOMPARE(offers[0].proposed, QDir::home().filePath("com.example.app_1.2.3.apks"));
    QCOMPARE(offers[0].expansionBytes, withObb ? 9000 : 0);
    QVERIFY2(detail().contains(path), qPrintable(detail()));
    QCOMPARE(filesIn(target.path()), QStringList{"saved.apks"});

    BundleArchive archive(path);
    QVERIFY(!archive.problem());
    std::optional<BundleProblem> problem;
    const auto contents = readBundle(archive, problem);
    QVERIFY(contents);
    QCOMPARE(int(contents->format), format);
    QCOMPARE(contents->apks.size(), apkNames.size());
    for (int i = 0; i < apkNames.size(); ++i) {
        const ArchiveEntry &entry = archive.entries().at(i);
        QCOMPARE(entry.name, apkNames[i]);
        QCOMPARE(archive.read(entry, 1024 * 1024, problem), fileContent(i));
    }

    adb->setOutput("getprop", phone);
    adb->setOutput("install-multiple", "Success\n");
    adb->setOutput("push", "main.obb: 1 file pushed, 0 skipped.\n");
    window->controller()->installFile(path);
    QTRY_COMPARE_WITH_TIMEOUT(ui->status(), QString("Apk installed successfully."), 10000);
    const QList<FakeAdb::Call> installs = adb->calls("install-multiple");
    QCOMPARE(installs.size(), 1);
    QStringList staged; // sizes and hashes: the same bytes, whatever the staged names
    for (const QString &file : installs[0].files)
        staged.append(file.section(' ', 1));
    QStringList saved;
    for (int i = 0; i < apkNames.size(); ++i)
        saved.append(FakeAdb::describeFile("x", fileContent(i)).section(' ', 1));
    QCOMPARE(staged, saved);
    QCOMPARE(adb->calls("push").size(), withObb ? 1 : 0);
}

void TestSave::leavesNothingBehind_data()
{
    QTest::addColumn<int>("call");          // the pull that goes wrong
    QTest::addColumn<QByteArray>("data");   // what it writes
    QTest::addColumn<QByteArray>("errors"); // what it says on standard error
    QTest::addColumn<QByteArray>("options");
    QTest::addColumn<bool>("cancel");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("explained");

    const QByteArray slow = "chunk=4096\npause_ms=40\n";
    QTest::newRow("cancelled mid-copy")
        << 2 << fileContent(1) << QByteArray() << slow << true << "Save cancelled"
        << "nothing of its copy was kept";
    QTest::newRow("a file the shell user cannot read")
        << 2 << QByteArray()
        << QByteArray("adb: error: failed to stat remote object '/data/app/x/split.apk': "
                      "Permission denied\n")
        << QByteArray("exit=1\n") << false << "Save failed"
        << "Permission denied";
    QTest::newRow("device unplugged mid-copy")
        << 3 << fileContent(2).left(70'000)
        << QByteArray("adb: error: failed to copy '/data/app/x/split.apk': no response: "
                      "Connection reset by peer\n")
        << QByteArray("exit=1\n") << false << "Save failed"
        << "Connection reset by peer";
    QTest::newRow("a copy cut short without a word")
        << 4 << fileContent(3).left(1000) << QByteArray() << QByteArray() << false << "Save failed"
        << "1000 bytes where the device has 150000";
}

// Whatever stops a save, no temporary file is left, and the file the user chose to replace is
// as it was.
void TestSave::leavesNothingBehind()
{
    QFETCH(int, call);
    QFETCH(QByteArray, data);
    QFETCH(QByteArray, errors);
    QFETCH(QByteArray, options);
    QFETCH(bool, cancel);
    QFETCH(QString, status);
    QFETCH(QString, explained);
    describeApp(false);
    adb->setPulledData(data, call);
    adb->setErrors("pull", errors, call);
    adb->setOptions("pull", options, call);
    const QString path = target.filePath("old.apks");
    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly) && old.write("the earlier copy") > 0);
    old.close();
    choice = {path, false};
    selectTheApp();

    ui->click("saveBtn");
    if (cancel) {
        QTRY_COMPARE(adb->calls("pull").size(), call);
        QTRY_VERIFY(filesIn(target.path()).size() == 3); // the first copy and the one under way
        QTRY_COMPARE(window->findChild<QLabel *>("busyText")->text(),
                     QString("Saving com.example.app: 0 of 1 MB"));
        // In KiB: the first file whole, then what adb has written of the second.
        const auto *bar = window->findChild<QProgressBar *>("progressIndicator");
        QCOMPARE(bar->maximum(), 4 * 150'000 / 1024);
        QTRY_VERIFY(bar->value() > 150'000 / 1024);
        ui->click("cancelBtn");
    }
    QTRY_COMPARE(ui->status(), status);
    QTRY_VERIFY(!ui->busy());
    QVERIFY2(detail().contains(explained), qPrintable(detail()));
    QCOMPARE(filesIn(target.path()), QStringList{"old.apks"});
    QCOMPARE(readAll(path), QByteArray("the earlier copy"));
    QVERIFY(ui->button("saveBtn")->isEnabled());
}

// Several apps go into a folder, each under its proposed name; one that cannot be copied does not
// stop the next, and a file already there stays.
void TestSave::aBatchGoesOnAndNeverReplaces()
{
    adb->setOutput("pm-list", "package:/data/app/a-1/base.apk=com.a\n"
                              "package:/data/app/b-1/base.apk=com.b\n");
    for (const int app : {1, 2}) {
        const QByteArray name = app == 1 ? "com.a" : "com.b";
        adb->setOutput("pm-path", "package:/data/app/" + name + "-1/base.apk\n", app);
        adb->setOutput("dumpsys",
                       "Packages:\n  Package [" + name + "] (1a):\n    versionName=2.0\n", app);
        adb->setOutput("stat", "5 /data/app/" + name + "-1/base.apk\n", app);
    }
    adb->setErrors("pull", "adb: error: failed to stat remote object: Permission denied\n", 1);
    adb->setOptions("pull", "exit=1\n", 1);
    adb->setPulledData("b APK", 2);
    adb->setOutput("pull", "/data/app/b-1/base.apk: 1 file pulled, 0 skipped.\n");
    QFile there(target.filePath("com.b_2.0.apk"));
    QVERIFY(there.open(QIODevice::WriteOnly) && there.write("there before") > 0);
    there.close();
    choice = {target.path(), false};
    ui->clickTab(1);
    QTRY_COMPARE(ui->shownEntries(), QStringList({"com.a", "com.b"}));
    ui->table()->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ui->table()->selectAll();
    QTRY_VERIFY(ui->button("saveBtn")->isEnabled());

    ui->click("saveBtn");
    QTRY_COMPARE(ui->status(), QString("Save failed"));
    QTRY_VERIFY(!ui->busy());
    QCOMPARE(offers.size(), 1);
    QVERIFY(offers[0].folder);
    QVERIFY2(detail().contains("com.a not saved: base.apk: adb: error: failed to stat remote "
                               "object: Permission denied"),
             qPrintable(detail()));
    QVERIFY2(detail().contains("com.b saved to " + target.filePath("com.b_2.0 (2).apk")),
             qPrintable(detail()));
    QCOMPARE(filesIn(target.path()), QStringList({"com.b_2.0 (2).apk", "com.b_2.0.apk"}));
    QCOMPARE(readAll(target.filePath("com.b_2.0.apk")), QByteArray("there before"));
    QCOMPARE(readAll(target.filePath("com.b_2.0 (2).apk")), QByteArray("b APK"));
}

QTEST_MAIN(TestSave)
#include "tst_save.moc"
