// The least a Qt Widgets program does to show a window with text in it: one label. Unlike the
// empty window, it loads the fonts and lays out text, as any window that shows words must; the
// floor for the application's start-up.
#include "firstexpose.h"

#include <QApplication>
#include <QLabel>

int main(int argc, char *argv[])
{
    qSetMessagePattern(QStringLiteral("%{time yyyy-MM-dd hh:mm:ss.zzz} %{appname}: %{message}"));
    QApplication app(argc, argv);
    reportFirstExpose(app);
    QLabel window(QStringLiteral("apkshelf"));
    window.show();
    return app.exec();
}
