#pragma once

#include "samples.h"

#include <QList>
#include <QString>

// One way the stand-in prints a listing, timed through the runner and through the plain reader.
struct RunnerResult
{
    QString label;
    long lines = 0;
    Samples runner; // ms
    Samples floor;  // ms
};

// Times the runner as listings use it (lines handed over in batches) on listings of 1,000 to
// 1,000,000 lines, and on 100,000 lines written in large and in tiny pieces; then launchTask, which
// makes every line a string, on 100,000 lines; each beside the stand-in drained by the plain
// reader.
QList<RunnerResult> measureRunner();
