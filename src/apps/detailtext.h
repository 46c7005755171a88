#pragma once

#include <QDate>
#include <QString>
#include <QStringView>
#include <optional>

// Texts of the Apps view's detail columns, from what the device told.

// `text` fit to be shown: control characters and bidirectional overrides and isolates removed (a
// hostile app could reorder or hide what is shown next to it), cut at `limit` characters without
// splitting a surrogate pair.
QString displayText(QStringView text, qsizetype limit = 100);

// The local date of a dump's time text "yyyy-MM-dd HH:mm:ss" (the phone's own time zone, shown as
// it is); invalid when the text is not one.
QDate dumpDate(QStringView time);

// The Version column's tooltip: "version code N"; empty without one.
QString versionTooltip(std::optional<qint64> versionCode);

// A size in bytes in MB with one decimal, "12.3 MB" (MB = 1,000,000 bytes, as the device's
// settings count them); empty when unknown (negative).
QString sizeText(qint64 bytes);
