#pragma once

#include <QIcon>
#include <QString>

// The application's icon: the icon theme's icon named `id`, or, when no theme has one, the raster
// at `fallbackPath`. Neither is looked for until the icon is first drawn or measured, which is not
// on the way to the first frame: where the desktop takes the icon from the desktop entry, never.
QIcon applicationIcon(const QString &id, const QString &fallbackPath);
