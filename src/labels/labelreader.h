#pragma once

#include "labels/devicelocale.h"

#include <QByteArrayView>
#include <QString>

// The entries of an APK that name the app, and the most of each we inflate: beyond these a file is
// taken as hostile (a table holds every translation, so it may be large).
inline constexpr char ManifestEntry[] = "AndroidManifest.xml";
inline constexpr char TableEntry[] = "resources.arsc";
constexpr qint64 LargestManifest = 4 << 20;
constexpr qint64 LargestTable = 16 << 20;

// An app's name, or why it has none we can show.
struct LabelResult
{
    QString label;  // safe to show; empty when there is none
    QString reason; // when there is none: a sentence for a tooltip
    QString detail; // what exactly was wrong, for the log
};

// The label of the app whose binary manifest and resource table are given, in `locale`, made safe
// to show. `table` may be empty when the manifest names its label as plain text. `tableError` says
// why the APK's resource table could not be read (damaged, or larger than we inflate) when it has
// one: a label that refers into it then says so, rather than that the app has no table.
LabelResult readLabel(QByteArrayView manifest, QByteArrayView table, const Locale &locale,
                      const QString &tableError = {});
