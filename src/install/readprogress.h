#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// How far a process has read a file it holds open, and the file's size now.
struct FileRead
{
    qint64 position = 0;
    qint64 size = 0;
};

// How far a running process has read each of `files`: the offset ("pos:") of its descriptor for
// that file under <procRoot>/<pid>/fdinfo/, one entry per file in order. A descriptor is matched
// by the file it leads to (device and inode), not by its name, so a file reached through a link or
// renamed since still matches. An entry is empty when the process has no descriptor for that file
// (not opened yet, closed already, read in one go), when the process is gone, when a file cannot
// be looked at, and on systems without a Linux-style /proc.
QList<std::optional<FileRead>> readPositions(qint64 pid, const QStringList &files,
                                             const QString &procRoot = QStringLiteral("/proc"));

// The offset on the "pos:" line of a descriptor's fdinfo text; empty when there is none.
std::optional<qint64> positionFromFdinfo(const QByteArray &fdinfo);
