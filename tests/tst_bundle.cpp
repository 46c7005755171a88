// What a file given as a bundle is, told by its content, and what happens to bad input: each
// gives a format or a problem, never a crash, and nothing lands outside the private folder.
#include "bundles/bundlearchive.h"
#include "bundles/bundlecontents.h"
#include "bundles/bundlestage.h"
#include "ziparchive.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(ZipEntries)

namespace {

constexpr int none = -1;

// A table of contents naming one APK, splits/base-master.apk, the master of the base module.
const QByteArray tocOfOne("\x0a(\x12&\x0a\x06\x0a\x04"
                          "base\x12\x1c\x12\x16"
                          "splits/base-master.apk\x1a\x02\x10\x01",
                          42);

QByteArray manifest(const QByteArray &versionCode, const QByteArray &expansionPath = {})
{
    QByteArray json =
        R"({"xapk_version": 2, "package_name": "com.example.game", "version_code": )" +
        versionCode + R"(, "split_apks": [{"file": "com.example.game.apk", "id": "base"}])";
    if (!expansionPath.isEmpty())
        json += R"(, "expansions": [{"file": "main.obb", "install_location": "EXTERNAL_STORAGE",
                    "install_path": ")" +
                expansionPath + R"("}])";
    return json + "}";
}

// Makes the sizes a ZIP's first entry claims, in its local header and in the central directory,
// say `size`: a forged entry that holds more than it claims.
bool claimSize(const QString &path, quint32 size)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite))
        return false;
    QByteArray bytes = file.readAll();
    const qsizetype local = bytes.indexOf("PK\x03\x04");
    const qsizetype central = bytes.indexOf("PK\x01\x02");
    if (local < 0 || central < 0)
        return false;
    for (const qsizetype at : {local + 22, central + 24}) {
        for (int i = 0; i < 4; ++i)
            bytes[at + i] = char((size >> (8 * i)) & 0xff);
    }
    return file.seek(0) && file.write(bytes) == bytes.size();
}

} // namespace

class TestBundle : public QObject
{
    Q_OBJECT

private slots:
    void recognises_data();
    void recognises();
    void refusesAnEntryLargerThanItClaims();
};

