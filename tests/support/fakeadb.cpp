#include "fakeadb.h"

#include "device/toolrunner.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>

namespace {

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

FakeAdb::FakeAdb()
{
    ready = scenario.isValid() && placeStandIn();
    qputenv("FAKEADB_DIR", QFile::encodeName(scenario.path()));
}

FakeAdb::~FakeAdb()
{
    qunsetenv("FAKEADB_DIR");
}

QString FakeAdb::fileFor(const QString &kind, int call, const QString &suffix) const
{
    const QString name = call > 0 ? QStringLiteral("%1.%2").arg(kind).arg(call) : kind;
    return scenario.filePath(name + suffix);
}

void FakeAdb::setOutput(const QString &kind, const QByteArray &bytes, int call)
{
    writeFile(fileFor(kind, call, QStringLiteral(".out")), bytes);
}

void FakeAdb::setPulledData(const QByteArray &bytes, int call)
{
    writeFile(fileFor(QStringLiteral("pull"), call, QStringLiteral(".data")), bytes);
}

void FakeAdb::setErrors(const QString &kind, const QByteArray &bytes, int call)
{
    writeFile(fileFor(kind, call, QStringLiteral(".err")), bytes);
}

void FakeAdb::setOptions(const QString &kind, const QByteArray &options, int call)
{
    writeFile(fileFor(kind, call, QStringLiteral(".opts")), options);
}

void FakeAdb::attachDevice(const QString &serial)
{
    setOutput(QStringLiteral("devices"),
              "List of devices attached\n" + serial.toUtf8() + "\tdevice\n\n");
}

void FakeAdb::setListing(const QStringList &entries, int call)
{
    QByteArray bytes;
    for (const QString &entry : entries)
        bytes += entry.toUtf8() + '\n';
    setOutput(QStringLiteral("ls"), bytes, call);
}

void FakeAdb::placeDeviceFile(const QString &path, const QByteArray &content)
{
    QDir(scenario.path()).mkpath(QStringLiteral("apks"));
    writeFile(scenario.filePath(QStringLiteral("apks/") + QString(path).replace(u'/', u'_')),
              content);
}

qint64 FakeAdb::deviceBytesServed() const
{
    QFile file(scenario.filePath(QStringLiteral("apk-bytes")));
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    qint64 total = 0;
    for (const QByteArray &line : file.readAll().split('\n'))
        total += line.toLongLong();
    return total;
}

QString FakeAdb::describeFile(const QString &name, const QByteArray &content)
{
    quint64 hash = 0xcbf29ce484222325u; // FNV-1a, as the stand-in computes it
    for (const char c : content)
        hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001b3u;
    return QStringLiteral("%1 %2 %3")
        .arg(name)
        .arg(content.size())
        .arg(hash, 16, 16, QLatin1Char('0'));
}

QList<FakeAdb::Call> FakeAdb::calls() const
{
    QDir dir(scenario.filePath(QStringLiteral("calls")));
    QStringList names = dir.entryList(QDir::Files);
    std::sort(names.begin(), names.end(),
              [](const QString &a, const QString &b) { return a.toInt() < b.toInt(); });
    QList<Call> result;
    for (const QString &name : names) {
        QFile file(dir.filePath(name));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QByteArray bytes = file.readAll();
        const qsizetype lf = bytes.indexOf('\n');
        Call call;
        if (bytes.startsWith('+'))
            call.serial = QString::fromUtf8(bytes.mid(1, lf - 1));
        for (const QByteArray &argument : bytes.mid(lf + 1).split('\0'))
            call.arguments.append(QString::fromUtf8(argument));
        const QString tail = call.arguments.takeLast(); // after the last NUL
        const QString kind = call.arguments.value(0);
        if (kind == QLatin1String("install-multiple") || kind == QLatin1String("push"))
            call.files = tail.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        else
            call.linkTarget = tail;
        result.append(call);
    }
    return result;
}

QList<FakeAdb::Call> FakeAdb::calls(const QString &firstArgument) const
{
    QList<Call> all = calls();
    all.removeIf([&](const Call &call) { return call.arguments.value(0) != firstArgument; });
    return all;
}

void FakeAdb::removeTool()
{
    const QString path = toolPath();
    // A link goes, not what it points to (the package's tool is a link to the system's adb).
    const QFileInfo info(path);
    if (info.isDir() && !info.isSymLink())
        QDir(path).removeRecursively();
    else
        QFile::remove(path);
}

void FakeAdb::placeTool(const QByteArray &content, bool executable)
{
    removeTool();
    QDir().mkpath(QFileInfo(toolPath()).absolutePath());
    writeFile(toolPath(), content);
    QFile::Permissions permissions = QFile::ReadOwner | QFile::WriteOwner;
    if (executable)
        permissions |= QFile::ExeOwner;
    QFile::setPermissions(toolPath(), permissions);
}

void FakeAdb::placeDirectory()
{
    removeTool();
    QDir().mkpath(toolPath());
}

bool FakeAdb::placeStandIn()
{
    removeTool();
    QDir().mkpath(QFileInfo(toolPath()).absolutePath());
    return QFile::copy(QStringLiteral(FAKEADB_BINARY), toolPath());
}

int FakeAdb::runningTools()
{
    const QString tool = QFileInfo(toolPath()).canonicalFilePath();
    int running = 0;
    const QStringList pids = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString &pid : pids) {
        if (QFileInfo(QStringLiteral("/proc/%1/exe").arg(pid)).symLinkTarget() == tool)
            ++running;
    }
    return running;
}
