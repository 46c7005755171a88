#include "packagemanager.h"

#include "toolrunner.h"

#include <algorithm>

namespace {

bool isAsciiLetter(QChar c)
{
    return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
           (c >= QLatin1Char('A') && c <= QLatin1Char('Z'));
}

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

} // namespace

bool isPackageName(QStringView name)
{
    bool segmentStart = true;
    for (const QChar c : name) {
        if (segmentStart && !isAsciiLetter(c))
            return false;
        segmentStart = c == QLatin1Char('.');
        if (!segmentStart && !isAsciiLetter(c) && !isAsciiDigit(c) && c != QLatin1Char('_'))
            return false;
    }
    return !segmentStart;
}

std::optional<InstalledApp> readPackageLine(QStringView line)
{
    line = line.trimmed();
    // Right to left: the package manager prints them left to right in this order.
    chopSuffix(line, QLatin1String(" uid:"),
               [](QChar c) { return isAsciiDigit(c) || c == QLatin1Char(','); });
    chopSuffix(line, QLatin1String("  installer="), [](QChar c) { return !c.isSpace(); });
    chopSuffix(line, QLatin1String(" versionCode:"),
               [](QChar c) { return isAsciiDigit(c) || c == QLatin1Char('-'); });
    const QLatin1String prefix("package:");
    if (!line.startsWith(prefix))
        return std::nullopt;
    line = line.sliced(prefix.size());
    const qsizetype equals = line.lastIndexOf(QLatin1Char('='));
    const QStringView name = line.sliced(equals + 1);
    if (!isPackageName(name))
        return std::nullopt;
    return InstalledApp{name.toString(), equals < 0 ? QString() : line.first(equals).toString()};
}

QList<InstalledApp> readPackageList(const QStringList &lines, QStringList *others)
{
    QList<InstalledApp> apps;
    apps.reserve(lines.size());
    for (const QString &line : lines) {
        if (std::optional<InstalledApp> app = readPackageLine(line))
            apps.append(std::move(*app));
        else if (others)
            others->append(line);
    }
    return apps;
}

bool reportsUninstalled(const ToolRun &run)
{
    const auto success = [](const QString &line) {
        return line.startsWith(QLatin1String("Success"));
    };
    return std::any_of(run.output.cbegin(), run.output.cend(), success) ||
           std::any_of(run.errors.cbegin(), run.errors.cend(), success);
}
