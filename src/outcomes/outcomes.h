#pragma once

#include <QString>
#include <QStringList>

struct ToolRun;

// What the tool's lines say of how an action ended. Outcomes are read from what was printed,
// never from an exit status.

// Whether an install output line reports success. Each of `paths` (the chosen one, the one given to
// adb) and its file name are taken out first: adb echoes them in progress lines, and a folder
// called "Success" is no success.
bool reportsSuccess(QString line, const QStringList &paths);

// Whether "pm uninstall" reported success: a line on either stream that starts with "Success".
bool reportsUninstalled(const ToolRun &run);
