#include "install/installcleanup.h"

#include "text/shellquote.h"

#include <QFileInfo>

namespace {

constexpr qsizetype sessionsAtMost = 256;
// The installers a shell leaves sessions of: the shell user, and root after "adb root".
constexpr int shellUid = 2000;
constexpr int rootUid = 0;

bool isIndented(QByteArrayView line)
{
    return !line.isEmpty() && (line.front() == ' ' || line.front() == '\t');
}

// The id of a "Session <id>:" line; -1 for any other line.
int sessionHeader(QByteArrayView line)
{
    line = line.trimmed();
    if (!line.startsWith("Session ") || !line.endsWith(":"))
        return -1;
    const QByteArrayView digits = line.sliced(8, line.size() - 9);
    bool ok = false;
    const int id = digits.isEmpty() || digits.size() > 10 ? -1 : digits.toInt(&ok);
    return ok && id >= 0 && digits.front() != '+' ? id : -1;
}

} // namespace

QStringList sessionDumpArguments()
{
    return {QStringLiteral("shell"), QStringLiteral("dumpsys"), QStringLiteral("package")};
}

void OpenSessions::feed(QByteArrayView line)
{
    if (part == Part::After)
        return;
    if (part == Part::Before) {
        if (line.trimmed() == "Active install sessions:")
            part = Part::Active;
        return;
    }
    if (!line.trimmed().isEmpty() && !isIndented(line)) {
        endSession();
        part = Part::After;
        return;
    }
    if (const int id = sessionHeader(line); id >= 0) {
        endSession();
        session = id;
        return;
    }
    if (session < 0)
        return;
    for (qsizetype at = 0; at < line.size();) {
        qsizetype end = at;
        while (end < line.size() && line[end] != ' ' && line[end] != '\t')
            ++end;
        readPair(line.sliced(at, end - at));
        at = end + 1;
    }
}

void OpenSessions::readPair(QByteArrayView pair)
{
    const qsizetype equals = pair.indexOf('=');
    if (equals <= 0)
        return;
    const QByteArrayView key = pair.first(equals);
    const QByteArrayView value = pair.sliced(equals + 1);
    if (key == "installerUid" || key == "mInstallerUid") {
        bool ok = false;
        const int uid = value.toInt(&ok);
        byShell = ok && (uid == shellUid || uid == rootUid);
    } else if ((key == "mSealed" || key == "mCommitted" || key == "mDestroyed") &&
               value == "true") {
        finished = true;
    }
}

void OpenSessions::endSession()
{
    if (session >= 0 && byShell && !finished && found.size() < sessionsAtMost &&
        !found.contains(session))
        found.append(session);
    session = -1;
    byShell = false;
    finished = false;
}

QList<int> OpenSessions::ids() const
{
    OpenSessions ended = *this;
    ended.endSession();
    return ended.found;
}

QList<int> openShellSessions(const QStringList &dump)
{
    OpenSessions sessions;
    for (const QString &line : dump)
        sessions.feed(line.toUtf8());
    return sessions.ids();
}

QStringList abandonArguments(int id)
{
    return {QStringLiteral("shell"), QStringLiteral("pm"), QStringLiteral("install-abandon"),
            QString::number(id)};
}

QStringList pushCopyRemovalArguments(const QString &givenPath)
{
    const QString copy = QStringLiteral("/data/local/tmp/") + QFileInfo(givenPath).fileName();
    return {QStringLiteral("shell"), QStringLiteral("rm"), shellQuoted(copy),
            QStringLiteral("</dev/null")};
}

QString expansionDevicePath(const QString &packageName, const QString &fileName)
{
    return QStringLiteral("/sdcard/Android/obb/%1/%2").arg(packageName, fileName);
}

QStringList expansionRemovalArguments(const QStringList &devicePaths)
{
    if (devicePaths.isEmpty())
        return {};
    QStringList arguments{QStringLiteral("shell"), QStringLiteral("rm")};
    for (const QString &path : devicePaths)
        arguments.append(shellQuoted(path));
    arguments.append(QStringLiteral("</dev/null"));
    return arguments;
}
