#include "toolrunner.h"

#include "linesplitter.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QProcess>
#include <algorithm>

namespace {

constexpr qsizetype listedInLog = 20;

QProcessEnvironment environmentFor(const QString &serial)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("ANDROID_SERIAL"), serial);
    return environment;
}

void readUntilEnd(QProcess &process, LineSplitter &splitter)
{
    char buffer[64 * 1024];
    for (;;) {
        const qint64 got = process.read(buffer, sizeof buffer);
        if (got > 0) {
            splitter.feed(QByteArrayView(buffer, got));
            continue;
        }
        // The run ends when the tool has exited and what it wrote is drained. A process the tool
        // left behind cannot hold the caller, even if it still holds the tool's output open.
        if (got < 0 || !process.waitForReadyRead(-1))
            break;
    }
}

bool holdsNul(const QString &argument)
{
    return argument.contains(QChar(0));
}

// Never leaves a running tool behind: QProcess would kill it with a warning anyway.
void collect(QProcess &process)
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.kill();
    process.waitForFinished(-1);
}

} // namespace

QString toolPath()
{
    return QDir::cleanPath(QCoreApplication::applicationDirPath() +
                           QStringLiteral("/../lib/apkshelf/adb"));
}

QString describeList(const QStringList &list)
{
    QString text;
    QDebug debug(&text);
    debug.nospace() << '(';
    for (qsizetype i = 0; i < qMin(list.size(), listedInLog); ++i)
        debug << (i > 0 ? ", " : "") << list.at(i);
    if (list.size() > listedInLog)
        debug.noquote() << ", ... " << list.size() << " in all";
    debug << ')';
    return text;
}

QStringList launchTask(const QStringList &arguments, const QString &serial)
{
    return launchTask(toolPath(), arguments, serial);
}

QStringList launchTask(const QString &path, const QStringList &arguments, const QString &serial)
{
    QProcess process;
    process.setProgram(path);
    process.setArguments(arguments);
    process.setInputChannelMode(QProcess::ForwardedInputChannel);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    if (!serial.isEmpty())
        process.setProcessEnvironment(environmentFor(serial));

    qInfo("launch task: %s %s", qUtf8Printable(path), qUtf8Printable(describeList(arguments)));
    // The system cuts an argument at its first NUL, so the tool would get another word: a listed
    // name "x'<NUL>" would reach the device shell as rm 'x'\'' and remove a different file.
    if (std::any_of(arguments.cbegin(), arguments.cend(), holdsNul)) {
        qInfo("launch task failed: %s: an argument holds a NUL character", qUtf8Printable(path));
        return {};
    }
    process.start(QIODevice::ReadOnly);
    if (!process.waitForStarted(-1)) {
        qInfo("launch task failed: %s: %s", qUtf8Printable(path),
              qUtf8Printable(process.errorString()));
        return {};
    }

    LineSplitter splitter;
    readUntilEnd(process, splitter);
    collect(process);
    QStringList lines = splitter.finish();
    if (splitter.droppedLines() > 0)
        qInfo("dropped %lld output lines that are not valid UTF-8",
              static_cast<long long>(splitter.droppedLines()));
    qInfo("prompts: %s", qUtf8Printable(describeList(lines)));
    return lines;
}
