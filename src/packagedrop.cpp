#include "packagedrop.h"

#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

QString droppedPackage(const QMimeData &data)
{
    const QList<QUrl> urls = data.urls();
    if (urls.size() != 1 || !urls.first().isLocalFile())
        return {};
    const QFileInfo file(urls.first().toLocalFile());
    const QString name = file.fileName();
    const bool package = name.endsWith(QLatin1String(".apk"), Qt::CaseInsensitive) ||
                         name.endsWith(QLatin1String(".apk.zip"), Qt::CaseInsensitive);
    if (!package || !file.isFile())
        return {};
    return file.absoluteFilePath();
}
