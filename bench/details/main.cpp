// The Apps view's details and what surrounds them, each figure named on the command line (none:
// all of them):
//   details        parsing the package manager's dump of 1,000 packages, and the model behind the
//                  view with 10,000 apps (their details filled in, sorted by name, filtered as a
//                  word is typed); one line each: median [fastest, slowest] in ms
//   install        what following an install's progress costs in CPU time
//   label          a name from a manifest and a 5 MB resource table
//   name-bytes     the bytes read from the device for one app's name
//   cached-refresh a second refresh of 300 apps in the real window
// The last three build APKs with aapt, and are left out, with a note, without it.
#include "../clock.h"
#include "../samples.h"
#include "aaptapk.h"
#include "apps/apptable.h"
#include "apps/packagedump.h"
#include "figures.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>

namespace {

QByteArray dumpOf(int packages)
{
    QByteArray dump = "Packages:\n";
    for (int i = 0; i < packages; ++i) {
        const QByteArray name = "com.example.package" + QByteArray::number(i);
        dump +=
            "  Package [" + name + "] (a1b2c3d):\n    userId=10123\n    pkg=Package{e4f5a6b " +
            name + "}\n    codePath=/data/app/~~Qm9v4w==/" + name +
            "-Zx81Yw==\n    primaryCpuAbi=arm64-v8a\n    versionCode=" + QByteArray::number(i) +
            " minSdk=21 targetSdk=33\n    versionName=4.2." + QByteArray::number(i) +
            "\n    splits=[base, config.arm64_v8a]\n    flags=[ HAS_CODE ALLOW_BACKUP ]\n"
            "    timeStamp=2024-05-02 10:11:12\n    firstInstallTime=2024-01-02 03:04:05\n"
            "    lastUpdateTime=2024-05-02 10:11:13\n    installerPackageName=com.android.vending\n"
            "    pkgFlags=[ HAS_CODE ALLOW_BACKUP ]\n    User 0: ceDataInode=40962 installed=true "
            "hidden=false suspended=false stopped=false notLaunched=false enabled=0\n";
        for (int p = 0; p < 20; ++p)
            dump +=
                "      android.permission.PERMISSION_" + QByteArray::number(p) + ": granted=true\n";
    }
    return dump;
}

void print(const char *what, const Samples &samples)
{
    std::printf("%-58s %8.2f [%.2f, %.2f]\n", what, samples.median(), samples.min(), samples.max());
}

AppTable *filledTable(int apps)
{
    auto *table = new AppTable;
    TextRows rows(AppTable::ListedColumns);
    QList<std::pair<qsizetype, AppDetails>> details;
    for (int i = 0; i < apps; ++i) {
        const QByteArray name = "com.example.package" + QByteArray::number(i);
        rows.appendRow({name, "/data/app/~~x==/" + name + "-1/base.apk"});
        details.append({i, {"App " + QString::number((i * 7919) % apps), {}, "1.0", {}, {}, i}});
    }
    table->setRows(std::move(rows));
    table->setDetails(details);
    return table;
}

void measureDetails()
{
    const QByteArray dump = dumpOf(1000);
    Samples parse;
    for (int run = 0; run < 20; ++run) {
        const std::int64_t start = monotonicNs();
        const auto packages = readPackageDump(dump);
        parse.add(msBetween(start, monotonicNs()));
        if (packages.size() != 1000) {
            std::fprintf(stderr, "details: the dump gave %lld packages\n",
                         static_cast<long long>(packages.size()));
            return;
        }
    }
    std::printf("dump of 1,000 packages: %.1f MB\n", dump.size() / 1e6);
    print("parsing the dump of 1,000 packages", parse);

    std::unique_ptr<AppTable> table(filledTable(10000));
    Samples sort;
    Samples filter;
    for (int run = 0; run < 10; ++run) {
        std::int64_t start = monotonicNs();
        table->sort(AppTable::Package);
        table->sort(AppTable::Name);
        sort.add(msBetween(start, monotonicNs()) / 2);
        for (const char *typed : {"a", "ap", "app", "app 1", "app 12", ""}) {
            start = monotonicNs();
            table->setFilter(QString::fromLatin1(typed));
            filter.add(msBetween(start, monotonicNs()));
        }
    }
    print("10,000 apps: a sort by a column", sort);
    print("10,000 apps: the filter after a key press", filter);
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The names read are cached where this run alone finds them.
    QTemporaryDir cache;
    qputenv("XDG_CACHE_HOME", QFile::encodeName(cache.path()));
    qunsetenv("ANDROID_SERIAL");
    QApplication app(argc, argv);
    // The runner and the window log every run; the output is the figures.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    QStringList figures = app.arguments().mid(1);
    if (figures.isEmpty())
        figures = {"details", "install", "label", "name-bytes", "cached-refresh"};
    const bool withApks = canBuildApks();
    if (!withApks)
        std::fprintf(stderr, "aapt or android-framework-res is missing: no figure that needs an "
                             "APK is measured\n");
    if (figures.contains(QLatin1String("details")))
        measureDetails();
    if (figures.contains(QLatin1String("install")))
        measureInstallSampling(3);
    if (withApks && figures.contains(QLatin1String("label")))
        measureLabelFromLargeTable(50);
    if (withApks && figures.contains(QLatin1String("name-bytes")))
        measureNameBytes();
    if (withApks && figures.contains(QLatin1String("cached-refresh")))
        measureCachedRefresh(10);
    return 0;
}
