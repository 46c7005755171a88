#pragma once

#include "labels/devicelocale.h"

#include <QByteArrayView>
#include <QString>

// An app's name, or why it has none we can show.
struct LabelResult
{
    QString label;  // safe to show; empty when there is none
    QString reason; // when there is none: a sentence for a tooltip
    QString detail; // what exactly was wrong, for the log
};

// The label of the app whose binary manifest and resource table are given, in `locale`, made safe
// to show. `table` may be empty when the manifest names its label as plain text.
LabelResult readLabel(QByteArrayView manifest, QByteArrayView table, const Locale &locale);
