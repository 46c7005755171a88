// What the Apps view learns about each app: the package manager's dump in the shapes Android 4.4
// to 15 print it, the sizes of package files, the texts of the detail columns and the cache of
// what was read.
#include "apps/detailcache.h"
#include "apps/detailtext.h"
#include "apps/packagedump.h"
#include "apps/packagesizes.h"
#include "labels/labeltext.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

// One package's details in one line, fields that were not printed left empty.
QString described(const QHash<QString, PackageDetails> &found, const QString &package)
{
    const auto it = found.constFind(package);
    if (it == found.cend())
        return QStringLiteral("absent");
    const PackageDetails &d = *it;
    const auto optional = [](const auto &value) {
        return value ? QString::number(qint64(*value)) : QString();
    };
    QString flags = QString(d.system ? "S" : "") + (d.updatedSystem ? "U" : "");
    return QStringList{d.versionName,
                       optional(d.versionCode),
                       d.lastUpdateTime,
                       d.firstInstallTime,
                       d.installer,
                       optional(d.enabled),
                       optional(d.installed),
                       flags,
                       d.codePath,
                       d.splits.join(QLatin1Char(','))}
        .join(QLatin1Char('|'));
}

const QByteArray kitKat = R"(Packages:
  Package [com.example.old] (41a2b3c4):
    userId=10052 gids=[3003]
    pkg=Package{41a2b3c4 com.example.old}
    codePath=/data/app/com.example.old-1.apk
    versionCode=7 targetSdk=19
    versionName=1.0.7
    flags=[ HAS_CODE ALLOW_CLEAR_USER_DATA ALLOW_BACKUP ]
    timeStamp=2014-03-01 10:00:00
    firstInstallTime=2014-03-01 10:00:01
    lastUpdateTime=2014-03-01 10:00:02
    installerPackageName=com.android.vending
    pkgFlags=[ HAS_CODE ALLOW_CLEAR_USER_DATA ALLOW_BACKUP ]
    User 0:  installed=true blocked=false stopped=false notLaunched=false enabled=0
    grantedPermissions:
      android.permission.INTERNET
)";

// Android 7: an updated system app, its factory copy under "Hidden system packages:".
const QByteArray nougat = R"(Packages:
  Package [com.android.chrome] (5d3e1f0):
    userId=10030
    codePath=/data/app/com.android.chrome-2
    versionCode=298708652 minSdk=24 targetSdk=26
    versionName=61.0.3163.98
    flags=[ SYSTEM HAS_CODE UPDATED_SYSTEM_APP ]
    lastUpdateTime=2017-10-01 09:08:07
    pkgFlags=[ SYSTEM HAS_CODE UPDATED_SYSTEM_APP ]
    User 0: ceDataInode=0 installed=true hidden=false suspended=false stopped=false notLaunched=false enabled=0
    User 10: ceDataInode=0 installed=false hidden=false suspended=false stopped=true notLaunched=true enabled=0

Hidden system packages:
  Package [com.android.chrome] (8a9b0c1):
    codePath=/system/app/Chrome
    versionCode=1 minSdk=24 targetSdk=26
    versionName=factory
)";

const QByteArray quinceTart = R"(Packages:
  Package [org.example.notes] (a1b2c3d):
    userId=10123
    codePath=/data/app/~~Qm9v4w==/org.example.notes-Zx81Yw==
    versionCode=42 minSdk=21 targetSdk=33
    versionName=4.2.0 beta (with spaces)
    splits=[base, config.arm64_v8a, config.xxhdpi]
    lastUpdateTime=2024-05-02 10:11:13
    firstInstallTime=2024-01-02 03:04:05
    pkgFlags=[ HAS_CODE ALLOW_CLEAR_USER_DATA ALLOW_BACKUP ]
    User 0: ceDataInode=40962 installed=true hidden=false suspended=false distractionFlags=0 stopped=false notLaunched=false enabled=3 instant=false virtual=false
  Package [com.example.removed] (b2c3d4e):
    codePath=/product/app/Removed
    versionCode=3 minSdk=21 targetSdk=33
    versionName=3
    flags=[ SYSTEM HAS_CODE ]
    User 0: ceDataInode=0 installed=false hidden=false enabled=0
)";

