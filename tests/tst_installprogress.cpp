// The pure parts of an install's progress, of the clean-up after a Cancel and of the offers after
// a refusal, and the reading of a process's file offsets, against a made-up /proc tree and a real
// process (the stand-in adb reading a package slowly).
#include "device/toolrunner.h"
#include "fakeadb.h"
#include "install/installcleanup.h"
#include "install/installoffers.h"
#include "install/installprogress.h"
#include "install/packagecheck.h"
#include "install/readprogress.h"
#include "ziparchive.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <limits>

Q_DECLARE_METATYPE(RefusalOffer::Kind)
Q_DECLARE_METATYPE(ZipEntries)

namespace {

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// What the stand-in records of each position: -1 for none.
QList<qint64> offsets(const QList<std::optional<FileRead>> &reads)
{
    QList<qint64> found;
    for (const std::optional<FileRead> &read : reads)
        found.append(read ? read->position : -1);
    return found;
}

std::optional<FileRead> readFrom(const QString &word)
{
    if (word == QLatin1String("-"))
        return std::nullopt;
    const QStringList parts = word.split(QLatin1Char('/'));
    const qint64 position = parts.first().toLongLong();
    // Without a size now, the file keeps the size it had.
    return FileRead{position, parts.size() > 1 ? parts.last().toLongLong()
                                               : std::numeric_limits<qint64>::max()};
}

// Plays a step on the bar: "staged N", "read <ms> <pos>[/<size now>]|- ...", "copy <i> <pos>|-".
void play(InstallProgress &progress, const QString &step)
{
    const QStringList words = step.split(QLatin1Char(' '));
    if (words.first() == QLatin1String("staged"))
        return progress.staged(words.at(1).toInt());
    if (words.first() == QLatin1String("copy"))
        return progress.copying(words.at(1).toInt(), readFrom(words.at(2)));
    QList<std::optional<FileRead>> reads;
    for (const QString &word : words.mid(2))
        reads.append(readFrom(word));
    progress.sample(reads, words.at(1).toLongLong());
}

} // namespace

class TestInstallProgress : public QObject
{
    Q_OBJECT

private slots:
    void readsProcTree_data();
    void readsProcTree();
    void readsRunningProcess();
    void bar_data();
    void bar();
    void offers_data();
    void offers();
    void details_data();
    void details();
    void openSessions_data();
    void openSessions();
    void freeSpace_data();
    void freeSpace();
    void cleanupArguments();
    void judgesACancel_data();
    void judgesACancel();
    void packageOfAFile_data();
    void packageOfAFile();
};

void TestInstallProgress::readsProcTree_data()
{
    QTest::addColumn<QStringList>("descriptors"); // "<file> <fdinfo>" each, as fd 3, 4, ...
    QTest::addColumn<QStringList>("asked");
    QTest::addColumn<QList<qint64>>("expected");

    const QString pos = QStringLiteral("pos:\t%1\nflags:\t0100000\nmnt_id:\t25\n");
    QTest::newRow("found") << QStringList{"a.apk " + pos.arg(5000)} << QStringList{"a.apk"}
                           << QList<qint64>{5000};
    QTest::newRow("not open yet") << QStringList{} << QStringList{"a.apk"} << QList<qint64>{-1};
    QTest::newRow("asked through a link to the file")
        << QStringList{"a.apk " + pos.arg(7)} << QStringList{"link.apk"} << QList<qint64>{7};
    QTest::newRow("another file of the same name is not it")
        << QStringList{"other/a.apk " + pos.arg(7)} << QStringList{"a.apk"} << QList<qint64>{-1};
    QTest::newRow("the second of two open, the first closed")
        << QStringList{"b.apk " + pos.arg(300)} << QStringList{"a.apk", "b.apk"}
        << QList<qint64>{-1, 300};
    QTest::newRow("opened twice: the furthest")
        << QStringList{"a.apk " + pos.arg(900), "a.apk " + pos.arg(100)} << QStringList{"a.apk"}
        << QList<qint64>{900};
    QTest::newRow("fdinfo without an offset")
        << QStringList{"a.apk flags:\t0100000\n"} << QStringList{"a.apk"} << QList<qint64>{-1};
}

