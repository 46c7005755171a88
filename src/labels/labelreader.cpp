#include "labels/labelreader.h"

#include "labels/binaryxml.h"
#include "labels/labeltext.h"
#include "labels/resourcetable.h"

namespace {

LabelResult none(const char *reason, const QString &detail = {})
{
    return {{}, QString::fromLatin1(reason), detail};
}

LabelResult shown(const QString &text)
{
    const QString label = displayLabel(text);
    return label.isEmpty() ? none("The app's label is empty.") : LabelResult{label, {}, {}};
}

LabelResult fromTable(const TableString &found)
{
    switch (found.problem) {
    case TableProblem::None:
        return shown(found.text);
    case TableProblem::Damaged:
        return none("The app's resource table is damaged.", found.detail);
    case TableProblem::Missing:
        return none("The app's label is missing from its resources.", found.detail);
    case TableProblem::NotText:
        return none("The app's label is not text.", found.detail);
    case TableProblem::TooDeep:
        return none("The app's label refers in a loop.", found.detail);
    }
    return none("The app's resource table is damaged.");
}

} // namespace

LabelResult readLabel(QByteArrayView manifest, QByteArrayView table, const Locale &locale,
                      const QString &tableError)
{
    const Parsed<ManifestLabel> label = readManifestLabel(manifest);
    if (!label.ok())
        return none("The app's manifest is damaged.", label.error);
    switch (label.value.kind) {
    case ManifestLabel::None:
        return none("The app names no label.");
    case ManifestLabel::Text:
        return shown(label.value.text);
    case ManifestLabel::NotText:
        return none("The app's label is not text.");
    case ManifestLabel::Reference:
        break;
    }
    if (!tableError.isEmpty())
        return none("The app's resource table could not be read: it is damaged or too large.",
                    tableError);
    if (table.isEmpty())
        return none("The app has no resource table.");
    return fromTable(lookUpString(table, label.value.id, locale));
}
