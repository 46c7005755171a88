// Saving an app's files: the files "pm path" names, the names proposed for them, and the .apks
// archive they are written into, read back by the application's own bundle reader.
#include "apps/expansionfiles.h"
#include "apps/packagepaths.h"
#include "apps/savename.h"
#include "apps/savetexts.h"
#include "bundles/apkswriter.h"
#include "bundles/bundlearchive.h"
#include "bundles/bundlecontents.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

namespace {

using Files = QList<std::pair<QString, QString>>; // device path, entry name

QString writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return {};
    return path;
}

// Some bytes that would not survive being mixed up, truncated or compressed and inflated badly.
QByteArray content(int seed, int size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    quint32 state = 2654435761u * quint32(seed + 1);
    for (char &byte : bytes) {
        state = state * 1664525u + 1013904223u;
        byte = char(state >> 24);
    }
    return bytes;
}

} // namespace

class TestSaving : public QObject
{
    Q_OBJECT

private slots:
    void readsPackagePaths_data();
    void readsPackagePaths();
    void findsExpansionFiles_data();
    void findsExpansionFiles();
    void proposesNames_data();
    void proposesNames();
    void neverReplacesInABatch();
    void describesProgress_data();
    void describesProgress();
    void writesAnArchiveOurReaderReads_data();
    void writesAnArchiveOurReaderReads();
    void leavesNothingWhenCancelledOrRefused();
};

void TestSaving::readsPackagePaths_data()
{
    QTest::addColumn<QByteArray>("output");
    QTest::addColumn<Files>("files"); // empty: refused

    const QString folder = QStringLiteral("/data/app/~~u3zcUID1XGr2ZfGNqbGeRA==/com.example-Xc==/");
    QTest::newRow("Android 11 split app")
        << QByteArray("package:" + folder.toUtf8() + "base.apk\npackage:" + folder.toUtf8() +
                      "split_config.arm64_v8a.apk\r")
        << Files{{folder + "base.apk", "base.apk"},
                 {folder + "split_config.arm64_v8a.apk", "split_config.arm64_v8a.apk"}};
    QTest::newRow("4.4 base with spaces and =")
        << QByteArray("package:/system/app/My App=1/My App.apk")
        << Files{{"/system/app/My App=1/My App.apk", "base.apk"}};
    QTest::newRow("error lines mixed in")
        << QByteArray("WARNING: linker: something\npackage:/data/app/x-1/base.apk")
        << Files{{"/data/app/x-1/base.apk", "base.apk"}};
    QTest::newRow("nothing: not installed") << QByteArray("") << Files{};
    QTest::newRow("a split that climbs out")
        << QByteArray("package:/data/app/x/base.apk\npackage:/data/app/x/../../../etc/passwd.apk")
        << Files{};
    QTest::newRow("a relative path") << QByteArray("package:data/app/x/base.apk") << Files{};
    QTest::newRow("a split name that is not plain")
        << QByteArray("package:/data/app/x/base.apk\npackage:/data/app/x/split_$(reboot).apk")
        << Files{};
    QTest::newRow("a split that is not an APK")
        << QByteArray("package:/data/app/x/base.apk\npackage:/data/app/x/split_a.so") << Files{};
    QTest::newRow("a split named like the base")
        << QByteArray("package:/data/app/x/base.apk\npackage:/data/app/y/base.apk") << Files{};
    QTest::newRow("a hidden split")
        << QByteArray("package:/data/app/x/base.apk\npackage:/data/app/x/.apk") << Files{};
}

void TestSaving::readsPackagePaths()
{
    QFETCH(QByteArray, output);
    QFETCH(Files, files);
    QList<QByteArrayView> lines;
    const QList<QByteArray> split = output.split('\n');
    for (const QByteArray &line : split)
        if (!line.isEmpty())
            lines.append(line);
    const auto read = readPackagePaths(lines);
    QCOMPARE(read.has_value(), !files.isEmpty());
    if (!read)
        return;
    Files got;
    for (const PackageFile &file : *read)
        got.append({file.devicePath, file.entryName});
    QCOMPARE(got, files);
}

