#include "window/appicon.h"
#include "window/mainwindow.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    qSetMessagePattern(QStringLiteral("%{time yyyy-MM-dd hh:mm:ss.zzz} %{appname}: %{message}"));
    QApplication app(argc, argv);
    // The component id names the desktop entry and the icon: the desktop matches the window to
    // org.example.apkshelf.desktop for its name and icon.
    const QString id = QStringLiteral("org.example.apkshelf");
    QGuiApplication::setDesktopFileName(id);
    // For taskbars and window switchers that don't read the desktop entry. When no icon theme
    // offers the icon, the raster installed beside the program (in the build tree too) serves.
    QApplication::setWindowIcon(applicationIcon(
        id, QCoreApplication::applicationDirPath() +
                QStringLiteral("/../share/icons/hicolor/256x256/apps/%1.png").arg(id)));
    MainWindow window;
    window.show();
    return app.exec();
}
