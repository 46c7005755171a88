#pragma once

#include <QString>
#include <optional>

// What a configuration split is chosen by.
enum class Qualifier { Abi, Density, Language, Other };

// The kind of a split's qualifier: an ABI ("arm64_v8a", "x86_64"), a density ("xxhdpi"), a
// language ("fr", "pt_BR", "zh-rTW"), or anything else (texture formats, tiers, unknown text).
Qualifier qualifierKind(const QString &qualifier);

// Which split an APK of a bundle is: the module it belongs to ("base" for the base module) and,
// for a configuration split, its qualifier.
struct SplitName
{
    QString module;
    QString qualifier; // empty for a module's master: the base, or a feature split

    bool isBase() const { return module == QLatin1String("base") && qualifier.isEmpty(); }
    bool isMaster() const { return qualifier.isEmpty(); }
    // The name the split has on the device: "base", "config.xxhdpi", "feature",
    // "feature.config.arm64_v8a".
    QString id() const;
};

// The split a manifest split name stands for, in the form id() gives ("" is the base too); none
// for a name that cannot be one, such as "config." alone.
std::optional<SplitName> splitFromId(const QString &id);

// The split an APK's path in a bundle names, in the forms bundles use:
//   base.apk, <package>.apk, <package>-<version>.apk                     the base
//   [split_]config.<q>.apk, <package>[-<version>]-config.<q>.apk          a base configuration
//   split_<feature>.apk, <feature>-master.apk                             a feature split
//   [split_]<feature>.config.<q>.apk                                      its configurations
//   <module>-master.apk, <module>-<q>.apk (a copy's number "_2" is taken off, so copies clash)
// `packageName` may be empty. None for a name that says no split, or one not ending in ".apk".
std::optional<SplitName> splitFromFileName(const QString &path, const QString &packageName);
