// The Controller's part for the Apps view's actions on the selected apps: which apply, the
// buttons, the context menu on the rows, and the switch between third-party and system apps.
#include "apps/appactions.h"
#include "apps/installedapps.h"
#include "table/texttable.h"
#include "ui_mainwindow.h"
#include "window/appbatch.h"
#include "window/appscontroller.h"
#include "window/controller.h"
#include "window/devicestatus.h"

#include <QCheckBox>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <algorithm>

void Controller::wireAppActions()
{
    connect(disableBtn, &QPushButton::clicked, this, [this] {
        stopDetails();
        const QList<AppRow> selected = apps->appsAt(selectedRows());
        batch->run(disableOrEnable(selected), selected);
    });
    connect(restoreBtn, &QPushButton::clicked, this, [this] {
        stopDetails();
        batch->run(AppAction::Restore, apps->appsAt(selectedRows()));
    });
    connect(systemAppsBox, &QCheckBox::toggled, this, [this](bool shown) {
        apps->showSystemApps(shown);
        tableView->setAccessibleDescription(
            shown ? tr("Every app of the device's user, with those removed for it")
                  : tr("Third-party apps on the device, as its package manager lists them"));
        if (view == View::Apps)
            getApps();
    });
    // A refresh empties the list without a selection change: the buttons follow it all the same.
    connect(apps->model()->arranged(), &QAbstractItemModel::modelReset, this,
            &Controller::updateActions);
    tableView->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(tableView, &QWidget::customContextMenuRequested, this, &Controller::showAppsMenu);
}

QList<int> Controller::selectedRows() const
{
    QList<int> rows;
    for (const QModelIndex &index : tableView->selectionModel()->selectedRows())
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void Controller::updateAppActions(bool busy)
{
    if (view != View::Apps)
        return;
    const QList<AppRow> selected = list.appsLoaded ? apps->appsAt(selectedRows()) : QList<AppRow>();
    const int sdk = apps->sdk();
    const AppAction toggle = disableOrEnable(selected);
    disableBtn->setText(toggle == AppAction::Enable ? tr("&Enable") : tr("Disa&ble"));
    disableBtn->setAccessibleName(toggle == AppAction::Enable ? tr("Enable") : tr("Disable"));
    disableBtn->setEnabled(!busy && appliesToAll(toggle, selected, sdk));
    restoreBtn->setEnabled(!busy && appliesToAll(AppAction::Restore, selected, sdk));
    // With nothing selected Uninstall stays as it was, a press that does nothing.
    if (!selected.isEmpty())
        removeBtn->setEnabled(!busy && appliesToAll(AppAction::Uninstall, selected, sdk));
    systemAppsBox->setEnabled(!busy);
}

void Controller::showAppsMenu(const QPoint &at)
{
    if (view != View::Apps || !tableView->indexAt(at).isValid())
        return;
    QMenu menu(tableView);
    for (QPushButton *button : {removeBtn, disableBtn, restoreBtn}) {
        QAction *action = menu.addAction(button->text());
        action->setEnabled(button->isEnabled());
        connect(action, &QAction::triggered, button, &QPushButton::click);
    }
    menu.exec(tableView->viewport()->mapToGlobal(at));
}
