#include "bundles/apksettoc.h"

#include <iterator>

namespace {

// Protocol buffer wire types.
enum WireType { Varint = 0, Fixed64 = 1, Length = 2, Fixed32 = 5 };

struct Field
{
    quint32 number = 0;
    int type = 0;
    quint64 varint = 0;
    QByteArrayView bytes; // of a length-delimited field
};

class Wire
{
public:
    Wire(QByteArrayView bytes, QString &error)
        : at(bytes.begin())
        , end(bytes.end())
        , error(error)
    {}

    // Reads the next field; false at the end of the message and on damage, which sets `error`.
    bool next(Field &field)
    {
        quint64 key = 0;
        if (at == end || !varint(key))
            return false;
        field.number = static_cast<quint32>(key >> 3);
        field.type = static_cast<int>(key & 7);
        switch (field.type) {
        case Varint:
            return varint(field.varint);
        case Fixed64:
            return skip(8);
        case Fixed32:
            return skip(4);
        case Length:
            return length(field.bytes);
        }
        return fail(QStringLiteral("field %1 has the wire type %2, which cannot occur")
                        .arg(field.number)
                        .arg(field.type));
    }

private:
    bool fail(const QString &what)
    {
        error = what;
        return false;
    }

    bool varint(quint64 &value)
    {
        value = 0;
        for (int shift = 0; shift < 64; shift += 7) {
            if (at == end)
                return fail(QStringLiteral("a number is cut off by the end of its message"));
            const auto byte = static_cast<quint8>(*at++);
            value |= quint64(byte & 0x7f) << shift;
            if (!(byte & 0x80))
                return true;
        }
        return fail(QStringLiteral("a number runs over 10 bytes"));
    }

    bool skip(quint64 size)
    {
        if (quint64(end - at) < size)
            return fail(QStringLiteral("a field of %1 bytes runs past the %2 left in its message")
                            .arg(size)
                            .arg(quint64(end - at)));
        at += size;
        return true;
    }

    bool length(QByteArrayView &bytes)
    {
        quint64 size = 0;
        const char *start = nullptr;
        if (!varint(size))
            return false;
        start = at;
        if (!skip(size))
            return false;
        bytes = QByteArrayView(start, static_cast<qsizetype>(size));
        return true;
    }

