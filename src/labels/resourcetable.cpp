#include "labels/resourcetable.h"

#include "labels/reschunk.h"
#include "labels/stringpool.h"

namespace {

constexpr quint16 TableType = 0x0002;
constexpr quint16 StringPoolType = 0x0001;
constexpr quint16 PackageType = 0x0200;
constexpr quint16 TypeType = 0x0201;
constexpr quint8 FlagSparse = 0x01;
constexpr quint8 FlagOffset16 = 0x02;
constexpr quint16 EntryComplex = 0x0001;
constexpr quint16 EntryCompact = 0x0008;
constexpr quint8 TypeNull = 0x00;
constexpr quint8 TypeReference = 0x01;
constexpr quint8 TypeString = 0x03;
constexpr quint8 TypeDynamicReference = 0x07;
constexpr int MostReferences = 8;
constexpr qint64 TypeHeaderSize = 20;

struct Table
{
    StringPool values;
    QList<ResChunk> packages;
};

struct Value
{
    quint8 type = TypeNull;
    quint32 data = 0;
};

struct Found
{
    std::optional<Value> value;
    TableProblem problem = TableProblem::None;
    QString detail;
};

Found problem(TableProblem kind, const QString &detail)
{
    return {std::nullopt, kind, detail};
}

// A language or a region as stored: two characters, or three packed into two bytes (high bit set).
QString unpacked(QByteArrayView code, char base)
{
    const quint8 a = u8At(code, 0), b = u8At(code, 1);
    if (a & 0x80) {
        const char letters[] = {char(base + (b & 0x1f)),
                                char(base + ((b & 0xe0) >> 5 | (a & 0x03) << 3)),
                                char(base + ((a & 0x7c) >> 2))};
        return QString::fromLatin1(letters, 3);
    }
    return a ? QString::fromLatin1(code.sliced(0, b ? 2 : 1)) : QString();
}

// Tables keep the old codes of three languages; the device's settings give the new ones.
QString tableLanguage(const QString &language)
{
    if (language == QLatin1String("he"))
        return QStringLiteral("iw");
    if (language == QLatin1String("id"))
        return QStringLiteral("in");
    if (language == QLatin1String("yi"))
        return QStringLiteral("ji");
    return language;
}

// The locale a configuration (its ResTable_config, size field first) names, with packed
// three-letter codes unpacked; empty parts where it names none.
Locale configLocale(QByteArrayView config)
{
    if (u32At(config, 0) < 12 || !fits(config, 8, 4))
        return {};
    return {unpacked(config.sliced(8, 2), 'a'), unpacked(config.sliced(10, 2), '0')};
}

bool hasOtherQualifiers(QByteArrayView config)
{
    // From the mobile network to the screen's size in dp: not the size, the locale (8..12), its
    // script and variant (36..48), nor the newer fields after them.
    for (qint64 at = 4; at < 36; ++at) {
        if ((at < 8 || at >= 12) && u8At(config, at))
            return true;
    }
    return false;
}

// How well `config` suits `locale`: 8 exact, 6 the language alone, 4 the language in another
// region (as Android takes fr-FR for fr-CH since 7.0), 2 no locale, 0 another language; one more
// without other qualifiers.
int rank(QByteArrayView config, const Locale &locale)
{
    const Locale own = configLocale(config);
    int score = 0;
    if (own.language.isEmpty())
        score = 2;
    else if (own.language == tableLanguage(locale.language))
        score = own.region.isEmpty() ? 6 : own.region == locale.region ? 8 : 4;
    return score && !hasOtherQualifiers(config) ? score + 1 : score;
}

Parsed<Table> openTable(QByteArrayView bytes)
{
    const std::optional<ResChunk> top = chunkAt(bytes, 0);
    if (!top || top->type != TableType)
        return Parsed<Table>::failed(QStringLiteral("not a resource table"));
    const Parsed<QList<ResChunk>> chunks = childChunks(*top);
    if (!chunks.ok())
        return Parsed<Table>::failed(chunks.error);
    Table table;
    bool havePool = false;
    for (const ResChunk &chunk : chunks.value) {
        if (chunk.type == StringPoolType && !havePool) {
            const Parsed<StringPool> pool = StringPool::read(chunk);
            if (!pool.ok())
                return Parsed<Table>::failed(pool.error);
            table.values = pool.value;
            havePool = true;
        } else if (chunk.type == PackageType) {
            table.packages.append(chunk);
        }
    }
    return {table, {}};
}

// Where entry `index` starts after the type chunk's entriesStart: -1 when the chunk has none,
// -2 when its index does not fit.
qint64 entryOffset(const ResChunk &type, quint32 index)
{
    const QByteArrayView bytes = type.bytes;
    const quint8 flags = u8At(bytes, 9);
    const quint32 count = u32At(bytes, 12);
    const qint64 at = type.headerSize;
    if (flags & FlagSparse) {
        if (!fits(bytes, at, qint64(count) * 4))
            return -2;
        qint64 low = 0, high = count; // pairs sorted by index: {u16 index; u16 offset / 4}
        while (low < high) {
            const qint64 middle = (low + high) / 2;
            const quint16 here = u16At(bytes, at + middle * 4);
            if (here == index)
                return qint64(u16At(bytes, at + middle * 4 + 2)) * 4;
            here < index ? low = middle + 1 : high = middle;
        }
        return -1;
    }
    if (index >= count)
        return -1;
    if (flags & FlagOffset16) {
        if (!fits(bytes, at + qint64(index) * 2, 2))
            return -2;
        const quint16 offset = u16At(bytes, at + qint64(index) * 2);
        return offset == 0xffff ? -1 : qint64(offset) * 4;
    }
    if (!fits(bytes, at + qint64(index) * 4, 4))
        return -2;
    const quint32 offset = u32At(bytes, at + qint64(index) * 4);
    return offset == 0xffffffff ? -1 : qint64(offset);
}

// The value of entry `index` in a type chunk; none when the chunk has no such entry.
Found entryValue(const ResChunk &type, quint32 index)
{
    const qint64 offset = entryOffset(type, index);
    if (offset == -1)
        return {};
    const qint64 at = u32At(type.bytes, 16) + offset;
    if (offset < 0 || !fits(type.bytes, at, 8))
        return problem(TableProblem::Damaged, QStringLiteral("an entry lies outside its type"));
    const quint16 flags = u16At(type.bytes, at + 2);
    if (flags & EntryCompact)
        return {Value{quint8(flags >> 8), u32At(type.bytes, at + 4)}, {}, {}};
    if (flags & EntryComplex)
        return problem(TableProblem::NotText, QStringLiteral("the entry is a bag"));
    const qint64 valueAt = at + u16At(type.bytes, at);
    if (u16At(type.bytes, at) < 8 || !fits(type.bytes, valueAt, 8))
        return problem(TableProblem::Damaged, QStringLiteral("an entry's value lies outside it"));
    return {Value{u8At(type.bytes, valueAt + 3), u32At(type.bytes, valueAt + 4)}, {}, {}};
}

// How well a type chunk's configuration suits `locale`, as rank() gives it; -1 when its header
// does not hold one.
int typeRank(const ResChunk &type, const Locale &locale)
{
    if (type.headerSize < TypeHeaderSize + 4 || !fits(type.bytes, u32At(type.bytes, 16), 0))
        return -1;
    const QByteArrayView config =
        type.bytes.sliced(TypeHeaderSize, type.headerSize - TypeHeaderSize);
    return rank(config.first(qMin<qint64>(config.size(), u32At(config, 0))), locale);
}

// The value of `id` from the type chunk of `package` that suits `locale` best among those that
// have it; none (and no problem) when none has it.
Found bestInPackage(const ResChunk &package, quint32 id, const Locale &locale)
{
    const Parsed<QList<ResChunk>> chunks = childChunks(package);
    if (!chunks.ok())
        return problem(TableProblem::Damaged, chunks.error);
    Found best;
    int bestRank = 0;
    for (const ResChunk &type : chunks.value) {
        if (type.type != TypeType || u8At(type.bytes, 8) != ((id >> 16) & 0xff))
            continue;
        const int score = typeRank(type, locale);
        if (score < 0)
            return problem(TableProblem::Damaged, QStringLiteral("a type's header is short"));
        if (score <= bestRank)
            continue;
        Found found = entryValue(type, id & 0xffff);
        if (found.problem == TableProblem::Damaged)
            return found;
        if (found.value || found.problem != TableProblem::None)
            best = found, bestRank = score;
    }
    return best;
}

Found bestValue(const Table &table, quint32 id, const Locale &locale)
{
    for (const ResChunk &package : table.packages) {
        if (u32At(package.bytes, 8) != id >> 24)
            continue;
        Found found = bestInPackage(package, id, locale);
        if (found.value || found.problem != TableProblem::None)
            return found;
    }
    return problem(TableProblem::Missing,
                   QStringLiteral("no entry 0x%1").arg(id, 8, 16, QLatin1Char('0')));
}

} // namespace

TableString lookUpString(QByteArrayView bytes, quint32 id, const Locale &locale)
{
    const Parsed<Table> table = openTable(bytes);
    if (!table.ok())
        return {{}, TableProblem::Damaged, table.error};
    for (int step = 0; step < MostReferences; ++step) {
        const Found found = bestValue(table.value, id, locale);
        if (!found.value)
            return {{}, found.problem, found.detail};
        const Value value = *found.value;
        if (value.type == TypeString) {
            const std::optional<QString> text = table.value.values.at(value.data);
            if (!text)
                return {{}, TableProblem::Damaged, QStringLiteral("a string past the pool")};
            return {*text, TableProblem::None, {}};
        }
        if (value.type == TypeNull)
            return {{}, TableProblem::Missing, QStringLiteral("the entry is empty")};
        if (value.type != TypeReference && value.type != TypeDynamicReference)
            return {
                {}, TableProblem::NotText, QStringLiteral("a value of type %1").arg(value.type)};
        id = value.data;
    }
    return {{}, TableProblem::TooDeep, QStringLiteral("references go on too long")};
}
