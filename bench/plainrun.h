#pragma once

#include "samples.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

// Runs `program` with `arguments` (environment, standard input and standard error are ours) and
// reads its standard output into one reused buffer with read(), dropping it: the plainest reader
// there is, and so the floor for any runner. Gives the bytes read, or -1 when it did not start.
qint64 drainPlainly(const QString &program, const QStringList &arguments);

// Runs `program` the same way and gives all it printed on standard output; with `quiet`, what it
// prints on standard error goes nowhere.
QByteArray captureOutput(const QString &program, const QStringList &arguments, bool quiet = false);

// Output lines of the form "<name> <number>" grouped by name; other lines are ignored.
QHash<QByteArray, Samples> samplesFrom(const QByteArray &output);
