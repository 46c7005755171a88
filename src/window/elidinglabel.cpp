#include "window/elidinglabel.h"

#include <QFontMetrics>
#include <QPainter>
#include <QStyle>
#include <algorithm>

namespace {

int digitsIn(QStringView text)
{
    return int(std::count_if(text.begin(), text.end(), [](QChar c) { return c.isDigit(); }));
}

} // namespace

QString fittedBusyText(const QString &text, const QFontMetrics &metrics, int width)
{
    if (metrics.horizontalAdvance(text) <= width)
        return text;
    const qsizetype colon = text.lastIndexOf(QLatin1String(": "));
    if (colon <= 0)
        return metrics.elidedText(text, Qt::ElideMiddle, width);
    const QString head = text.left(colon);
    const QString tail = text.mid(colon + 2);
    const QString separator = QStringLiteral(": ");
    if (digitsIn(tail) >= digitsIn(head)) {
        const int room = width - metrics.horizontalAdvance(separator + tail);
        if (room > 0)
            return metrics.elidedText(head, Qt::ElideRight, room) + separator + tail;
    } else {
        const int room = width - metrics.horizontalAdvance(head + separator);
        if (room > 0)
            return head + separator + metrics.elidedText(tail, Qt::ElideRight, room);
    }
    return metrics.elidedText(text, Qt::ElideRight, width);
}

void ElidingLabel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRect room = contentsRect();
    style()->drawItemText(&painter, room, int(alignment()), palette(), isEnabled(),
                          fittedBusyText(text(), fontMetrics(), room.width()), foregroundRole());
}
