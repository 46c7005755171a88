#include "outcomes/batchtexts.h"

#include <QCoreApplication>
#include <algorithm>

namespace {

QString text(const char *source)
{
    return QCoreApplication::translate("BatchTexts", source);
}

constexpr qsizetype namedAtMost = 20;

QString named(const BatchApp &app)
{
    return app.label.isEmpty() || app.label == app.name
               ? app.name
               : QStringLiteral("%1 (%2)").arg(app.label, app.name);
}

QString question(AppAction action, qsizetype count)
{
    switch (action) {
    case AppAction::Uninstall:
        return count == 1 ? text("Uninstall this app?")
                          : text("Uninstall these %1 apps?").arg(count);
    case AppAction::Disable:
        return count == 1 ? text("Disable this app?") : text("Disable these %1 apps?").arg(count);
    case AppAction::Enable:
        return count == 1 ? text("Enable this app?") : text("Enable these %1 apps?").arg(count);
    case AppAction::Restore:
        return count == 1 ? text("Restore this app?") : text("Restore these %1 apps?").arg(count);
    }
    return {};
}

} // namespace

QString confirmationText(AppAction action, const QList<BatchApp> &apps, bool anySystem)
{
    QStringList lines{question(action, apps.size()), QString()};
    const qsizetype shown = std::min(apps.size(), namedAtMost);
    for (qsizetype i = 0; i < shown; ++i)
        lines.append(named(apps.at(i)));
    if (apps.size() > shown)
        lines.append(text("and %1 more").arg(apps.size() - shown));
    if (anySystem && action == AppAction::Uninstall)
        lines << QString()
              << text("Removing system apps can stop the phone from working. They stay on the "
                      "phone and come back with Restore or a factory reset.");
    return lines.join(QLatin1Char('\n'));
}

QString criticalConfirmation(AppAction action, const QList<std::pair<BatchApp, QString>> &apps)
{
    QStringList lines{
        action == AppAction::Uninstall
            ? text("The phone may not start, or this computer may not reach it again, without "
                   "these apps. Remove them all the same?")
            : text("The phone may not start, or this computer may not reach it again, without "
                   "these apps. Disable them all the same?"),
        QString()};
    for (const auto &[app, reason] : apps)
        lines.append(QStringLiteral("%1: %2").arg(named(app), reason));
    return lines.join(QLatin1Char('\n'));
}

QString busyText(AppAction action, int number, int total, const BatchApp &app)
{
    const char *doing = "";
    switch (action) {
    case AppAction::Uninstall:
        doing = "Uninstalling %1 of %2: %3";
        break;
    case AppAction::Disable:
        doing = "Disabling %1 of %2: %3";
        break;
    case AppAction::Enable:
        doing = "Enabling %1 of %2: %3";
        break;
    case AppAction::Restore:
        doing = "Restoring %1 of %2: %3";
        break;
    }
    return text(doing).arg(number).arg(total).arg(app.label.isEmpty() ? app.name : app.label);
}

QString endStatus(AppAction action, const QList<AppResult> &results)
{
    const auto changed = std::count_if(results.cbegin(), results.cend(),
                                       [](const AppResult &r) { return r.end == AppEnd::Changed; });
    const char *done = "";
    switch (action) {
    case AppAction::Uninstall:
        done = "%1 of %2 uninstalled";
        break;
    case AppAction::Disable:
        done = "%1 of %2 disabled";
        break;
    case AppAction::Enable:
        done = "%1 of %2 enabled";
        break;
    case AppAction::Restore:
        done = "%1 of %2 restored";
        break;
    }
    return text(done).arg(changed).arg(results.size());
}

QString batchDetail(const QList<AppResult> &results)
{
    QStringList lines;
    for (const AppResult &result : results) {
        if (result.end == AppEnd::Changed)
            continue;
        const QString why =
            result.end == AppEnd::NotDone && result.why.isEmpty() ? text("Not done.") : result.why;
        lines.append(QStringLiteral("%1: %2").arg(named(result.app), why));
    }
    return lines.join(QLatin1Char('\n'));
}

void markRestNotDone(QList<AppResult> &results, qsizetype from, const QString &why)
{
    for (qsizetype i = std::max<qsizetype>(from, 0); i < results.size(); ++i) {
        if (results[i].end != AppEnd::NotDone)
            continue;
        results[i].why = text("Not done: %1").arg(why);
    }
}
