#include "device/toolrunner.h"

#include "device/logfeed.h"
#include "text/linesplitter.h"
#include "text/utf8line.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <algorithm>
#include <cstdio>
#include <limits>

namespace {

constexpr qsizetype listedInLog = 20;
// Standard error only explains, and adb's decisive words come last: a tool that floods it must not
// fill the memory, so only the latest lines are kept.
constexpr qsizetype keptErrorLines = 5000;

QProcessEnvironment environmentFor(const QString &serial)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("ANDROID_SERIAL"), serial);
    return environment;
}

// Splits the tool's standard error into lines and forwards every byte of it as it arrives, so a
// terminal shows what adb says just as it would without us.
class ErrorStream
{
public:
    void feed(const QByteArray &bytes)
    {
        if (bytes.isEmpty())
            return;
        std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stderr);
        std::fflush(stderr);
        splitter.feed(bytes);
        keep(splitter.takeLines());
    }

    // The lines of the whole stream, its unterminated tail last.
    QStringList finish()
    {
        keep(splitter.finish());
        return std::exchange(lines, {});
    }

private:
    void keep(const QStringList &taken)
    {
        for (const QString &line : taken)
            logToolErrorLine(line);
        lines += taken;
        if (lines.size() > keptErrorLines)
            lines.remove(0, lines.size() - keptErrorLines);
    }

    LineSplitter splitter;
    QStringList lines;
};

// Standard output as the caller takes it: every line as text, or, with a sink, every line handed on
// in batches and only the first few kept as text.
class OutputStream
{
public:
    explicit OutputStream(const LineSink *sink)
        : sink(sink)
    {}

    void feed(QByteArrayView chunk) { take(splitter.linesIn(chunk)); }
    void finish() { take(splitter.linesAtEnd()); }

    QStringList kept;
    qsizetype count = 0; // lines in all
    qsizetype dropped() const { return splitter.droppedLines(); }

private:
    void take(const QList<QByteArrayView> &lines)
    {
        for (const QByteArrayView line : lines) {
            if (!sink || kept.size() < keptOutputLines)
                kept.append(decodeLine(line));
        }
        count += lines.size();
        if (sink && !lines.isEmpty())
            (*sink)(lines);
    }

    const LineSink *sink;
    LineSplitter splitter;
};

bool stopRaised(const RunLimit &limit)
{
    return limit.deadline.hasExpired() || (limit.stop && limit.stop->load());
}

constexpr qint64 watchEveryMs = 250;

// Calls the run's watch when its time has come again; nothing without one.
class Watcher
{
public:
    Watcher(const RunWatch *watch, qint64 pid)
        : watch(watch)
        , pid(pid)
    {
        clock.start();
    }
    bool active() const { return watch != nullptr; }
    void poll()
    {
        if (!watch || clock.elapsed() < watchEveryMs)
            return;
        clock.restart();
        (*watch)(pid);
    }

private:
    const RunWatch *watch;
    qint64 pid;
    QElapsedTimer clock;
};

// How long to wait for the tool's next output, in ms (-1: without end): until the deadline, and
// in short slices when another thread may stop the run, or the run is watched, so that it ends
// (or is looked at) soon after.
int nextWaitMs(const RunLimit &limit, bool watched)
{
    constexpr qint64 stopCheckMs = 50;
    QDeadlineTimer wait = limit.deadline;
    if (limit.stop || watched)
        wait = std::min(wait, QDeadlineTimer(stopCheckMs));
    const qint64 ms = wait.remainingTime();
    return static_cast<int>(std::min<qint64>(ms, std::numeric_limits<int>::max()));
}

