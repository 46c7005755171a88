#include "window/mainwindow.h"

#include "device/logfeed.h"
#include "install/packagedrop.h"
#include "ui_mainwindow.h"

#include <QDir>
#include <QDropEvent>
#include <QFileDialog>
#include <QHeaderView>
#include <QKeyEvent>
#include <QShortcut>

MainWindow::MainWindow(Controller::FileChooser chooser, QWidget *parent)
    : QMainWindow(parent)
    , ui(std::make_unique<Ui::MainWindow>())
{
    ui->setupUi(this);
    // Keep the layout still while the busy bar comes and goes.
    QSizePolicy barPolicy = ui->progressIndicator->sizePolicy();
    barPolicy.setRetainSizeWhenHidden(true);
    ui->progressIndicator->setSizePolicy(barPolicy);

    // Before the controller, so the log view has everything from the first action on.
    logFeed = new LogFeed(this);
    ui->toolLog->setMaximumBlockCount(LogFeed::keptLines);
    connect(logFeed, &LogFeed::linesAdded, this, &MainWindow::appendToLog);
    connect(ui->logBtn, &QPushButton::toggled, ui->toolLog, &QWidget::setVisible);
    ui->toolLog->installEventFilter(this);

    // The window starts on the package files; the tab texts are also what screen readers say.
    ui->viewTabs->addTab(tr("&Package files"));
    ui->viewTabs->addTab(tr("&Apps"));

    control = new Controller(*ui, chooser ? std::move(chooser) : choosePackageFile, this);

    // The list starts in listing order; a click on the header sorts it.
    ui->tableView->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    ui->tableView->setSortingEnabled(true);
    // Fitting the Apps view's name column to its names measures this many rows, those on screen
    // first: a fair width, at a cost that does not grow with thousands of apps.
    ui->tableView->horizontalHeader()->setResizeContentsPrecision(100);

    addShortcut(Qt::Key_F5, ui->refreshBtn, this);
    addShortcut(Qt::CTRL | Qt::Key_R, ui->refreshBtn, this);
    addShortcut(QKeySequence::Open, ui->installBtn, this);
    addShortcut(QKeySequence::Delete, ui->removeBtn, ui->tableView);
    addShortcut(QKeySequence::Save, ui->saveBtn, this);
    addShortcut(Qt::CTRL | Qt::Key_L, ui->logBtn, this);
    addShortcut(Qt::Key_Escape, ui->cancelBtn, this);
    auto *findShortcut = new QShortcut(QKeySequence::Find, this);
    connect(findShortcut, &QShortcut::activated, this, [this] {
        if (ui->filter->isVisible()) {
            ui->filter->setFocus(Qt::ShortcutFocusReason);
            ui->filter->selectAll();
        }
    });
    ui->filter->installEventFilter(this);
    setAcceptDrops(true);
    // Queued, so the drop completes first and the file manager is not held up by the device check.
    connect(this, &MainWindow::packageDropped, control, &Controller::installFile,
            Qt::QueuedConnection);
}

MainWindow::~MainWindow() = default;

void MainWindow::addShortcut(const QKeySequence &keys, QPushButton *button, QWidget *scope)
{
    // A shortcut on the whole window, or only while `scope` has the focus (Delete must not remove
    // a package while the user is in a text field).
    auto *shortcut = new QShortcut(keys, scope);
    shortcut->setContext(scope == this ? Qt::WindowShortcut : Qt::WidgetShortcut);
    // Pressing the button, rather than calling the action, shows the press and does nothing
    // while the button is disabled.
    connect(shortcut, &QShortcut::activated, button, &QPushButton::animateClick);
}

void MainWindow::appendToLog(const QStringList &lines)
{
    // Laying lines out in a document is what the log costs, and a hidden view needs no layout.
    if (ui->toolLog->isHidden()) {
        waitingLog += lines;
        if (waitingLog.size() > LogFeed::keptLines)
            waitingLog.remove(0, waitingLog.size() - LogFeed::keptLines);
        return;
    }
    ui->toolLog->appendPlainText(lines.join(QLatin1Char('\n')));
}

void MainWindow::showWaitingLog()
{
    if (!waitingLog.isEmpty())
        ui->toolLog->appendPlainText(std::exchange(waitingLog, {}).join(QLatin1Char('\n')));
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    // Sent whenever the view is made visible, before it is drawn, also in a window not yet shown.
    if (watched == ui->toolLog && event->type() == QEvent::ShowToParent)
        showWaitingLog();
    if (watched == ui->filter && clearsFilter(event)) {
        // Claiming the key from the window's Cancel shortcut makes it reach the filter.
        event->accept();
        if (event->type() == QEvent::KeyPress)
            ui->filter->clear();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

bool MainWindow::clearsFilter(QEvent *event) const
{
    if (event->type() != QEvent::ShortcutOverride && event->type() != QEvent::KeyPress)
        return false;
    const auto *key = static_cast<QKeyEvent *>(event);
    return key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier &&
           !ui->filter->text().isEmpty();
}

QString MainWindow::acceptablePackage(const QDropEvent &event) const
{
    // A disabled Install button means an install is under way; a drop is one more Install.
    if (!ui->installBtn->isEnabled())
        return {};
    return droppedPackage(*event.mimeData());
}

void MainWindow::answerDrag(QDragMoveEvent *event) const
{
    if (acceptablePackage(*event).isEmpty())
        event->ignore();
    else
        event->acceptProposedAction();
}

void MainWindow::dragEnterEvent(QDragEnterEvent *event)
{
    answerDrag(event);
}

// Asked again on every move: an install may have started since the drag came in.
void MainWindow::dragMoveEvent(QDragMoveEvent *event)
{
    answerDrag(event);
}

void MainWindow::dropEvent(QDropEvent *event)
{
    const QString path = acceptablePackage(*event);
    if (path.isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    emit packageDropped(path);
}

QStringList choosePackageFile(QWidget *parent)
{
    const QString path = QFileDialog::getOpenFileName(
        parent, QObject::tr("Install package"), QDir::homePath(),
        QObject::tr("Android packages (*.apk *.apk.zip *.apks *.xapk *.apkm)"));
    return path.isEmpty() ? QStringList() : QStringList{path};
}
