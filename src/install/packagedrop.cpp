#include "install/packagedrop.h"

#include <QFileInfo>
#include <QMimeData>
#include <QUrl>
#include <algorithm>

QString droppedPackage(const QMimeData &data)
{
    const QList<QUrl> urls = data.urls();
    if (urls.size() != 1 || !urls.first().isLocalFile())
        return {};
    const QFileInfo file(urls.first().toLocalFile());
    const QString name = file.fileName();
    static const QStringList endings{".apk", ".apk.zip", ".apks", ".xapk", ".apkm"};
    const bool package = std::any_of(endings.cbegin(), endings.cend(), [&](const QString &ending) {
        return name.endsWith(ending, Qt::CaseInsensitive);
    });
    if (!package || !file.isFile())
        return {};
    return file.absoluteFilePath();
}
