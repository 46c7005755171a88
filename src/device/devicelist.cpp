#include "device/devicelist.h"

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

QString serialOf(const QString &line)
{
    return line.section(QLatin1Char('\t'), 0, 0);
}

} // namespace

QStringList usableDevices(const QStringList &lines)
{
    QStringList serials;
    for (const QString &line : lines) {
        if (isUsable(line))
            serials.append(serialOf(line));
    }
    return serials;
}

std::optional<QString> pickDevice(const QStringList &usable, const QString &chosen)
{
    if (usable.isEmpty())
        return std::nullopt;
    return usable.contains(chosen) ? chosen : usable.first();
}

QList<DeviceLine> unusableDevices(const QStringList &lines)
{
    QList<DeviceLine> devices;
    for (const QString &line : lines) {
        const qsizetype tab = line.indexOf(QLatin1Char('\t'));
        if (tab < 0 || line.contains(QLatin1String("List")) || isUsable(line))
            continue;
        devices.append({line.left(tab), line.mid(tab + 1).trimmed()});
    }
    return devices;
}