// Android 14 and later: appId, installer always printed, first install per user.
const QByteArray upsideDown = R"(Packages:
  Package [org.example.big] (c3d4e5f):
    appId=10200
    codePath=/data/app/~~AbC==/org.example.big-Xy==
    versionCode=8589934634 minSdk=26 targetSdk=34
    versionName=2.0
    lastUpdateTime=2024-09-09 09:09:09
    installerPackageName=null
    User 0: ceDataInode=1 installed=true hidden=false enabled=0 instant=false virtual=false
      firstInstallTime=2024-08-08 08:08:08
      dataDir=/data/user/0/org.example.big
    User 10: ceDataInode=2 installed=true hidden=false enabled=2 instant=false virtual=false
      firstInstallTime=2024-09-01 01:01:01
)";

// The whole "dumpsys package": sections before and after that look a little like packages.
const QByteArray wholeDump = R"(Activity Resolver Table:
  Non-Data Actions:
      android.intent.action.MAIN:
        versionName=not.a.package
Permissions:
  Permission [android.permission.X] (1a2b3c):
    sourcePackage=android
Packages:
  Package [com.example.one] (1111111):
    versionCode=1 targetSdk=23
    versionName=1.0
Shared users:
  SharedUser [android.uid.system] (2222222):
    Package [com.example.two] (3333333):
      versionName=9
)";

const QByteArray cutShort = R"(Packages:
  Package [com.example.whole] (1):
    versionCode=5 minSdk=21 targetSdk=30
    versionName=5.0
  Package [com.example.cut] (2):
    versionCode=6 minSdk=21 targetSdk=30
    versionName=6.0.1-be)";

const QByteArray hostile = "Packages:\n"
                           "  Package [com.example.fine] (1):\n"
                           "    versionName=1.0\xe2\x80\xae"
                           "evil\x1b[31m\n"
                           "  Package [../../etc] (2):\n"
                           "    versionName=stolen\n"
                           "    versionCode=99999999999999999999999\n"
                           "  Package [com.example.odd] (3):\n"
                           "    versionCode=x12\n"
                           "    User 0: enabled=notanumber installed=maybe\n";

QHash<QString, std::pair<DetailKey, CachedDetail>> someDetails()
{
    QHash<QString, std::pair<DetailKey, CachedDetail>> entries;
    const DetailKey notes{QStringLiteral("org.example.notes"), 42,
                          QStringLiteral("2024-05-02 10:11:13"), QStringLiteral("de-DE")};
    entries.insert(notes.package, {notes, {QStringLiteral("Notizen\tmit\\Tab"), {}, 12345678}});
    const DetailKey old{QStringLiteral("com.example.old"), -3, {}, {}};
    entries.insert(old.package, {old, {{}, QStringLiteral("Android 4.4 gives no names"), -1}});
    return entries;
}

// `label` as the cache gives it back after it was saved and loaded.
QString throughCache(const QString &label)
{
    const DetailKey key{QStringLiteral("org.example.notes"), 1, {}, {}};
    const QString serial = QStringLiteral("emulator-5554");
    const auto read =
        decodeDetails(encodeDetails(serial, {{key.package, {key, {label, {}, -1}}}}), serial);
    return read ? read->value(key.package).second.label : QStringLiteral("(not read)");
}

} // namespace

class TestAppDetails : public QObject
{
    Q_OBJECT

private slots:
    void readsTheDump_data();
    void readsTheDump();
    void readsTheDumpInAnyBatches();
    void showsDetails_data();
    void showsDetails();
    void readsSizes_data();
    void readsSizes();
    void sizesAsFarAsKnown_data();
    void sizesAsFarAsKnown();
    void asksSizesInShortQuotedCommands();
    void cachesDetails();
    void ignoresADamagedCache_data();
    void ignoresADamagedCache();
};

