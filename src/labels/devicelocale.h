#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

// A locale as resource tables name them: language "de" (lower case; two or three letters) and
// region "CH" (upper case, or three digits), either of them empty.
struct Locale
{
    QString language;
    QString region;
};

// The locale a tag names: "de-CH", "de_CH", "zh-Hant-TW" (the script is left out), "en"; an empty
// locale for an empty tag, "und", or one whose language is not two or three letters.
Locale localeFromTag(QStringView tag);

// The device's locale from its properties: persist.sys.locale, else persist.sys.language with
// persist.sys.country, else ro.product.locale, else ro.product.locale.language with
// ro.product.locale.region. Empty when none is set: tables then give their default strings.
Locale localeFromProperties(const QHash<QString, QString> &properties);

// The same from the lines `getprop` prints ("[name]: [value]").
Locale localeFromGetprop(const QStringList &lines);
