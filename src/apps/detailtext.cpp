#include "apps/detailtext.h"

#include <QLocale>

namespace {

bool hidden(char32_t c)
{
    return c < 0x20 || (c >= 0x7f && c < 0xa0) || (c >= 0x202a && c <= 0x202e) ||
           (c >= 0x2066 && c <= 0x2069) || c == 0x200e || c == 0x200f || c == 0x061c ||
           c == 0x2028 || c == 0x2029;
}

} // namespace

QString displayText(QStringView text, qsizetype limit)
{
    QString shown;
    shown.reserve(qMin(text.size(), limit + 1));
    for (qsizetype i = 0; i < text.size() && shown.size() < limit; ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            if (shown.size() + 2 > limit)
                break;
            shown += c;
            shown += text[++i];
        } else if (!c.isSurrogate() && !hidden(c.unicode())) {
            shown += c;
        }
    }
    return shown;
}

QDate dumpDate(QStringView time)
{
    if (time.size() < 10 || (time.size() > 10 && time[10] != QLatin1Char(' ')))
        return {};
    return QDate::fromString(time.left(10), u"yyyy-MM-dd");
}

QString versionTooltip(std::optional<qint64> versionCode)
{
    return versionCode ? QStringLiteral("version code %1").arg(*versionCode) : QString();
}

QString sizeText(qint64 bytes)
{
    if (bytes < 0)
        return {};
    return QStringLiteral("%1 MB").arg(double(bytes) / 1e6, 0, 'f', 1);
}
