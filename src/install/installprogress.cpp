#include "install/installprogress.h"

#include <QCoreApplication>
#include <algorithm>

namespace {

QString text(const char *source)
{
    return QCoreApplication::translate("InstallProgress", source);
}

// adb reads a few MB ahead of what the device has taken in, so the bar waits below the end.
constexpr int sendingCap = ProgressView::bar * 95 / 100;
// Staging copies the bundle's splits on this computer, much faster than adb sends them.
constexpr int preparingShare = sendingCap / 10;
// How long the device may install before the text tells of a prompt on its screen.
constexpr qint64 promptAfterMs = 20000;

int scaled(int from, int width, qint64 part, qint64 whole)
{
    if (whole <= 0)
        return from + width;
    part = std::clamp<qint64>(part, 0, whole);
    return from + static_cast<int>(static_cast<double>(width) * part / whole);
}

} // namespace

InstallProgress::InstallProgress(QString name, QList<qint64> sent, int splits,
                                 QList<ProgressFile> expansions)
    : name(std::move(name))
    , splits(std::max(splits, 0))
    , expansions(std::move(expansions))
    , phase(this->splits > 0 ? Phase::Preparing : Phase::Sending)
{
    for (const qint64 bytes : sent)
        files.append(SentFile{std::max<qint64>(bytes, 0)});
    for (ProgressFile &expansion : this->expansions)
        expansion.bytes = std::max<qint64>(expansion.bytes, 0);
    if (phase == Phase::Preparing)
        staged(0);
    else
        show(0, true, text("Installing %1\u2026").arg(this->name));
}

void InstallProgress::staged(int count)
{
    if (phase != Phase::Preparing)
        return;
    count = std::clamp(count, 0, splits);
    show(scaled(0, preparingShare, count, splits), false,
         text("Preparing %1: %2 of %3 splits").arg(name).arg(count).arg(splits));
}

void InstallProgress::sample(const QList<std::optional<FileRead>> &reads, qint64 nowMs)
{
    if (phase == Phase::Preparing)
        phase = Phase::Sending;
    if (phase == Phase::Sending) {
        readFiles(reads);
        const bool everSeen =
            std::any_of(files.cbegin(), files.cend(), [](const SentFile &f) { return f.seen; });
        const bool allDone =
            std::all_of(files.cbegin(), files.cend(), [](const SentFile &f) { return f.done; });
        if (!everSeen) {
            show(shown.value, true, text("Installing %1\u2026").arg(name));
            return;
        }
        if (!allDone) {
            const int from = splits > 0 ? preparingShare : 0;
            show(scaled(from, sendingEnd() - from, readBytes(), sentBytes()), false,
                 text("Sending %1: %2 of %3 MB")
                     .arg(name, megabytes(readBytes(), false), megabytes(sentBytes(), true)));
            return;
        }
        phase = Phase::Device;
        deviceSince = nowMs;
    }
    if (phase != Phase::Device)
        return;
    QString said = text("Installing on the device\u2026");
    if (nowMs - deviceSince >= promptAfterMs)
        said += text(" \u2014 if the phone asks for a confirmation, accept it there");
    show(sendingEnd(), true, said);
}

void InstallProgress::copying(int index, const std::optional<FileRead> &read)
{
    if (index < 0 || index >= expansions.size())
        return;
    phase = Phase::Copying;
    const ProgressFile &file = expansions.at(index);
    qint64 before = 0;
    qint64 total = 0;
    for (int i = 0; i < expansions.size(); ++i) {
        before += i < index ? expansions.at(i).bytes : 0;
        total += expansions.at(i).bytes;
    }
    const int from = sendingEnd();
    if (!read) {
        show(scaled(from, sendingCap - from, before, total), true,
             text("Copying %1\u2026").arg(file.name));
        return;
    }
    const qint64 done = std::clamp<qint64>(read->position, 0, file.bytes);
    show(scaled(from, sendingCap - from, before + done, total), false,
         text("Copying %1: %2 of %3 MB")
             .arg(file.name, megabytes(done, false), megabytes(file.bytes, true)));
}

void InstallProgress::readFiles(const QList<std::optional<FileRead>> &reads)
{
    const qsizetype count = std::min(reads.size(), files.size());
    for (qsizetype i = 0; i < count; ++i) {
        SentFile &file = files[i];
        const std::optional<FileRead> &read = reads.at(i);
        if (!read) {
            // adb closes a file only once it has sent all of it, or given up.
            file.done = file.done || file.seen;
            continue;
        }
        file.seen = true;
        file.read = std::max(file.read, std::clamp<qint64>(read->position, 0, file.bytes));
        // A file that shrank ends early; one that grew is sent only as far as adb meant to.
        file.done = file.done || read->position >= std::min(file.bytes, read->size);
        // adb reads the files in order: one it has opened means those before it are sent.
        for (qsizetype j = 0; j < i; ++j)
            files[j].done = true;
    }
}

qint64 InstallProgress::sentBytes() const
{
    qint64 total = 0;
    for (const SentFile &file : files)
        total += file.bytes;
    return total;
}

qint64 InstallProgress::readBytes() const
{
    qint64 total = 0;
    for (const SentFile &file : files)
        total += file.done ? file.bytes : file.read;
    return total;
}

// Where sending ends on the bar: the files adb sends and the expansion files share what the
// preparation leaves, by their sizes.
int InstallProgress::sendingEnd() const
{
    const int from = splits > 0 ? preparingShare : 0;
    qint64 copied = 0;
    for (const ProgressFile &expansion : expansions)
        copied += expansion.bytes;
    if (copied == 0)
        return sendingCap;
    return scaled(from, sendingCap - from, sentBytes(), sentBytes() + copied);
}

void InstallProgress::show(int value, bool busy, const QString &said)
{
    shown.value = std::clamp(std::max(value, shown.value), 0, sendingCap);
    shown.busy = busy;
    shown.text = said;
}

QString megabytes(qint64 bytes, bool nearest)
{
    constexpr qint64 tenth = 100000;
    bytes = std::max<qint64>(bytes, 0);
    const qint64 tenths = nearest ? (bytes + tenth / 2) / tenth : bytes / tenth;
    if (tenths < 100)
        return QStringLiteral("%1.%2").arg(tenths / 10).arg(tenths % 10);
    const qint64 whole = nearest ? (bytes + 5 * tenth) / (10 * tenth) : bytes / (10 * tenth);
    return QString::number(whole);
}
