#include "apps/systemapps.h"

#include "apps/packagemanager.h"

#include <QCoreApplication>
#include <algorithm>
#include <optional>

namespace {

QString text(const char *source)
{
    return QCoreApplication::translate("SystemApps", source);
}

// Android 7 (SDK 24) is where the user argument is passed; see listingCommands.
constexpr int usersSdk = 24;

QStringList listPackages(int sdk, const QStringList &options)
{
    QStringList arguments{QStringLiteral("shell"), QStringLiteral("pm"), QStringLiteral("list"),
                          QStringLiteral("packages")};
    arguments += options;
    if (sdk >= usersSdk)
        arguments += {QStringLiteral("--user"), QStringLiteral("0")};
    return arguments;
}

// The apps that `run` lists, in order, or nothing when the run cannot be trusted: it failed, was
// cut short, or printed something yet named no package (a usage text, an error). Its other lines
// that are not blank go to `others`, when given.
std::optional<QList<InstalledApp>> appsOf(const ToolRun &run, QStringList *others = nullptr)
{
    if (!run.failure.isEmpty() || run.timedOut)
        return std::nullopt;
    QList<InstalledApp> apps;
    for (const QString &line : run.output) {
        if (std::optional<InstalledApp> app = readPackageLine(line))
            apps.append(std::move(*app));
        else if (others && !line.trimmed().isEmpty())
            others->append(line);
    }
    const auto blank = [](const QString &line) { return line.trimmed().isEmpty(); };
    const bool saidNothing = std::all_of(run.output.cbegin(), run.output.cend(), blank) &&
                             std::all_of(run.errors.cbegin(), run.errors.cend(), blank);
    if (apps.isEmpty() && !saidNothing)
        return std::nullopt;
    return apps;
}

// The names that the run for `listing` lists; nothing when it was not asked for or is not usable.
// `unusable` collects the listings that were asked for and could not be read.
std::optional<QSet<QString>> namesOf(const QMap<Listing, ToolRun> &runs, Listing listing,
                                     QList<Listing> &unusable)
{
    const auto run = runs.constFind(listing);
    if (run == runs.cend())
        return std::nullopt;
    const std::optional<QList<InstalledApp>> apps = appsOf(*run);
    if (!apps) {
        unusable.append(listing);
        return std::nullopt;
    }
    QSet<QString> names;
    for (const InstalledApp &app : *apps)
        names.insert(app.name);
    return names;
}

QString hiddenBy(const QList<Listing> &unusable)
{
    QStringList sentences;
    if (unusable.contains(Listing::Uninstalled))
        sentences << text("This device does not list apps removed for its user, so they are not "
                          "shown and cannot be restored from here.");
    if (unusable.contains(Listing::Disabled))
        sentences << text("This device does not list its disabled apps, so every app shows as "
                          "enabled.");
    if (unusable.contains(Listing::System))
        sentences << text("This device does not list which apps came with it, so the Kind column "
                          "stays empty and every app is handled as a system app.");
    return sentences.join(QLatin1Char(' '));
}

AppKind kindOf(const QString &name, const std::optional<QSet<QString>> &system, bool systemAsked,
               const QSet<QString> &updatedSystem)
{
    if (updatedSystem.contains(name))
        return AppKind::UpdatedSystem;
    if (system)
        return system->contains(name) ? AppKind::System : AppKind::User;
    return systemAsked ? AppKind::Unknown : AppKind::User;
}

} // namespace

QList<ListingCommand> listingCommands(int sdk, bool systemApps)
{
    const QString f = QStringLiteral("-f");
    if (!systemApps)
        return {
            {Listing::Installed, listPackages(sdk, {f, QStringLiteral("-3")})},
            {Listing::Disabled, listPackages(sdk, {QStringLiteral("-d"), QStringLiteral("-3")})}};
    return {{Listing::Installed, listPackages(sdk, {f})},
            {Listing::Uninstalled, listPackages(sdk, {f, QStringLiteral("-u")})},
            {Listing::Disabled, listPackages(sdk, {QStringLiteral("-d")})},
            {Listing::System, listPackages(sdk, {QStringLiteral("-s")})}};
}

MergedListing mergeListings(const QMap<Listing, ToolRun> &runs, const QSet<QString> &updatedSystem)
{
    MergedListing merged;
    const auto base = runs.constFind(Listing::Installed);
    const std::optional<QList<InstalledApp>> installed =
        base == runs.cend() ? std::nullopt : appsOf(*base, &merged.others);
    if (!installed) {
        merged.others.clear(); // the run's text explains it as a whole
        return merged;
    }
    merged.listed = true;
    QList<Listing> unusable;
    const std::optional<QSet<QString>> disabled = namesOf(runs, Listing::Disabled, unusable);
    const std::optional<QSet<QString>> system = namesOf(runs, Listing::System, unusable);
    const bool systemAsked = runs.contains(Listing::System);
    QSet<QString> seen;
    const auto add = [&](const InstalledApp &app, AppState state) {
        if (seen.contains(app.name))
            return;
        seen.insert(app.name);
        if (state == AppState::Enabled && disabled && disabled->contains(app.name))
            state = AppState::Disabled;
        merged.rows.append(
            {app.name, app.path, state, kindOf(app.name, system, systemAsked, updatedSystem)});
    };
    for (const InstalledApp &app : *installed)
        add(app, AppState::Enabled);
    if (const auto all = runs.constFind(Listing::Uninstalled); all != runs.cend()) {
        if (const std::optional<QList<InstalledApp>> known = appsOf(*all)) {
            for (const InstalledApp &app : *known)
                add(app, AppState::Removed);
        } else {
            unusable.append(Listing::Uninstalled);
        }
    }
    merged.detail = hiddenBy(unusable);
    merged.unusable = unusable;
    return merged;
}

QString stateText(AppState state)
{
    switch (state) {
    case AppState::Enabled:
        return text("Enabled");
    case AppState::Disabled:
        return text("Disabled");
    case AppState::Removed:
        return text("Removed");
    }
    return {};
}

QString kindText(AppKind kind)
{
    switch (kind) {
    case AppKind::User:
        return text("User");
    case AppKind::System:
        return text("System");
    case AppKind::UpdatedSystem:
        return text("Updated system");
    case AppKind::Unknown:
        break;
    }
    return {};
}
