#pragma once

#include "samples.h"

// Start-up of the application and of two minimal Qt Widgets programs, one window with a label and
// one empty window: ms from starting the process to its window first exposed.
struct StartupResult
{
    Samples app;
    Samples label;
    Samples minimal;
};

StartupResult measureStartup();
