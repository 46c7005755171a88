// A refresh of the Apps view in the real window, offscreen, of 300 apps whose details the cache
// already holds: the listing, then the details reading (the device's properties, the dump, the
// sizes), whose names come from the cache. Its floor is every run of the stand-in that the
// refresh made, each run alone and drained by the plain reader, one after the other.
#include "../clock.h"
#include "../hidewatch.h"
#include "../plainrun.h"
#include "../samples.h"
#include "../tablelines.h"
#include "aaptapk.h"
#include "fakeadb.h"
#include "figures.h"
#include "window/mainwindow.h"

#include <QApplication>
#include <QProgressBar>
#include <QPushButton>
#include <QTabBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>

namespace {

constexpr int apps = 300;
const QByteArray appName = "Cached Name";

QByteArray packageNameOf(int app)
{
    return "com.example.app" + QByteArray::number(app);
}

QByteArray pathOf(int app)
{
    return "/data/app/~~Qm9v4w==/" + packageNameOf(app) + "-Zx81Yw==/base.apk";
}

// The device: the apps listed, the dump with each one's version and update time (what a cached
// name is kept by), and each one's package file.
void placeDeviceScenario(FakeAdb &adb, const QByteArray &apk)
{
    QByteArray listing;
    QByteArray dump = "Packages:\n";
    for (int app = 0; app < apps; ++app) {
        listing += "package:" + pathOf(app) + "=" + packageNameOf(app) + "\n";
        dump += "  Package [" + packageNameOf(app) +
                "] (a1b2c3d):\n    userId=10123\n"
                "    codePath=" +
                pathOf(app).chopped(9) +
                "\n"
                "    versionCode=" +
                QByteArray::number(app + 1) +
                " minSdk=21 targetSdk=33\n"
                "    versionName=1." +
                QByteArray::number(app) +
                "\n"
                "    lastUpdateTime=2024-05-02 10:11:13\n"
                "    User 0: ceDataInode=40962 installed=true hidden=false enabled=0\n";
        adb.placeDeviceFile(QString::fromLatin1(pathOf(app)), apk);
    }
    adb.attachDevice();
    adb.setOutput(QStringLiteral("getprop-sdk"), "30\n");
    adb.setOutput(QStringLiteral("getprop"),
                  "[ro.build.version.sdk]: [30]\n[persist.sys.locale]: [en-US]\n");
    adb.setOutput(QStringLiteral("pm-list"), listing);
    adb.setOutput(QStringLiteral("dumpsys-packages"), dump);
}

// Handles the window's events until `done`; false when a minute passed first.
bool waitUntil(const std::function<bool()> &done)
{
    // Wakes the loop now and then, whatever the window does.
    QTimer tick;
    tick.start(100);
    const QDeadlineTimer deadline(60'000);
    while (!done()) {
        if (deadline.hasExpired()) {
            std::fprintf(stderr, "cached refresh: the window did not finish in a minute\n");
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

// Whether the window shows every app with its cached name, and no action is under way.
bool showsCachedNames(MainWindow &window)
{
    const QAbstractItemModel *model =
        window.findChild<QTableView *>(QStringLiteral("tableView"))->model();
    return window.findChild<QProgressBar *>(QStringLiteral("progressIndicator"))->isHidden() &&
           model->rowCount() == apps && model->index(0, 0).data().toByteArray() == appName;
}

struct Refresh
{
    double endMs = 0;  // from the click to the busy bar hidden for good
    double rowsMs = 0; // from the click to the apps shown in the table
};

// Clicks Refresh and waits until the window has ended every action and shows the cached names.
Refresh refreshOnce(MainWindow &window, HideWatch &hides)
{
    QAbstractItemModel *model =
        window.findChild<QTableView *>(QStringLiteral("tableView"))->model();
    std::int64_t rowsNs = 0;
    const auto noteRows = [&] {
        if (!rowsNs && model->rowCount() == apps)
            rowsNs = monotonicNs();
    };
    const QMetaObject::Connection reset =
        QObject::connect(model, &QAbstractItemModel::modelReset, noteRows);
    const QMetaObject::Connection inserted =
        QObject::connect(model, &QAbstractItemModel::rowsInserted, noteRows);
    const std::int64_t start = monotonicNs();
    window.findChild<QPushButton *>(QStringLiteral("refreshBtn"))->click();
    waitUntil([&] { return rowsNs && showsCachedNames(window); });
    QObject::disconnect(reset);
    QObject::disconnect(inserted);
    return {msBetween(start, hides.hiddenNs), msBetween(start, rowsNs)};
}

// Runs each of `calls` again, alone, one after the other; the ms they took in all.
double runsAlone(const QList<FakeAdb::Call> &calls)
{
    const std::int64_t start = monotonicNs();
    for (const FakeAdb::Call &call : calls)
        drainPlainly(toolPath(), call.arguments);
    return msBetween(start, monotonicNs());
}

} // namespace

void measureCachedRefresh(int runs)
{
    QTemporaryDir folder;
    const QByteArray apk = buildApk(folder.path(), {"com.example.app", appName, {}, 0});
    FakeAdb adb;
    if (apk.isEmpty() || !adb.isReady())
        return;
    placeDeviceScenario(adb, apk);
    MainWindow window([](QWidget *) { return QStringList(); });
    HideWatch hides;
    window.findChild<QProgressBar *>(QStringLiteral("progressIndicator"))
        ->installEventFilter(&hides);
    window.show();
    // Choosing the view refreshes it and reads every name from the device into the cache.
    window.findChild<QTabBar *>(QStringLiteral("viewTabs"))->setCurrentIndex(1);
    if (!waitUntil([&] { return showsCachedNames(window); }))
        return;

    Samples refresh, rows, alone;
    qsizetype toolRuns = 0;
    const qint64 servedBefore = adb.deviceBytesServed();
    for (int run = 0; run < runs; ++run) {
        const qsizetype before = adb.calls().size();
        const Refresh timed = refreshOnce(window, hides);
        refresh.add(timed.endMs);
        rows.add(timed.rowsMs);
        const QList<FakeAdb::Call> made = adb.calls().mid(before);
        toolRuns = made.size();
        alone.add(runsAlone(made));
    }
    if (adb.deviceBytesServed() != servedBefore)
        std::fprintf(stderr, "cached refresh: names were read from the device again\n");
    // With the dump held back, do the rows show before it has been read?
    constexpr int dumpStallMs = 1000;
    adb.setOptions(QStringLiteral("dumpsys-packages"),
                   "stall_ms=" + QByteArray::number(dumpStallMs) + "\n");
    const Refresh stalled = refreshOnce(window, hides);

    std::printf("\n8. Refresh of the Apps view, %d apps with cached details, real window (ms)\n",
                apps);
    std::printf("%-30s %4s  %-26s\n", "work", "runs", "time");
    std::printf("%-30s %4d  %-26s\n", "refresh, to its end", refresh.count(),
                spread(refresh).constData());
    std::printf("%-30s %4d  %-26s\n", "refresh, to the rows shown", rows.count(),
                spread(rows).constData());
    std::printf("%-30s %4d  %-26s\n",
                qPrintable(QStringLiteral("its %1 stand-in runs alone").arg(toolRuns)),
                alone.count(), spread(alone).constData());
    std::printf("rows shown before the dump was read: %s (with the dump held back %d ms: rows "
                "after %.1f ms, the refresh ended after %.1f ms)\n",
                stalled.rowsMs < dumpStallMs ? "yes" : "no", dumpStallMs, stalled.rowsMs,
                stalled.endMs);
    printGoal("refresh of 300 cached apps, over the stand-in's runs",
              refresh.median() - alone.median(), "ms", 20);
}