void TestInstallProgress::readsProcTree()
{
    QFETCH(QStringList, descriptors);
    QFETCH(QStringList, asked);
    QFETCH(QList<qint64>, expected);

    QTemporaryDir root;
    QDir dir(root.path());
    QVERIFY(dir.mkpath("files/other") && dir.mkpath("proc/42/fd") && dir.mkpath("proc/42/fdinfo"));
    for (const char *name : {"a.apk", "b.apk", "other/a.apk"})
        QVERIFY(writeFile(dir.filePath(QStringLiteral("files/") + name), "apk bytes"));
    QVERIFY(QFile::link(dir.filePath("files/a.apk"), dir.filePath("files/link.apk")));
    for (int i = 0; i < descriptors.size(); ++i) {
        const QString fd = QString::number(3 + i);
        const QString file = descriptors.at(i).section(QLatin1Char(' '), 0, 0);
        QVERIFY(QFile::link(dir.filePath("files/" + file), dir.filePath("proc/42/fd/" + fd)));
        QVERIFY(writeFile(dir.filePath("proc/42/fdinfo/" + fd),
                          descriptors.at(i).section(QLatin1Char(' '), 1).toUtf8()));
    }
    QStringList paths;
    for (const QString &name : asked)
        paths.append(dir.filePath("files/" + name));

    QCOMPARE(offsets(readPositions(42, paths, dir.filePath("proc"))), expected);
    const QList<qint64> none(asked.size(), -1);
    QCOMPARE(offsets(readPositions(43, paths, dir.filePath("proc"))), none); // no such process
}

// The stand-in reads a package as adb does; its offset rises, is found after the package is
// renamed, and stops at the end while the install waits for the device.
void TestInstallProgress::readsRunningProcess()
{
#if !defined(Q_OS_LINUX)
    QSKIP("Reading another process's offsets needs Linux's /proc");
#endif
    FakeAdb adb;
    QVERIFY(adb.isReady());
    adb.setOptions("install", "read_chunk=65536\nread_pause_ms=15\nstall_ms=400\n");
    QTemporaryDir folder;
    QString package = folder.filePath("Big.apk");
    const QByteArray bytes(1 << 20, 'x');
    QVERIFY(writeFile(package, bytes));

    QProcess tool;
    tool.start(toolPath(), {"install", "-r", package});
    QVERIFY2(tool.waitForStarted(), qPrintable(tool.errorString()));
    QList<qint64> seen;
    bool renamed = false;
    QElapsedTimer clock;
    clock.start();
    while (tool.state() == QProcess::Running && clock.elapsed() < 10000) {
        const QList<std::optional<FileRead>> reads = readPositions(tool.processId(), {package});
        if (reads.first() && (seen.isEmpty() || seen.last() != reads.first()->position))
            seen.append(reads.first()->position);
        if (!seen.isEmpty() && !renamed) {
            const QString moved = folder.filePath("Moved.apk");
            QVERIFY(QFile::rename(package, moved));
            package = moved;
            renamed = true;
        }
        tool.waitForFinished(20);
    }
    QCOMPARE(tool.state(), QProcess::NotRunning);
    QVERIFY2(seen.size() >= 3, qPrintable(QString::number(seen.size())));
    QVERIFY(std::is_sorted(seen.cbegin(), seen.cend()));
    QCOMPARE(seen.last(), qint64(bytes.size()));
    QVERIFY(!readPositions(tool.processId(), {package}).first()); // gone
}

