#pragma once

#include <QString>

struct ToolRun;

// Texts and judgements of saving an app's files to the computer.

// The busy bar's text while an app's files are copied: "Saving <name>: 45 of 120 MB" (MB of
// 1,000,000 bytes, whole); without a known total, "Saving <name>: 45 MB".
QString savingText(const QString &name, qint64 done, qint64 total);

// The same while the copies are put into one archive: "Writing <file>: 45 of 120 MB".
QString archivingText(const QString &fileName, qint64 done, qint64 total);

// Why "adb pull" did not copy a file whole, from what it printed and the size of the copy (`got`)
// against the size the device gave (`expected`, -1: not known); empty when it did. adb says
// "<path>: 1 file pulled…" when it has copied a file, and "adb: error: …" when it could not.
QString pullProblem(const ToolRun &run, qint64 expected, qint64 got);
