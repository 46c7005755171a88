#include "apps/appactions.h"

#include "device/packagename.h"
#include "text/shellquote.h"

#include <algorithm>

namespace {

constexpr int usersSdk = 17;           // Android 4.2: users, and "--user" for pm
constexpr int removeForUserSdk = 24;   // Android 7: "pm uninstall --user" for the shell
constexpr int installExistingSdk = 26; // Android 8: "cmd package install-existing"

bool isSystem(AppKind kind)
{
    return kind != AppKind::User;
}

QStringList pm(const QStringList &words)
{
    return QStringList{QStringLiteral("shell"), QStringLiteral("pm")} + words;
}

QStringList forUserZero(int sdk)
{
    return sdk >= usersSdk ? QStringList{QStringLiteral("--user"), QStringLiteral("0")}
                           : QStringList{};
}

// A path the device's package manager can install from: absolute, an .apk, with no part that
// climbs out of its folder. It is quoted for the shell all the same.
bool isPackageFile(const QString &path)
{
    return path.startsWith(QLatin1Char('/')) && path.endsWith(QLatin1String(".apk")) &&
           !path.contains(QLatin1String("/../")) && !path.contains(QChar(0)) &&
           !path.contains(QLatin1Char('\n'));
}

QStringList uninstall(const AppRow &app, bool keepData)
{
    if (isSystem(app.kind))
        return pm({QStringLiteral("uninstall"), QStringLiteral("-k"), QStringLiteral("--user"),
                   QStringLiteral("0"), shellQuoted(app.name)});
    QStringList words{QStringLiteral("uninstall")};
    if (keepData)
        words.append(QStringLiteral("-k"));
    return pm(words + QStringList{shellQuoted(app.name)});
}

std::optional<QStringList> restore(const AppRow &app, int sdk)
{
    if (sdk >= installExistingSdk)
        return QStringList{QStringLiteral("shell"),   QStringLiteral("cmd"),
                           QStringLiteral("package"), QStringLiteral("install-existing"),
                           QStringLiteral("--user"),  QStringLiteral("0"),
                           shellQuoted(app.name)};
    if (!isPackageFile(app.path))
        return std::nullopt;
    return pm({QStringLiteral("install"), QStringLiteral("-r"), QStringLiteral("--user"),
               QStringLiteral("0"), shellQuoted(app.path)});
}

} // namespace

bool actionApplies(AppAction action, AppKind kind, AppState state, int sdk)
{
    switch (action) {
    case AppAction::Uninstall:
        return state != AppState::Removed && (!isSystem(kind) || sdk >= removeForUserSdk);
    case AppAction::Disable:
        return state == AppState::Enabled;
    case AppAction::Enable:
        return state == AppState::Disabled;
    case AppAction::Restore:
        return state == AppState::Removed && sdk >= removeForUserSdk;
    }
    return false;
}

bool appliesToAll(AppAction action, const QList<AppRow> &apps, int sdk)
{
    return !apps.isEmpty() && std::all_of(apps.cbegin(), apps.cend(), [&](const AppRow &app) {
        return actionApplies(action, app.kind, app.state, sdk);
    });
}

AppAction disableOrEnable(const QList<AppRow> &apps)
{
    const bool allDisabled =
        !apps.isEmpty() && std::all_of(apps.cbegin(), apps.cend(), [](const AppRow &app) {
            return app.state == AppState::Disabled;
        });
    return allDisabled ? AppAction::Enable : AppAction::Disable;
}

std::optional<QStringList> actionArguments(AppAction action, const AppRow &app, int sdk,
                                           bool keepData)
{
    if (!isPackageName(app.name) || !actionApplies(action, app.kind, app.state, sdk))
        return std::nullopt;
    const QString name = shellQuoted(app.name);
    switch (action) {
    case AppAction::Uninstall:
        return uninstall(app, keepData);
    case AppAction::Disable:
        return pm(QStringList{QStringLiteral("disable-user")} + forUserZero(sdk) +
                  QStringList{name});
    case AppAction::Enable:
        return pm(QStringList{QStringLiteral("enable")} + forUserZero(sdk) + QStringList{name});
    case AppAction::Restore:
        return restore(app, sdk);
    }
    return std::nullopt;
}
