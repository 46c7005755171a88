#include "install/installoffers.h"

#include "install/installprogress.h"

#include <QCoreApplication>
#include <QRegularExpression>

namespace {

QString text(const char *source)
{
    return QCoreApplication::translate("InstallOffers", source);
}

// The last Android version that honours -d for any app; later ones only on debuggable builds.
constexpr int lastSdkAllowingDowngrade = 23;

RefusalOffer uninstallFirst(const QString &name)
{
    RefusalOffer offer;
    offer.kind = RefusalOffer::Kind::UninstallFirst;
    offer.button = text("Uninstall %1 and install this file").arg(name);
    offer.confirmation = text("Uninstall %1 from the device, then install this file? All of "
                              "%1\u2019s data on the device is deleted.")
                             .arg(name);
    return offer;
}

// More than any device's storage: a figure beyond it is not a size.
constexpr qint64 mostBytes = qint64(1) << 52;

// A size in df's toolbox shape, "4.8G", "338.7M", "0.0K", "1007M", in bytes.
std::optional<qint64> toolboxSize(QString size)
{
    static const QRegularExpression shape(QStringLiteral("^(\\d{1,9})(?:\\.(\\d))?([KMGT])i?$"));
    const QRegularExpressionMatch match = shape.match(size);
    if (!match.hasMatch())
        return std::nullopt;
    const double tenths = match.captured(1).toDouble() * 10 + match.captured(2).toInt();
    const double unit = qint64(1) << (10 * (1 + QStringLiteral("KMGT").indexOf(match.captured(3))));
    const double bytes = tenths * unit / 10;
    return bytes <= mostBytes ? std::optional<qint64>(static_cast<qint64>(bytes)) : std::nullopt;
}

// A count of `unit`-byte blocks in df's toybox shape, in bytes.
std::optional<qint64> blockCount(const QString &count, qint64 unit)
{
    bool ok = false;
    const qint64 blocks = count.toLongLong(&ok);
    if (!ok || blocks < 0 || blocks > mostBytes / unit)
        return std::nullopt;
    return blocks * unit;
}

QString abiName(QString abi)
{
    // The device lists "arm64-v8a"; the choice of splits writes it as split names do.
    return abi.replace(QLatin1String("_v"), QLatin1String("-v"));
}

QString abiList(const QStringList &abis)
{
    QStringList names;
    for (const QString &abi : abis)
        names.append(abiName(abi));
    return names.join(QLatin1String(", "));
}

} // namespace

QStringList installArguments(const QStringList &paths, bool multiple, InstallFlags flags)
{
    QStringList arguments{multiple ? QStringLiteral("install-multiple") : QStringLiteral("install"),
                          QStringLiteral("-r")};
    if (flags.downgrade)
        arguments.append(QStringLiteral("-d"));
    if (flags.testBuild)
        arguments.append(QStringLiteral("-t"));
    return arguments + (multiple ? paths : paths.mid(0, 1));
}

std::optional<Refusal> refusalOf(const ToolRun &run)
{
    static const QRegularExpression failure(
        QStringLiteral("Failure \\[([A-Z0-9_]+)(?::\\s*([^\\]]*))?"));
    for (const QStringList *lines : {&run.errors, &run.output}) {
        for (const QString &line : *lines) {
            const QRegularExpressionMatch match = failure.match(line);
            if (match.hasMatch())
                return Refusal{match.captured(1), match.captured(2).trimmed()};
        }
    }
    return std::nullopt;
}

QString packageFromMessage(const QString &message)
{
    static const QRegularExpression named(
        QStringLiteral("[Pp]ackage ([A-Za-z0-9_.]{1,255}) signatures do not match"));
    return named.match(message).captured(1);
}

bool debuggableFromProperties(const QStringList &lines)
{
    return lines.contains(QLatin1String("[ro.debuggable]: [1]"));
}

