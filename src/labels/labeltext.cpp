#include "labels/labeltext.h"

#include <QList>
#include <string>

namespace {

bool isHidden(char32_t c)
{
    return c < 0x20 || (c >= 0x7f && c <= 0x9f)                            // C0, DEL, C1
           || c == 0x061c || c == 0x200e || c == 0x200f                    // bidi marks
           || (c >= 0x202a && c <= 0x202e) || (c >= 0x2066 && c <= 0x2069) // embeddings, isolates
           || c == 0x200b || c == 0x2060 ||
           c == 0xfeff                      // zero-width spaces, which make a name look blank
           || (c >= 0xd800 && c <= 0xdfff); // surrogates left unpaired
}

bool isBreak(char32_t c)
{
    return c == '\t' || c == '\n' || c == '\r' || c == 0x0b || c == 0x0c || c == 0x85 ||
           c == 0x2028 || c == 0x2029;
}

} // namespace

QString displayLabel(QStringView label)
{
    std::u32string kept;
    for (const uint code : label.toUcs4()) {
        const char32_t c = code;
        const bool space = isBreak(c) || QChar::isSpace(c);
        if (space) {
            if (!kept.empty() && kept.back() != ' ')
                kept.push_back(' ');
        } else if (!isHidden(c)) {
            kept.push_back(c);
        }
        if (qsizetype(kept.size()) > LongestLabel + 1) // enough to know it will be cut
            break;
    }
    while (!kept.empty() && kept.back() == ' ')
        kept.pop_back();
    if (qsizetype(kept.size()) > LongestLabel) {
        kept.resize(LongestLabel - 1);
        while (!kept.empty() && kept.back() == ' ')
            kept.pop_back();
        kept.push_back(U'\u2026');
    }
    return QString::fromUcs4(kept.data(), qsizetype(kept.size()));
}
