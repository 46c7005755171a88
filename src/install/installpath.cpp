#include "install/installpath.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>

InstallPath::InstallPath(const QString &chosenPath)
{
    forAdb = chosenPath.endsWith(QLatin1String(".apk"), Qt::CaseInsensitive) ? chosenPath
                                                                             : makeLink(chosenPath);
}

QString InstallPath::makeLink(const QString &chosenPath)
{
    // An explicit template: the default one asks the application object for its name, and an
    // install may run on while the application is going away. The system's temporary folder is
    // named empty when it does not exist, and the template would then point at the root folder.
    const QString systemFolder = QDir::tempPath();
    if (!systemFolder.isEmpty())
        folder.emplace(systemFolder + QStringLiteral("/apkshelf-XXXXXX"));
    if (!folder || !folder->isValid()) {
        problem = QStringLiteral("no temporary folder for a link: ") +
                  (folder ? folder->errorString() : QStringLiteral("the system's does not exist"));
        qInfo("cannot install through a link: %s", qUtf8Printable(problem));
        return {};
    }
    QString name = QFileInfo(chosenPath).fileName();
    if (name.endsWith(QLatin1String(".zip"), Qt::CaseInsensitive))
        name.chop(4);
    const QString target = QFileInfo(chosenPath).absoluteFilePath();
    QString link = folder->filePath(name);
    QFile file(target);
    if (!file.link(link)) {
        problem = QStringLiteral("no link %1 -> %2: %3").arg(link, target, file.errorString());
        qInfo("cannot install through a link: %s", qUtf8Printable(problem));
        return {};
    }
    qInfo("install through link: %s -> %s", qUtf8Printable(link), qUtf8Printable(target));
    return link;
}
