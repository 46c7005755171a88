#pragma once

#include <QString>

// Makes `word` a single word for a POSIX shell. A word made only of ASCII letters, digits and
// ._-+,:@%/= is returned as it is; any other word is put in single quotes, with each ' inside
// written as '\''. The device's shell, which adb hands its command line to, then sees exactly the
// text of `word`: no splitting, globbing, expansion or command substitution.
QString shellQuoted(const QString &word);
