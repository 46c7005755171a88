// The least a Qt Widgets program does to show a window: the floor for the application's start-up.
#include "firstexpose.h"

#include <QApplication>
#include <QWidget>

int main(int argc, char *argv[])
{
    qSetMessagePattern(QStringLiteral("%{time yyyy-MM-dd hh:mm:ss.zzz} %{appname}: %{message}"));
    QApplication app(argc, argv);
    reportFirstExpose(app);
    QWidget window;
    window.show();
    return app.exec();
}