// Reads the tool's output until it has exited and what it wrote is drained; false when the limit
// ended the run first.
bool readUntilEnd(QProcess &process, OutputStream &output, const RunLimit &limit, Watcher &watcher)
{
    char buffer[64 * 1024];
    for (;;) {
        watcher.poll();
        // Also between reads: a tool that floods its output must not outlast its limit.
        if (stopRaised(limit))
            return false;
        const qint64 got = process.read(buffer, sizeof buffer);
        if (got > 0) {
            output.feed(QByteArrayView(buffer, got));
            continue;
        }
        // The run ends when the tool has exited and what it wrote is drained. A process the tool
        // left behind cannot hold the caller, even if it still holds the tool's output open.
        // Waiting on standard output also reads standard error, which the ErrorStream takes from
        // the readyReadStandardError signal that the wait emits.
        if (got < 0)
            return true;
        if (!process.waitForReadyRead(nextWaitMs(limit, watcher.active())) &&
            process.state() == QProcess::NotRunning)
            return true;
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

// Runs the tool; standard output's lines as `sink` takes them, or all kept when there is none.
ToolRun runWith(const QString &path, const QStringList &arguments, const QString &serial,
                const RunLimit &limit, const LineSink *sink, const RunWatch *watch = nullptr)
{
    ToolRun run{path, {}, {}, {}, false};
    ErrorStream errors; // outlives the process, whose signals feed it
    QProcess process;
    process.setProgram(path);
    process.setArguments(arguments);
    process.setInputChannelMode(QProcess::ForwardedInputChannel);
    if (!serial.isEmpty())
        process.setProcessEnvironment(environmentFor(serial));

    qInfo("launch task: %s %s", qUtf8Printable(path), qUtf8Printable(describeList(arguments)));
    // The system cuts an argument at its first NUL, so the tool would get another word: a listed
    // name "x'<NUL>" would reach the device shell as rm 'x'\'' and remove a different file.
    if (std::any_of(arguments.cbegin(), arguments.cend(), holdsNul)) {
        run.failure = QStringLiteral("an argument holds a NUL character");
        qInfo("launch task failed: %s: %s", qUtf8Printable(path), qUtf8Printable(run.failure));
        return run;
    }
    // A run that was stopped before it began (a cancelled job) starts nothing.
    if (stopRaised(limit)) {
        run.timedOut = true;
        qInfo("launch task not started: its limit had passed: %s", qUtf8Printable(path));
        return run;
    }
    QObject::connect(&process, &QProcess::readyReadStandardError,
                     [&] { errors.feed(process.readAllStandardError()); });
    process.start(QIODevice::ReadOnly);
    if (!process.waitForStarted(-1)) {
        run.failure = process.errorString();
        qInfo("launch task failed: %s: %s", qUtf8Printable(path), qUtf8Printable(run.failure));
        return run;
    }

    OutputStream output(sink);
    Watcher watcher(watch, process.processId());
    run.timedOut = !readUntilEnd(process, output, limit, watcher);
    collect(process);
    if (run.timedOut)
        qInfo("launch task ended at its limit, the tool killed: %s", qUtf8Printable(path));
    output.finish();
    run.output = std::move(output.kept);
    errors.feed(process.readAllStandardError());
    run.errors = errors.finish();
    if (output.dropped() > 0)
        qInfo("dropped %lld output lines that are not valid UTF-8",
              static_cast<long long>(output.dropped()));
    qInfo("prompts: %s", qUtf8Printable(describeList(run.output, output.count)));
    return run;
}

} // namespace

QString toolPath()
{
    return QDir::cleanPath(QCoreApplication::applicationDirPath() +
                           QStringLiteral("/../lib/apkshelf/adb"));
}

QString describeList(const QStringList &list)
{
    return describeList(list, list.size());
}

QString describeList(const QStringList &first, qsizetype total)
{
    QString text;
    QDebug debug(&text);
    debug.nospace() << '(';
    for (qsizetype i = 0; i < qMin(first.size(), listedInLog); ++i)
        debug << (i > 0 ? ", " : "") << first.at(i);
    if (total > listedInLog)
        debug.noquote() << ", ... " << total << " in all";
    debug << ')';
    return text;
}

QStringList launchTask(const QStringList &arguments, const QString &serial)
{
    return runTool(toolPath(), arguments, serial).output;
}

ToolRun runTool(const QString &path, const QStringList &arguments, const QString &serial,
                const RunLimit &limit)
{
    return runWith(path, arguments, serial, limit, nullptr);
}

ToolRun runToolWatched(const QString &path, const QStringList &arguments, const QString &serial,
                       const RunLimit &limit, const RunWatch &watch)
{
    return runWith(path, arguments, serial, limit, nullptr, &watch);
}

ToolRun runToolInBatches(const QString &path, const QStringList &arguments, const QString &serial,
                         const LineSink &sink, const RunLimit &limit)
{
    return runWith(path, arguments, serial, limit, &sink);
}