void TestBundle::recognises_data()
{
    QTest::addColumn<ZipEntries>("entries"); // none: the file holds `raw`
    QTest::addColumn<QByteArray>("raw");
    QTest::addColumn<int>("format");  // BundleFormat, or none
    QTest::addColumn<int>("problem"); // BundleProblem::Kind, or none

    const QByteArray apk("PK-an APK");
    const QByteArray noRaw;
    QTest::newRow("APK set") << ZipEntries{{"toc.pb", tocOfOne}, {"splits/base-master.apk", apk}}
                             << noRaw << int(BundleFormat::ApkSet) << none;
    QTest::newRow("APK set naming an APK it lacks")
        << ZipEntries{{"toc.pb", tocOfOne}, {"splits/base-x86.apk", apk}} << noRaw << none
        << int(BundleProblem::BadToc);
    QTest::newRow(".apkm") << ZipEntries{{"info.json", R"({"info_version": 1})"},
                                         {"base.apk", apk},
                                         {"split_config.en.apk", apk}}
                           << noRaw << int(BundleFormat::Apkm) << none;
    QTest::newRow(".xapk, version code as text")
        << ZipEntries{{"manifest.json", manifest("\"12\"")}, {"com.example.game.apk", apk}} << noRaw
        << int(BundleFormat::Xapk) << none;
    QTest::newRow(".xapk, version code as a number, an expansion")
        << ZipEntries{{"manifest.json",
                       manifest("12", "Android/obb/com.example.game/main.12.com.example.game.obb")},
                      {"com.example.game.apk", apk},
                      {"main.obb", "expansion"}}
        << noRaw << int(BundleFormat::Xapk) << none;
    QTest::newRow(".xapk, manifest not JSON")
        << ZipEntries{{"manifest.json", "{\"package_name\": "}, {"com.example.game.apk", apk}}
        << noRaw << none << int(BundleProblem::BadManifest);
    QTest::newRow(".xapk, an expansion going elsewhere")
        << ZipEntries{{"manifest.json", manifest("12", "Android/obb/../../../.bashrc")},
                      {"com.example.game.apk", apk},
                      {"main.obb", "expansion"}}
        << noRaw << none << int(BundleProblem::BadExpansion);
    QTest::newRow(".xapk, an expansion it lacks")
        << ZipEntries{{"manifest.json", manifest("12", "Android/obb/com.example.game/main.obb")},
                      {"com.example.game.apk", apk}}
        << noRaw << none << int(BundleProblem::BadExpansion);
    QTest::newRow("ZIP of splits") << ZipEntries{{"base.apk", apk}, {"split_config.x86.apk", apk}}
                                   << noRaw << int(BundleFormat::SplitZip) << none;
    QTest::newRow("an entry climbing out")
        << ZipEntries{{"base.apk", apk}, {"splits/../../evil.apk", apk}} << noRaw << none
        << int(BundleProblem::UnsafeEntry);
    QTest::newRow("an absolute entry")
        << ZipEntries{{"/tmp/evil.apk", apk}} << noRaw << none << int(BundleProblem::UnsafeEntry);
    QTest::newRow("a single APK") << ZipEntries{{"AndroidManifest.xml", "x"}, {"classes.dex", "x"}}
                                  << noRaw << none << int(BundleProblem::SingleApk);
    QTest::newRow("no APK") << ZipEntries{{"readme.txt", "x"}} << noRaw << none
                            << int(BundleProblem::NoApk);
    QTest::newRow("not a ZIP: an old, encrypted .apkm")
        << ZipEntries{} << QByteArray(4096, '\x5a') << none << int(BundleProblem::NotZip);
    QTest::newRow("an empty file")
        << ZipEntries{} << QByteArray("") << none << int(BundleProblem::NotZip);
}

void TestBundle::recognises()
{
    QFETCH(ZipEntries, entries);
    QFETCH(QByteArray, raw);
    QFETCH(int, format);
    QFETCH(int, problem);
    QTemporaryDir dir;
    const QString path = dir.filePath("bundle.apks");
    if (entries.isEmpty()) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(raw) == raw.size());
    } else {
        QVERIFY(writeZip(path, entries));
    }

    BundleArchive archive(path);
    std::optional<BundleProblem> found = archive.problem();
    std::optional<BundleContents> contents;
    if (!found)
        contents = readBundle(archive, found);

    QCOMPARE(found ? int(found->kind) : none, problem);
    QCOMPARE(contents ? int(contents->format) : none, format);
    if (found)
        QVERIFY(!describe(*found).isEmpty());
}

// The ZIP library trusts the sizes an entry's headers claim, and a forged entry can hold more.
void TestBundle::refusesAnEntryLargerThanItClaims()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("forged.apkm");
    QVERIFY(writeZip(path, {{"base.apk", QByteArray(200000, 'a')}}));
    QVERIFY(claimSize(path, 1000));
    QTemporaryDir system;
    const auto restore = qScopeGuard([saved = qgetenv("TMPDIR")] {
        if (saved.isEmpty())
            qunsetenv("TMPDIR");
        else
            qputenv("TMPDIR", saved);
    });
    qputenv("TMPDIR", QFile::encodeName(system.path()));

    BundleArchive archive(path);
    QVERIFY(!archive.problem());
    QStringList staged;
    {
        BundleStage stage;
        const std::optional<BundleProblem> problem =
            stage.stageApks(archive, {{"base.apk", "base", "the base"}}, staged);
        QVERIFY(problem);
        QCOMPARE(problem->kind, BundleProblem::LargerThanClaimed);
    }

    QVERIFY(staged.isEmpty());
    QVERIFY(QDir(system.path()).isEmpty());
}

QTEST_GUILESS_MAIN(TestBundle)
#include "tst_bundle.moc"
