#include "runnerfigure.h"

#include "clock.h"
#include "device/toolrunner.h"
#include "fakeadb.h"
#include "listingrun.h"
#include "plainrun.h"

#include <cstdio>

namespace {

struct RunnerCase
{
    const char *label;
    long lines;
    long chunk; // bytes per write by the stand-in; 0: all at once
    int runs;
    bool asText = false; // every line made a string, as runTool() gives them; else as a listing
};

qsizetype run(const QStringList &arguments, bool asText)
{
    return asText ? launchTask(arguments).size() : runListing(arguments);
}

const QStringList listing{QStringLiteral("shell"), QStringLiteral("ls"),
                          QStringLiteral("data/app/")};

RunnerResult measureCase(const RunnerCase &c)
{
    FakeAdb adb;
    adb.setOptions(QStringLiteral("ls"),
                   QByteArray("lines=") + QByteArray::number(qint64(c.lines)) +
                       "\nchunk=" + QByteArray::number(qint64(c.chunk)) + '\n');
    RunnerResult result{QString::fromLatin1(c.label), c.lines, {}, {}};
    // One run of each first, untimed, so neither side pays for a cold cache.
    drainPlainly(toolPath(), listing);
    run(listing, c.asText);
    for (int turn = 0; turn < c.runs; ++turn) {
        std::int64_t start = monotonicNs();
        drainPlainly(toolPath(), listing);
        result.floor.add(msBetween(start, monotonicNs()));

        start = monotonicNs();
        const qsizetype got = run(listing, c.asText);
        result.runner.add(msBetween(start, monotonicNs()));
        if (got != c.lines)
            std::fprintf(stderr, "runner: %s gave %lld lines\n", c.label, qint64(got));
    }
    return result;
}

} // namespace

QList<RunnerResult> measureRunner()
{
    const RunnerCase cases[] = {
        {"1,000 lines", 1'000, 0, 21},
        {"100,000 lines", 100'000, 0, 11},
        {"1,000,000 lines", 1'000'000, 0, 5},
        {"100,000 lines, 1 MB writes", 100'000, 1 << 20, 11},
        {"100,000 lines, 7-byte writes", 100'000, 7, 5},
        {"100,000 lines as text", 100'000, 0, 11, true},
    };
    QList<RunnerResult> results;
    for (const RunnerCase &c : cases) {
        std::fprintf(stderr, "runner: %s\n", c.label);
        results.append(measureCase(c));
    }
    return results;
}
