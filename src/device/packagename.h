#pragma once

#include <QStringView>

// Whether `name` can be a package name: segments of an ASCII letter followed by letters, digits
// or '_', joined by '.'. Such a name needs no quoting in a shell and holds no option or space.
bool isPackageName(QStringView name);