void TestInstallProgress::bar_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QList<qint64>>("sent");
    QTest::addColumn<int>("splits");
    QTest::addColumn<qint64>("expansion"); // bytes of main.obb, copied after; 0: none
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<int>("value");
    QTest::addColumn<bool>("busy");
    QTest::addColumn<QString>("text");

    const QList<qint64> big{120000000};
    const QString apk = "Big.apk";
    const QString device = "Installing on the device\u2026";
    QTest::newRow("before adb opens the file")
        << apk << big << 0 << qint64(0) << QStringList{"read 0 -"} << 0 << true
        << "Installing Big.apk\u2026";
    QTest::newRow("sending") << apk << big << 0 << qint64(0) << QStringList{"read 0 45000000"}
                             << 356 << false << "Sending Big.apk: 45 of 120 MB";
    QTest::newRow("below 10 MB one decimal")
        << "Small.apk" << QList<qint64>{5300000} << 0 << qint64(0) << QStringList{"read 0 2290000"}
        << 410 << false << "Sending Small.apk: 2.2 of 5.3 MB";
    QTest::newRow("read to the end: the device installs")
        << apk << big << 0 << qint64(0) << QStringList{"read 0 45000000", "read 250 120000000"}
        << 950 << true << device;
    QTest::newRow("closed once read (push path)")
        << apk << big << 0 << qint64(0) << QStringList{"read 0 50000000", "read 250 -"} << 950
        << true << device;
    QTest::newRow("device phase, 19.9 s")
        << apk << big << 0 << qint64(0) << QStringList{"read 100 120000000", "read 20099 -"} << 950
        << true << device;
    QTest::newRow("device phase, 20 s")
        << apk << big << 0 << qint64(0) << QStringList{"read 100 120000000", "read 20100 -"} << 950
        << true << device + " \u2014 if the phone asks for a confirmation, accept it there";
    QTest::newRow("read back: never backwards")
        << apk << big << 0 << qint64(0) << QStringList{"read 0 80000000", "read 250 20000000"}
        << 633 << false << "Sending Big.apk: 80 of 120 MB";
    QTest::newRow("reopened from the start")
        << apk << big << 0 << qint64(0) << QStringList{"read 0 80000000", "read 250 0"} << 633
        << false << "Sending Big.apk: 80 of 120 MB";
    QTest::newRow("grown: ends at its old size")
        << apk << big << 0 << qint64(0) << QStringList{"read 0 130000000/130000000"} << 950 << true
        << device;
    QTest::newRow("shrunk: ends at its new size")
        << apk << big << 0 << qint64(0) << QStringList{"read 0 60000000/60000000"} << 950 << true
        << device;
    QTest::newRow("bundle: preparing")
        << "App.xapk" << QList<qint64>{100000000, 20000000} << 5 << qint64(0)
        << QStringList{"staged 3"} << 57 << false << "Preparing App.xapk: 3 of 5 splits";
    QTest::newRow("bundle: the second file open, the first is sent")
        << "App.xapk" << QList<qint64>{100000000, 20000000} << 5 << qint64(0)
        << QStringList{"staged 5", "read 0 - 5000000"} << 843 << false
        << "Sending App.xapk: 105 of 120 MB";
    QTest::newRow("bundle: prepared, then no descriptor")
        << "App.xapk" << QList<qint64>{100000000, 20000000} << 5 << qint64(0)
        << QStringList{"staged 5", "read 0 - -"} << 95 << true << "Installing App.xapk\u2026";
    QTest::newRow("bundle: between two files")
        << "App.xapk" << QList<qint64>{100000000, 20000000} << 0 << qint64(0)
        << QStringList{"read 0 50000000 -", "read 250 - -"} << 791 << false
        << "Sending App.xapk: 100 of 120 MB";
    QTest::newRow("expansion: installed, then copied")
        << "App.xapk" << QList<qint64>{100000000} << 0 << qint64(100000000)
        << QStringList{"read 0 100000000", "copy 0 50000000"} << 712 << false
        << "Copying main.obb: 50 of 100 MB";
}

void TestInstallProgress::bar()
{
    QFETCH(QString, name);
    QFETCH(QList<qint64>, sent);
    QFETCH(int, splits);
    QFETCH(qint64, expansion);
    QFETCH(QStringList, steps);

    QList<ProgressFile> expansions;
    if (expansion > 0)
        expansions.append({QStringLiteral("main.obb"), expansion});
    InstallProgress progress(name, sent, splits, expansions);
    int before = progress.view().value;
    for (const QString &step : steps) {
        play(progress, step);
        QVERIFY2(progress.view().value >= before, qPrintable(step));
        QVERIFY(progress.view().value <= 950);
        before = progress.view().value;
    }
    QTEST(progress.view().value, "value");
    QTEST(progress.view().busy, "busy");
    QTEST(progress.view().text, "text");
    // Cancel is offered until the device takes over, and only then withdrawn.
    QFETCH(QString, text);
    QCOMPARE(progress.deviceInstalling(), text.startsWith("Installing on the device"));
}

