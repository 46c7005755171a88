#include "startupfigure.h"

#include "clock.h"
#include "plainrun.h"

#include <QCoreApplication>
#include <cstdio>

namespace {

// ms from spawning `program` to its report of a first exposed window; negative when none came.
// Its warnings (the offscreen platform has a few) go nowhere, for both programs alike.
double timeToExposed(const QString &program)
{
    const std::int64_t start = monotonicNs();
    const Samples exposed = samplesFrom(captureOutput(program, {}, true)).value("exposed");
    if (exposed.isEmpty()) {
        std::fprintf(stderr, "startup: %s showed no window\n", qPrintable(program));
        return -1;
    }
    return msBetween(start, static_cast<std::int64_t>(exposed.max()));
}

} // namespace

StartupResult measureStartup()
{
    std::fprintf(stderr, "startup\n");
    const QString dir = QCoreApplication::applicationDirPath();
    const QString app = dir + QStringLiteral("/apkshelf_bench_startup_app");
    const QString label = dir + QStringLiteral("/apkshelf_bench_startup_label");
    const QString minimal = dir + QStringLiteral("/apkshelf_bench_startup_minimal");
    timeToExposed(app);
    timeToExposed(label);
    timeToExposed(minimal);
    StartupResult result;
    // Taken in turns, so that a slow spell of the machine falls on all of them.
    for (int run = 0; run < 21; ++run) {
        result.app.add(timeToExposed(app));
        result.label.add(timeToExposed(label));
        result.minimal.add(timeToExposed(minimal));
    }
    return result;
}
