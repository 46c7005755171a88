#include "bundles/bundleproblem.h"

#include <QCoreApplication>

namespace {

const char *sentence(BundleProblem::Kind kind)
{
    switch (kind) {
    case BundleProblem::NotZip:
        return "%1 is not a ZIP archive (%2), so it is no bundle apkshelf can read. Old .apkm "
               "files were encrypted: download the app again as a current .apkm, .apks or .xapk.";
    case BundleProblem::Unreadable:
        return "%1 could not be read: %2.";
    case BundleProblem::UnsafeEntry:
        return "The bundle holds an entry named \u201c%1\u201d, which points outside its folder. "
               "A bundle like that is not installed.";
    case BundleProblem::NoApk:
        return "The bundle holds no APK files.";
    case BundleProblem::SingleApk:
        return "This file is a single APK, not a bundle: give it a name that ends in .apk to "
               "install it.";
    case BundleProblem::BadToc:
        return "The bundle's table of contents (toc.pb) is damaged: %1.";
    case BundleProblem::BadManifest:
        return "The bundle's %1 cannot be read: %2.";
    case BundleProblem::NoBase:
        return "The bundle has no base APK (base.apk, or one named after the app), which every "
               "install needs.";
    case BundleProblem::SeveralBases:
        return "The bundle has more than one base APK (%1); the device refuses them together.";
    case BundleProblem::SameSplitTwice:
        return "The bundle has the split %1 twice (%2); the device refuses them together.";
    case BundleProblem::NoMatchingAbi:
        return "The bundle has no native code for this device's processor (%1), only for %2.";
    case BundleProblem::NoVariant:
        return "The bundle has no APKs for this device (%1).";
    case BundleProblem::DeviceUnread:
        return "The device did not tell %1, which choosing the bundle's APKs needs. adb said: %2";
    case BundleProblem::NoTemporaryFolder:
        return "No private temporary folder could be made for the bundle's APKs: %1.";
    case BundleProblem::TooLittleSpace:
        return "The temporary folder %1 has %3 MB free; the bundle's chosen APKs need %2 MB. Free "
               "some space there, then try again.";
    case BundleProblem::LargerThanClaimed:
        return "The bundle's entry %1 holds more than the %2 bytes it claims: the bundle is "
               "damaged or forged.";
    case BundleProblem::NotExtracted:
        return "%1 could not be taken out of the bundle: %2.";
    case BundleProblem::BadExpansion:
        return "The bundle's expansion file %1 has an unsafe or missing destination.";
    case BundleProblem::ExpansionNotCopied:
        return "The app was installed, but its expansion file %1 could not be copied to the "
               "device: %2";
    }
    return "";
}

// Fills the placeholders in one pass, so that a subject holding "%2" stays as it is.
QString filled(const QString &text, const QStringList &subjects)
{
    switch (subjects.size()) {
    case 0:
        return text;
    case 1:
        return text.arg(subjects.at(0));
    case 2:
        return text.arg(subjects.at(0), subjects.at(1));
    default:
        return text.arg(subjects.at(0), subjects.at(1), subjects.at(2));
    }
}

} // namespace

QString describe(const BundleProblem &problem)
{
    return filled(QCoreApplication::translate("BundleProblem", sentence(problem.kind)),
                  problem.subjects);
}