void TestInstallProgress::offers_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<int>("sdk");
    QTest::addColumn<bool>("debuggable");
    QTest::addColumn<RefusalOffer::Kind>("kind");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QStringList>("arguments"); // of the install the offer runs

    using Kind = RefusalOffer::Kind;
    const QString older = "INSTALL_FAILED_VERSION_DOWNGRADE";
    const QString uninstall = "Uninstall Maps and install this file";
    const QStringList plain{"install", "-r", "/tmp/a.apk"};
    const QStringList downgrade{"install", "-r", "-d", "/tmp/a.apk"};
    QTest::newRow("older, Android 6")
        << older << 23 << false << Kind::InstallOlder << "Install the older version" << downgrade;
    QTest::newRow("older, Android 7 user build")
        << older << 24 << false << Kind::UninstallFirst << uninstall << plain;
    QTest::newRow("older, Android 14 debuggable build")
        << older << 34 << true << Kind::InstallOlder << "Install the older version" << downgrade;
    QTest::newRow("older, device unknown")
        << older << 0 << false << Kind::UninstallFirst << uninstall << plain;
    QTest::newRow("other signer") << "INSTALL_FAILED_UPDATE_INCOMPATIBLE" << 34 << true
                                  << Kind::UninstallFirst << uninstall << plain;
    QTest::newRow("test-only") << "INSTALL_FAILED_TEST_ONLY" << 30 << false
                               << Kind::InstallTestBuild << "Install test build"
                               << QStringList{"install", "-r", "-t", "/tmp/a.apk"};
    for (const char *code : {"INSTALL_FAILED_INSUFFICIENT_STORAGE", "INSTALL_FAILED_OLDER_SDK",
                             "INSTALL_FAILED_NO_MATCHING_ABIS", "INSTALL_FAILED_ALREADY_EXISTS"})
        QTest::addRow("%s: no button", code) << code << 30 << true << Kind::None << "" << plain;
}

void TestInstallProgress::offers()
{
    QFETCH(QString, code);
    QFETCH(int, sdk);
    QFETCH(bool, debuggable);
    QFETCH(RefusalOffer::Kind, kind);
    QFETCH(QStringList, arguments);

    const RefusalOffer offer = offerAfter(code, QStringLiteral("Maps"), {sdk, debuggable, {}});
    QCOMPARE(offer.kind, kind);
    QTEST(offer.button, "button");
    QCOMPARE(installArguments({"/tmp/a.apk"}, false, offer.flags), arguments);
    QStringList multiple = arguments;
    multiple[0] = QStringLiteral("install-multiple");
    multiple.append(QStringLiteral("/tmp/b.apk"));
    QCOMPARE(installArguments({"/tmp/a.apk", "/tmp/b.apk"}, true, offer.flags), multiple);
    // The stand-in takes what the offers run, and refuses anything else.
    FakeAdb adb;
    QVERIFY(adb.isReady());
    for (const QStringList &run : {arguments, multiple})
        QVERIFY2(runTool(toolPath(), run, {}).errors.isEmpty(), qPrintable(run.join(' ')));
    QVERIFY(!runTool(toolPath(), {"install", "-d", "-r", "/tmp/a.apk"}, {}).errors.isEmpty());
    // Whatever deletes the app's data says so, and names it, before it runs.
    QCOMPARE(offer.confirmation.contains("Maps") && offer.confirmation.contains("data"),
             kind == RefusalOffer::Kind::UninstallFirst);
    // Where -d would not help, the detail says why only uninstalling does.
    QCOMPARE(!offer.detail.isEmpty(), code == QLatin1String("INSTALL_FAILED_VERSION_DOWNGRADE") &&
                                          kind == RefusalOffer::Kind::UninstallFirst);
}

void TestInstallProgress::details_data()
{
    QTest::addColumn<QString>("detail");
    QTest::addColumn<QString>("expected");

    const ToolRun older{
        {},
        {"Performing Streamed Install"},
        {"adb: failed to install /tmp/a.apk: Failure [INSTALL_FAILED_OLDER_SDK: Failed parse "
         "during installPackageLI: /data/app/vmdl1.tmp/base.apk (at Binary XML file line #7): "
         "Requires newer sdk version #26 (current version is #25)]"},
        {}};
    const std::optional<Refusal> refusal = refusalOf(older);
    QTest::newRow("older sdk, from the device's text")
        << olderSdkDetail(neededSdkFromMessage(refusal ? refusal->message : QString()), 25)
        << "The package needs Android 8.0 (API level 26) or later; this device has Android 7.1 "
           "(API level 25).";
    QTest::newRow("abis") << abiDetail({"x86_64"}, {"arm64_v8a", "armeabi_v7a"})
                          << "The package\u2019s native code is for x86_64; this device\u2019s "
                             "processor runs arm64-v8a, armeabi-v7a.";
    QTest::newRow("storage") << storageDetail(812000000, 1340000000)
                             << "The device has 812 MB free for apps; the package is 1340 MB, "
                                "and installing it takes more than its size.";
    QTest::newRow("refusal code") << (refusal ? refusal->code : QString())
                                  << "INSTALL_FAILED_OLDER_SDK";
}

