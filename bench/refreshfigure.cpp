#include "refreshfigure.h"

#include "plainrun.h"

#include <QCoreApplication>
#include <cstdio>

QList<RefreshResult> measureRefresh()
{
    const QString harness =
        QCoreApplication::applicationDirPath() + QStringLiteral("/apkshelf_bench_refresh");
    const long sizes[] = {1'000, 10'000, 100'000};
    QList<RefreshResult> results;
    for (const long entries : sizes) {
        std::fprintf(stderr, "refresh: %ld entries\n", entries);
        // A process per size, so that its peak resident memory is this size's alone.
        QHash<QByteArray, Samples> samples =
            samplesFrom(captureOutput(harness, {QString::number(entries), QStringLiteral("7")}));
        RefreshResult result;
        result.entries = entries;
        result.refresh = samples.value("refresh");
        result.settled = samples.value("settled");
        result.runner = samples.value("runner");
        result.select = samples.value("select");
        result.sort = samples.value("sort");
        result.baseMb = samples.value("rss_base").max() / 1024;
        result.peakMb = samples.value("rss_peak").max() / 1024;
        result.sortedPeakMb = samples.value("rss_sorted").max() / 1024;
        results.append(result);
    }
    return results;
}
