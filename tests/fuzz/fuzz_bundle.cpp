// libFuzzer target for what a bundle says about itself: its toc.pb and the names of its APKs.
//   byte 0 even: the rest is a toc.pb, read and then chosen from for a fixed device
//   byte 0 odd:  the rest is APK names, one a line, classified and chosen from by name
// Nothing may crash or hang; every APK must end up chosen or left out unless a problem stops the
// choice, which then chooses nothing; a split name read back from its own id must be the same.
#include "bundles/apksetchoice.h"
#include "bundles/apksettoc.h"
#include "bundles/splitchoice.h"
#include "bundles/splitname.h"
#include "device/deviceprops.h"

#include <QByteArrayView>
#include <cstdint>
#include <cstdlib>

namespace {

void check(bool holds)
{
    if (!holds)
        std::abort();
}

DeviceSpec phone()
{
    DeviceSpec device;
    device.sdk = 30;
    device.abis = {QStringLiteral("arm64_v8a"), QStringLiteral("armeabi_v7a")};
    device.density = 420;
    device.languages = {QStringLiteral("fr")};
    return device;
}

void checkChoice(const SplitChoice &choice, qsizetype apks)
{
    if (choice.problem) {
        check(choice.chosen.isEmpty());
        return;
    }
    check(apks < 0 || choice.chosen.size() + choice.leftOut.size() == apks);
    check(!choice.standalone || choice.chosen.size() == 1);
}

void fuzzToc(QByteArrayView bytes)
{
    QString error;
    const std::optional<ApkSetToc> toc = readApkSetToc(bytes, &error);
    check(toc.has_value() == error.isEmpty());
    if (!toc)
        return;
    qsizetype apks = 0;
    for (const TocVariant &variant : toc->variants) {
        for (const TocModule &module : variant.modules)
            apks += module.apks.size();
    }
    checkChoice(chooseFromToc(*toc, phone()), apks);
}

void fuzzNames(QByteArrayView bytes)
{
    QList<NamedApk> apks;
    for (const QString &line : QString::fromUtf8(bytes).split(QLatin1Char('\n'))) {
        qualifierKind(line);
        if (const std::optional<SplitName> split = splitFromId(line)) {
            const std::optional<SplitName> again = splitFromId(split->id());
            check(again && again->module == split->module && again->qualifier == split->qualifier);
        }
        if (line.endsWith(QLatin1String(".apk"), Qt::CaseInsensitive))
            apks.append({line, {}});
    }
    checkChoice(chooseByName(apks, QStringLiteral("com.example.app"), phone()), apks.size());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const QByteArrayView rest(data + 1, static_cast<qsizetype>(size - 1));
    if (data[0] % 2 == 0)
        fuzzToc(rest);
    else
        fuzzNames(rest);
    return 0;
}
