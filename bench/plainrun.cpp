#include "plainrun.h"

#include <cerrno>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace {

// Starts the program with its standard output on a pipe. Gives the read end, or -1.
int spawnPiped(const QString &program, const QStringList &arguments, bool quiet, pid_t &pid)
{
    std::vector<std::string> strings{program.toStdString()};
    for (const QString &argument : arguments)
        strings.push_back(argument.toStdString());
    std::vector<char *> argv;
    argv.reserve(strings.size() + 1);
    for (std::string &string : strings)
        argv.push_back(string.data());
    argv.push_back(nullptr);

    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    if (quiet)
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    const int failed = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    if (failed != 0) {
        ::close(fds[0]);
        return -1;
    }
    return fds[0];
}

// Reads until end of file, handing each piece to `take`; then reaps the child.
template<typename Take> qint64 readAll(int fd, pid_t pid, Take take)
{
    static char buffer[64 * 1024];
    qint64 total = 0;
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        take(buffer, got);
        total += got;
    }
    ::close(fd);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return total;
}

} // namespace

qint64 drainPlainly(const QString &program, const QStringList &arguments)
{
    pid_t pid = 0;
    const int fd = spawnPiped(program, arguments, false, pid);
    if (fd < 0)
        return -1;
    return readAll(fd, pid, [](const char *, ssize_t) {});
}

QByteArray captureOutput(const QString &program, const QStringList &arguments, bool quiet)
{
    pid_t pid = 0;
    const int fd = spawnPiped(program, arguments, quiet, pid);
    QByteArray output;
    if (fd >= 0)
        readAll(fd, pid, [&](const char *data, ssize_t size) { output.append(data, size); });
    return output;
}

QHash<QByteArray, Samples> samplesFrom(const QByteArray &output)
{
    QHash<QByteArray, Samples> samples;
    for (const QByteArray &line : output.split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        bool isNumber = false;
        const double value = fields.value(1).toDouble(&isNumber);
        if (fields.size() == 2 && isNumber)
            samples[fields.first()].add(value);
    }
    return samples;
}