void TestSaving::findsExpansionFiles_data()
{
    QTest::addColumn<int>("tool");
    QTest::addColumn<QByteArray>("output");
    QTest::addColumn<QString>("files"); // entry=size, joined by ';'

    const QByteArray folder("/sdcard/Android/obb/com.example.game/");
    const QString entry("Android/obb/com.example.game/main.7.com.example.game.obb=123");
    QTest::newRow("stat") << int(SizeTool::Stat)
                          << QByteArray("123 -rw-rw---- " + folder + "main.7.com.example.game.obb")
                          << entry;
    QTest::newRow("stat: folders and hidden files left out")
        << int(SizeTool::Stat)
        << QByteArray("4096 drwxrwx--x " + folder + "sub\n0 -rw-rw---- " + folder + ".nomedia")
        << "";
    QTest::newRow("toolbox ls")
        << int(SizeTool::List)
        << QByteArray("-rw-rw---- root sdcard_r 123 2015-01-01 10:00 main.7.com.example.game.obb")
        << entry;
    QTest::newRow("toybox ls: a total line, a link count, a name with a space")
        << int(SizeTool::List)
        << QByteArray("total 8\n-rw-rw---- 1 u0_a1 sdcard_rw 123 2019-01-01 10:00 "
                      "main.7.com.example.game.obb\n-rw-rw---- 1 u0_a1 sdcard_rw 5 2019-01-01 "
                      "10:00 patch 7.obb")
        << entry;
}

void TestSaving::findsExpansionFiles()
{
    QFETCH(int, tool);
    QFETCH(QByteArray, output);
    QFETCH(QString, files);
    QList<QByteArrayView> lines;
    const QList<QByteArray> split = output.split('\n');
    for (const QByteArray &line : split)
        lines.append(line);
    QStringList found;
    for (const ExpansionFile &file :
         readExpansionLines(lines, QStringLiteral("com.example.game"), SizeTool(tool))) {
        QCOMPARE(file.devicePath, "/sdcard/" + file.entryName);
        found.append(file.entryName + '=' + QString::number(file.size));
    }
    QCOMPARE(found.join(';'), files);
    QVERIFY(!expansionCommand(QStringLiteral("com.example.game"), SizeTool(tool)).isEmpty());
    QVERIFY(expansionCommand(QStringLiteral("x;reboot"), SizeTool(tool)).isEmpty());
}

void TestSaving::proposesNames_data()
{
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("version");
    QTest::addColumn<bool>("several");
    QTest::addColumn<QString>("expected");

    QTest::newRow("plain") << "Signal"
                           << "7.1.2" << false << "Signal_7.1.2.apk";
    QTest::newRow("split app") << "Signal"
                               << "7.1.2" << true << "Signal_7.1.2.apks";
    QTest::newRow("empty label") << ""
                                 << "1.0" << false << "org.example.notes_1.0.apk";
    QTest::newRow("no version") << "Notes"
                                << "" << false << "Notes.apk";
    QTest::newRow("slashes") << "AC/DC: Live"
                             << "1/2" << false << "AC_DC_ Live_1_2.apk";
    QTest::newRow("windows' refusals") << "a\\b*c?d\"e<f>g|h"
                                       << "1" << false << "a_b_c_d_e_f_g_h_1.apk";
    QTest::newRow("leading dots") << "..hidden"
                                  << "1" << false << "hidden_1.apk";
    QTest::newRow("only dots") << "..."
                               << "2" << true << "org.example.notes_2.apks";
    QTest::newRow("controls and overrides")
        << QString("Bad\u202eppa.exe\n\x01") << "1" << false << "Badppa.exe___1.apk";
    QTest::newRow("version of dots") << "Notes"
                                     << "../.." << false << "Notes__.apk";
}

void TestSaving::proposesNames()
{
    QFETCH(QString, label);
    QFETCH(QString, version);
    QFETCH(bool, several);
    QFETCH(QString, expected);
    QCOMPARE(proposedFileName(label, QStringLiteral("org.example.notes"), version, several),
             expected);
}

