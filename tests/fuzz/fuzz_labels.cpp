// libFuzzer target for reading an app's name from APK bytes. Byte 0 picks the reader:
//   0  the rest is a ZIP's tail (and whole file): its directory, then every entry's range and data
//   1  the rest is a binary manifest: its label and its package name
//   2  bytes 1-4 are a resource id, the rest a resource table: the string in a few locales
// Nothing may crash, hang or read out of bounds; a range stays within the file; entry data is never
// larger than its cap; a label that is shown holds no control or bidi character and is not long; a
// manifest that cannot be read gives no package name.
#include "labels/binaryxml.h"
#include "labels/labeltext.h"
#include "labels/resourcetable.h"
#include "labels/zipdirectory.h"
#include "labels/zipentrydata.h"

#include <cstdint>
#include <cstdlib>

namespace {

constexpr qint64 Cap = 1 << 20;

void check(bool holds)
{
    if (!holds)
        std::abort();
}

void checkShown(const QString &text)
{
    const QString shown = displayLabel(text);
    check(shown.toUcs4().size() <= LongestLabel);
    for (const QChar c : shown)
        check(c.unicode() >= 0x20 && c != QChar(0x202e) && c != QChar(0x2066));
}

void readZip(QByteArrayView file)
{
    const Parsed<ZipDirectory> directory =
        readZipDirectory(file.last(qMin(file.size(), ZipTailSize)), file.size());
    for (const ZipEntry &entry : directory.value.entries) {
        const ZipRange range = entryRange(directory.value, entry);
        check(range.offset >= 0 && range.length >= 0 &&
              range.offset + range.length <= directory.value.end.directoryOffset);
        const Parsed<QByteArray> data =
            entryData(file.sliced(range.offset, range.length), entry, Cap);
        check(data.value.size() <= Cap);
    }
}

void readTable(QByteArrayView bytes)
{
    if (bytes.size() < 4)
        return;
    const quint32 id = u32At(bytes, 0);
    for (const Locale &locale : {Locale{}, Locale{"de", "CH"}, Locale{"iw", {}}}) {
        const TableString found = lookUpString(bytes.sliced(4), id, locale);
        check(found.problem == TableProblem::None || found.text.isEmpty());
        checkShown(found.text);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const QByteArrayView bytes(reinterpret_cast<const char *>(data) + 1, qsizetype(size - 1));
    switch (data[0] % 3) {
    case 0:
        readZip(bytes);
        break;
    case 1: {
        checkShown(readManifestLabel(bytes).value.text);
        const Parsed<QString> package = readManifestPackage(bytes);
        check(package.ok() || package.value.isEmpty());
        break;
    }
    case 2:
        readTable(bytes);
        break;
    }
    return 0;
}
