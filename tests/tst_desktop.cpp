#include "fakeadb.h"
#include "window/appicon.h"
#include "window/elidinglabel.h"
#include "window/mainwindow.h"

#include <QAccessible>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <map>
#include <memory>

namespace {

// The first object under `root` in the accessibility tree that has this name.
QAccessibleInterface *findByName(QAccessibleInterface *root, const QString &name)
{
    if (!root)
        return nullptr;
    if (root->text(QAccessible::Name) == name)
        return root;
    for (int i = 0; i < root->childCount(); ++i) {
        if (QAccessibleInterface *found = findByName(root->child(i), name))
            return found;
    }
    return nullptr;
}

} // namespace

class TestDesktop : public QObject
{
    Q_OBJECT

private slots:
    void keysPressTheButtons_data();
    void keysPressTheButtons();
    void accessibleByName_data();
    void accessibleByName();
    void busyTextKeepsItsFigures_data();
    void busyTextKeepsItsFigures();
    void mnemonicsDoNotClash_data();
    void mnemonicsDoNotClash();
    void iconFallsBackToTheRaster();
};

void TestDesktop::keysPressTheButtons_data()
{
    QTest::addColumn<QKeySequence>("keys");
    QTest::addColumn<QString>("focus");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<QString>("pressed"); // empty: none

    QTest::newRow("F5") << QKeySequence(Qt::Key_F5) << "refreshBtn" << true << "refreshBtn";
    QTest::newRow("Ctrl+R") << QKeySequence("Ctrl+R") << "installStatus" << true << "refreshBtn";
    QTest::newRow("Ctrl+O") << QKeySequence("Ctrl+O") << "tableView" << true << "installBtn";
    QTest::newRow("Alt+R") << QKeySequence("Alt+R") << "tableView" << true << "refreshBtn";
    QTest::newRow("Alt+I") << QKeySequence("Alt+I") << "tableView" << true << "installBtn";
    QTest::newRow("Alt+M") << QKeySequence("Alt+M") << "tableView" << true << "removeBtn";
    QTest::newRow("Delete in the list")
        << QKeySequence(QKeySequence::Delete) << "tableView" << true << "removeBtn";
    QTest::newRow("Delete in the selected-app field")
        << QKeySequence(QKeySequence::Delete) << "selectedApp" << true << QString();
    QTest::newRow("F5 while the buttons are disabled")
        << QKeySequence(Qt::Key_F5) << "tableView" << false << QString();
    QTest::newRow("Ctrl+O while the buttons are disabled")
        << QKeySequence("Ctrl+O") << "tableView" << false << QString();
    QTest::newRow("Ctrl+L while the buttons are disabled")
        << QKeySequence("Ctrl+L") << "tableView" << false << "logBtn";
}

void TestDesktop::keysPressTheButtons()
{
    QFETCH(QKeySequence, keys);
    QFETCH(QString, focus);
    QFETCH(bool, enabled);
    QFETCH(QString, pressed);
    FakeAdb adb; // no device: every action stops at the device check
    QVERIFY(adb.isReady());
    MainWindow window([](QWidget *) { return QStringList(); });
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    window.controller()->changeBtnStatus(enabled);
    QWidget *focusWidget = window.findChild<QWidget *>(focus);
    focusWidget->setFocus();
    QTRY_VERIFY(focusWidget->hasFocus());
    std::map<QString, std::unique_ptr<QSignalSpy>> spies;
    for (QPushButton *button : window.findChildren<QPushButton *>())
        spies[button->objectName()] = std::make_unique<QSignalSpy>(button, &QPushButton::clicked);

    QTest::keySequence(focusWidget, keys);

    // A shortcut presses its button at once, and the button reports the click a moment later.
    for (const auto &[name, spy] : spies)
        QCOMPARE(window.findChild<QPushButton *>(name)->isDown(), name == pressed);
    for (const auto &[name, spy] : spies)
        QTRY_COMPARE(spy->count(), name == pressed ? 1 : 0);
}

void TestDesktop::accessibleByName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QAccessible::Role>("role");

    QTest::newRow("Refresh") << "Refresh" << QAccessible::Button;
    QTest::newRow("Install") << "Install" << QAccessible::Button;
    QTest::newRow("Remove") << "Remove" << QAccessible::Button;
    QTest::newRow("status line") << "installStatus" << QAccessible::EditableText;
    QTest::newRow("selected-app field") << "selectedApp" << QAccessible::EditableText;
    QTest::newRow("list") << "tableView" << QAccessible::Table;
    QTest::newRow("busy bar") << "progressIndicator" << QAccessible::ProgressBar;
    // A toggle: Qt announces it with its checked state, as a check box.
    QTest::newRow("Log") << "Log" << QAccessible::CheckBox;
    QTest::newRow("log view") << "toolLog" << QAccessible::EditableText;
}