void TestAppDetails::readsTheDump_data()
{
    QTest::addColumn<QByteArray>("dump");
    QTest::addColumn<bool>("whole");
    QTest::addColumn<QString>("package");
    // versionName|versionCode|lastUpdate|firstInstall|installer|enabled|installed|flags|codePath|splits
    QTest::addColumn<QString>("expected");

    QTest::newRow("4.4")
        << kitKat << true << "com.example.old"
        << "1.0.7|7|2014-03-01 10:00:02|2014-03-01 10:00:01|com.android.vending|0|1|"
           "|/data/app/com.example.old-1.apk|";
    QTest::newRow("7, updated system app") << nougat << true << "com.android.chrome"
                                           << "61.0.3163.98|298708652|2017-10-01 09:08:07|||0|1|SU|"
                                              "/data/app/com.android.chrome-2|";
    QTest::newRow("10, split app disabled by the user")
        << quinceTart << true << "org.example.notes"
        << "4.2.0 beta (with spaces)|42|2024-05-02 10:11:13|2024-01-02 03:04:05||3|1||"
           "/data/app/~~Qm9v4w==/org.example.notes-Zx81Yw==|base,config.arm64_v8a,config.xxhdpi";
    QTest::newRow("10, system app removed for user 0")
        << quinceTart << true << "com.example.removed"
        << "3|3||||0|0|S|/product/app/Removed|";
    QTest::newRow("14, long version code, per-user first install, installer null")
        << upsideDown << true << "org.example.big"
        << "2.0|8589934634|2024-09-09 09:09:09|2024-08-08 08:08:08||0|1||"
           "/data/app/~~AbC==/org.example.big-Xy==|";
    QTest::newRow("whole dumpsys: only the Packages section")
        << wholeDump << true << "com.example.one"
        << "1.0|1||||||||";
    QTest::newRow("whole dumpsys: shared users are not packages")
        << wholeDump << true << "com.example.two"
        << "absent";
    QTest::newRow("whole dumpsys: earlier sections are not packages")
        << wholeDump << true << "android.permission.X"
        << "absent";
    QTest::newRow("not in the dump") << kitKat << true << "com.example.other"
                                     << "absent";
    QTest::newRow("cut: complete package kept") << cutShort << false << "com.example.whole"
                                                << "5.0|5||||||||";
    QTest::newRow("cut: the cut package dropped") << cutShort << false << "com.example.cut"
                                                  << "absent";
    QTest::newRow("ended by itself: the last package kept") << cutShort << true << "com.example.cut"
                                                            << "6.0.1-be|6||||||||";
    QTest::newRow("cut in the header") << kitKat.left(30) << false << "com.example.old"
                                       << "absent";
    QTest::newRow("version name without controls or overrides")
        << hostile << true << "com.example.fine"
        << "1.0evil[31m|||||||||";
    QTest::newRow("odd numbers are not read") << hostile << true << "com.example.odd"
                                              << "||||||0|||";
    QTest::newRow("nothing at all") << QByteArray() << true << "com.example.old"
                                    << "absent";
}

void TestAppDetails::readsTheDump()
{
    QFETCH(QByteArray, dump);
    QFETCH(bool, whole);
    QFETCH(QString, package);
    QFETCH(QString, expected);
    const QHash<QString, PackageDetails> found = readPackageDump(dump, whole);
    QCOMPARE(described(found, package), expected);
    QVERIFY(!found.contains(QStringLiteral("../../etc")));
}

void TestAppDetails::readsTheDumpInAnyBatches()
{
    // The fields of the factory copy of Chrome must never reach the installed one, whatever the
    // batches the runner hands over.
    const QByteArray dump = kitKat + nougat.mid(int(qstrlen("Packages:\n")));
    const QList<QByteArray> lines = dump.split('\n');
    for (const int batch : {1, 3, 1000}) {
        PackageDumpReader reader;
        for (qsizetype i = 0; i < lines.size(); i += batch) {
            QList<QByteArrayView> views;
            for (qsizetype j = i; j < qMin(i + batch, lines.size()); ++j)
                if (!lines[j].isEmpty())
                    views.append(lines[j]);
            reader.read(views);
        }
        reader.finish(true);
        QCOMPARE(reader.packages().size(), 2);
        QCOMPARE(reader.packages().value(QStringLiteral("com.android.chrome")).versionName,
                 QStringLiteral("61.0.3163.98"));
    }
}

void TestAppDetails::showsDetails_data()
{
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("expected");

    QTest::newRow("date") << dumpDate(u"2024-05-02 10:11:13").toString(Qt::ISODate) << "2024-05-02";
    QTest::newRow("date of an unset clock")
        << dumpDate(u"1970-01-01 00:00:00").toString(Qt::ISODate) << "1970-01-01";
    QTest::newRow("no date") << dumpDate(u"2024-13-02 10:11:13").toString(Qt::ISODate) << "";
    QTest::newRow("tooltip") << versionTooltip(8589934634) << "version code 8589934634";
    QTest::newRow("size") << sizeText(12345678) << "12.3 MB";
    QTest::newRow("size unknown") << sizeText(-1) << "";
    QTest::newRow("overrides removed")
        << displayText(u"abc\u202edef\u2066\u0007\u2028") << "abcdef";
    QTest::newRow("cut at 100") << displayText(QString(150, QLatin1Char('x')))
                                << QString(100, QLatin1Char('x'));
    QTest::newRow("pair kept whole")
        << displayText(QStringLiteral("ab") + QString::fromUcs4(U"\U0001F600"), 3) << "ab";
    const QString emoji = displayLabel(QString::fromUcs4(U"\U0001F600").repeated(150));
    QTest::newRow("long label of emoji, cached") << throughCache(emoji) << emoji;
}

