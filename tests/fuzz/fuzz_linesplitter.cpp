// libFuzzer target for LineSplitter. An input is a cutting plan and a byte string:
//   byte 0: n, how many chunk sizes follow (n % 16)
//   next n bytes: chunk sizes, used in turn (0 feeds an empty chunk)
//   the rest: the tool's output
// However the output is cut, the lines and the dropped count must be those of a single feed, and
// no line may be empty or hold a LF. The lines are also read as the package manager's list of
// apps is: every line is a row or one of the others, and a row's name is a valid package name.
#include "apps/packagemanager.h"
#include "device/packagename.h"
#include "table/textrows.h"
#include "text/linesplitter.h"

#include <QByteArrayView>
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

struct Result
{
    QStringList lines;
    qsizetype dropped = 0;
    bool operator==(const Result &other) const
    {
        return lines == other.lines && dropped == other.dropped;
    }
};

Result feedInChunks(QByteArrayView bytes, const std::vector<qsizetype> &sizes)
{
    LineSplitter splitter;
    qsizetype at = 0;
    for (size_t turn = 0; at < bytes.size(); ++turn) {
        const qsizetype size = std::min(sizes[turn % sizes.size()], bytes.size() - at);
        splitter.feed(bytes.sliced(at, size));
        at += size;
    }
    Result result;
    result.lines = splitter.finish();
    result.dropped = splitter.droppedLines();
    return result;
}

void check(bool holds)
{
    if (!holds)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView input(data, static_cast<qsizetype>(size));
    const qsizetype planned = input.isEmpty() ? 0 : std::min<qsizetype>(data[0] % 16, size - 1);
    std::vector<qsizetype> sizes;
    for (qsizetype i = 1; i <= planned; ++i)
        sizes.push_back(data[i]);
    // A plan of empty chunks only would never get through the output.
    if (std::all_of(sizes.cbegin(), sizes.cend(), [](qsizetype s) { return s == 0; }))
        sizes.push_back(1);
    const QByteArrayView output = input.isEmpty() ? input : input.sliced(1 + planned);

    const Result whole = feedInChunks(output, {output.size() + 1});
    check(feedInChunks(output, sizes) == whole);
    check(feedInChunks(output, {1}) == whole);
    QList<QByteArray> bytes;
    for (const QString &line : whole.lines) {
        check(!line.isEmpty() && !line.contains(QLatin1Char('\n')));
        bytes.append(line.toUtf8());
    }
    TextRows apps(2);
    QStringList others;
    readPackageLines(QList<QByteArrayView>(bytes.cbegin(), bytes.cend()), apps, others);
    check(apps.rowCount() + others.size() == whole.lines.size());
    for (qsizetype row = 0; row < apps.rowCount(); ++row)
        check(isPackageName(apps.text(row, 0)));
    return 0;
}
