#include "report.h"

#include "tablelines.h"

#include <cstdio>

namespace {

double ratio(const Samples &measured, const Samples &floor)
{
    return floor.median() > 0 ? measured.median() / floor.median() : 0;
}

void printRunner(const QList<RunnerResult> &results)
{
    std::printf("\n1. Runner throughput: the runner vs plain read() of the same stand-in (ms)\n");
    std::printf("%-30s %4s  %-26s %-26s %6s %8s\n", "output", "runs", "runner", "floor", "ratio",
                "ns/line");
    for (const RunnerResult &r : results) {
        std::printf("%-30s %4d  %-26s %-26s %5.2fx %8.0f\n", qPrintable(r.label), r.runner.count(),
                    spread(r.runner).constData(), spread(r.floor).constData(),
                    ratio(r.runner, r.floor), r.runner.median() * 1e6 / r.lines);
    }
}

// The peak resident memory of the refreshes on an empty listing, the base that entries add to.
double emptyPeakMb(const QList<RefreshResult> &results)
{
    for (const RefreshResult &r : results) {
        if (r.entries == 0)
            return r.peakMb;
    }
    return 0;
}

void printRefresh(const QList<RefreshResult> &results)
{
    std::printf("\n2. Refresh, offscreen, real window (ms; memory in MB resident)\n");
    std::printf("%-11s %-20s %-20s %-20s %5s %5s %5s %5s %6s %5s %-16s %-18s\n", "entries",
                "refresh", "tool alone", "runner alone", "+tool", "+run", "base", "peak", "sorted",
                "added", "select row", "sort");
    const double emptyPeak = emptyPeakMb(results);
    for (const RefreshResult &r : results) {
        const QByteArray entries = QByteArray::number(qint64(r.entries)) + (r.apps ? " apps" : "");
        std::printf("%-11s %-20s %-20s %-20s %5.1f %5.1f %5.1f %5.1f %6.1f %5.1f %-16s %-18s\n",
                    entries.constData(), spread(r.refresh).constData(), spread(r.tool).constData(),
                    spread(r.runner).constData(), r.refresh.median() - r.tool.median(),
                    r.refresh.median() - r.runner.median(), r.baseMb, r.peakMb, r.sortedPeakMb,
                    r.peakMb - emptyPeak, spread(r.select).constData(), spread(r.sort).constData());
    }
}

void printStartup(const StartupResult &result)
{
    std::printf("\n3. Start-up to the window first exposed, offscreen (ms)\n");
    std::printf("%-30s %4s  %-26s\n", "program", "runs", "time");
    std::printf("%-30s %4d  %-26s\n", "apkshelf window", result.app.count(),
                spread(result.app).constData());
    std::printf("%-30s %4d  %-26s\n", "Qt window with one label", result.label.count(),
                spread(result.label).constData());
    std::printf("%-30s %4d  %-26s\n", "empty Qt Widgets window", result.minimal.count(),
                spread(result.minimal).constData());
}

void printBundle(const BundleResult &result)
{
    std::printf("\n4. Preparing a bundle: recognise, choose, extract the chosen %.1f MB (ms)\n",
                result.chosenMb);
    std::printf("%-30s %4s  %-26s\n", "work", "runs", "time");
    std::printf(
        "%-30s %4d  %-26s\n",
        qPrintable(QStringLiteral("%1 MB bundle, APKs stored").arg(result.storedMb, 0, 'f', 0)),
        result.stored.count(), spread(result.stored).constData());
    std::printf(
        "%-30s %4d  %-26s\n",
        qPrintable(QStringLiteral("%1 MB bundle, APKs deflated").arg(result.deflatedMb, 0, 'f', 0)),
        result.deflated.count(), spread(result.deflated).constData());
    std::printf("%-30s %4d  %-26s\n", "cp of as many bytes", result.copy.count(),
                spread(result.copy).constData());
    std::printf("peak resident of a preparing process: %.1f MB\n", result.peakMb);
}

template<typename Result, typename Match>
const Result *find(const QList<Result> &results, Match match)
{
    for (const Result &result : results) {
        if (match(result))
            return &result;
    }
    return nullptr;
}

void printQueue(const QueueResult &r)
{
    std::printf("\n1b. Device queue: a listing of %ld apps through the queue vs straight through "
                "the runner (ms)\n",
                r.lines);
    std::printf("%4s  %-26s %-26s %6s\n", "runs", "queue", "runner", "ratio");
    std::printf("%4d  %-26s %-26s %5.2fx\n", r.queued.count(), spread(r.queued).constData(),
                spread(r.direct).constData(), ratio(r.queued, r.direct));
}

void printGoals(const QList<RunnerResult> &runner, const QueueResult *queue,
                const QList<RefreshResult> &refresh, const StartupResult *startup,
                const BundleResult *bundle)
{
    std::printf("\nGoals\n");
    if (queue)
        printGoal("a listing through the device queue, against the runner alone",
                  ratio(queue->queued, queue->direct), "x", 1.15);
    if (const auto *r = find(runner, [](const RunnerResult &r) {
            return r.label == QLatin1String("100,000 lines");
        }))
        printGoal("runner at 100,000 lines, against its floor", ratio(r->runner, r->floor), "x",
                  1.3);
    if (const auto *r = find(refresh, [](const RefreshResult &r) { return r.apps; }))
        printGoal("Apps refresh at 10,000 apps, added over the runner",
                  r->refresh.median() - r->runner.median(), "ms", 20);
    if (const auto *r =
            find(refresh, [](const RefreshResult &r) { return r.entries == 100'000 && !r.apps; })) {
        printGoal("refresh at 100,000 entries, added over the tool's run",
                  r->refresh.median() - r->tool.median(), "ms", 15);
        if (find(refresh, [](const RefreshResult &r) { return r.entries == 0; }))
            printGoal("memory added by 100,000 entries to an empty list",
                      r->peakMb - emptyPeakMb(refresh), "MB", 8);
        printGoal("refresh at 100,000 entries, peak resident", r->peakMb, "MB", 64);
        printGoal("select a row at 100,000 entries", r->select.median(), "ms", 50);
        printGoal("sort the table at 100,000 entries", r->sort.median(), "ms", 50);
    }
    if (startup)
        printGoal("start-up against the window with one label", ratio(startup->app, startup->label),
                  "x", 1.1);
    if (bundle) {
        printGoal("preparing a 100 MB bundle (stored), against cp",
                  ratio(bundle->stored, bundle->copy), "x", 1.5);
        printGoal("preparing a 100 MB bundle (deflated), against cp",
                  ratio(bundle->deflated, bundle->copy), "x", 1.5);
        printGoal("preparing a 100 MB bundle, peak resident", bundle->peakMb, "MB", 60);
    }
}

} // namespace

void printReport(const QList<RunnerResult> &runner, const QueueResult *queue,
                 const QList<RefreshResult> &refresh, const StartupResult *startup,
                 const BundleResult *bundle)
{
    if (!runner.isEmpty())
        printRunner(runner);
    if (queue)
        printQueue(*queue);
    if (!refresh.isEmpty())
        printRefresh(refresh);
    if (startup)
        printStartup(*startup);
    if (bundle)
        printBundle(*bundle);
    printGoals(runner, queue, refresh, startup, bundle);
}
