#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// The rules by which a device picks among configuration splits, as the device's own store applies
// them. ABIs are written with underscores ("arm64_v8a"), densities in dots per inch.

// The first of `deviceAbis` (most preferred first) that is among `offered`; none when none is.
std::optional<QString> preferredAbi(const QStringList &deviceAbis, const QStringList &offered);

// ABIs as people know them, for a sentence: "arm64-v8a, armeabi-v7a".
QString printedAbis(const QStringList &abis);

// Of `densities`, the one that suits a screen of `deviceDpi` best: an exact match; else, above or
// below both of two, the nearer; between a lower L and a higher H, L only when scaling it up looks
// better, that is when (2L - d) * H > d * d. 0 when `densities` is empty.
int bestDensity(int deviceDpi, const QList<int> &densities);

// The dots per inch of a density name ("xxhdpi" -> 480); 0 for any other text.
int densityDpi(const QString &name);

// Whether the highest of the SDK levels in `values` that this device meets is its best fit: some
// value is at most `deviceSdk` and no alternative lies between that value and `deviceSdk`. True
// when `values` is empty (nothing is targeted).
bool sdkMatches(int deviceSdk, const QList<int> &values, const QList<int> &alternatives);
