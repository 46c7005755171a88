#include "apps/packagesizes.h"

#include "text/shellquote.h"

namespace {

constexpr qsizetype commandLimit = 4000;
const QString marker = QStringLiteral("@");

// The shell words that ask the size of one file.
QString wordsFor(const QString &path, SizeTool tool)
{
    if (tool == SizeTool::Stat)
        return shellQuoted(path);
    return QStringLiteral("echo %1; ls -l %2;").arg(shellQuoted(marker + path), shellQuoted(path));
}

QStringList commandStart(SizeTool tool)
{
    if (tool == SizeTool::Stat)
        return {QStringLiteral("shell"), QStringLiteral("stat"), QStringLiteral("-c"),
                shellQuoted(QStringLiteral("%s %n"))};
    return {QStringLiteral("shell")};
}

std::optional<qint64> sizeNumber(QByteArrayView text)
{
    if (text.isEmpty() || text.size() > 18)
        return std::nullopt;
    for (const char c : text)
        if (c < '0' || c > '9')
            return std::nullopt;
    return text.toLongLong();
}

bool isDate(QByteArrayView word)
{
    return word.size() == 10 && word[4] == '-' && word[7] == '-';
}

// The size in an "ls -l" line: the word before the date, whether or not a link count precedes
// the owner (toybox prints one, toolbox does not).
std::optional<qint64> listedSize(QByteArrayView line)
{
    QByteArrayView previous;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= line.size(); ++i) {
        if (i < line.size() && line[i] != ' ')
            continue;
        if (i > start) {
            const QByteArrayView word = line.sliced(start, i - start);
            if (isDate(word))
                return sizeNumber(previous);
            previous = word;
        }
        start = i + 1;
    }
    return std::nullopt;
}

} // namespace

QList<QStringList> sizeCommands(const QStringList &paths, SizeTool tool)
{
    QList<QStringList> commands;
    QStringList command;
    qsizetype length = 0;
    for (const QString &path : paths) {
        const QString words = wordsFor(path, tool);
        const qsizetype wordLength = words.toUtf8().size() + 1;
        if (command.isEmpty() || length + wordLength > commandLimit) {
            if (command.size() > commandStart(tool).size())
                commands.append(command);
            command = commandStart(tool);
            length = command.join(QLatin1Char(' ')).size();
        }
        if (length + wordLength > commandLimit)
            continue; // a path too long for any command: its size stays unknown
        command.append(words);
        length += wordLength;
    }
    if (command.size() > commandStart(tool).size())
        commands.append(command);
    return commands;
}

void readSizeLines(const QList<QByteArrayView> &lines, SizeTool tool, QHash<QString, qint64> &sizes)
{
    QString listed; // List: the path the last marker named
    for (const QByteArrayView line : lines) {
        if (tool == SizeTool::Stat) {
            const qsizetype space = line.indexOf(' ');
            const auto size = space < 0 ? std::nullopt : sizeNumber(line.first(space));
            if (size && space + 1 < line.size())
                sizes.insert(QString::fromUtf8(line.sliced(space + 1)), *size);
        } else if (line.startsWith('@')) {
            listed = QString::fromUtf8(line.sliced(1));
        } else if (!listed.isEmpty()) {
            if (const auto size = listedSize(line))
                sizes.insert(listed, *size);
            listed.clear();
        }
    }
}

qint64 totalSize(const QStringList &paths, const QHash<QString, qint64> &sizes)
{
    qint64 total = 0;
    for (const QString &path : paths) {
        const auto found = sizes.constFind(path);
        if (found == sizes.cend())
            return -1;
        total += *found;
    }
    return paths.isEmpty() ? -1 : total;
}

QStringList packageFiles(const QString &base, const PackageDetails *details)
{
    QStringList files{base};
    if (!details || details->codePath.isEmpty())
        return files;
    for (const QString &split : details->splits)
        if (split != QStringLiteral("base"))
            files.append(details->codePath + QStringLiteral("/split_") + split +
                         QStringLiteral(".apk"));
    return files;
}

AppSize appSize(const QString &base, const PackageDetails *details, bool splitsShown,
                const QHash<QString, qint64> &sizes)
{
    if (!details)
        return {};
    const QStringList files = packageFiles(base, details);
    // Splits named without a folder to find them in: their sizes cannot be asked.
    if (files.size() == 1 && details->splits.size() > details->splits.count(QStringLiteral("base")))
        return {};
    const qint64 bytes = totalSize(files, sizes);
    return {bytes, bytes >= 0 && details->splits.isEmpty() && !splitsShown};
}