void TestAppDetails::showsDetails()
{
    QFETCH(QString, shown);
    QFETCH(QString, expected);
    QCOMPARE(shown, expected);
}

void TestAppDetails::readsSizes_data()
{
    QTest::addColumn<int>("tool");
    QTest::addColumn<QByteArray>("output");
    QTest::addColumn<QStringList>("paths");
    QTest::addColumn<qint64>("total");

    const QString base = QStringLiteral("/data/app/~~Qm==/x-Zx==/base.apk");
    const QString split = QStringLiteral("/data/app/~~Qm==/x-Zx==/split_config.en.apk");
    const QString spaced = QStringLiteral("/system/app/My App/My App.apk");
    QTest::newRow("stat") << int(SizeTool::Stat)
                          << QByteArray("1000 " + base.toUtf8() + "\n234 " + split.toUtf8())
                          << QStringList{base, split} << qint64(1234);
    QTest::newRow("stat, path with spaces")
        << int(SizeTool::Stat) << QByteArray("77 " + spaced.toUtf8()) << QStringList{spaced}
        << qint64(77);
    QTest::newRow("stat, one file unreadable")
        << int(SizeTool::Stat)
        << QByteArray("stat: '" + split.toUtf8() + "': Permission denied\n1000 " + base.toUtf8())
        << QStringList{base, split} << qint64(-1);
    QTest::newRow("toolbox ls")
        << int(SizeTool::List)
        << QByteArray("@" + base.toUtf8() +
                      "\n-rw-r--r-- system   system    1234567 2015-03-01 10:00 base.apk")
        << QStringList{base} << qint64(1234567);
    QTest::newRow("toybox ls, link count")
        << int(SizeTool::List)
        << QByteArray(
               "@" + spaced.toUtf8() +
               "\n-rw-r--r-- 1 root root 4096 2016-01-01 00:00 /system/app/My App/My App.apk")
        << QStringList{spaced} << qint64(4096);
    QTest::newRow("ls refused") << int(SizeTool::List)
                                << QByteArray(
                                       "@" + base.toUtf8() + "\n" + base.toUtf8() +
                                       ": Permission denied\n"
                                       "-rw-r--r-- system system 99 2015-03-01 10:00 base.apk")
                                << QStringList{base} << qint64(-1);
    QTest::newRow("nothing") << int(SizeTool::Stat) << QByteArray() << QStringList{base}
                             << qint64(-1);
}

void TestAppDetails::readsSizes()
{
    QFETCH(int, tool);
    QFETCH(QByteArray, output);
    QFETCH(QStringList, paths);
    QFETCH(qint64, total);
    const QList<QByteArray> lines = output.split('\n');
    QHash<QString, qint64> sizes;
    readSizeLines({lines.cbegin(), lines.cend()}, SizeTool(tool), sizes);
    QCOMPARE(totalSize(paths, sizes), total);
}

void TestAppDetails::sizesAsFarAsKnown_data()
{
    QTest::addColumn<QByteArray>("dump");
    QTest::addColumn<QString>("package");
    QTest::addColumn<bool>("splitsShown"); // on this device
    QTest::addColumn<QString>("expected"); // bytes, "≥" first for the base alone; "" unknown

    QTest::newRow("base and splits") << quinceTart << "org.example.notes" << true << "1130";
    QTest::newRow("no splits, and the device names them")
        << upsideDown << "org.example.big" << true << "1000";
    QTest::newRow("no splits named on this device")
        << upsideDown << "org.example.big" << false << "≥1000";
    QTest::newRow("not in the dump") << upsideDown << "org.example.gone" << true << "";
    QTest::newRow("splits named without a folder")
        << QByteArray("Packages:\n  Package [org.example.notes] (1):\n    splits=[base, de]\n")
        << "org.example.notes" << true << "";
}

void TestAppDetails::sizesAsFarAsKnown()
{
    QFETCH(QByteArray, dump);
    QFETCH(QString, package);
    QFETCH(bool, splitsShown);
    QFETCH(QString, expected);
    const QHash<QString, PackageDetails> found = readPackageDump(dump);
    const auto details = found.constFind(package);
    const QString base = QStringLiteral("/data/app/x/base.apk");
    QHash<QString, qint64> sizes{{base, 1000}};
    const QStringList files = packageFiles(base, details == found.cend() ? nullptr : &*details);
    for (qsizetype i = 1; i < files.size(); ++i)
        sizes.insert(files.at(i), 50 + 10 * i);
    const AppSize size =
        appSize(base, details == found.cend() ? nullptr : &*details, splitsShown, sizes);
    QCOMPARE(size.bytes < 0
                 ? QString()
                 : (size.baseOnly ? QStringLiteral("≥") : QString()) + QString::number(size.bytes),
             expected);
}

