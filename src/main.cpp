#include "mainwindow.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    qSetMessagePattern(QStringLiteral("%{time yyyy-MM-dd hh:mm:ss.zzz} %{appname}: %{message}"));
    QApplication app(argc, argv);
    // Lets the desktop match the window to apkshelf.desktop, for its icon and name.
    QGuiApplication::setDesktopFileName(QStringLiteral("apkshelf"));
    MainWindow window;
    window.show();
    return app.exec();
}
