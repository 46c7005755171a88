#include "device/deviceprops.h"

#include "text/languagecode.h"

#include <QHash>
#include <QRegularExpression>

QHash<QString, QString> propertiesFromGetprop(const QStringList &lines)
{
    static const QRegularExpression property(QStringLiteral("^\\[([^\\]]+)\\]: \\[(.*)\\]\\s*$"));
    QHash<QString, QString> values;
    for (const QString &line : lines) {
        const QRegularExpressionMatch match = property.match(line);
        if (match.hasMatch() && !match.captured(2).trimmed().isEmpty())
            values.insert(match.captured(1), match.captured(2).trimmed());
    }
    return values;
}

namespace {

QString firstOf(const QHash<QString, QString> &values, std::initializer_list<const char *> names)
{
    for (const char *name : names) {
        QString value = values.value(QString::fromLatin1(name));
        if (!value.isEmpty())
            return value;
    }
    return {};
}

QStringList abisOf(const QHash<QString, QString> &values)
{
    QString list = values.value(QStringLiteral("ro.product.cpu.abilist"));
    if (list.isEmpty()) {
        const QStringList pair{values.value(QStringLiteral("ro.product.cpu.abi")),
                               values.value(QStringLiteral("ro.product.cpu.abi2"))};
        list = pair.join(QLatin1Char(','));
    }
    QStringList abis;
    for (QString abi : list.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        abi = abi.trimmed().replace(QLatin1Char('-'), QLatin1Char('_'));
        if (!abi.isEmpty() && !abis.contains(abi))
            abis.append(abi);
    }
    return abis;
}

} // namespace

DeviceSpec deviceFromProperties(const QStringList &lines)
{
    const QHash<QString, QString> values = propertiesFromGetprop(lines);
    DeviceSpec device;
    device.sdk = values.value(QStringLiteral("ro.build.version.sdk")).toInt();
    device.abis = abisOf(values);
    device.density = firstOf(values, {"ro.sf.lcd_density", "qemu.sf.lcd_density"}).toInt();
    const QString locale =
        firstOf(values, {"persist.sys.locale", "ro.product.locale", "ro.product.locale.language"});
    device.languages.append(locale.isEmpty() ? QStringLiteral("en") : languageOf(locale));
    return device;
}

int densityFromWm(const QStringList &lines)
{
    static const QRegularExpression physical(QStringLiteral("^\\s*Physical density:\\s*(\\d+)"));
    for (const QString &line : lines) {
        const QRegularExpressionMatch match = physical.match(line);
        if (match.hasMatch())
            return match.captured(1).toInt();
    }
    return 0;
}

QString missingProperties(const DeviceSpec &device)
{
    QStringList missing;
    if (device.sdk <= 0)
        missing.append(QStringLiteral("the SDK level"));
    if (device.abis.isEmpty())
        missing.append(QStringLiteral("the ABIs"));
    if (device.density <= 0)
        missing.append(QStringLiteral("the screen density"));
    return missing.join(QStringLiteral(", "));
}

QString describeDevice(const DeviceSpec &device)
{
    return QStringLiteral("SDK %1, ABIs (%2), %3 dpi, languages (%4)")
        .arg(device.sdk)
        .arg(device.abis.join(QStringLiteral(", ")))
        .arg(device.density)
        .arg(device.languages.join(QStringLiteral(", ")));
}
