#pragma once

#include <QString>

// The most characters of a label the window shows.
constexpr int LongestLabel = 100;

// `label` made safe to show: control characters, bidi embeddings, overrides, isolates and marks,
// and zero-width spaces removed (an unpaired surrogate shows as U+FFFD); line breaks and tabs
// become spaces; runs of white space become one; trimmed. A longer label is cut to LongestLabel
// characters (code points), the last one "…", so that a cut name never passes for a whole one.
QString displayLabel(QStringView label);
