// Reading an app's name: the time readLabel() takes over a large resource table, and what the
// details reading takes from the device for one name, against what the name needs of the APK.
#include "../clock.h"
#include "../samples.h"
#include "../tablelines.h"
#include "aaptapk.h"
#include "device/devicequeue.h"
#include "fakeadb.h"
#include "figures.h"
#include "labels/labelreader.h"
#include "labels/zipdirectory.h"
#include "window/appdetailsreader.h"

#include <QEventLoop>
#include <QTemporaryDir>
#include <QtEndian>

namespace {

// Resource folders of 45 locales besides the default one.
const QStringList localeFolders = [] {
    QStringList folders{QStringLiteral("values")};
    for (const char *locale :
         {"de", "fr", "es", "it", "pt",     "nl",     "sv",     "da",     "nb",    "fi", "pl", "cs",
          "sk", "hu", "ro", "bg", "el",     "ru",     "uk",     "tr",     "ar",    "iw", "hi", "th",
          "vi", "in", "ms", "ja", "ko",     "zh",     "lt",     "lv",     "et",    "sl", "hr", "sr",
          "ca", "eu", "gl", "is", "pt-rBR", "zh-rTW", "en-rGB", "es-rMX", "fr-rCA"})
        folders.append(QStringLiteral("values-") + QLatin1String(locale));
    return folders;
}();

// An app whose name is one string among `strings` of each of the folders above, every string
// different (a table's pool keeps a repeated string once): 650 of them make a 5 MB table.
ApkSource translatedApp(int strings)
{
    ApkSource source{"org.example.translated", "@string/app_name", {}, 0};
    for (const QString &folder : localeFolders) {
        QByteArray xml = "<string name=\"app_name\">Name " + folder.toLatin1() + "</string>";
        for (int i = 0; i < strings; ++i)
            xml += "<string name=\"s" + QByteArray::number(i) + "\">Text " + QByteArray::number(i) +
                   " of " + folder.toLatin1() +
                   ", a sentence long enough to stand for a real one</string>";
        source.strings.insert(folder, xml);
    }
    return source;
}

const QString serial = QStringLiteral("emulator-5554");
const QString devicePath = QStringLiteral("/data/app/~~Qm9v4w==/org.example.named-1/base.apk");

// The name the details reading gives the one app listed, reading a fresh cache.
QString nameThroughDetails(DeviceQueue &queue)
{
    QTemporaryDir cache;
    const DetailsRequest request{toolPath(),   serial, cache.path(), {"org.example.named"},
                                 {devicePath}, 60'000};
    QString label;
    QEventLoop loop;
    queue.post([&](const QueueJob &job) {
        readAppDetails(job, request, [&label](const DetailsBatch &batch) {
            for (const auto &row : batch.rows)
                if (!row.second.label.isEmpty())
                    label = row.second.label;
        });
        job.deliver([&loop] { loop.quit(); });
    });
    loop.exec();
    return label;
}

// What a name needs of `apk`: its tail (the end record with the longest comment it may have) and
// its manifest and resource table as stored, local header and data. The device hands over whole
// 4 KiB blocks, which may add up to a block at either end of each of the three reads.
qint64 bytesANameNeeds(const QByteArray &apk)
{
    constexpr qint64 block = 4096;
    const qint64 tail = std::min<qint64>(apk.size(), ZipTailSize);
    const Parsed<ZipDirectory> directory =
        readZipDirectory(QByteArrayView(apk).last(tail), apk.size());
    qint64 needed = tail + 2 * block;
    for (const char *name : {ManifestEntry, TableEntry}) {
        const ZipEntry *entry = directory.value.find(QString::fromLatin1(name));
        if (!entry)
            continue;
        const auto extra =
            qFromLittleEndian<quint16>(apk.constData() + entry->localHeaderOffset + 28);
        needed += 30 + entry->nameSize + extra + entry->compressedSize + 2 * block;
    }
    return needed;
}

} // namespace

void measureLabelFromLargeTable(int runs)
{
    QTemporaryDir folder;
    const QByteArray apk = buildApk(folder.path(), translatedApp(650));
    const QByteArray manifest = apkEntry(apk, ManifestEntry);
    const QByteArray table = apkEntry(apk, TableEntry);
    if (manifest.isEmpty() || table.isEmpty())
        return;
    std::printf("\n6. An app's name from its manifest and a %.1f MB resource table of %lld "
                "locales (ms)\n",
                table.size() / 1e6, static_cast<long long>(localeFolders.size()));
    std::printf("%-30s %4s  %-26s %s\n", "device locale", "runs", "readLabel", "name");
    double slowest = 0;
    for (const auto &[tag, expected] :
         {std::pair{"pt-BR", "Name values-pt-rBR"}, std::pair{"zu-ZA", "Name values"}}) {
        const Locale locale = localeFromTag(QString::fromLatin1(tag));
        Samples times;
        LabelResult result;
        for (int run = 0; run < runs; ++run) {
            const std::int64_t start = monotonicNs();
            result = readLabel(manifest, table, locale);
            times.add(msBetween(start, monotonicNs()));
        }
        if (result.label != QLatin1String(expected))
            std::fprintf(stderr, "label: %s gave \"%s\"\n", tag, qPrintable(result.label));
        std::printf("%-30s %4d  %-26s %s\n", tag, times.count(), spread(times, 3).constData(),
                    qPrintable(result.label));
        slowest = std::max(slowest, times.median());
    }
    printGoal("a name from a manifest and a 5 MB table, slower locale", slowest * 1000, "us", 5000);
}

void measureNameBytes()
{
    FakeAdb adb;
    if (!adb.isReady())
        return;
    adb.attachDevice(serial);
    adb.setOutput(QStringLiteral("getprop"),
                  "[ro.build.version.sdk]: [30]\n[persist.sys.locale]: [de-DE]\n");
    adb.setOutput(QStringLiteral("dumpsys-packages"),
                  "Packages:\n  Package [org.example.named] (a1):\n"
                  "    codePath=/data/app/~~Qm9v4w==/org.example.named-1\n"
                  "    versionCode=42 minSdk=21 targetSdk=33\n    versionName=4.2.0\n"
                  "    lastUpdateTime=2024-05-02 10:11:13\n");
    DeviceQueue queue;
    std::printf("\n7. Bytes read from the device for one app's name (the stand-in's exec-out)\n");
    std::printf("%-12s %12s %12s %12s %9s %9s\n", "asset MB", "APK bytes", "read", "needed",
                "/needed", "/APK");
    double worst = 0;
    for (const qint64 asset : {0LL, 2'000'000LL, 8'000'000LL, 32'000'000LL}) {
        QTemporaryDir folder;
        const ApkSource source{"org.example.named",
                               "@string/app_name",
                               {{"values", "<string name=\"app_name\">Named</string>"},
                                {"values-de", "<string name=\"app_name\">Benannt</string>"}},
                               asset};
        const QByteArray apk = buildApk(folder.path(), source);
        if (apk.isEmpty())
            return;
        adb.placeDeviceFile(devicePath, apk);
        const qint64 before = adb.deviceBytesServed();
        const QString name = nameThroughDetails(queue);
        const qint64 read = adb.deviceBytesServed() - before;
        if (name != QLatin1String("Benannt"))
            std::fprintf(stderr, "name bytes: the name read was \"%s\"\n", qPrintable(name));
        const qint64 needed = bytesANameNeeds(apk);
        std::printf("%-12.0f %12lld %12lld %12lld %8.2fx %8.3fx\n", asset / 1e6,
                    static_cast<long long>(apk.size()), static_cast<long long>(read),
                    static_cast<long long>(needed), double(read) / double(needed),
                    double(read) / double(apk.size()));
        worst = std::max(worst, double(read) / double(needed));
    }
    printGoal("bytes read for a name, against tail and entries", worst, "x", 1);
}
