#include "mainwindow.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    qSetMessagePattern(QStringLiteral("%{time yyyy-MM-dd hh:mm:ss.zzz} %{appname}: %{message}"));
    QApplication app(argc, argv);
    MainWindow window;
    window.show();
    return app.exec();
}
