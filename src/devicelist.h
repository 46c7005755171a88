#pragma once

#include <QStringList>
#include <optional>

// Reads the output of "adb devices" and gives the serial of the first usable device.
//
// A header line (one that contains "List") never counts. A line "<serial> TAB <state> ..." counts
// only when its state word is exactly "device", so offline, unauthorized and no-permission devices
// are passed over. A line without a TAB counts when it contains "device"; its serial is the whole
// line. Letter case matters everywhere.
std::optional<QString> firstUsableDevice(const QStringList &lines);
