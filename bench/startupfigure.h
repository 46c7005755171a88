#pragma once

#include "samples.h"

// Start-up of the application and of a minimal Qt Widgets program: ms from starting the process
// to its window first exposed.
struct StartupResult
{
    Samples app;
    Samples minimal;
};

StartupResult measureStartup();
