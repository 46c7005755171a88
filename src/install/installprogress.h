#pragma once

#include "install/readprogress.h"

#include <QList>
#include <QString>
#include <optional>

// A file whose reading the bar follows: its name as the texts give it, and its size when the
// install began.
struct ProgressFile
{
    QString name;
    qint64 bytes = 0;
};

// What the progress bar shows: a value in 0..bar (kept, not shown, while busy) and a text.
struct ProgressView
{
    static constexpr int bar = 1000;
    int value = 0;
    bool busy = true; // indeterminate: the value is not known
    QString text;
};

// The bar of one install, fed with what is known as it runs: a bundle's preparation (splits
// staged), how far adb has read each file it sends (see readPositions()), and the copy of a
// bundle's expansion files after the install. The files are read in order, each once, but the bar
// also holds when they are not: it never goes backwards, never past 95 % before the install has
// ended, and never shows a figure it did not read.
class InstallProgress
{
public:
    // `name` is the chosen file's; `sent` are the files adb reads, in order; a bundle stages
    // `splits` files first and copies `expansions` after the install.
    explicit InstallProgress(QString name, QList<qint64> sent, int splits = 0,
                             QList<ProgressFile> expansions = {});

    // Preparation: `count` of the splits have been staged.
    void staged(int count);
    // adb runs: how far it has read each of the sent files (one entry each, in order; empty when
    // it has no descriptor for it), at `nowMs` on a steady clock. A file counts as sent once adb
    // has read up to its end (its size then or at the start, whichever is less) or closed it.
    void sample(const QList<std::optional<FileRead>> &reads, qint64 nowMs);
    // The copy of expansion file `index` runs; how far its reader has read it, if known.
    void copying(int index, const std::optional<FileRead> &read);

    ProgressView view() const { return shown; }
    // Whether adb has sent everything and the device installs: a Cancel could no longer stop it.
    bool deviceInstalling() const { return phase == Phase::Device; }

private:
    enum class Phase { Preparing, Sending, Device, Copying };
    struct SentFile
    {
        qint64 bytes = 0;
        qint64 read = 0;
        bool seen = false;
        bool done = false;
    };

    void readFiles(const QList<std::optional<FileRead>> &reads);
    qint64 sentBytes() const;
    qint64 readBytes() const;
    int sendingEnd() const;
    void show(int value, bool busy, const QString &text);

    QString name;
    QList<SentFile> files;
    int splits = 0;
    QList<ProgressFile> expansions;
    Phase phase = Phase::Sending;
    qint64 deviceSince = 0;
    ProgressView shown;
};

// A size in MB (10^6 bytes) as the bar's text gives it: one decimal below 10 MB, else whole.
// With `nearest` it is rounded, else cut, so that a count never shows more than was read.
QString megabytes(qint64 bytes, bool nearest);
