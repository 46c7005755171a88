#pragma once

#include "samples.h"

#include <QList>
#include <QString>

// One way the stand-in prints a listing, timed through launchTask and through the plain reader.
struct RunnerResult
{
    QString label;
    long lines = 0;
    Samples runner; // ms
    Samples floor;  // ms
};

// Times launchTask on listings of 1,000 to 1,000,000 lines, and on 100,000 lines written in
// large and in tiny pieces, each beside the stand-in drained by the plain reader.
QList<RunnerResult> measureRunner();
