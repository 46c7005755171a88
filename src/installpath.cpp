#include "installpath.h"

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
        qInfo("cannot install through a link: no temporary folder: %s",
              folder ? qUtf8Printable(folder->errorString()) : "the system's does not exist");
        return {};
    }
    QString name = QFileInfo(chosenPath).fileName();
    if (name.endsWith(QLatin1String(".zip"), Qt::CaseInsensitive))
        name.chop(4);
    const QString target = QFileInfo(chosenPath).absoluteFilePath();
    QString link = folder->filePath(name);
    QFile file(target);
    if (!file.link(link)) {
        qInfo("cannot install through a link: %s -> %s: %s", qUtf8Printable(link),
              qUtf8Printable(target), qUtf8Printable(file.errorString()));
        return {};
    }
    qInfo("install through link: %s -> %s", qUtf8Printable(link), qUtf8Printable(target));
    return link;
}
