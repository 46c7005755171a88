#include "text/languagecode.h"

#include <QHash>

QString languageOf(const QString &locale)
{
    QString language = locale.section(QLatin1Char('-'), 0, 0).section(QLatin1Char('_'), 0, 0);
    language = language.toLower();
    static const QHash<QString, QString> current{{QStringLiteral("iw"), QStringLiteral("he")},
                                                 {QStringLiteral("in"), QStringLiteral("id")},
                                                 {QStringLiteral("ji"), QStringLiteral("yi")}};
    return current.value(language, language);
}
