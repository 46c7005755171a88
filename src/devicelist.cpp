#include "devicelist.h"

namespace {

bool isUsable(const QString &line)
{
    if (line.contains(QLatin1String("List")) || !line.contains(QLatin1String("device")))
        return false;
    const qsizetype tab = line.indexOf(QLatin1Char('\t'));
    if (tab < 0)
        return true;
    const QStringView rest = QStringView(line).sliced(tab + 1);
    qsizetype end = 0;
    while (end < rest.size() && !rest.at(end).isSpace())
        ++end;
    return rest.first(end) == QLatin1String("device");
}

} // namespace

std::optional<QString> firstUsableDevice(const QStringList &lines)
{
    for (const QString &line : lines) {
        if (isUsable(line))
            return line.section(QLatin1Char('\t'), 0, 0);
    }
    return std::nullopt;
}
