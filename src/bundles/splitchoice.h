#pragma once

#include "bundles/bundleproblem.h"
#include "device/deviceprops.h"

#include <QList>
#include <QString>
#include <optional>

// An APK of a bundle, and why it was chosen or left out.
struct BundleApk
{
    QString entry;   // its path in the bundle
    QString splitId; // its split name on the device ("base", "config.xxhdpi"); may be empty
    QString why;     // for the log
};

// Which of a bundle's APKs go to the device.
struct SplitChoice
{
    QList<BundleApk> chosen;              // in install order, the base first
    QList<BundleApk> leftOut;             // every other APK
    bool standalone = false;              // one APK that installs alone, as a plain .apk does
    std::optional<BundleProblem> problem; // set when nothing can be installed; then none is chosen
};

// An APK of a bundle without a table of contents, and the split name its metadata gives it, if any.
struct NamedApk
{
    QString entry;
    QString splitId; // empty: told by its file name
};

// Chooses among the APKs of an .apkm, an .xapk or a ZIP of splits by their split names (from
// `apks`' split ids, else from their file names, see splitFromFileName): the one base; every
// feature split; and for the base and each feature, the split for the first of the device's ABIs
// that the module has, its one best density split, the splits of the device's languages, and any
// split by another qualifier. An APK whose name says no split is the base when no other is,
// otherwise it is left out. A problem when there is no base, more than one, one split twice, or a
// module with native code for none of the device's ABIs.
SplitChoice chooseByName(const QList<NamedApk> &apks, const QString &packageName,
                         const DeviceSpec &device);
