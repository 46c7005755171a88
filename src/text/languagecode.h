#pragma once

#include <QString>

// The language of a locale or language qualifier, in lower case: "pt-BR", "pt_BR", "pt-rBR" and
// "PT" all give "pt". The old codes Android still uses for three languages are mapped to the
// current ones ("iw" -> "he", "in" -> "id", "ji" -> "yi"), so either spelling matches the other.
QString languageOf(const QString &locale);
