#pragma once

#include "clock.h"

#include <QEvent>
#include <QObject>

// Notes when the widget it filters was last hidden (the busy bar: when the window's action ended).
class HideWatch : public QObject
{
public:
    std::int64_t hiddenNs = 0;

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Hide)
            hiddenNs = monotonicNs();
        return QObject::eventFilter(watched, event);
    }
};
