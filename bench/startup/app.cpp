// The application's own start-up, as main.cpp does it, ending when its window is first exposed.
#include "firstexpose.h"
#include "mainwindow.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    qSetMessagePattern(QStringLiteral("%{time yyyy-MM-dd hh:mm:ss.zzz} %{appname}: %{message}"));
    QApplication app(argc, argv);
    reportFirstExpose(app);
    MainWindow window;
    window.show();
    return app.exec();
}
