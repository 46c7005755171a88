#pragma once

#include "apps/appactions.h"

#include <QList>
#include <QString>

// The texts of an action done to several apps at once: the confirmations, the busy text, the end
// status and the detail that lists every app that did not change.

struct BatchApp
{
    QString name;  // the package name
    QString label; // what the app calls itself; empty when not known
};

enum class AppEnd { Changed, Refused, NotDone };

struct AppResult
{
    BatchApp app;
    AppEnd end = AppEnd::NotDone;
    QString why; // for Refused and NotDone
};

// The first confirmation: the action and the apps, by label where known, then package name; at
// most 20 are named, then "and N more". With `anySystem`, the warning that removing system apps
// can stop the phone from working (Uninstall only).
QString confirmationText(AppAction action, const QList<BatchApp> &apps, bool anySystem);

// The second confirmation, for the apps that are critical (each with its reason, see
// criticalReason): names each and its risk.
QString criticalConfirmation(AppAction action, const QList<std::pair<BatchApp, QString>> &apps);

// The busy bar's text while the `number`th of `total` apps is handled: "Uninstalling 3 of 12:
// <name>".
QString busyText(AppAction action, int number, int total, const BatchApp &app);

// The status at the end: "N of M uninstalled" (disabled, enabled, restored).
QString endStatus(AppAction action, const QList<AppResult> &results);

// The detail at the end: one line for each app that did not change, with why; empty when every
// app changed.
QString batchDetail(const QList<AppResult> &results);

// Marks every result from `from` on that has not ended as not done, with `why`: a batch that
// stops half way (cancelled, or the device gone) reports the rest that way.
void markRestNotDone(QList<AppResult> &results, qsizetype from, const QString &why);
