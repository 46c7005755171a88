#pragma once

#include "bundles/bundleproblem.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <optional>

// An expansion (OBB) file of an .xapk and where it goes on the device.
struct Expansion
{
    QString entry;    // its path in the bundle
    QString fileName; // its name in /sdcard/Android/obb/<package>/: plain, never a path
};

// What an .xapk's manifest.json says that the install needs.
struct XapkManifest
{
    QString packageName;              // may be empty
    QHash<QString, QString> splitIds; // entry path -> split name, from split_apks
    QList<Expansion> expansions;
};

// Reads manifest.json leniently: a field given as a number where text was expected (producers
// differ) is read as that number's text, and fields it does not need are not looked at. A problem
// when the text is not a JSON object (BadManifest) or an expansion's path would climb out of its
// folder, is absolute, or names no plain file, or the package name is not one (BadExpansion).
std::optional<XapkManifest> readXapkManifest(const QByteArray &json,
                                             std::optional<BundleProblem> &problem);

// Whether an entry name climbs out of its folder ("..") or is absolute ("/x", "\x", "C:x").
bool climbsOut(const QString &path);
