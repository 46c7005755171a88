#pragma once

#include "bundlefigure.h"
#include "queuefigure.h"
#include "refreshfigure.h"
#include "runnerfigure.h"
#include "startupfigure.h"

#include <QList>

// Prints each figure beside its floor (median, min, max of the runs), then each goal and
// whether this run met it.
void printReport(const QList<RunnerResult> &runner, const QueueResult *queue,
                 const QList<RefreshResult> &refresh, const StartupResult *startup,
                 const BundleResult *bundle);
