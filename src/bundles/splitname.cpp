#include "bundles/splitname.h"

#include "bundles/splitmatch.h"

#include <QRegularExpression>
#include <QStringList>

namespace {

const QString base = QStringLiteral("base");
const QLatin1String configPart("config.");

bool isAbi(const QString &text)
{
    static const QStringList abis{"armeabi", "armeabi_v7a", "arm64_v8a", "x86",
                                  "x86_64",  "mips",        "mips64",    "riscv64"};
    return abis.contains(text);
}

// Texture format names, some as short as a language code.
bool isTextureFormat(const QString &text)
{
    static const QStringList formats{"astc", "atc",   "dxt1", "etc1", "etc2",
                                     "latc", "pvrtc", "s3tc", "3dc",  "paletted"};
    return formats.contains(text);
}

bool isLanguage(const QString &text)
{
    static const QRegularExpression language(QStringLiteral("^[a-z]{2,3}([-_]r?[a-z]{2})?$"),
                                             QRegularExpression::CaseInsensitiveOption);
    return language.match(text).hasMatch();
}

// "x86_2" -> "x86", "master_3" -> "master": bundletool numbers the copies of a name that clashes.
QString withoutCopyNumber(const QString &suffix)
{
    static const QRegularExpression copy(QStringLiteral("^(.+)_[0-9]+$"));
    const QRegularExpressionMatch match = copy.match(suffix);
    if (!match.hasMatch() || qualifierKind(suffix) != Qualifier::Other)
        return suffix;
    const QString original = match.captured(1);
    const bool known =
        original == QLatin1String("master") || qualifierKind(original) != Qualifier::Other;
    return known ? original : suffix;
}

bool namesPackage(const QString &stem, const QString &packageName)
{
    return !packageName.isEmpty() &&
           (stem == packageName || stem.startsWith(packageName + QLatin1Char('-')));
}

// Where "config." starts a part of the name, after a separator or at the start; -1 if nowhere.
qsizetype configAt(const QString &stem)
{
    for (qsizetype at = stem.indexOf(configPart); at >= 0; at = stem.indexOf(configPart, at + 1)) {
        if (at == 0 || QStringLiteral(".-_").contains(stem.at(at - 1)))
            return at;
    }
    return -1;
}

// <module>-master, <module>-<qualifier>, as bundletool names split APKs.
std::optional<SplitName> bundletoolName(const QString &stem)
{
    static const QRegularExpression form(QStringLiteral("^([A-Za-z0-9_]+)-([A-Za-z0-9_]+)$"));
    const QRegularExpressionMatch match = form.match(stem);
    if (!match.hasMatch())
        return std::nullopt;
    const QString suffix = withoutCopyNumber(match.captured(2));
    if (suffix == QLatin1String("master"))
        return SplitName{match.captured(1), {}};
    if (qualifierKind(suffix) != Qualifier::Other)
        return SplitName{match.captured(1), suffix};
    return std::nullopt;
}

std::optional<SplitName> configName(const QString &stem, const QString &packageName)
{
    const qsizetype at = configAt(stem);
    if (at < 0)
        return std::nullopt;
    const QString qualifier = stem.mid(at + configPart.size());
    QString module = stem.left(at);
    if (!module.isEmpty())
        module.chop(1); // the separator
    if (qualifier.isEmpty())
        return std::nullopt;
    if (module.isEmpty() || module == base || namesPackage(module, packageName))
        module = base;
    return SplitName{module, qualifier};
}

} // namespace

Qualifier qualifierKind(const QString &qualifier)
{
    const QString lower = qualifier.toLower();
    if (isAbi(lower))
        return Qualifier::Abi;
    if (densityDpi(lower) > 0)
        return Qualifier::Density;
    if (isTextureFormat(lower))
        return Qualifier::Other;
    return isLanguage(lower) ? Qualifier::Language : Qualifier::Other;
}

QString SplitName::id() const
{
    if (qualifier.isEmpty())
        return module;
    const QString config = configPart + qualifier;
    return module == base ? config : module + QLatin1Char('.') + config;
}

std::optional<SplitName> splitFromId(const QString &id)
{
    if (id.isEmpty() || id == base)
        return SplitName{base, {}};
    if (id.startsWith(configPart))
        return id.size() > configPart.size()
                   ? std::optional(SplitName{base, id.mid(configPart.size())})
                   : std::nullopt;
    const QLatin1String featureConfig(".config.");
    const qsizetype at = id.indexOf(featureConfig);
    if (at < 0)
        return SplitName{id, {}};
    const QString module = id.left(at);
    const QString qualifier = id.mid(at + featureConfig.size());
    if (module.isEmpty() || qualifier.isEmpty())
        return std::nullopt;
    return SplitName{module, qualifier};
}

std::optional<SplitName> splitFromFileName(const QString &path, const QString &packageName)
{
    const QString name = path.section(QLatin1Char('/'), -1);
    if (!name.endsWith(QLatin1String(".apk"), Qt::CaseInsensitive))
        return std::nullopt;
    const QString stem = name.chopped(4);
    if (stem.startsWith(QLatin1String("split_")))
        return stem.size() > 6 ? splitFromId(stem.mid(6)) : std::nullopt;
    if (stem == base)
        return SplitName{base, {}};
    if (std::optional<SplitName> split = bundletoolName(stem))
        return split;
    if (std::optional<SplitName> split = configName(stem, packageName))
        return split;
    if (namesPackage(stem, packageName))
        return SplitName{base, {}};
    return std::nullopt;
}
