#include "install/readprogress.h"

#include <QByteArray>
#include <QFile>

#if defined(Q_OS_UNIX)
#include <dirent.h>
#include <sys/stat.h>
#endif

namespace {

// A process holds few descriptors; one that holds more than this is not adb, and scanning it all
// four times a second would cost more than the bar is worth.
constexpr int descriptorsAtMost = 4096;

#if defined(Q_OS_UNIX)
struct FileId
{
    dev_t device = 0;
    ino_t inode = 0;
    qint64 size = 0;
    bool valid = false;
};

FileId idOf(const QByteArray &path)
{
    struct stat facts
    {
    };
    if (::stat(path.constData(), &facts) != 0 || !S_ISREG(facts.st_mode))
        return {};
    return {facts.st_dev, facts.st_ino, static_cast<qint64>(facts.st_size), true};
}

std::optional<qint64> positionOf(const QByteArray &fdinfoPath)
{
    QFile file(QFile::decodeName(fdinfoPath));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    // fdinfo is a few short lines; the offset is on the first.
    return positionFromFdinfo(file.read(4096));
}
#endif

} // namespace

QList<std::optional<FileRead>> readPositions(qint64 pid, const QStringList &files,
                                             const QString &procRoot)
{
    QList<std::optional<FileRead>> positions(files.size());
#if defined(Q_OS_UNIX)
    QList<FileId> wanted;
    for (const QString &file : files)
        wanted.append(idOf(QFile::encodeName(file)));
    const QByteArray process = QFile::encodeName(procRoot) + '/' + QByteArray::number(pid);
    DIR *folder = ::opendir((process + "/fd").constData());
    if (!folder)
        return positions;
    int seen = 0;
    while (const dirent *entry = ::readdir(folder)) {
        if (entry->d_name[0] == '.')
            continue;
        if (++seen > descriptorsAtMost)
            break;
        const FileId open = idOf(process + "/fd/" + entry->d_name);
        for (qsizetype i = 0; open.valid && i < wanted.size(); ++i) {
            if (!wanted[i].valid || wanted[i].device != open.device ||
                wanted[i].inode != open.inode)
                continue;
            // A file opened twice counts by the descriptor that has read furthest.
            const std::optional<qint64> position = positionOf(process + "/fdinfo/" + entry->d_name);
            if (position && (!positions[i] || *position > positions[i]->position))
                positions[i] = FileRead{*position, open.size};
        }
    }
    ::closedir(folder);
#else
    Q_UNUSED(pid);
    Q_UNUSED(procRoot);
#endif
    return positions;
}

std::optional<qint64> positionFromFdinfo(const QByteArray &fdinfo)
{
    for (const QByteArray &line : fdinfo.split('\n')) {
        if (!line.startsWith("pos:"))
            continue;
        bool ok = false;
        const qint64 position = line.mid(4).trimmed().toLongLong(&ok);
        return ok && position >= 0 ? std::optional<qint64>(position) : std::nullopt;
    }
    return std::nullopt;
}
