#pragma once

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// The table of contents of a bundletool APK set (its toc.pb entry): which APKs it holds and the
// devices each one is for. Only what choosing the APKs needs is read.

// The values one APK or variant targets in a dimension, and those of its siblings.
template<typename T> struct Dimension
{
    QList<T> values;
    QList<T> alternatives;
    bool targeted() const { return !values.isEmpty() || !alternatives.isEmpty(); }
};

struct ApkTargeting
{
    Dimension<QString> abi;      // "arm64_v8a"; an unknown alias is "abi<number>"
    Dimension<QString> language; // as written: "fr"
    Dimension<int> density;      // dots per inch; nodpi is 0
    Dimension<int> sdk;          // the lowest API level of each value
    Dimension<int> texture;      // texture format aliases
};

struct TocApk
{
    enum Kind { Split, Standalone, Other }; // Other: instant, system, asset slice, APEX, archive
    QString path;
    ApkTargeting targeting;
    Kind kind = Other;
    QString splitId; // a split's name on the device; empty for a base master
    bool master = false;
};

struct TocModule
{
    QString name;
    bool instant = false;
    int deliveryType = 0; // 1 install-time, 2 on demand, 3 fast follow, 0 not said
    bool onDemandDeprecated = false;
    QList<TocApk> apks;

    // Whether the module comes with the app's install rather than later from the store.
    bool atInstall() const
    {
        return deliveryType == 1 || (deliveryType == 0 && !onDemandDeprecated);
    }
};

struct TocVariant
{
    int number = 0;
    Dimension<int> sdk;
    Dimension<QString> abi;
    Dimension<int> density;
    QList<TocModule> modules;
};

struct ApkSetToc
{
    QString packageName;
    QList<TocVariant> variants;
};

// Reads a serialized BuildApksResult. None, with `error` saying what is wrong, when the bytes are
// not well-formed protocol buffer data: a length that runs past its message, a number cut short,
// a wire type that cannot occur. Fields it does not know are skipped.
std::optional<ApkSetToc> readApkSetToc(QByteArrayView bytes, QString *error);
