#pragma once

#include "device/toolrunner.h"

// The runner as a listing uses it: the tool in the resource folder, its lines handed over in
// batches and counted, none kept. Gives how many lines there were.
inline qsizetype runListing(const QStringList &arguments)
{
    qsizetype lines = 0;
    runToolInBatches(toolPath(), arguments, {},
                     [&lines](const QList<QByteArrayView> &batch) { lines += batch.size(); });
    return lines;
}
