#include "apps/savename.h"

#include "apps/detailtext.h"

namespace {

constexpr qsizetype labelBytes = 120;
constexpr qsizetype versionBytes = 60;

bool refused(QChar c)
{
    return c.unicode() < 0x20 || c.unicode() == 0x7f || QStringView(u"/\\:*?\"<>|").contains(c);
}

// `text` with refused characters replaced, misleading ones removed, cut at `bytes` of UTF-8
// without splitting a character, and trimmed of the dots and spaces that hide or vanish.
QString safePart(const QString &text, qsizetype bytes)
{
    QString part;
    for (const QChar c : text)
        part += refused(c) ? QLatin1Char('_') : c;
    part = displayText(part, bytes); // never more characters than bytes
    while (part.toUtf8().size() > bytes) {
        part.chop(part.size() >= 2 && part.back().isLowSurrogate() ? 2 : 1);
    }
    qsizetype start = 0;
    while (start < part.size() && (part[start] == QLatin1Char('.') || part[start].isSpace()))
        ++start;
    part = part.mid(start);
    while (!part.isEmpty() && (part.back() == QLatin1Char('.') || part.back().isSpace()))
        part.chop(1);
    return part;
}

} // namespace

QString proposedFileName(const QString &label, const QString &package, const QString &versionName,
                         bool severalFiles)
{
    QString stem = safePart(label, labelBytes);
    if (stem.isEmpty())
        stem = safePart(package, labelBytes);
    if (stem.isEmpty())
        stem = QStringLiteral("app");
    const QString version = safePart(versionName, versionBytes);
    if (!version.isEmpty())
        stem += QLatin1Char('_') + version;
    return stem + (severalFiles ? QStringLiteral(".apks") : QStringLiteral(".apk"));
}

std::optional<QString> firstFreeName(const QString &wanted,
                                     const std::function<bool(const QString &)> &exists)
{
    if (!exists(wanted))
        return wanted;
    const qsizetype slash = wanted.lastIndexOf(QLatin1Char('/'));
    qsizetype dot = wanted.lastIndexOf(QLatin1Char('.'));
    if (dot <= slash + 1)
        dot = wanted.size();
    for (int n = 2; n <= 9999; ++n) {
        const QString name = wanted.left(dot) + QStringLiteral(" (%1)").arg(n) + wanted.mid(dot);
        if (!exists(name))
            return name;
    }
    return std::nullopt;
}
