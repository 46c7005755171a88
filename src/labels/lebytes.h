#pragma once

#include <QByteArrayView>
#include <QString>
#include <QtEndian>

// Little-endian reads from bytes that came from outside. Every offset and length is checked with
// fits() first; the readers give 0 past the end rather than read there.

// Whether `length` bytes from `at` lie within `bytes`; safe for any values, however large.
inline bool fits(QByteArrayView bytes, qint64 at, qint64 length)
{
    return at >= 0 && length >= 0 && at <= bytes.size() && length <= bytes.size() - at;
}

inline quint8 u8At(QByteArrayView bytes, qint64 at)
{
    return fits(bytes, at, 1) ? quint8(bytes[at]) : 0;
}

inline quint16 u16At(QByteArrayView bytes, qint64 at)
{
    return fits(bytes, at, 2) ? qFromLittleEndian<quint16>(bytes.data() + at) : 0;
}

inline quint32 u32At(QByteArrayView bytes, qint64 at)
{
    return fits(bytes, at, 4) ? qFromLittleEndian<quint32>(bytes.data() + at) : 0;
}

// A value read from outside, or the reason it could not be read (for the log, not for people).
template<typename T> struct Parsed
{
    T value{};
    QString error;

    bool ok() const { return error.isEmpty(); }
    static Parsed failed(const QString &why) { return {T{}, why}; }
};