void TestInstallProgress::details()
{
    QFETCH(QString, detail);
    QTEST(detail, "expected");
}

void TestInstallProgress::openSessions_data()
{
    QTest::addColumn<QStringList>("dump");
    QTest::addColumn<QList<int>>("ids");

    const QString active = "Active install sessions:";
    const QString historical = "Historical install sessions:";
    // Android 10's shape: the pairs wrap at 120 columns.
    const QStringList open10{
        "  Session 1150611470:",
        "    userId=0 mOriginalInstallerUid=-1 mInstallerPackageName=com.android.shell ",
        "    mInstallerUid=2000 createdMillis=1700000000000 stageDir=/data/app/vmdl1150611470.tmp ",
        "    stageCid=null ",
        "    mode=1 installFlags=0x400012 installLocation=1 sizeBytes=71500 appPackageName=null ",
        "    mClientProgress=0.41 mProgress=0.32 mCommitted=false mSealed=false ",
        "    mPermissionsManuallyAccepted=false mRelinquished=false mDestroyed=false mFds=0 "};
    // Android 5's shape.
    const QStringList open5{"  Session 77:",
                            "    userId=0 installerPackageName=com.android.shell "
                            "installerUid=2000 createdMillis=1 ",
                            "    mClientProgress=0.1 mSealed=false mDestroyed=false "};
    QStringList byStore = open5;
    byStore[0] = "  Session 78:";
    byStore[1].replace("installerUid=2000", "installerUid=10057");
    QStringList sealed = open5;
    sealed[0] = "  Session 79:";
    sealed[2].replace("mSealed=false", "mSealed=true");

    QTest::newRow("none") << QStringList{"Package Changes:", active, "", historical}
                          << QList<int>{};
    QTest::newRow("Android 10, wrapped")
        << QStringList{active} + open10 + QStringList{"", ""} << QList<int>{1150611470};
    QTest::newRow("only the shell's and not sealed")
        << QStringList{"Packages:", "  Package [com.a]", active} + byStore + open5 + sealed
        << QList<int>{77};
    QTest::newRow("root shell") << QStringList{active} +
                                       QStringList{"  Session 5:", "    mInstallerUid=0 "}
                                << QList<int>{5};
    QTest::newRow("historical ones are not open")
        << QStringList{active, ""} + QStringList{historical} + open5 << QList<int>{};
    QTest::newRow("a session line outside the part") << open5 + QStringList{active} << QList<int>{};
    QTest::newRow("ids that are not ids") << QStringList{active,
                                                         "  Session -4:",
                                                         "    installerUid=2000",
                                                         "  Session 99999999999:",
                                                         "    installerUid=2000",
                                                         "  Session :",
                                                         "    installerUid=2000"}
                                          << QList<int>{};
}

void TestInstallProgress::openSessions()
{
    QFETCH(QStringList, dump);
    QTEST(openShellSessions(dump), "ids");
}

void TestInstallProgress::freeSpace_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<qint64>("bytes"); // -1: none

    QTest::newRow("toybox")
        << QStringList{"Filesystem      1K-blocks     Used Available Use% "
                       "Mounted on",
                       "/dev/block/dm-1  56368440 32053608  24167376  58% /data"}
        << qint64(24167376) * 1024;
    QTest::newRow("toolbox")
        << QStringList{"Filesystem               Size     Used     Free   "
                       "Blksize",
                       "/data                   11.6G     6.8G     4.8G   4096"}
        << qint64(4.8 * (1 << 30));
    QTest::newRow("POSIX blocks") << QStringList{"Filesystem 512-blocks Used Available Capacity "
                                                 "Mounted on",
                                                 "/dev/sda1 1000 500 400 50% /data"}
                                  << qint64(400 * 512);
    QTest::newRow("refused") << QStringList{"df: /data: Permission denied"} << qint64(-1);
    QTest::newRow("no figure") << QStringList{"Filesystem 1K-blocks Used Available Use% Mounted on",
                                              "/dev/x 1 1 lots 5% /data"}
                               << qint64(-1);
    QTest::newRow("too large") << QStringList{"Filesystem 1K-blocks Used Available Use% Mounted on",
                                              "/dev/x 1 1 99999999999999999 5% /data"}
                               << qint64(-1);
}

void TestInstallProgress::freeSpace()
{
    QFETCH(QStringList, lines);
    const std::optional<qint64> bytes = freeBytesFromDf(lines);
    QTEST(bytes.value_or(-1), "bytes");
}