void TestSaving::neverReplacesInABatch()
{
    // A very long label of characters of two, three and four bytes stays within the file name
    // limit with room for " (N)", and is cut on a character's boundary.
    const QString label = QString(20000, QChar(0x00e9)) + QString(10, QChar(0x4e2d)) +
                          QString::fromUcs4(U"\U0001F600");
    for (const QString &longLabel : {label, QString(label).remove(0, 20000)}) {
        const QString name =
            proposedFileName(longLabel, QStringLiteral("x.y"), QString(500, 'v'), true);
        QVERIFY2(name.toUtf8().size() <= 200, qPrintable(name));
        QVERIFY(name.endsWith(QStringLiteral("_") + QString(60, 'v') + QStringLiteral(".apks")));
        QCOMPARE(QString::fromUtf8(name.toUtf8()), name);
    }

    QSet<QString> taken{"/out/Notes_1.apk", "/out/Notes_1 (2).apk"};
    const auto exists = [&taken](const QString &path) { return taken.contains(path); };
    QCOMPARE(firstFreeName("/out/Other.apk", exists), QString("/out/Other.apk"));
    QCOMPARE(firstFreeName("/out/Notes_1.apk", exists), QString("/out/Notes_1 (3).apk"));
    taken.insert("/out.d/noextension");
    QCOMPARE(firstFreeName("/out.d/noextension", exists), QString("/out.d/noextension (2)"));
    QCOMPARE(firstFreeName("/out/x.apk", [](const QString &) { return true; }), std::nullopt);
}

void TestSaving::describesProgress_data()
{
    QTest::addColumn<qint64>("done");
    QTest::addColumn<qint64>("total"); // -1: not known
    QTest::addColumn<QString>("text");

    QTest::newRow("part way") << qint64(45'200'000) << qint64(120'000'000)
                              << "Saving Notes: 45 of 120 MB";
    QTest::newRow("rounded to whole MB")
        << qint64(499'999) << qint64(1'500'000) << "Saving Notes: 0 of 2 MB";
    QTest::newRow("a file that grew is not past the end")
        << qint64(130'000'000) << qint64(120'000'000) << "Saving Notes: 120 of 120 MB";
    QTest::newRow("total not known") << qint64(7'000'000) << qint64(-1) << "Saving Notes: 7 MB";
    QTest::newRow("beyond 2 GiB") << qint64(3'000'000'000) << qint64(5'000'000'000)
                                  << "Saving Notes: 3000 of 5000 MB";
}

void TestSaving::describesProgress()
{
    QFETCH(qint64, done);
    QFETCH(qint64, total);
    QFETCH(QString, text);
    QCOMPARE(savingText(QStringLiteral("Notes"), done, total), text);
}

void TestSaving::writesAnArchiveOurReaderReads_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<bool>("expansions");
    QTest::addColumn<int>("format");
    QTest::addColumn<quint64>("zip64From"); // 0: every record in its ZIP64 form, as for 4 GiB

    const QStringList splitApp{"base.apk", "split_config.arm64_v8a.apk", "split_config.xxhdpi.apk"};
    QTest::newRow("base alone") << QStringList{"base.apk"} << false << int(BundleFormat::SplitZip)
                                << zip64Needed;
    QTest::newRow("base and splits")
        << splitApp << false << int(BundleFormat::SplitZip) << zip64Needed;
    QTest::newRow("with expansion files") << QStringList{"base.apk", "split_config.en.apk"} << true
                                          << int(BundleFormat::Xapk) << zip64Needed;
    QTest::newRow("ZIP64") << splitApp << true << int(BundleFormat::Xapk) << quint64(0);
}

