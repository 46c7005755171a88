#pragma once

#include "apps/appactions.h"
#include "outcomes/batchtexts.h"

#include <QList>
#include <QObject>
#include <memory>

class AppsController;
class DeviceStatus;
class QWidget;
struct AppListing;
struct ToolRun;

// One action done to several apps at once in the Apps view: one confirmation that lists them, a
// second one for critical apps, then one run per app through the queue (Cancel stops after the
// run under way, a refusal does not stop the rest), and a fresh list that judges every app.
class AppBatch : public QObject
{
    Q_OBJECT

public:
    AppBatch(DeviceStatus &device, AppsController &apps, QWidget *dialogParent,
             QObject *parent = nullptr);

    // Does `action` to `selected` once the user has confirmed it; nothing when none is selected.
    void run(AppAction action, const QList<AppRow> &selected);

    // What the queue's job hands back: each app's run, its end as reported, and the fresh list.
    struct Ran
    {
        QList<AppResult> results;
        QList<ToolRun> runs;
        std::shared_ptr<AppListing> fresh;
    };

private:
    // Both confirmations; true when the user agreed to every one.
    bool confirm(AppAction action, const QList<AppRow> &selected) const;
    void ended(AppAction action, const QList<AppRow> &selected, Ran ran);

    DeviceStatus &device;
    AppsController &apps;
    QWidget *dialogParent;
};

// Whether `after` (nothing: gone from the list) shows `action` done to the app.
bool showsDone(AppAction action, const std::optional<AppRow> &after);
