#pragma once

#include "bundles/apksettoc.h"
#include "bundles/splitchoice.h"

// Chooses an APK set's APKs for a device by its table of contents, as its own store would: the one
// variant whose SDK, ABI and density targeting fit the device (the highest-numbered if several
// do); in it, the modules delivered at install, not instant ones; in each, its master and the
// APKs whose targeting fits: the device's preferred ABI among those offered, the best density, the
// device's languages (a fallback language split only when the others miss one of the device's
// languages), the best SDK level. APKs targeting a texture format are left out unless they are the
// fallback. A variant of standalone APKs (devices before Android 5, or a universal set) gives one
// APK to install alone. A problem when no variant fits or a module has native code for none of
// the device's ABIs.
SplitChoice chooseFromToc(const ApkSetToc &toc, const DeviceSpec &device);
