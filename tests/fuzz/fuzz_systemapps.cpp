// libFuzzer target for the system apps' listings. An input is:
//   byte 0: flags; bit n (n < 4) cuts listing n short, bit 4 leaves out the -s listing
//   the rest: up to six texts separated by 0x1e: the base, -u, -d and -s listings, then what
//   resolve-activity and "settings get" printed; lines end at LF
// The merged rows must name valid, distinct packages, a Removed row none that the base listing
// names, and a Disabled row one that -d names; nothing is listed without a usable base listing.
// Every action's arguments end in the row's name or path as quoted for the shell.
#include "apps/appactions.h"
#include "apps/criticalapps.h"
#include "apps/packagemanager.h"
#include "apps/systemapps.h"
#include "device/packagename.h"
#include "text/shellquote.h"

#include <QByteArrayView>
#include <cstdint>
#include <cstdlib>

namespace {

void check(bool holds)
{
    if (!holds)
        std::abort();
}

QStringList linesOf(QByteArrayView text)
{
    return QString::fromUtf8(text).split(QLatin1Char('\n'));
}

QSet<QString> namesIn(const QStringList &lines)
{
    QSet<QString> names;
    for (const QString &line : lines) {
        if (const std::optional<InstalledApp> app = readPackageLine(line))
            names.insert(app->name);
    }
    return names;
}

void checkActions(const AppRow &row)
{
    for (const AppAction action :
         {AppAction::Uninstall, AppAction::Disable, AppAction::Enable, AppAction::Restore}) {
        for (const int sdk : {16, 19, 24, 26, 34}) {
            const std::optional<QStringList> arguments = actionArguments(action, row, sdk, true);
            if (!arguments)
                continue;
            check(arguments->first() == QLatin1String("shell"));
            const QString &last = arguments->last();
            check(last == shellQuoted(row.name) || last == shellQuoted(row.path));
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const uint8_t flags = data[0];
    const QByteArrayView input(data + 1, static_cast<qsizetype>(size - 1));
    QList<QByteArrayView> parts;
    qsizetype from = 0;
    for (qsizetype at = 0; at <= input.size() && parts.size() < 6; ++at) {
        if (at == input.size() || input[at] == '\x1e') {
            parts.append(input.sliced(from, at - from));
            from = at + 1;
        }
    }
    while (parts.size() < 6)
        parts.append(QByteArrayView());

    QMap<Listing, ToolRun> runs;
    const Listing listings[] = {Listing::Installed, Listing::Uninstalled, Listing::Disabled,
                                Listing::System};
    for (int i = 0; i < 4; ++i) {
        if (listings[i] == Listing::System && (flags & 0x10))
            continue;
        runs.insert(
            listings[i],
            ToolRun{QStringLiteral("adb"), linesOf(parts[i]), {}, {}, (flags & (1 << i)) != 0});
    }
    const MergedListing merged = mergeListings(runs);
    const QSet<QString> installed = namesIn(runs[Listing::Installed].output);
    const QSet<QString> disabled = namesIn(runs[Listing::Disabled].output);
    check(merged.listed || merged.rows.isEmpty());
    QSet<QString> seen;
    for (const AppRow &row : merged.rows) {
        check(isPackageName(row.name) && !seen.contains(row.name));
        seen.insert(row.name);
        check(row.state != AppState::Removed || !installed.contains(row.name));
        check(row.state != AppState::Disabled || disabled.contains(row.name));
        checkActions(row);
    }

    const DeviceRoles roles{launcherFrom(linesOf(parts[4])).value_or(QString()),
                            keyboardFrom(linesOf(parts[5])).value_or(QString())};
    check(roles.launcher.isEmpty() || isPackageName(roles.launcher));
    check(roles.keyboard.isEmpty() || isPackageName(roles.keyboard));
    check(roles.launcher.isEmpty() || !criticalReason(roles.launcher, roles).isEmpty());
    return 0;
}