void TestInstallProgress::cleanupArguments()
{
    QCOMPARE(pushCopyRemovalArguments("/tmp/apkshelf-a1/My App's.apk"),
             QStringList({"shell", "rm", "'/data/local/tmp/My App'\\''s.apk'", "</dev/null"}));
    QCOMPARE(expansionRemovalArguments(
                 {expansionDevicePath("com.game", "main.1.com.game.obb"), "/sdcard/x $(y)"}),
             QStringList({"shell", "rm", "/sdcard/Android/obb/com.game/main.1.com.game.obb",
                          "'/sdcard/x $(y)'", "</dev/null"}));
    QVERIFY(expansionRemovalArguments({}).isEmpty());
    QCOMPARE(abandonArguments(1150611470),
             QStringList({"shell", "pm", "install-abandon", "1150611470"}));
}

// What "pm path" printed: lines on standard output, "!error" on standard error, "timeout".
ToolRun pathRun(const QStringList &said)
{
    ToolRun run;
    for (const QString &line : said) {
        if (line == QLatin1String("timeout"))
            run.timedOut = true;
        else if (line.startsWith(QLatin1Char('!')))
            run.errors.append(line.mid(1));
        else
            run.output.append(line);
    }
    return run;
}

void TestInstallProgress::judgesACancel_data()
{
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<QStringList>("after");
    QTest::addColumn<bool>("installed");

    const QStringList old{"package:/data/app/~~a==/com.x-b==/base.apk",
                          "package:/data/app/~~a==/com.x-b==/split_config.en.apk"};
    const QStringList fresh{"package:/data/app/~~c==/com.x-d==/base.apk"};
    QTest::newRow("not installed, still not") << QStringList() << QStringList() << false;
    QTest::newRow("newly installed") << QStringList() << fresh << true;
    QTest::newRow("replaced") << old << fresh << true;
    QTest::newRow("as before, in another order")
        << old << QStringList{old.at(1), old.at(0)} << false;
    QTest::newRow("before unread") << QStringList{"timeout"} << fresh << false;
    QTest::newRow("before refused by adb")
        << QStringList{"!error: device offline"} << fresh << false;
    QTest::newRow("gone after: adb lost the device")
        << old << QStringList{"!error: no devices/emulators found"} << false;
    QTest::newRow("an old device's error line beside the path")
        << QStringList{"Error: a warning"} << QStringList{"Error: a warning"} + fresh << true;
}

void TestInstallProgress::judgesACancel()
{
    QFETCH(QStringList, before);
    QFETCH(QStringList, after);
    QTEST(installedDespiteCancel(installedFiles(pathRun(before)), installedFiles(pathRun(after))),
          "installed");
}

void TestInstallProgress::packageOfAFile_data()
{
    QTest::addColumn<ZipEntries>("entries"); // none: the file is not a ZIP
    QTest::addColumn<int>("fillers");        // small entries before the manifest
    QTest::addColumn<QString>("package");

    const ZipEntries apk{{"AndroidManifest.xml", binaryManifest("com.example.app")},
                         {"classes.dex", QByteArray(300000, 'd')}};
    QTest::newRow("an APK") << apk << 0 << "com.example.app";
    QTest::newRow("a directory larger than the tail") << apk << 3000 << "com.example.app";
    QTest::newRow("no manifest") << ZipEntries{apk.at(1)} << 0 << "";
    QTest::newRow("a name that is no package name")
        << ZipEntries{{"AndroidManifest.xml", binaryManifest("x;reboot")}} << 0 << "";
    QTest::newRow("not a ZIP") << ZipEntries() << 0 << "";
}

void TestInstallProgress::packageOfAFile()
{
    QFETCH(ZipEntries, entries);
    QFETCH(int, fillers);
    QTemporaryDir dir;
    const QString path = dir.filePath("app.apk");
    ZipEntries written;
    for (int i = 0; i < fillers; ++i)
        written.append({QStringLiteral("res/raw/filler_with_a_longish_name_%1").arg(i), "x"});
    written += entries;
    QVERIFY(entries.isEmpty() ? writeFile(path, QByteArray(100000, 'x')) : writeZip(path, written));
    QTEST(packageOfApk(path), "package");
    QCOMPARE(packageOfApk(dir.filePath("missing.apk")), QString());
}

QTEST_GUILESS_MAIN(TestInstallProgress)
#include "tst_installprogress.moc"
