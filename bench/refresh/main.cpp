// Refreshes the real window, offscreen, against a stand-in listing of a given size (of package
// files, or with "apps" of the apps the package manager lists) and prints "<figure> <value>" lines
// for the bench to read:
//   tool                                     ms per run of the stand-in alone, drained by the
//                                            plain reader: the tool's own run
//   runner                                   ms per refresh of the same runs through the runner
//                                            alone (in the Apps view all of its runs up to the
//                                            rows shown)
//   refresh, settled, select, sort           ms per run
//   rss_base, rss_peak, rss_sorted           kB resident: before the first refresh, at most over
//                                            the refreshes, and at most after selecting and sorting
// Usage: apkshelf_bench_refresh <entries> <runs> [apps]
#include "../clock.h"
#include "../hidewatch.h"
#include "../listingrun.h"
#include "../plainrun.h"
#include "fakeadb.h"
#include "window/mainwindow.h"

#include <QApplication>
#include <QFile>
#include <QProgressBar>
#include <QPushButton>
#include <QTabBar>
#include <QTableView>
#include <cstdio>

namespace {

long statusKb(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).simplified().split(' ').first().toLong();
    }
    return 0;
}

// Lets the window catch up with what the last step posted (layout, repaint).
void settle()
{
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

// Turns the event loop until `done` holds, for at most a minute.
template<typename Done> void waitUntil(Done done)
{
    const std::int64_t until = monotonicNs() + 60'000'000'000LL;
    while (!done() && monotonicNs() < until)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
}

void print(const char *figure, double value)
{
    std::printf("%s %.3f\n", figure, value);
}

// Until the busy bar has stayed hidden a while: the apps' details, read after the listing, are
// done too.
void waitForQuiet(const QProgressBar *busy)
{
    for (int quiet = 0; quiet < 3;) {
        waitUntil([&] { return busy->isHidden(); });
        const std::int64_t pause = monotonicNs() + 50'000'000;
        waitUntil([&] { return monotonicNs() >= pause; });
        quiet = busy->isHidden() ? quiet + 1 : 0;
    }
}

// The runs a refresh of the Apps view makes up to its rows shown (its device check, the Android
// version, the listings and the questions for the launcher and keyboard), as one refresh made
// them; the apps' details, read afterwards, start with a bare "shell getprop".
QList<QStringList> appsRefreshRuns(const FakeAdb &adb, QPushButton *refresh,
                                   const QProgressBar *busy)
{
    const qsizetype before = adb.calls().size();
    refresh->click();
    waitForQuiet(busy);
    QList<QStringList> runs;
    const QList<FakeAdb::Call> calls = adb.calls();
    for (qsizetype i = before; i < calls.size(); ++i) {
        if (calls.at(i).arguments == QStringList{"shell", "getprop"})
            break;
        runs.append(calls.at(i).arguments);
    }
    return runs;
}

void timeRefreshes(MainWindow &window, const FakeAdb &adb, long entries, int runs, bool apps)
{
    auto *refresh = window.findChild<QPushButton *>(QStringLiteral("refreshBtn"));
    auto *busy = window.findChild<QProgressBar *>(QStringLiteral("progressIndicator"));
    HideWatch watch;
    busy->installEventFilter(&watch);
    const QStringList listing = apps ? QStringList{"shell", "pm", "list", "packages", "-f", "-3"}
                                     : QStringList{QStringLiteral("shell"), QStringLiteral("ls"),
                                                   QStringLiteral("data/app/")};
    // The runner's floor: every run the refresh makes (one listing in the package files view).
    const QList<QStringList> floorRuns =
        apps ? appsRefreshRuns(adb, refresh, busy) : QList<QStringList>{listing};
    for (int run = 0; run < runs; ++run) {
        std::int64_t start = monotonicNs();
        drainPlainly(toolPath(), listing);
        print("tool", msBetween(start, monotonicNs()));

        start = monotonicNs();
        for (const QStringList &arguments : floorRuns)
            runListing(arguments);
        print("runner", msBetween(start, monotonicNs()));

        start = monotonicNs();
        refresh->click();
        // The package files view refreshes within the click; the Apps view's listing runs on the
        // device queue, and the bar hides when its rows are shown.
        waitUntil([&] { return watch.hiddenNs >= start; });
        print("refresh", msBetween(start, watch.hiddenNs));
        settle();
        print("settled", msBetween(start, monotonicNs()));
        waitForQuiet(busy);
        if (!window.controller()->isLoaded() ||
            window.findChild<QTableView *>()->model()->rowCount() != entries)
            std::fprintf(stderr, "refresh: the table does not show %ld entries\n", entries);
    }
}

void timeSelectAndSort(MainWindow &window, long entries, int runs)
{
    auto *table = window.findChild<QTableView *>(QStringLiteral("tableView"));
    for (int run = 0; run < runs; ++run) {
        const int row = static_cast<int>((run * 7919L + entries / 2) % entries);
        std::int64_t start = monotonicNs();
        table->selectRow(row);
        settle();
        print("select", msBetween(start, monotonicNs()));

        start = monotonicNs();
        table->sortByColumn(0, run % 2 ? Qt::DescendingOrder : Qt::AscendingOrder);
        settle();
        print("sort", msBetween(start, monotonicNs()));
    }
}

} // namespace

int main(int argc, char *argv[])
{
    // The window's diagnostic log would only bury the figures.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    QApplication app(argc, argv);
    const long entries = argc > 1 ? std::atol(argv[1]) : 1000;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 5;
    const bool apps = argc > 3 && qstrcmp(argv[3], "apps") == 0;

    FakeAdb adb;
    adb.attachDevice();
    adb.setOptions(apps ? QStringLiteral("pm-list") : QStringLiteral("ls"),
                   QByteArray("lines=") + QByteArray::number(qint64(entries)));

    MainWindow window([](QWidget *) { return QStringList(); });
    window.show();
    settle();
    print("rss_base", statusKb("VmRSS:"));
    if (apps) {
        // Choosing the view refreshes it once; the timed refreshes follow.
        window.findChild<QTabBar *>(QStringLiteral("viewTabs"))->setCurrentIndex(1);
        settle();
    }
    timeRefreshes(window, adb, entries, runs, apps);
    print("rss_peak", statusKb("VmHWM:"));
    // An empty list, measured for the memory that entries add, has no row to select.
    if (entries > 0)
        timeSelectAndSort(window, entries, runs);
    print("rss_sorted", statusKb("VmHWM:"));
    return 0;
}