void TestDesktop::accessibleByName()
{
    QFETCH(QString, name);
    QFETCH(QAccessible::Role, role);
    MainWindow window;
    window.show(); // the busy bar is hidden until an action runs: it is found all the same
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QAccessibleInterface *found = findByName(QAccessible::queryAccessibleInterface(&window), name);

    QVERIFY2(found, qPrintable(name));
    QCOMPARE(found->role(), role);
    // A screen reader says what the widget is for, not only what it is called.
    QVERIFY(!found->text(QAccessible::Description).isEmpty());
}

void TestDesktop::busyTextKeepsItsFigures_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("kept"); // what the cut text still ends with, or starts with
    QTest::newRow("sending: the figures stay")
        << "Sending A rather long file name.apk: 45 of 120 MB"
        << ": 45 of 120 MB";
    QTest::newRow("a batch: its count stays") << "Uninstalling 3 of 12: A long app label here"
                                              << "Uninstalling 3 of 12: ";
    QTest::newRow("names read: the count stays") << "Reading app names: 17 of 300"
                                                 << ": 17 of 300";
}

// A busy text too long for its room is cut where it tells the least: never the figures.
void TestDesktop::busyTextKeepsItsFigures()
{
    QFETCH(QString, text);
    QFETCH(QString, kept);
    const QFontMetrics metrics(QApplication::font());
    const int width = metrics.horizontalAdvance(kept) + metrics.horizontalAdvance("Wwwww\u2026");
    const QString fitted = fittedBusyText(text, metrics, width);
    QVERIFY2(metrics.horizontalAdvance(fitted) <= width, qPrintable(fitted));
    QVERIFY2(fitted.contains(QChar(0x2026)), qPrintable(fitted));
    QVERIFY2(fitted.endsWith(kept) || fitted.startsWith(kept), qPrintable(fitted));
    QCOMPARE(fittedBusyText(text, metrics, metrics.horizontalAdvance(text)), text);
}

void TestDesktop::mnemonicsDoNotClash_data()
{
    QTest::addColumn<int>("view");
    QTest::newRow("package files") << 0;
    QTest::newRow("apps") << 1;
}

// Two visible controls with the same Alt letter make that key cycle between them instead of
// pressing either: each letter belongs to one control of a view.
void TestDesktop::mnemonicsDoNotClash()
{
    QFETCH(int, view);
    FakeAdb adb;
    QVERIFY(adb.isReady());
    adb.attachDevice();
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto *tabs = window.findChild<QTabBar *>();
    tabs->setCurrentIndex(view);
    QStringList texts;
    for (int i = 0; i < tabs->count(); ++i)
        texts << tabs->tabText(i);
    for (const QAbstractButton *button : window.findChildren<QAbstractButton *>()) {
        if (button->isVisible())
            texts << button->text();
    }
    for (const QLabel *label : window.findChildren<QLabel *>()) {
        if (label->isVisible() && label->buddy())
            texts << label->text();
    }
    std::map<QString, QString> owners;
    for (const QString &text : texts) {
        const QString key = QKeySequence::mnemonic(text).toString();
        if (key.isEmpty())
            continue;
        const auto [at, added] = owners.emplace(key, text);
        QVERIFY2(added, qPrintable(key + ": " + at->second + " and " + text));
    }
}

// No icon theme has the application's icon here: the raster beside the program is the icon, and
// without it nothing is drawn.
void TestDesktop::iconFallsBackToTheRaster()
{
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString raster = folder.filePath("icon.png");
    QImage image(48, 48, QImage::Format_ARGB32);
    image.fill(Qt::darkGreen);
    QVERIFY(image.save(raster));
    const QString id = "org.example.apkshelf-in-no-theme";

    const QIcon icon = applicationIcon(id, raster);
    const QIcon none = applicationIcon(id, folder.filePath("missing.png"));

    QVERIFY(!icon.isNull());
    QCOMPARE(icon.availableSizes(), QList<QSize>{QSize(48, 48)});
    QCOMPARE(icon.pixmap(48).toImage().pixelColor(24, 24), QColor(Qt::darkGreen));
    QVERIFY(none.pixmap(48).isNull());
}

QTEST_MAIN(TestDesktop)
#include "tst_desktop.moc"
