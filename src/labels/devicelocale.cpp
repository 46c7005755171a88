#include "labels/devicelocale.h"

#include "device/deviceprops.h"

#include <QRegularExpression>

namespace {

bool isLetters(QStringView text)
{
    for (QChar c : text) {
        if (!(c >= QLatin1Char('a') && c <= QLatin1Char('z')) &&
            !(c >= QLatin1Char('A') && c <= QLatin1Char('Z')))
            return false;
    }
    return true;
}

bool isDigits(QStringView text)
{
    for (QChar c : text) {
        if (!c.isDigit() || c.unicode() > 0x7f)
            return false;
    }
    return true;
}

QString joined(const QHash<QString, QString> &properties, const char *language, const char *region)
{
    const QString first = properties.value(QLatin1String(language)).trimmed();
    const QString second = properties.value(QLatin1String(region)).trimmed();
    return second.isEmpty() || first.isEmpty() ? first : first + QLatin1Char('-') + second;
}

} // namespace

Locale localeFromTag(QStringView tag)
{
    static const QRegularExpression separators(QStringLiteral("[-_]"));
    const QStringList parts = tag.trimmed().toString().split(separators);
    const QString language = parts.value(0).toLower();
    if (language.size() < 2 || language.size() > 3 || !isLetters(language) ||
        language == QLatin1String("und"))
        return {};
    Locale locale{language, {}};
    for (qsizetype i = 1; i < parts.size() && locale.region.isEmpty(); ++i) {
        const QString &part = parts[i];
        if ((part.size() == 2 && isLetters(part)) || (part.size() == 3 && isDigits(part)))
            locale.region = part.toUpper();
        else if (part.size() != 4) // a script ("Hant") may stand before the region, nothing else
            break;
    }
    return locale;
}

Locale localeFromProperties(const QHash<QString, QString> &properties)
{
    // The user's choice first, in the current property and then the old pair (which 6.0 and later
    // move into the current one at boot and clear), then the factory's.
    const QString tags[] = {
        properties.value(QStringLiteral("persist.sys.locale")).trimmed(),
        joined(properties, "persist.sys.language", "persist.sys.country"),
        properties.value(QStringLiteral("ro.product.locale")).trimmed(),
        joined(properties, "ro.product.locale.language", "ro.product.locale.region"),
    };
    for (const QString &tag : tags) {
        if (!tag.isEmpty())
            return localeFromTag(tag);
    }
    return {};
}

Locale localeFromGetprop(const QStringList &lines)
{
    return localeFromProperties(propertiesFromGetprop(lines));
}
