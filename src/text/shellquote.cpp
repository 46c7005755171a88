#include "text/shellquote.h"

#include <algorithm>
#include <string_view>

namespace {

bool isSafe(QChar c)
{
    if (c.unicode() > 127)
        return false;
    const char ascii = static_cast<char>(c.unicode());
    return (ascii >= 'a' && ascii <= 'z') || (ascii >= 'A' && ascii <= 'Z') ||
           (ascii >= '0' && ascii <= '9') ||
           std::string_view("._-+,:@%/=").find(ascii) != std::string_view::npos;
}

} // namespace

QString shellQuoted(const QString &word)
{
    if (!word.isEmpty() && std::all_of(word.cbegin(), word.cend(), isSafe))
        return word;
    QString quoted = word;
    quoted.replace(QLatin1Char('\''), QLatin1String("'\\''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}