    const char *at;
    const char *end;
    QString &error;
};

// Calls `onField` for each field of a message; false when the message or a part of it is damaged.
template<typename OnField> bool readMessage(QByteArrayView bytes, QString &error, OnField onField)
{
    Wire wire(bytes, error);
    Field field;
    while (wire.next(field)) {
        if (!onField(field))
            return false;
    }
    return error.isEmpty();
}

bool isMessage(const Field &field, quint32 number)
{
    return field.number == number && field.type == Length;
}

bool isNumber(const Field &field, quint32 number)
{
    return field.number == number && field.type == Varint;
}

QString text(const Field &field)
{
    return QString::fromUtf8(field.bytes);
}

QString abiName(quint64 alias)
{
    static const char *const names[] = {"armeabi", "armeabi_v7a", "arm64_v8a", "x86",
                                        "x86_64",  "mips",        "mips64",    "riscv64"};
    if (alias >= 1 && alias <= std::size(names))
        return QString::fromLatin1(names[alias - 1]);
    return QStringLiteral("abi%1").arg(alias);
}

int aliasDpi(quint64 alias)
{
    static const int dpi[] = {0, 120, 160, 213, 240, 320, 480, 640}; // nodpi, ldpi ... xxxhdpi
    return alias >= 1 && alias <= std::size(dpi) ? dpi[alias - 1] : 0;
}

// One value of a dimension: Abi, ScreenDensity, SdkVersion, TextureCompressionFormat.
bool readAbi(QByteArrayView bytes, QString &error, QList<QString> &into)
{
    quint64 alias = 0;
    const bool read = readMessage(bytes, error, [&](const Field &f) {
        if (isNumber(f, 1))
            alias = f.varint;
        return true;
    });
    into.append(abiName(alias));
    return read;
}

bool readDensity(QByteArrayView bytes, QString &error, QList<int> &into)
{
    int dpi = 0;
    const bool read = readMessage(bytes, error, [&](const Field &f) {
        if (isNumber(f, 1))
            dpi = aliasDpi(f.varint);
        else if (isNumber(f, 2))
            dpi = static_cast<int>(f.varint);
        return true;
    });
    into.append(dpi);
    return read;
}

bool readSdk(QByteArrayView bytes, QString &error, QList<int> &into)
{
    int min = 0;
    const bool read = readMessage(bytes, error, [&](const Field &f) {
        if (!isMessage(f, 1)) // min, an Int32Value
            return true;
        return readMessage(f.bytes, error, [&](const Field &value) {
            if (isNumber(value, 1))
                min = static_cast<int>(value.varint);
            return true;
        });
    });
    into.append(min);
    return read;
}

bool readTexture(QByteArrayView bytes, QString &error, QList<int> &into)
{
    int alias = 0;
    const bool read = readMessage(bytes, error, [&](const Field &f) {
        if (isNumber(f, 1))
            alias = static_cast<int>(f.varint);
        return true;
    });
    into.append(alias);
    return read;
}

bool readLanguage(QByteArrayView bytes, QString &, QList<QString> &into)
{
    into.append(QString::fromUtf8(bytes));
    return true;
}

// Any *Targeting message: value = 1, alternatives = 2, each read by `readValue`.
template<typename T, typename ReadValue>
bool readDimension(QByteArrayView bytes, QString &error, Dimension<T> &into, ReadValue readValue)
{
    return readMessage(bytes, error, [&](const Field &f) {
        if (isMessage(f, 1))
            return readValue(f.bytes, error, into.values);
        if (isMessage(f, 2))
            return readValue(f.bytes, error, into.alternatives);
        return true;
    });
}

bool readApkTargeting(QByteArrayView bytes, QString &error, ApkTargeting &into)
{
    return readMessage(bytes, error, [&](const Field &f) {
        if (isMessage(f, 1))
            return readDimension(f.bytes, error, into.abi, readAbi);
        if (isMessage(f, 3))
            return readDimension(f.bytes, error, into.language, readLanguage);
        if (isMessage(f, 4))
            return readDimension(f.bytes, error, into.density, readDensity);
        if (isMessage(f, 5))
            return readDimension(f.bytes, error, into.sdk, readSdk);
        if (isMessage(f, 6))
            return readDimension(f.bytes, error, into.texture, readTexture);
        return true;
    });
}

bool readSplitMetadata(QByteArrayView bytes, QString &error, TocApk &into)
{
    return readMessage(bytes, error, [&](const Field &f) {
        if (isMessage(f, 1))
            into.splitId = text(f);
        else if (isNumber(f, 2))
            into.master = f.varint != 0;
        return true;
    });
}

bool readApk(QByteArrayView bytes, QString &error, QList<TocApk> &into)
{
    TocApk apk;
    const bool read = readMessage(bytes, error, [&](const Field &f) {
        if (isMessage(f, 1))
            return readApkTargeting(f.bytes, error, apk.targeting);
        if (isMessage(f, 2))
            apk.path = text(f);
        if (isMessage(f, 3)) {
            apk.kind = TocApk::Split;
            return readSplitMetadata(f.bytes, error, apk);
        }
        if (isMessage(f, 4))
            apk.kind = TocApk::Standalone;
        return true;
    });
    into.append(apk);
    return read;
}

bool readModuleMetadata(QByteArrayView bytes, QString &error, TocModule &into)
{
    return readMessage(bytes, error, [&](const Field &f) {
        if (isMessage(f, 1))
            into.name = text(f);
        else if (isNumber(f, 2))
            into.onDemandDeprecated = f.varint != 0;
        else if (isNumber(f, 3))
            into.instant = f.varint != 0;
        else if (isNumber(f, 6))
            into.deliveryType = static_cast<int>(f.varint);
        return true;
    });
}

bool readModule(QByteArrayView bytes, QString &error, QList<TocModule> &into)
{
    TocModule module;
    const bool read = readMessage(bytes, error, [&](const Field &f) {
        if (isMessage(f, 1))
            return readModuleMetadata(f.bytes, error, module);
        if (isMessage(f, 2))
            return readApk(f.bytes, error, module.apks);
        return true;
    });
    into.append(module);
    return read;
}

bool readVariantTargeting(QByteArrayView bytes, QString &error, TocVariant &into)
{
    return readMessage(bytes, error, [&](const Field &f) {
        if (isMessage(f, 1))
            return readDimension(f.bytes, error, into.sdk, readSdk);
        if (isMessage(f, 2))
            return readDimension(f.bytes, error, into.abi, readAbi);
        if (isMessage(f, 3))
            return readDimension(f.bytes, error, into.density, readDensity);
        return true;
    });
}

bool readVariant(QByteArrayView bytes, QString &error, QList<TocVariant> &into)
{
    TocVariant variant;
    const bool read = readMessage(bytes, error, [&](const Field &f) {
        if (isMessage(f, 1))
            return readVariantTargeting(f.bytes, error, variant);
        if (isMessage(f, 2))
            return readModule(f.bytes, error, variant.modules);
        if (isNumber(f, 3))
            variant.number = static_cast<int>(f.varint);
        return true;
    });
    into.append(variant);
    return read;
}

} // namespace

std::optional<ApkSetToc> readApkSetToc(QByteArrayView bytes, QString *error)
{
    ApkSetToc toc;
    QString problem;
    const bool read = readMessage(bytes, problem, [&](const Field &f) {
        if (isMessage(f, 1))
            return readVariant(f.bytes, problem, toc.variants);
        if (isMessage(f, 4))
            toc.packageName = text(f);
        return true;
    });
    if (!read) {
        if (error)
            *error = problem;
        return std::nullopt;
    }
    return toc;
}
