#include "device/packagename.h"

namespace {

bool isAsciiLetter(QChar c)
{
    return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
           (c >= QLatin1Char('A') && c <= QLatin1Char('Z'));
}

bool isAsciiDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

} // namespace

bool isPackageName(QStringView name)
{
    bool segmentStart = true;
    for (const QChar c : name) {
        if (segmentStart && !isAsciiLetter(c))
            return false;
        segmentStart = c == QLatin1Char('.');
        if (!segmentStart && !isAsciiLetter(c) && !isAsciiDigit(c) && c != QLatin1Char('_'))
            return false;
    }
    return !segmentStart;
}
