#pragma once

#include "samples.h"

#include <QList>

// A refresh of the real window on a listing of `entries`, in a process of its own.
struct RefreshResult
{
    long entries = 0;
    bool apps = false; // the Apps view's listing rather than the package files
    Samples refresh;   // ms from the click to the busy indicator stopping
    Samples settled;   // ms from the click until the window has handled what the refresh posted
    Samples tool;      // ms of the stand-in alone on the same listing, drained by the plain reader
    Samples runner;    // ms of the runner alone on the same listing
    Samples select;    // ms to select a row, with the list loaded
    Samples sort;      // ms to sort the table by its column
    double baseMb = 0;
    double peakMb = 0;       // at most, over the refreshes
    double sortedPeakMb = 0; // at most, once also selected and sorted
};

// Refreshes on an empty listing (the memory the window takes without entries), on listings of
// 1,000, 10,000 and 100,000 package files, then of 10,000 apps.
QList<RefreshResult> measureRefresh();
