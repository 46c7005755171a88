#include "apps/detailcache.h"

#include "apps/detailtext.h"
#include "device/packagename.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

using Entries = QHash<QString, std::pair<DetailKey, CachedDetail>>;

const QByteArray heading("apkshelf app details 1");
constexpr qint64 fileLimit = qint64(16) * 1024 * 1024;
constexpr qsizetype entryLimit = 100000;
constexpr qsizetype fieldCount = 7;
// A label is kept as the window shows it: at most 100 characters, each one or two UTF-16 units. A
// tighter cut here would shorten a long label of emoji without the ellipsis that marks a cut.
constexpr qsizetype longestLabel = 200;
constexpr qsizetype longestReason = 300;

QByteArray escaped(const QString &text)
{
    QByteArray out;
    for (const char c : text.toUtf8()) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::optional<QString> unescaped(QByteArrayView text)
{
    QByteArray out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        if (++i == text.size())
            return std::nullopt;
        switch (text[i]) {
        case '\\':
            out += '\\';
            break;
        case 't':
            out += '\t';
            break;
        case 'n':
            out += '\n';
            break;
        case 'r':
            out += '\r';
            break;
        default:
            return std::nullopt;
        }
    }
    return QString::fromUtf8(out);
}

std::optional<qint64> number(QByteArrayView text, qint64 lowest)
{
    bool ok = false;
    const qint64 value = text.size() <= 20 ? text.toLongLong(&ok) : 0;
    return ok && value >= lowest ? std::optional<qint64>(value) : std::nullopt;
}

QList<QByteArrayView> fields(QByteArrayView line)
{
    QList<QByteArrayView> parts;
    for (qsizetype start = 0;;) {
        const qsizetype tab = line.indexOf('\t', start);
        parts.append(line.sliced(start, (tab < 0 ? line.size() : tab) - start));
        if (tab < 0 || parts.size() > fieldCount)
            return parts;
        start = tab + 1;
    }
}

// One entry's line, or none when it is damaged.
std::optional<std::pair<DetailKey, CachedDetail>> decodeEntry(QByteArrayView line)
{
    const QList<QByteArrayView> part = fields(line);
    if (part.size() != fieldCount || (part[5] != "L" && part[5] != "N"))
        return std::nullopt;
    const auto package = unescaped(part[0]);
    const auto versionCode = number(part[1], std::numeric_limits<qint64>::min());
    const auto updated = unescaped(part[2]);
    const auto locale = unescaped(part[3]);
    const auto size = number(part[4], -1);
    const auto text = unescaped(part[6]);
    if (!package || !isPackageName(*package) || !versionCode || !updated || !locale || !size ||
        !text)
        return std::nullopt;
    CachedDetail detail;
    detail.size = *size;
    if (part[5] == "L")
        detail.label = displayText(*text, longestLabel);
    else
        detail.noLabelReason = displayText(*text, longestReason);
    if (detail.label.isEmpty() == detail.noLabelReason.isEmpty())
        return std::nullopt;
    return std::pair(DetailKey{*package, *versionCode, *updated, *locale}, detail);
}

} // namespace

QByteArray encodeDetails(const QString &serial, const Entries &entries)
{
    QByteArray bytes = heading + '\t' + escaped(serial) + '\n';
    for (const auto &[key, detail] : entries) {
        const bool labelled = !detail.label.isEmpty();
        bytes += escaped(key.package) + '\t' + QByteArray::number(key.versionCode) + '\t' +
                 escaped(key.lastUpdateTime) + '\t' + escaped(key.locale) + '\t' +
                 QByteArray::number(qMax(detail.size, qint64(-1))) + '\t' + (labelled ? "L" : "N") +
                 '\t' + escaped(labelled ? detail.label : detail.noLabelReason) + '\n';
    }
    return bytes + "end\t" + QByteArray::number(entries.size()) + '\n';
}

std::optional<Entries> decodeDetails(const QByteArray &bytes, const QString &serial)
{
    if (bytes.size() > fileLimit || !bytes.endsWith('\n'))
        return std::nullopt;
    const QList<QByteArray> lines = bytes.first(bytes.size() - 1).split('\n');
    if (lines.size() < 2 || lines.size() - 2 > entryLimit ||
        lines.front() != heading + '\t' + escaped(serial) ||
        lines.back() != "end\t" + QByteArray::number(lines.size() - 2))
        return std::nullopt;
    Entries entries;
    for (qsizetype i = 1; i + 1 < lines.size(); ++i) {
        auto entry = decodeEntry(lines[i]);
        if (!entry || entries.contains(entry->first.package))
            return std::nullopt;
        entries.insert(entry->first.package, *entry);
    }
    return entries;
}

DetailCache::DetailCache(const QString &folder, const QString &serial)
    : serial(serial)
{
    const QByteArray hash = QCryptographicHash::hash(serial.toUtf8(), QCryptographicHash::Sha256);
    path = QDir(folder).filePath(
        QStringLiteral("details-%1.txt").arg(QString::fromLatin1(hash.toHex().left(32))));
}

bool DetailCache::load()
{
    entries.clear();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > fileLimit)
        return false;
    const auto read = decodeDetails(file.read(fileLimit + 1), serial);
    if (read)
        entries = *read;
    return read.has_value();
}

bool DetailCache::save() const
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray bytes = encodeDetails(serial, entries);
    return file.write(bytes) == bytes.size() && file.commit();
}

std::optional<CachedDetail> DetailCache::find(const DetailKey &key) const
{
    const auto found = entries.constFind(key.package);
    if (found == entries.cend() || found->first.versionCode != key.versionCode ||
        found->first.lastUpdateTime != key.lastUpdateTime || found->first.locale != key.locale)
        return std::nullopt;
    return found->second;
}

void DetailCache::insert(const DetailKey &key, const CachedDetail &detail)
{
    if (isPackageName(key.package) && detail.label.isEmpty() != detail.noLabelReason.isEmpty())
        entries.insert(key.package, {key, detail});
}
