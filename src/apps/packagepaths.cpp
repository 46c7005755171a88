#include "apps/packagepaths.h"

#include <QSet>

namespace {

// Whether `path` is absolute and names a file without "." or ".." folders or empty ones.
bool isCleanPath(QStringView path)
{
    if (!path.startsWith(QLatin1Char('/')) || path.endsWith(QLatin1Char('/')))
        return false;
    for (const QStringView part : path.mid(1).split(QLatin1Char('/'))) {
        if (part.isEmpty() || part == u"." || part == u"..")
            return false;
    }
    for (const QChar c : path)
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            return false;
    return true;
}

} // namespace

bool isPlainApkName(QStringView name)
{
    if (name.size() < 5 || name.size() > 200 || name.startsWith(QLatin1Char('.')) ||
        !name.endsWith(u".apk", Qt::CaseInsensitive))
        return false;
    for (const QChar c : name) {
        const char16_t u = c.unicode();
        const bool plain = (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') ||
                           (u >= '0' && u <= '9') || u == '.' || u == '_' || u == '-' || u == '+';
        if (!plain)
            return false;
    }
    return true;
}

std::optional<QList<PackageFile>> readPackagePaths(const QList<QByteArrayView> &lines)
{
    QList<PackageFile> files;
    QSet<QString> names;
    for (const QByteArrayView line : lines) {
        if (!line.startsWith("package:") || line.size() > 4096 + 8)
            continue;
        PackageFile file;
        file.devicePath = QString::fromUtf8(line.sliced(8));
        while (file.devicePath.endsWith(QLatin1Char('\r')))
            file.devicePath.chop(1);
        const QString name = file.devicePath.mid(file.devicePath.lastIndexOf(QLatin1Char('/')) + 1);
        file.entryName = files.isEmpty() ? QStringLiteral("base.apk") : name;
        const bool nameOk = files.isEmpty() ? !name.isEmpty() : isPlainApkName(name);
        if (!isCleanPath(file.devicePath) || !nameOk || names.contains(file.entryName))
            return std::nullopt;
        names.insert(file.entryName);
        files.append(file);
    }
    if (files.isEmpty())
        return std::nullopt;
    return files;
}
