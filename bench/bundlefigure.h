#pragma once

#include "samples.h"

// Preparing a 100 MB bundle for the device (recognise, choose, extract the chosen APKs), each run
// in a process of its own, beside cp copying as many bytes as the chosen APKs hold.
struct BundleResult
{
    double storedMb = 0;   // the bundle with its APKs stored as they are
    double deflatedMb = 0; // the same, its APKs deflated
    double chosenMb = 0;
    Samples stored;    // ms to prepare the first
    Samples deflated;  // ms to prepare the second
    Samples copy;      // ms of cp of as many bytes as the chosen APKs, from its start to its end
    double peakMb = 0; // resident, at most, of a preparing process
};

BundleResult measureBundle();
