#include "text/utf8line.h"

QString decodeLine(QByteArrayView line)
{
    QString text = QString::fromUtf8(line);
    // fromUtf8 drops a BOM at the start; keep the bytes as they were.
    if (line.startsWith("\xEF\xBB\xBF"))
        text.prepend(QChar(0xFEFF));
    return text;
}
