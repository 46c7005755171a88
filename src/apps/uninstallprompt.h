#pragma once

#include <QString>

class QWidget;

// What the user answered when asked to uninstall an app.
struct UninstallChoice
{
    bool confirmed = false;
    bool keepData = false; // uninstall with "pm uninstall -k": the app's data stays on the device
};

// Asks, in a modal dialog over `parent`, whether to uninstall the app `name` from the device
// `serial`, and whether to keep its data. Cancel is the default button, and what Escape and
// closing the dialog answer.
UninstallChoice askToUninstall(QWidget *parent, const QString &name, const QString &serial);
