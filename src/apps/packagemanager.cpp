#include "apps/packagemanager.h"

#include "device/packagename.h"
#include "table/textrows.h"
#include "text/linesplitter.h"
#include "text/utf8line.h"

#include <algorithm>

namespace {

bool isAsciiDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// Takes `marker` and what follows it off the end of `line` when all that follows is made of
// `allowed` characters and is not empty.
template<typename Allowed> void chopSuffix(QStringView &line, QLatin1String marker, Allowed allowed)
{
    const qsizetype at = line.lastIndexOf(marker);
    if (at < 0)
        return;
    const QStringView value = line.sliced(at + marker.size());
    if (!value.isEmpty() && std::all_of(value.begin(), value.end(), allowed))
        line.truncate(at);
}

bool isAscii(QByteArrayView bytes)
{
    return std::all_of(bytes.begin(), bytes.end(),
                       [](char c) { return static_cast<uchar>(c) < 0x80; });
}

// The bytes of ASCII `line` that `part`, a view of `text`, its copy, stands for.
QByteArrayView bytesOf(QByteArrayView line, const QString &text, QStringView part)
{
    return part.isEmpty() ? QByteArrayView()
                          : line.sliced(part.data() - text.constData(), part.size());
}

} // namespace

std::optional<PackageLine> findPackage(QStringView line)
{
    line = line.trimmed();
    // Right to left: the package manager prints them left to right in this order. Each begins
    // with a space, which the plain listing's lines have none of: one scan spares three.
    if (line.contains(QLatin1Char(' '))) {
        chopSuffix(line, QLatin1String(" uid:"),
                   [](QChar c) { return isAsciiDigit(c) || c == QLatin1Char(','); });
        chopSuffix(line, QLatin1String("  installer="), [](QChar c) { return !c.isSpace(); });
        chopSuffix(line, QLatin1String(" versionCode:"),
                   [](QChar c) { return isAsciiDigit(c) || c == QLatin1Char('-'); });
    }
    const QLatin1String prefix("package:");
    if (!line.startsWith(prefix))
        return std::nullopt;
    line = line.sliced(prefix.size());
    const qsizetype equals = line.lastIndexOf(QLatin1Char('='));
    const QStringView name = line.sliced(equals + 1);
    if (!isPackageName(name))
        return std::nullopt;
    return PackageLine{name, equals < 0 ? QStringView() : line.first(equals)};
}

std::optional<InstalledApp> readPackageLine(QStringView line)
{
    const std::optional<PackageLine> found = findPackage(line);
    if (!found)
        return std::nullopt;
    return InstalledApp{found->name.toString(), found->path.toString()};
}

void readPackageLines(const QList<QByteArrayView> &lines, TextRows &apps, QStringList &others)
{
    QString text; // reused: an ASCII line, nearly every line, costs no allocation
    for (const QByteArrayView line : lines) {
        const bool ascii = isAscii(line);
        // Assigned Latin-1, which ASCII is, a string keeps the memory it has.
        if (ascii)
            text = QLatin1String(line.data(), line.size());
        else
            text = decodeLine(line);
        const std::optional<PackageLine> app = findPackage(text);
        if (!app) {
            others.append(text);
            continue;
        }
        // In an ASCII line a character is a byte, so the views' offsets are the bytes' too.
        if (ascii)
            apps.appendRow({bytesOf(line, text, app->name), bytesOf(line, text, app->path)});
        else
            apps.appendRow({app->name.toUtf8(), app->path.toUtf8()});
    }
}
