#include "fakeadb.h"
#include "install/packagedrop.h"
#include "window/mainwindow.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QLineEdit>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

namespace {

// Makes the files and folders (names ending in "/") that a test drags.
void createAll(const QTemporaryDir &dir, const QStringList &names)
{
    for (const QString &name : names) {
        if (name.endsWith('/')) {
            QDir(dir.path()).mkpath(name);
            continue;
        }
        QFile file(dir.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
}

// What a file manager puts in a drag of these files; names with a scheme are taken as URLs.
std::unique_ptr<QMimeData> filesDrag(const QTemporaryDir &dir, const QStringList &names)
{
    QList<QUrl> urls;
    for (const QString &name : names)
        urls.append(name.contains("://") ? QUrl(name) : QUrl::fromLocalFile(dir.filePath(name)));
    auto data = std::make_unique<QMimeData>();
    data->setUrls(urls);
    return data;
}

// Sends a drag's entry to `target` as the platform would; true when the window would take it.
bool dragEnters(QWidget *target, const QMimeData &data)
{
    QDragEnterEvent enter(QPoint(4, 4), Qt::CopyAction | Qt::MoveAction | Qt::LinkAction, &data,
                          Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    return enter.isAccepted();
}

bool dragMoves(QWidget *target, const QMimeData &data)
{
    QDragMoveEvent move(QPoint(6, 6), Qt::CopyAction | Qt::MoveAction | Qt::LinkAction, &data,
                        Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &move);
    return move.isAccepted();
}

bool drops(QWidget *target, const QMimeData &data)
{
    QDropEvent drop(QPointF(4, 4), Qt::CopyAction | Qt::MoveAction | Qt::LinkAction, &data,
                    Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    return drop.isAccepted();
}

QStringList firstArguments(const QList<FakeAdb::Call> &calls)
{
    QStringList kinds;
    for (const FakeAdb::Call &call : calls)
        kinds.append(call.arguments.value(0) == "shell" ? call.arguments.value(1)
                                                        : call.arguments.value(0));
    return kinds;
}

QString statusOf(const MainWindow &window)
{
    return window.findChild<QLineEdit *>("installStatus")->text();
}

// Where in the window a drop lands: the list, or a read-only text field that must pass it on.
QWidget *dropTarget(const MainWindow &window, const QString &name)
{
    if (name == "list")
        return window.findChild<QAbstractItemView *>("tableView")->viewport();
    return window.findChild<QWidget *>(name);
}

} // namespace

class TestDragDrop : public QObject
{
    Q_OBJECT

private slots:
    void recognisesOnePackageFile_data();
    void recognisesOnePackageFile();
    void dropInstallsAsTheDialogDoes_data();
    void dropInstallsAsTheDialogDoes();
    void refusesOtherDrops_data();
    void refusesOtherDrops();
};

void TestDragDrop::recognisesOnePackageFile_data()
{
    QTest::addColumn<QStringList>("existing");
    QTest::addColumn<QStringList>("dragged");
    QTest::addColumn<bool>("accepted"); // then the first dragged name is the package

    const QStringList none;
    QTest::newRow(".apk") << QStringList{"a.apk"} << QStringList{"a.apk"} << true;
    QTest::newRow(".apk.zip") << QStringList{"a.apk.zip"} << QStringList{"a.apk.zip"} << true;
    QTest::newRow("capitals") << QStringList{"A.APK"} << QStringList{"A.APK"} << true;
    QTest::newRow(".apks") << QStringList{"a.apks"} << QStringList{"a.apks"} << true;
    QTest::newRow(".xapk") << QStringList{"a.xapk"} << QStringList{"a.xapk"} << true;
    QTest::newRow(".APKM") << QStringList{"A.APKM"} << QStringList{"A.APKM"} << true;
    QTest::newRow("spaces, non-ASCII")
        << QStringList{u8"my \u00e4pp #1.apk"} << QStringList{u8"my \u00e4pp #1.apk"} << true;
    QTest::newRow("plain .zip") << QStringList{"a.zip"} << QStringList{"a.zip"} << false;
    QTest::newRow(".apk inside the name")
        << QStringList{"a.apk.txt"} << QStringList{"a.apk.txt"} << false;
    QTest::newRow(".apks.zip") << QStringList{"a.apks.zip"} << QStringList{"a.apks.zip"} << false;
    QTest::newRow("two packages") << QStringList{"a.apk", "b.apk"} << QStringList{"a.apk", "b.apk"}
                                  << false;
    QTest::newRow("a folder") << QStringList{"d.apk/"} << QStringList{"d.apk"} << false;
    QTest::newRow("no such file") << none << QStringList{"gone.apk"} << false;
    QTest::newRow("remote file") << none << QStringList{"https://example.org/a.apk"} << false;
    QTest::newRow("no files") << none << none << false;
}

void TestDragDrop::recognisesOnePackageFile()
{
    QFETCH(QStringList, existing);
    QFETCH(QStringList, dragged);
    QFETCH(bool, accepted);
    QTemporaryDir dir;
    createAll(dir, existing);

    const QString package = droppedPackage(*filesDrag(dir, dragged));

    QCOMPARE(package, accepted ? dir.filePath(dragged.first()) : QString());
}

void TestDragDrop::dropInstallsAsTheDialogDoes_data()
{
    QTest::addColumn<QString>("target"); // empty: Install and its dialog
    QTest::addColumn<bool>("device");
    QTest::addColumn<QStringList>("calls");

    const QStringList installed{"devices", "devices", "ls", "install", "devices", "ls"};
    const QStringList noDevice{"devices"};
    QTest::newRow("dialog") << QString() << true << installed;
    QTest::newRow("drop on the list") << "list" << true << installed;
    QTest::newRow("drop on the status line") << "installStatus" << true << installed;
    QTest::newRow("dialog, no device") << QString() << false << noDevice;
    QTest::newRow("drop, no device") << "list" << false << noDevice;
}

void TestDragDrop::dropInstallsAsTheDialogDoes()
{
    QFETCH(QString, target);
    QFETCH(bool, device);
    QFETCH(QStringList, calls);
    FakeAdb adb;
    QVERIFY(adb.isReady());
    if (device)
        adb.attachDevice();
    adb.setListing({"base.apk"});
    adb.setOutput("install", "Performing Streamed Install\nSuccess\n");
    // Long enough to look at the window while the install is under way.
    adb.setOptions("install", "stall_ms=1000\n");
    QTemporaryDir dir;
    createAll(dir, {"new app.apk"});
    const QString path = dir.filePath("new app.apk");
    MainWindow window([&](QWidget *) { return QStringList{path}; });
    auto *installBtn = window.findChild<QPushButton *>("installBtn");
    auto *busy = window.findChild<QProgressBar *>("progressIndicator");

    if (target.isEmpty()) {
        installBtn->click();
    } else {
        const auto data = filesDrag(dir, {"new app.apk"});
        QVERIFY(dragEnters(dropTarget(window, target), *data));
        QVERIFY(drops(dropTarget(window, target), *data));
    }

    if (device) {
        QTRY_COMPARE(statusOf(window), QStringLiteral("Installing apk..."));
        QVERIFY(!installBtn->isEnabled());
        QVERIFY(!busy->isHidden());
        QTRY_COMPARE(statusOf(window), QStringLiteral("Apk installed successfully."));
        QCOMPARE(adb.calls("install").first().arguments, (QStringList{"install", path}));
    } else {
        QTRY_COMPARE(statusOf(window), QStringLiteral("Device not available."));
    }
    QVERIFY(installBtn->isEnabled());
    QVERIFY(busy->isHidden());
    QCOMPARE(firstArguments(adb.calls()), calls);
}

void TestDragDrop::refusesOtherDrops_data()
{
    QTest::addColumn<QStringList>("dragged");
    QTest::addColumn<bool>("duringInstall");
    QTest::addColumn<bool>("enteredBefore"); // the drag came in before the install started

    QTest::newRow("text file") << QStringList{"notes.txt"} << false << false;
    QTest::newRow("two packages") << QStringList{"a.apk", "b.apk"} << false << false;
    QTest::newRow("a package during an install") << QStringList{"b.apk"} << true << false;
    QTest::newRow("a package moving on after an install started")
        << QStringList{"b.apk"} << true << true;
}

void TestDragDrop::refusesOtherDrops()
{
    QFETCH(QStringList, dragged);
    QFETCH(bool, duringInstall);
    QFETCH(bool, enteredBefore);
    FakeAdb adb;
    QVERIFY(adb.isReady());
    adb.attachDevice();
    QTemporaryDir dir;
    createAll(dir, {"a.apk", "b.apk", "notes.txt"});
    MainWindow window([&](QWidget *) { return QStringList{dir.filePath("a.apk")}; });
    auto *installBtn = window.findChild<QPushButton *>("installBtn");
    QWidget *list = dropTarget(window, "list");
    const auto data = filesDrag(dir, dragged);
    if (enteredBefore)
        QVERIFY(dragEnters(list, *data));
    // The worker reports through the event queue, so the install is under way, whatever its
    // thread has done, until the events below are processed.
    if (duringInstall) {
        installBtn->click();
        QVERIFY(!installBtn->isEnabled());
    }

    if (enteredBefore)
        QVERIFY(!dragMoves(list, *data));
    else
        QVERIFY(!dragEnters(list, *data));
    QVERIFY(!drops(list, *data));

    // Once the worker has run, every call is in: those of the one install, and no more.
    if (duringInstall) {
        QTRY_COMPARE(statusOf(window), QStringLiteral("Apk installation failed."));
        QVERIFY(installBtn->isEnabled());
    }
    QCoreApplication::processEvents();
    const QStringList install{"devices", "devices", "ls", "install"};
    QCOMPARE(firstArguments(adb.calls()), duringInstall ? install : QStringList());
}

QTEST_MAIN(TestDragDrop)
#include "tst_dragdrop.moc"
