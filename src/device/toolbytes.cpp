#include "device/toolbytes.h"

#include "device/logfeed.h"

#include <QProcess>
#include <QProcessEnvironment>

namespace {

bool stopped(const RunLimit &limit)
{
    return limit.deadline.hasExpired() || (limit.stop && limit.stop->load());
}

// Reads until the tool has exited and its output is drained, the cap is passed or the limit
// ends the run; false for the last two.
bool readAll(QProcess &process, ToolBytes &run, qint64 cap, const RunLimit &limit)
{
    for (;;) {
        if (stopped(limit)) {
            run.timedOut = true;
            return false;
        }
        const QByteArray got = process.read(64 * 1024);
        if (!got.isEmpty()) {
            run.bytes += got;
            if (run.bytes.size() > cap) {
                run.bytes.truncate(cap);
                run.tooLong = true;
                return false;
            }
            continue;
        }
        const qint64 waitMs = std::min<qint64>(limit.deadline.remainingTime(), 50);
        if (!process.waitForReadyRead(static_cast<int>(waitMs < 0 ? 50 : waitMs)) &&
            process.state() == QProcess::NotRunning && process.bytesAvailable() == 0)
            return true;
    }
}

} // namespace

ToolBytes runToolForBytes(const QString &program, const QStringList &arguments,
                          const QString &serial, qint64 cap, const RunLimit &limit)
{
    ToolBytes run;
    if (stopped(limit)) {
        run.timedOut = true;
        return run;
    }
    // The system would cut an argument at a NUL, and the device would run another command.
    for (const QString &argument : arguments)
        if (argument.contains(QChar(0))) {
            run.failure = QStringLiteral("an argument holds a NUL character");
            return run;
        }
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    if (!serial.isEmpty()) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("ANDROID_SERIAL"), serial);
        process.setProcessEnvironment(environment);
    }
    qInfo("launch task: %s %s", qUtf8Printable(program), qUtf8Printable(describeList(arguments)));
    process.start(QIODevice::ReadOnly);
    if (!process.waitForStarted(-1)) {
        run.failure = process.errorString();
        return run;
    }
    const bool ended = readAll(process, run, cap, limit);
    if (!ended && process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished(-1);
    }
    for (const QByteArray &line : process.readAllStandardError().split('\n'))
        if (!line.isEmpty())
            logToolErrorLine(QString::fromUtf8(line));
    qInfo("read %lld bytes", static_cast<long long>(run.bytes.size()));
    return run;
}
