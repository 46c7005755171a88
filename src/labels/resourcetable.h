#pragma once

#include "labels/devicelocale.h"
#include "labels/lebytes.h"

// Why a string could not be taken from a resource table.
enum class TableProblem { None, Damaged, Missing, NotText, TooDeep };

struct TableString
{
    QString text;
    TableProblem problem = TableProblem::None;
    QString detail; // what was wrong, for the log
};

// The string resource `id` (0xPPTTEEEE) in `table` (a resources.arsc) for `locale`: from the
// configuration with the locale's language and region, else its language alone, else the language
// in another region, else no locale; among equals, one with no other qualifier. References are
// followed a few steps at most. Damaged when a chunk, an entry index, an entry or the string it
// names does not fit.
TableString lookUpString(QByteArrayView table, quint32 id, const Locale &locale);
