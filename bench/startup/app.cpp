// The application's own start-up, as main.cpp does it, ending when its window is first exposed.
#include "firstexpose.h"
#include "window/appicon.h"
#include "window/mainwindow.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    qSetMessagePattern(QStringLiteral("%{time yyyy-MM-dd hh:mm:ss.zzz} %{appname}: %{message}"));
    QApplication app(argc, argv);
    reportFirstExpose(app);
    const QString id = QStringLiteral("org.example.apkshelf");
    QGuiApplication::setDesktopFileName(id);
    QApplication::setWindowIcon(applicationIcon(
        id, QCoreApplication::applicationDirPath() +
                QStringLiteral("/../share/icons/hicolor/256x256/apps/%1.png").arg(id)));
    MainWindow window;
    window.show();
    return app.exec();
}