void TestAppDetails::asksSizesInShortQuotedCommands()
{
    QStringList paths;
    for (int i = 0; i < 200; ++i)
        paths.append(QStringLiteral("/data/app/~~q==/org.example.app%1-Zx==/base.apk").arg(i));
    paths.append(QStringLiteral("/system/app/It's; rm -rf $HOME/x.apk"));
    for (const SizeTool tool : {SizeTool::Stat, SizeTool::List}) {
        const QList<QStringList> commands = sizeCommands(paths, tool);
        QVERIFY(commands.size() > 1);
        qsizetype asked = 0;
        for (const QStringList &command : commands) {
            QCOMPARE(command.first(), QStringLiteral("shell"));
            QVERIFY(command.join(QLatin1Char(' ')).toUtf8().size() <= 4000);
            asked += command.join(QLatin1Char(' ')).count(QStringLiteral("/base.apk"));
        }
        QCOMPARE(asked, tool == SizeTool::Stat ? 200 : 400); // the marker names each path too
        QVERIFY(commands.last()
                    .join(QLatin1Char(' '))
                    .contains(QStringLiteral("'/system/app/It'\\''s; rm -rf $HOME/x.apk'")));
    }
}

void TestAppDetails::cachesDetails()
{
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString serial = QStringLiteral("../odd/serial:5555 \t\n");
    DetailCache cache(folder.path(), serial);
    QCOMPARE(QFileInfo(cache.fileName()).absolutePath(), QDir(folder.path()).absolutePath());
    QVERIFY(!cache.load());
    for (const auto &[key, detail] : someDetails())
        cache.insert(key, detail);
    QVERIFY(cache.save());

    DetailCache again(folder.path(), serial);
    QVERIFY(again.load());
    for (const auto &[key, detail] : someDetails()) {
        const auto found = again.find(key);
        QVERIFY(found);
        QCOMPARE(found->label,
                 detail.label.isEmpty() ? QString() : QStringLiteral("Notizenmit\\Tab"));
        QCOMPARE(found->noLabelReason, detail.noLabelReason);
        QCOMPARE(found->size, detail.size);
    }
    // Another version, another update time or another language is another key.
    DetailKey key = someDetails().value(QStringLiteral("org.example.notes")).first;
    for (const auto change : {+[](DetailKey &k) { ++k.versionCode; },
                              +[](DetailKey &k) { k.lastUpdateTime += QLatin1Char('1'); },
                              +[](DetailKey &k) { k.locale = QStringLiteral("fr-FR"); }}) {
        DetailKey other = key;
        change(other);
        QVERIFY(!again.find(other));
    }
    QVERIFY(!DetailCache(folder.path(), QStringLiteral("other")).load());
}

void TestAppDetails::ignoresADamagedCache_data()
{
    QTest::addColumn<QByteArray>("content");

    const QString serial = QStringLiteral("emulator-5554");
    const QByteArray good = encodeDetails(serial, someDetails());
    QVERIFY(decodeDetails(good, serial));
    QTest::newRow("truncated at a line end") << good.left(good.indexOf('\n', 30) + 1);
    QTest::newRow("truncated mid-line") << good.left(good.size() - 3);
    QTest::newRow("another device's") << encodeDetails(QStringLiteral("other"), someDetails());
    QTest::newRow("a count that lies") << QByteArray(good).replace("end\t2", "end\t1");
    QTest::newRow("a bad escape") << QByteArray(good).replace("\\\\", "\\x");
    QTest::newRow("not a number") << QByteArray(good).replace("\t42\t", "\t4x2\t");
    QTest::newRow("foreign") << QByteArray("\x89PNG\r\n\x1a\n");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("huge") << QByteArray(qsizetype(17) * 1024 * 1024, '\n');
}

void TestAppDetails::ignoresADamagedCache()
{
    QFETCH(QByteArray, content);
    QTemporaryDir folder;
    const QString serial = QStringLiteral("emulator-5554");
    DetailCache cache(folder.path(), serial);
    QFile file(cache.fileName());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
    file.close();
    QVERIFY(!cache.load());
    QVERIFY(!cache.find(someDetails().value(QStringLiteral("com.example.old")).first));
    for (const auto &[key, detail] : someDetails())
        cache.insert(key, detail);
    QVERIFY(cache.save());
    QVERIFY(DetailCache(folder.path(), serial).load());
}

QTEST_GUILESS_MAIN(TestAppDetails)
#include "tst_appdetails.moc"
