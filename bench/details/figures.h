#pragma once

// The figures of apkshelf_bench_details beyond the Apps view's model, each printing its own lines
// and its goal. Each needs the application object to exist; those that build APKs say so and
// print nothing else when aapt is missing.

// An install of a large file through the install worker, which follows adb's reading for the
// progress bar, against the same adb run with nothing following it: this process's CPU time.
void measureInstallSampling(int runs);

// readLabel() on the manifest and 5 MB resource table of an APK built with aapt.
void measureLabelFromLargeTable(int runs);

// The bytes of APKs of several sizes that the details reading takes from the device for a name.
void measureNameBytes();

// A second refresh of the Apps view of 300 apps whose details are cached, in the real window,
// against the stand-in's runs that refresh makes, each run alone.
void measureCachedRefresh(int runs);
