#include "firstexpose.h"

#include "../clock.h"

#include <QApplication>
#include <QWindow>
#include <cstdio>

namespace {

class ExposeWatch : public QObject
{
public:
    using QObject::QObject;

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (!reported && event->type() == QEvent::Expose) {
            const auto *window = qobject_cast<QWindow *>(watched);
            if (window && window->isExposed()) {
                reported = true;
                std::printf("exposed %lld\n", static_cast<long long>(monotonicNs()));
                std::fflush(stdout);
                QCoreApplication::exit(0);
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool reported = false;
};

} // namespace

void reportFirstExpose(QApplication &app)
{
    app.installEventFilter(new ExposeWatch(&app));
}
