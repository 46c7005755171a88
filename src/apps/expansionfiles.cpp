#include "apps/expansionfiles.h"

#include "device/packagename.h"
#include "text/shellquote.h"

namespace {

QString folderOf(const QString &package)
{
    return QStringLiteral("/sdcard/Android/obb/") + package + QLatin1Char('/');
}

bool isPlainName(QByteArrayView name)
{
    if (name.isEmpty() || name.size() > 200 || name.front() == '.')
        return false;
    for (const char c : name)
        if (c <= ' ' || c > '~' || c == '/' || c == '\\')
            return false;
    return true;
}

// The words of `line` at runs of spaces, at most `count`; the last holds the rest of the line.
QList<QByteArrayView> words(QByteArrayView line, qsizetype count)
{
    QList<QByteArrayView> parts;
    qsizetype start = 0;
    while (start < line.size() && parts.size() + 1 < count) {
        const qsizetype space = line.indexOf(' ', start);
        if (space < 0)
            break;
        if (space > start)
            parts.append(line.sliced(start, space - start));
        start = space + 1;
    }
    while (start < line.size() && line[start] == ' ')
        ++start;
    if (start < line.size())
        parts.append(line.sliced(start));
    return parts;
}

// The rest of `line` after the word `word` (a view into it) and the spaces that follow.
QByteArrayView restAfter(QByteArrayView line, QByteArrayView word)
{
    qsizetype at = word.data() - line.data() + word.size();
    while (at < line.size() && line[at] == ' ')
        ++at;
    return line.sliced(at);
}

// A file's size and name from one line of a regular file: "<size> <mode> <path>" from stat, or an
// "ls -l" line (with or without a link count) whose name is what follows the date and the time.
bool readLine(QByteArrayView line, SizeTool tool, qint64 &size, QByteArrayView &name)
{
    const QList<QByteArrayView> part = words(line, tool == SizeTool::Stat ? 3 : 9);
    qsizetype date = 0;
    while (tool == SizeTool::List && date < part.size() &&
           !(part[date].size() == 10 && part[date][4] == '-'))
        ++date;
    const qsizetype sizeAt = tool == SizeTool::Stat ? 0 : date - 1;
    const qsizetype lastAt = tool == SizeTool::Stat ? 2 : date + 2;
    if (sizeAt < 0 || lastAt >= part.size() ||
        !part[tool == SizeTool::Stat ? 1 : 0].startsWith('-'))
        return false;
    bool ok = false;
    size = part[sizeAt].size() <= 18 ? part[sizeAt].toLongLong(&ok) : 0;
    name = tool == SizeTool::Stat ? part[2].sliced(part[2].lastIndexOf('/') + 1)
                                  : restAfter(line, part[date + 1]);
    return ok && size >= 0;
}

} // namespace

QStringList expansionCommand(const QString &package, SizeTool tool)
{
    if (!isPackageName(package))
        return {};
    const QString folder = shellQuoted(folderOf(package));
    if (tool == SizeTool::Stat) // the * is left to the shell
        return {QStringLiteral("shell"), QStringLiteral("stat"), QStringLiteral("-c"),
                shellQuoted(QStringLiteral("%s %A %n")), folder + QLatin1Char('*')};
    return {QStringLiteral("shell"), QStringLiteral("ls"), QStringLiteral("-l"), folder};
}

QList<ExpansionFile> readExpansionLines(const QList<QByteArrayView> &lines, const QString &package,
                                        SizeTool tool)
{
    QList<ExpansionFile> files;
    for (const QByteArrayView line : lines) {
        qint64 size = 0;
        QByteArrayView name;
        if (!readLine(line, tool, size, name) || !isPlainName(name))
            continue;
        const QString file = QString::fromLatin1(name);
        files.append({folderOf(package) + file,
                      QStringLiteral("Android/obb/") + package + QLatin1Char('/') + file, size});
    }
    return files;
}
