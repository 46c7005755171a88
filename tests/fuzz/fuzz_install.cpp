// libFuzzer target for what the device prints about an install's clean-up and its space: the
// package manager's dump of install sessions and the output of df. An input is the device's text;
// its lines are read as both. Session ids must be valid, unique and few; a free size must be a
// size.
#include "install/installcleanup.h"
#include "install/installoffers.h"

#include <QByteArrayView>
#include <QStringList>
#include <cstdint>
#include <cstdlib>

namespace {

void check(bool holds)
{
    if (!holds)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView input(data, static_cast<qsizetype>(size));
    OpenSessions sessions;
    QStringList lines;
    for (qsizetype at = 0; at <= input.size();) {
        qsizetype end = input.indexOf('\n', at);
        if (end < 0)
            end = input.size();
        sessions.feed(input.sliced(at, end - at));
        lines.append(QString::fromUtf8(input.sliced(at, end - at)));
        at = end + 1;
    }
    const QList<int> ids = sessions.ids();
    check(ids.size() <= 256);
    for (qsizetype i = 0; i < ids.size(); ++i)
        check(ids.at(i) >= 0 && ids.indexOf(ids.at(i)) == i);
    if (const std::optional<qint64> free = freeBytesFromDf(lines))
        check(*free >= 0 && *free <= (qint64(1) << 52));
    return 0;
}
