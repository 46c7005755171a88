#pragma once

#include "samples.h"

// A listing run through the device queue (posted from the UI thread, its result delivered back to
// it) beside the same run straight through the runner on the calling thread.
struct QueueResult
{
    long lines = 0;
    Samples queued; // ms
    Samples direct; // ms
};

// Times the package manager's listing of 1,000 apps by the stand-in, both ways, turn about.
QueueResult measureQueue();