RefusalOffer offerAfter(const QString &code, const QString &name, const DeviceFacts &device)
{
    if (code == QLatin1String("INSTALL_FAILED_VERSION_DOWNGRADE")) {
        const bool honoured =
            (device.sdk > 0 && device.sdk <= lastSdkAllowingDowngrade) || device.debuggable;
        if (!honoured) {
            RefusalOffer offer = uninstallFirst(name);
            offer.detail = text("On this device an older version can take the place of a newer "
                                "one only once the newer one is uninstalled, which deletes its "
                                "data.");
            return offer;
        }
        RefusalOffer offer;
        offer.kind = RefusalOffer::Kind::InstallOlder;
        offer.button = text("Install the older version");
        offer.flags.downgrade = true;
        return offer;
    }
    if (code == QLatin1String("INSTALL_FAILED_UPDATE_INCOMPATIBLE"))
        return uninstallFirst(name);
    if (code == QLatin1String("INSTALL_FAILED_TEST_ONLY")) {
        RefusalOffer offer;
        offer.kind = RefusalOffer::Kind::InstallTestBuild;
        offer.button = text("Install test build");
        offer.flags.testBuild = true;
        return offer;
    }
    return {};
}

QStringList freeSpaceArguments()
{
    return {QStringLiteral("shell"), QStringLiteral("df"), QStringLiteral("/data")};
}

std::optional<qint64> freeBytesFromDf(const QStringList &lines)
{
    static const QRegularExpression blocksHeader(QStringLiteral("\\s(\\d{1,7})([kKM]?)-blocks\\s"));
    qint64 unit = 0;    // toybox: the block size its counts are in
    bool sizes = false; // toolbox: sizes with units
    for (const QString &line : lines) {
        const QStringList words = line.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (line.startsWith(QLatin1String("Filesystem"))) {
            const QRegularExpressionMatch match = blocksHeader.match(line);
            const QString scale = match.captured(2).toUpper();
            unit = match.captured(1).toLongLong() * (scale == QLatin1String("K")   ? 1024
                                                     : scale == QLatin1String("M") ? 1 << 20
                                                                                   : 1);
            sizes = !match.hasMatch() && words.contains(QLatin1String("Free"));
            continue;
        }
        if (sizes && words.size() == 5)
            return toolboxSize(words.at(3));
        // Filesystem, blocks, used, available, use%, mount point.
        if (unit > 0 && words.size() >= 6 && words.at(4).endsWith(QLatin1Char('%')))
            return blockCount(words.at(3), unit);
    }
    return std::nullopt;
}

QString storageDetail(std::optional<qint64> freeBytes, qint64 packageBytes)
{
    const QString package = megabytes(packageBytes, true);
    if (!freeBytes)
        return text("The package is %1 MB, and installing it takes more than its size.")
            .arg(package);
    return text("The device has %1 MB free for apps; the package is %2 MB, and installing it "
                "takes more than its size.")
        .arg(megabytes(*freeBytes, false), package);
}

int neededSdkFromMessage(const QString &message)
{
    static const QRegularExpression needed(
        QStringLiteral("Requires newer sdk version #(\\d{1,4})"));
    return needed.match(message).captured(1).toInt();
}

QString androidVersion(int sdk)
{
    static const char *const names[] = {"4.0", "4.0.3", "4.1", "4.2", "4.3", "4.4", "4.4W", "5.0",
                                        "5.1", "6.0",   "7.0", "7.1", "8.0", "8.1", "9",    "10",
                                        "11",  "12",    "12L", "13",  "14",  "15",  "16"};
    constexpr int first = 14;
    constexpr int count = sizeof names / sizeof names[0];
    if (sdk < first || sdk >= first + count)
        return text("API level %1").arg(sdk);
    return text("Android %1 (API level %2)").arg(QLatin1String(names[sdk - first])).arg(sdk);
}

QString olderSdkDetail(int neededSdk, int deviceSdk)
{
    if (deviceSdk <= 0)
        return neededSdk > 0 ? text("The package needs %1 or later.").arg(androidVersion(neededSdk))
                             : QString();
    if (neededSdk <= 0)
        return text("The package needs a later Android than this device\u2019s %1.")
            .arg(androidVersion(deviceSdk));
    return text("The package needs %1 or later; this device has %2.")
        .arg(androidVersion(neededSdk), androidVersion(deviceSdk));
}

QString abiDetail(const QStringList &packageAbis, const QStringList &deviceAbis)
{
    if (deviceAbis.isEmpty())
        return packageAbis.isEmpty()
                   ? QString()
                   : text("The package\u2019s native code is for %1.").arg(abiList(packageAbis));
    if (packageAbis.isEmpty())
        return text("This device\u2019s processor runs %1; the package has native code for none "
                    "of them.")
            .arg(abiList(deviceAbis));
    return text("The package\u2019s native code is for %1; this device\u2019s processor runs %2.")
        .arg(abiList(packageAbis), abiList(deviceAbis));
}
