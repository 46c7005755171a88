#include "bundles/xapkmanifest.h"

#include "device/packagename.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

namespace {

const QString manifestName = QStringLiteral("manifest.json");

// Text, or a number's text: producers write version codes and the like either way.
QString textOf(const QJsonValue &value)
{
    if (value.isString())
        return value.toString();
    if (value.isDouble())
        return QString::number(value.toDouble(), 'g', 17);
    return {};
}

bool isPlainFileName(const QString &name)
{
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_+-][A-Za-z0-9._+-]*$"));
    return plain.match(name).hasMatch();
}

QHash<QString, QString> splitIdsOf(const QJsonValue &splits)
{
    QHash<QString, QString> ids;
    const QJsonArray list = splits.toArray();
    for (const auto &split : list) {
        const QString file = textOf(split.toObject().value(QLatin1String("file")));
        const QString id = textOf(split.toObject().value(QLatin1String("id")));
        if (!file.isEmpty() && !id.isEmpty())
            ids.insert(file, id);
    }
    return ids;
}

// The expansion, or none when its entry or its destination cannot be trusted.
std::optional<Expansion> expansionOf(const QJsonObject &object)
{
    const QString entry = textOf(object.value(QLatin1String("file")));
    QString destination = textOf(object.value(QLatin1String("install_path")));
    if (destination.isEmpty())
        destination = entry;
    const QString fileName = destination.section(QLatin1Char('/'), -1);
    if (entry.isEmpty() || climbsOut(entry) || climbsOut(destination) || !isPlainFileName(fileName))
        return std::nullopt;
    return Expansion{entry, fileName};
}

} // namespace

bool climbsOut(const QString &path)
{
    static const QRegularExpression drive(QStringLiteral("^[A-Za-z]:"));
    if (path.startsWith(QLatin1Char('/')) || path.startsWith(QLatin1Char('\\')) ||
        drive.match(path).hasMatch())
        return true;
    static const QRegularExpression separator(QStringLiteral("[/\\\\]"));
    return path.split(separator).contains(QLatin1String(".."));
}

std::optional<XapkManifest> readXapkManifest(const QByteArray &json,
                                             std::optional<BundleProblem> &problem)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (!document.isObject()) {
        const QString why = document.isNull() ? QStringLiteral("it is not JSON (%1 at byte %2)")
                                                    .arg(error.errorString())
                                                    .arg(error.offset)
                                              : QStringLiteral("it is JSON, but not an object");
        problem = BundleProblem{BundleProblem::BadManifest, {manifestName, why}};
        return std::nullopt;
    }
    const QJsonObject root = document.object();
    XapkManifest manifest;
    manifest.packageName = textOf(root.value(QLatin1String("package_name")));
    manifest.splitIds = splitIdsOf(root.value(QLatin1String("split_apks")));
    const QJsonArray expansions = root.value(QLatin1String("expansions")).toArray();
    for (const auto &value : expansions) {
        const std::optional<Expansion> expansion = expansionOf(value.toObject());
        if (!expansion || !isPackageName(manifest.packageName)) {
            problem = BundleProblem{BundleProblem::BadExpansion,
                                    {textOf(value.toObject().value(QLatin1String("file")))}};
            return std::nullopt;
        }
        manifest.expansions.append(*expansion);
    }
    return manifest;
}
