#include "windowdriver.h"

#include <QApplication>
#include <QHeaderView>
#include <QTabBar>
#include <QTest>
#include <QTimer>

WindowDriver::WindowDriver(MainWindow &window)
    : window(window)
{}

QPushButton *WindowDriver::button(const QString &name) const
{
    return window.findChild<QPushButton *>(name);
}

void WindowDriver::click(const QString &buttonName)
{
    QTest::mouseClick(button(buttonName), Qt::LeftButton);
}

QTableView *WindowDriver::table() const
{
    return window.findChild<QTableView *>(QStringLiteral("tableView"));
}

void WindowDriver::clickRow(int row)
{
    QTableView *view = table();
    view->scrollTo(view->model()->index(row, 0));
    const QRect cell = view->visualRect(view->model()->index(row, 0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cell.center());
}

void WindowDriver::clickHeader()
{
    QHeaderView *header = table()->horizontalHeader();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(0) + 10, header->height() / 2));
}

void WindowDriver::clickTab(int index)
{
    auto *tabs = window.findChild<QTabBar *>(QStringLiteral("viewTabs"));
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(index).center());
}

void WindowDriver::whenDialogShows(std::function<void(QWidget &dialog)> answer)
{
    auto *poll = new QTimer(&window);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, answer = std::move(answer)] {
        QWidget *dialog = QApplication::activeModalWidget();
        if (!dialog)
            return;
        poll->stop();
        poll->deleteLater();
        answer(*dialog);
    });
    poll->start(10);
}

QString WindowDriver::status() const
{
    return window.findChild<QLineEdit *>(QStringLiteral("installStatus"))->text();
}

QString WindowDriver::selectedApp() const
{
    return window.findChild<QLineEdit *>(QStringLiteral("selectedApp"))->text();
}

QStringList WindowDriver::shownEntries() const
{
    const QAbstractItemModel *model = table()->model();
    QStringList entries;
    for (int row = 0; row < model->rowCount(); ++row)
        entries.append(model->index(row, 0).data().toString());
    return entries;
}

bool WindowDriver::busy() const
{
    return !window.findChild<QProgressBar *>(QStringLiteral("progressIndicator"))->isHidden();
}

bool WindowDriver::buttonsEnabled() const
{
    const QStringList names{"refreshBtn", "installBtn", "removeBtn"};
    return std::all_of(names.cbegin(), names.cend(),
                       [this](const QString &name) { return button(name)->isEnabled(); });
}
