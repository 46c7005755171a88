#pragma once

#include "device/toolrunner.h"

#include <QByteArray>

// What one run of the tool wrote on standard output, as bytes.
struct ToolBytes
{
    QByteArray bytes;
    QString failure;       // why the tool could not be run; empty when it ran
    bool timedOut = false; // `limit` ended the run
    bool tooLong = false;  // it wrote more than the cap; `bytes` holds the cap's worth
};

// Runs the tool at `program` with `arguments` (never through a shell) and keeps its standard output
// as bytes, binary-safe, up to `cap` bytes (the run is ended when it writes more). Standard error
// goes to the log as lines. With a non-empty `serial` the tool talks to that device. For any
// thread.
ToolBytes runToolForBytes(const QString &program, const QStringList &arguments,
                          const QString &serial, qint64 cap, const RunLimit &limit = {});
