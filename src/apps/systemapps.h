#pragma once

#include "device/toolrunner.h"

#include <QList>
#include <QMap>
#include <QSet>
#include <QString>
#include <QStringList>

// The apps of user 0 with their state and kind, merged from several package manager listings.
// Nothing here runs a process: the caller runs the argument lists given and hands back the runs.

enum class AppState { Enabled, Disabled, Removed };
// Unknown: the device could not say which apps came with it; actions then treat the app as a
// system app, which is the careful choice.
enum class AppKind { User, System, UpdatedSystem, Unknown };

// The listings the view reads. Installed is the base one: every package installed for user 0
// (with system apps shown) or every third-party one (without).
enum class Listing { Installed, Uninstalled, Disabled, System };

struct ListingCommand
{
    Listing listing;
    QStringList arguments; // for adb, starting "shell"
};

struct AppRow
{
    QString name;
    QString path; // its package file; empty when no listing named one
    AppState state = AppState::Enabled;
    AppKind kind = AppKind::User;
};

struct MergedListing
{
    QList<AppRow> rows;      // in the order of the listings' lines
    QString detail;          // what could not be shown, and why; empty when everything could
    QStringList others;      // lines of the base listing that name no app
    QList<Listing> unusable; // the listings asked for that could not be read
    bool listed = false;     // the base listing was read; when not, `rows` is empty
};

// The listings to run on a device of SDK level `sdk`: with `systemApps`, every package for user
// 0 plus those removed for it (-u), the disabled (-d) and the system (-s) ones; without, the
// third-party ones (-3) and the disabled among them. "--user 0" from Android 7 (SDK 24), where
// the default user stops being user 0 on later versions.
QList<ListingCommand> listingCommands(int sdk, bool systemApps);

// The rows that the runs of `listingCommands` give. A package listed by -u but not by the base
// listing is Removed; one listed by -d is Disabled. Kind is System for one listed by -s,
// UpdatedSystem for one of `updatedSystem` (from the package details), else User. A listing
// missing from `runs` was not asked for. One that failed, timed out, or printed text but no
// package (old devices print their usage text for an option they lack) is left out, and `detail`
// says what that hides; without a usable -s listing the kind is Unknown. When the base listing is
// not usable, nothing is listed: a package missing from it would otherwise look Removed.
MergedListing mergeListings(const QMap<Listing, ToolRun> &runs,
                            const QSet<QString> &updatedSystem = {});

// The text of the "State" and "Kind" columns.
QString stateText(AppState state);
QString kindText(AppKind kind);
