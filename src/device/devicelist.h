#pragma once

#include <QStringList>
#include <optional>

// Reads the output of "adb devices".
//
// A header line (one that contains "List") never counts. A line "<serial> TAB <state> ..." counts
// only when its state word is exactly "device", so offline, unauthorized and no-permission devices
// are passed over. A line without a TAB counts when it contains "device"; its serial is the whole
// line. Letter case matters everywhere.

// The serials of the usable devices, in the order adb lists them.
QStringList usableDevices(const QStringList &lines);
// The device to work on among the `usable` ones: the user's `chosen` one while it is usable,
// otherwise the first. Nothing when none is usable.
std::optional<QString> pickDevice(const QStringList &usable, const QString &chosen);

struct DeviceLine
{
    QString serial;
    QString state; // all that follows the TAB, e.g. "unauthorized" or "no permissions (...)"
};
// The device lines (those with a TAB, header aside) whose device cannot be used, in adb's order.
QList<DeviceLine> unusableDevices(const QStringList &lines);
