// The Apps view's details in the real window, under the stand-in adb: names read from APKs that
// aapt builds when the test runs, versions from the dump, the filter, and the cache that spares a
// second refresh every APK byte.
#include "fakeadb.h"
#include "window/mainwindow.h"
#include "windowdriver.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

namespace {

const QString frameworkRes = QStringLiteral("/usr/share/android-framework-res/framework-res.apk");

void write(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

// An APK of `package` labelled `label` (with `strings`, a reference into its resources), built in
// `dir`; empty when aapt cannot build it.
QByteArray buildApk(const QString &dir, const QByteArray &package, const QByteArray &label,
                    const QMap<QString, QByteArray> &strings = {})
{
    write(dir + "/AndroidManifest.xml",
          "<manifest xmlns:android=\"http://schemas.android.com/apk/res/android\" package=\"" +
              package + "\"><application android:label=\"" + label + "\"/></manifest>");
    QStringList arguments{"package", "-f",         "-M", dir + "/AndroidManifest.xml",
                          "-I",      frameworkRes, "-F", dir + "/app.apk"};
    for (auto it = strings.begin(); it != strings.end(); ++it)
        write(dir + "/res/" + it.key() + "/strings.xml",
              "<resources><string name=\"app_name\">" + it.value() + "</string></resources>");
    if (!strings.isEmpty())
        arguments << "-S" << dir + "/res";
    QProcess aapt;
    aapt.start(QStandardPaths::findExecutable("aapt"), arguments);
    if (!aapt.waitForFinished() || aapt.exitCode() != 0)
        return {};
    QFile apk(dir + "/app.apk");
    return apk.open(QIODevice::ReadOnly) ? apk.readAll() : QByteArray();
}

const char dump[] = "Packages:\n"
                    "  Package [org.zeta] (a1):\n"
                    "    versionCode=42 minSdk=21 targetSdk=33\n"
                    "    versionName=4.2.0\n"
                    "    lastUpdateTime=2024-05-02 10:11:13\n"
                    "  Package [com.alpha] (b2):\n"
                    "    versionCode=7 minSdk=21 targetSdk=33\n"
                    "    versionName=1.0\n"
                    "    lastUpdateTime=2023-01-02 03:04:05\n";

} // namespace

class TestAppNames : public QObject
{
    Q_OBJECT

private slots:
    void namesFilterAndCache();
    void readsAgainWhatFailed_data();
    void readsAgainWhatFailed();
};

void TestAppNames::namesFilterAndCache()
{
    if (QStandardPaths::findExecutable("aapt").isEmpty() || !QFile::exists(frameworkRes))
        QSKIP("aapt and android-framework-res are needed to build the test APKs");
    QStandardPaths::setTestModeEnabled(true);
    QDir(QStandardPaths::writableLocation(QStandardPaths::CacheLocation)).removeRecursively();
    QTemporaryDir build;
    const QByteArray zeta = buildApk(build.filePath("zeta"), "org.zeta", "@string/app_name",
                                     {{"values", "Zeta Notes"}, {"values-de", "Zeta Notizen"}});
    const QByteArray alpha = buildApk(build.filePath("alpha"), "com.alpha", "Alpha Maps");
    QVERIFY(!zeta.isEmpty() && !alpha.isEmpty());

    FakeAdb adb;
    QVERIFY(adb.isReady());
    adb.attachDevice();
    adb.setOutput("pm-list", "package:/data/app/~~x==/org.zeta-1/base.apk=org.zeta\n"
                             "package:/data/app/alpha/base.apk=com.alpha\n"
                             "package:/data/app/plain/base.apk=net.plain\n");
    adb.setOutput("getprop", "[ro.build.version.sdk]: [30]\n[persist.sys.locale]: [de-DE]\n");
    adb.setOutput("dumpsys-packages", dump);
    adb.placeDeviceFile("/data/app/~~x==/org.zeta-1/base.apk", zeta);
    adb.placeDeviceFile("/data/app/alpha/base.apk", alpha);

    MainWindow window;
    WindowDriver ui(window);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    ui.clickTab(1);
    // net.plain has no package file on the device: its package name stays, with why.
    QTRY_COMPARE(ui.shownEntries(), QStringList({"Alpha Maps", "net.plain", "Zeta Notizen"}));
    QTRY_VERIFY(!ui.busy());
    QAbstractItemModel *model = ui.table()->model();
    QCOMPARE(model->index(2, 2).data().toString(), "4.2.0");
    QCOMPARE(model->index(2, 2).data(Qt::ToolTipRole).toString(), "version code 42");
    QVERIFY(!model->index(1, 0).data(Qt::ToolTipRole).toString().isEmpty());
    const qint64 served = adb.deviceBytesServed();
    QVERIFY(served > 0);

    // Ctrl+F reaches the filter; the selection follows its row, and a hidden row is not selected.
    QTest::keyClick(&window, Qt::Key_F, Qt::ControlModifier);
    auto *filter = window.findChild<QLineEdit *>("filter");
    QTRY_VERIFY(filter->hasFocus());
    QTest::keyClicks(filter, "ZETA");
    QCOMPARE(ui.shownEntries(), QStringList({"Zeta Notizen"}));
    ui.clickRow(0);
    QCOMPARE(ui.selectedApp(), "org.zeta");
    filter->setFocus();
    QTest::keyClick(filter, Qt::Key_Escape);
    QCOMPARE(filter->text(), QString());
    QCOMPARE(ui.shownEntries().size(), 3);
    QCOMPARE(window.controller()->currentRow(), 2);
    QCOMPARE(ui.selectedApp(), "org.zeta");
    filter->setText("plain"); // a package name matches too
    QCOMPARE(ui.shownEntries(), QStringList({"net.plain"}));
    QCOMPARE(window.controller()->currentRow(), -1);
    QCOMPARE(ui.selectedApp(), QString());
    filter->clear();

    // The cache spares the second refresh every APK byte.
    ui.click("refreshBtn");
    QTRY_VERIFY(!ui.busy());
    QTRY_COMPARE(ui.shownEntries(), QStringList({"Alpha Maps", "net.plain", "Zeta Notizen"}));
    QCOMPARE(adb.deviceBytesServed(), served);
}

void TestAppNames::readsAgainWhatFailed_data()
{
    QTest::addColumn<QByteArray>("readOptions"); // for the first read of the APK's bytes
    QTest::addColumn<bool>("sizeLater");         // the file's size cannot be read at first

    QTest::newRow("the read comes back garbled") << QByteArray("flood=300\n") << false;
    QTest::newRow("the size is not known") << QByteArray() << true;
}

// A read that failed is not remembered as "no name": the next refresh reads the name.
void TestAppNames::readsAgainWhatFailed()
{
    QFETCH(QByteArray, readOptions);
    QFETCH(bool, sizeLater);
    if (QStandardPaths::findExecutable("aapt").isEmpty() || !QFile::exists(frameworkRes))
        QSKIP("aapt and android-framework-res are needed to build the test APKs");
    QStandardPaths::setTestModeEnabled(true);
    QDir(QStandardPaths::writableLocation(QStandardPaths::CacheLocation)).removeRecursively();
    QTemporaryDir build;
    const QByteArray alpha = buildApk(build.filePath("alpha"), "com.alpha", "Alpha Maps");
    QVERIFY(!alpha.isEmpty());

    FakeAdb adb;
    QVERIFY(adb.isReady());
    adb.attachDevice();
    adb.setOutput("pm-list", "package:/data/app/alpha/base.apk=com.alpha\n");
    adb.setOutput("getprop", "[ro.build.version.sdk]: [30]\n");
    adb.setOutput("dumpsys-packages", dump);
    adb.setOptions("exec-out", readOptions, 1);
    if (!sizeLater)
        adb.placeDeviceFile("/data/app/alpha/base.apk", alpha);

    MainWindow window;
    WindowDriver ui(window);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    ui.clickTab(1);
    QAbstractItemModel *model = ui.table()->model();
    QTRY_VERIFY(model->rowCount() == 1 &&
                !model->index(0, 0).data(Qt::ToolTipRole).toString().isEmpty());
    QTRY_VERIFY(!ui.busy());
    QCOMPARE(ui.shownEntries(), QStringList({"com.alpha"}));

    if (sizeLater)
        adb.placeDeviceFile("/data/app/alpha/base.apk", alpha);
    ui.click("refreshBtn");
    QTRY_COMPARE(ui.shownEntries(), QStringList({"Alpha Maps"}));
}

QTEST_MAIN(TestAppNames)
#include "tst_appnames.moc"
