#pragma once

#include <QString>
#include <QStringList>

// Why a bundle was not installed, before anything of it reached the device (or, for
// ExpansionNotCopied, after its APKs did).
struct BundleProblem
{
    enum Kind {
        NotZip,             // file name, what the ZIP reader said
        Unreadable,         // file name, why
        UnsafeEntry,        // entry name
        NoApk,              //
        SingleApk,          //
        BadToc,             // what is wrong with it
        BadManifest,        // metadata file name, what is wrong with it
        NoBase,             //
        SeveralBases,       // the candidates
        SameSplitTwice,     // split name, the files
        NoMatchingAbi,      // the device's ABIs, the bundle's
        NoVariant,          // the device
        DeviceUnread,       // what is missing, what adb said
        NoTemporaryFolder,  // why
        TooLittleSpace,     // folder, MB needed, MB free
        LargerThanClaimed,  // entry name, the size it claims
        NotExtracted,       // entry name, why
        BadExpansion,       // entry name
        ExpansionNotCopied, // entry name, what adb said
    };

    Kind kind;
    QStringList subjects; // what the sentence names, in the order listed beside each kind
};

// One or two plain sentences for the line under the status line: what is wrong and, where there
// is something to do, what.
QString describe(const BundleProblem &problem);
