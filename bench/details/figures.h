#pragma once

// The figures of apkshelf_bench_details beyond the Apps view's model, each printing its own lines
// and its goal. Each needs the application object to exist.

// An install of a large file through the install worker, which follows adb's reading for the
// progress bar, against the same adb run with nothing following it: this process's CPU time.
void measureInstallSampling(int runs);
