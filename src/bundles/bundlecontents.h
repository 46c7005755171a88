#pragma once

#include "bundles/apksettoc.h"
#include "bundles/bundleproblem.h"
#include "bundles/splitchoice.h"
#include "bundles/xapkmanifest.h"

#include <QStringList>
#include <optional>

class BundleArchive;

// The kinds of bundle, told apart by what they hold, not by their names.
enum class BundleFormat {
    ApkSet,   // bundletool's APK set: toc.pb
    Apkm,     // info.json and base.apk
    Xapk,     // manifest.json
    SplitZip, // a ZIP of APK files
};

// What a ZIP with these entry names is: a bundle format, or a problem when an entry climbs out of
// its folder or is absolute, when it is a single APK (AndroidManifest.xml) or holds no APK.
struct BundleKind
{
    std::optional<BundleFormat> format;
    std::optional<BundleProblem> problem;
};
BundleKind recogniseBundle(const QStringList &entryNames);

// What the choice needs to know about a bundle.
struct BundleContents
{
    BundleFormat format = BundleFormat::SplitZip;
    ApkSetToc toc;         // of an APK set
    XapkManifest manifest; // of an .xapk
    QList<NamedApk> apks;  // every APK entry, with the split name the manifest gives it
};

// Recognises an opened archive and reads its table of contents or manifest. None, and a problem,
// when it is no bundle, or its metadata is damaged or names entries it does not hold.
std::optional<BundleContents> readBundle(BundleArchive &archive,
                                         std::optional<BundleProblem> &problem);

// The APKs to install from `contents` on `device` (see chooseFromToc and chooseByName).
SplitChoice chooseApks(const BundleContents &contents, const DeviceSpec &device);