void TestSaving::writesAnArchiveOurReaderReads()
{
    QFETCH(QStringList, names);
    QFETCH(bool, expansions);
    QFETCH(int, format);
    QFETCH(quint64, zip64From);
    QTemporaryDir folder;
    QList<ApksEntry> entries;
    QHash<QString, QByteArray> expected;
    for (int i = 0; i < names.size(); ++i) {
        // The first file spans several of the writer's pieces.
        const QByteArray bytes = content(i, i == 0 ? 2 * 1024 * 1024 + 17 : 1000 + i);
        entries.append({names[i], writeFile(folder.filePath(names[i]), bytes), {}});
        expected.insert(names[i], bytes);
    }
    if (expansions) {
        const QString obb =
            QStringLiteral("Android/obb/com.example.game/main.7.com.example.game.obb");
        const QByteArray bytes = content(99, 5000);
        entries.append({obb, writeFile(folder.filePath("main.obb"), bytes), {}});
        expected.insert(obb, bytes);
        const QByteArray manifest =
            expansionManifest(QStringLiteral("com.example.game"), 7, names, {obb});
        entries.append({QStringLiteral("manifest.json"), {}, manifest});
        expected.insert(QStringLiteral("manifest.json"), manifest);
    }
    const QString target = folder.filePath(QStringLiteral("Game_1.0.apks"));
    qint64 reported = 0;
    const ApksWrite written = writeApks(
        target, entries,
        [&reported](qint64 bytes) {
            reported = bytes;
            return true;
        },
        zip64From);
    QVERIFY2(written.result == ApksWrite::Written, qPrintable(written.why));
    qint64 total = 0;
    for (const QByteArray &bytes : expected)
        total += bytes.size();
    QCOMPARE(reported, total);

    BundleArchive archive(target);
    QVERIFY(!archive.problem());
    QCOMPARE(archive.entries().size(), expected.size());
    for (int i = 0; i < entries.size(); ++i) {
        const ArchiveEntry &entry = archive.entries().at(i);
        QCOMPARE(entry.name, entries[i].name);
        std::optional<BundleProblem> problem;
        QCOMPARE(archive.read(entry, 8 * 1024 * 1024, problem), expected.value(entry.name));
    }
    std::optional<BundleProblem> problem;
    const auto contents = readBundle(archive, problem);
    QVERIFY(contents);
    QCOMPARE(int(contents->format), format);
    QCOMPARE(contents->apks.size(), names.size());
    if (expansions) {
        QCOMPARE(contents->manifest.expansions.size(), 1);
        QCOMPARE(contents->manifest.expansions[0].fileName,
                 QStringLiteral("main.7.com.example.game.obb"));
    }
    // Stored, not compressed: the archive is its contents and a little more.
    QVERIFY(QFileInfo(target).size() < total + 1024);
}

void TestSaving::leavesNothingWhenCancelledOrRefused()
{
    QTemporaryDir folder;
    const QString source = writeFile(folder.filePath("base.apk"), content(1, 3 * 1024 * 1024));
    const QString target = folder.filePath(QStringLiteral("Kept.apks"));
    QVERIFY(!writeFile(target, "what was there").isEmpty());
    const QStringList before = QDir(folder.path()).entryList(QDir::Files);

    const ApksWrite cancelled = writeApks(target, {{"base.apk", source, {}}},
                                          [](qint64 written) { return written < 1024 * 1024; });
    QCOMPARE(cancelled.result, ApksWrite::Cancelled);
    for (const QString &name : {QStringLiteral("../base.apk"), QStringLiteral("/base.apk"),
                                QStringLiteral("a\\..\\b.apk"), QStringLiteral("a\nb.apk")}) {
        const ApksWrite refused = writeApks(target, {{name, source, {}}});
        QCOMPARE(refused.result, ApksWrite::Failed);
    }
    const ApksWrite twice = writeApks(target, {{"base.apk", source, {}}, {"base.apk", source, {}}});
    QCOMPARE(twice.result, ApksWrite::Failed);
    const ApksWrite missing = writeApks(target, {{"base.apk", folder.filePath("gone.apk"), {}}});
    QCOMPARE(missing.result, ApksWrite::Failed);
    QVERIFY(missing.why.contains(QStringLiteral("gone.apk")));

    QCOMPARE(QDir(folder.path()).entryList(QDir::Files), before);
    QFile kept(target);
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), QByteArray("what was there"));
}

QTEST_GUILESS_MAIN(TestSaving)
#include "tst_saving.moc"
