// App names read from APK bytes: APKs built by aapt when the test runs, read through our ZIP,
// manifest and resource table readers and checked against what `aapt dump badging` says; tables
// in the shapes aapt does not write (sparse, 16-bit offsets, compact entries); damaged input.
#include "labels/apkranges.h"
#include "labels/binaryxml.h"
#include "labels/devicelocale.h"
#include "labels/labelreader.h"
#include "labels/labeltext.h"
#include "labels/resourcetable.h"
#include "labels/zipdirectory.h"
#include "labels/zipentrydata.h"
#include "ziparchive.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

namespace {

const QString frameworkRes = QStringLiteral("/usr/share/android-framework-res/framework-res.apk");

struct ApkText
{
    QString manifest;
    QMap<QString, QString> strings; // "values" or "values-de-rCH" → the folder's strings.xml
};

// Builds an APK with aapt in `dir`; empty when aapt or the framework resources are missing.
QString buildApk(const QString &dir, const ApkText &text)
{
    const QString aapt = QStandardPaths::findExecutable(QStringLiteral("aapt"));
    if (aapt.isEmpty() || !QFile::exists(frameworkRes))
        return {};
    auto write = [](const QString &path, const QString &content) {
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(content.toUtf8()) >= 0;
    };
    write(dir + QStringLiteral("/AndroidManifest.xml"), text.manifest);
    QStringList arguments{QStringLiteral("package"), QStringLiteral("-f"),
                          QStringLiteral("-M"),      dir + QStringLiteral("/AndroidManifest.xml"),
                          QStringLiteral("-I"),      frameworkRes,
                          QStringLiteral("-F"),      dir + QStringLiteral("/app.apk")};
    for (auto it = text.strings.begin(); it != text.strings.end(); ++it)
        write(dir + QStringLiteral("/res/%1/strings.xml").arg(it.key()), it.value());
    if (!text.strings.isEmpty())
        arguments << QStringLiteral("-S") << dir + QStringLiteral("/res");
    QProcess process;
    process.start(aapt, arguments);
    return process.waitForFinished() && process.exitCode() == 0 ? dir + QStringLiteral("/app.apk")
                                                                : QString();
}

// The labels `aapt dump badging` gives: "" for the default, then "de", "de-CH", ...
QMap<QString, QString> badgingLabels(const QString &apk)
{
    QProcess process;
    process.start(QStandardPaths::findExecutable(QStringLiteral("aapt")),
                  {QStringLiteral("dump"), QStringLiteral("badging"), apk});
    process.waitForFinished();
    static const QRegularExpression line(QStringLiteral("^application-label(?:-([^:]+))?:'(.*)'$"));
    QMap<QString, QString> labels;
    for (const QString &text : QString::fromUtf8(process.readAllStandardOutput()).split('\n')) {
        const QRegularExpressionMatch match = line.match(text);
        if (match.hasMatch())
            labels.insert(match.captured(1), match.captured(2));
    }
    return labels;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// An entry of `zip` read as the device reader will: the tail, then the entry's range alone.
Parsed<QByteArray> entryRead(const QByteArray &zip, const QString &name, qint64 cap)
{
    const Parsed<ZipDirectory> directory = readZipDirectory(zip.right(ZipTailSize), zip.size());
    const ZipEntry *entry = directory.value.find(name);
    if (!entry)
        return {};
    const ZipRange range = entryRange(directory.value, *entry);
    return entryData(zip.mid(range.offset, range.length), *entry, cap);
}

QByteArray entryOf(const QByteArray &zip, const QString &name, qint64 cap = LargestTable)
{
    return entryRead(zip, name, cap).value;
}

// The label of `zip` as the device reader finds it, the table inflated up to `tableCap` bytes.
LabelResult labelOf(const QByteArray &zip, const QString &locale, qint64 tableCap = LargestTable)
{
    const Parsed<QByteArray> table = entryRead(zip, TableEntry, tableCap);
    return readLabel(entryOf(zip, ManifestEntry, LargestManifest), table.value,
                     localeFromTag(locale), table.error);
}

// Little-endian writing, for tables made by hand.
template<typename T> void put(QByteArray &bytes, T value)
{
    char raw[sizeof(T)];
    qToLittleEndian(value, raw);
    bytes.append(raw, sizeof(T));
}

QByteArray chunk(quint16 type, const QByteArray &header, const QByteArray &body)
{
    QByteArray bytes;
    put<quint16>(bytes, type);
    put<quint16>(bytes, quint16(8 + header.size()));
    put<quint32>(bytes, quint32(8 + header.size() + body.size()));
    return bytes + header + body;
}

QByteArray stringPool(const QStringList &strings, bool utf8)
{
    QByteArray offsets, data;
    for (const QString &text : strings) {
        put<quint32>(offsets, quint32(data.size()));
        if (utf8) {
            const QByteArray bytes = text.toUtf8();
            data += char(text.size()) + (char(bytes.size()) + bytes) + '\0';
        } else {
            put<quint16>(data, quint16(text.size()));
            for (QChar c : text)
                put<quint16>(data, c.unicode());
            put<quint16>(data, 0);
        }
    }
    data.append((4 - data.size() % 4) % 4, '\0');
    QByteArray header;
    for (quint32 value :
         {quint32(strings.size()), 0u, utf8 ? 0x100u : 0u, quint32(28 + offsets.size()), 0u})
        put<quint32>(header, value);
    return chunk(0x0001, header, offsets + data);
}

// An entry of a hand-made table: a value of a type, a bag, or no entry.
struct Entry
{
    quint8 type = 0; // 0: none; 0xff: a bag
    quint32 data = 0;
};
const Entry none{};
Entry text(quint32 index)
{
    return {0x03, index};
}
Entry to(quint32 id)
{
    return {0x01, id};
}
const Entry bag{0xff, 0};

// An entry as a table stores it: compact {key, flags with the type, data}, or {size, flags, key}
// and a value {size, 0, type, data}; for a bag, its parent and count stand in for the value.
QByteArray entryBytes(const Entry &entry, bool compact)
{
    const bool isBag = entry.type == 0xff;
    QByteArray bytes;
    if (compact) {
        put<quint16>(bytes, 0);
        put<quint16>(bytes, quint16(0x08 | entry.type << 8));
    } else {
        for (quint16 value : {isBag ? 16 : 8, isBag ? 1 : 0, 0, 0, 8})
            put<quint16>(bytes, value);
        put<quint16>(bytes, quint16(isBag ? 0 : entry.type << 8));
    }
    put<quint32>(bytes, entry.data);
    return bytes;
}

// A type chunk of type 1 for `locale` ("de-CH", "" for the default), with `flags` (0x01 sparse,
// 0x02 16-bit offsets, 0x08 compact entries, 0x40 for SDK 21 and up, 0x80 an offset past the end).
QByteArray typeChunk(const QString &locale, quint8 flags, const QList<Entry> &entries)
{
    QByteArray index, data;
    for (int i = 0; i < entries.size(); ++i) {
        const bool has = entries[i].type;
        const quint32 offset = flags & 0x80 ? 0x00fffff0u : quint32(data.size());
        if (flags & 0x01 && has)
            put<quint16>(index, quint16(i)), put<quint16>(index, quint16(offset / 4));
        else if (flags & 0x02)
            put<quint16>(index, has ? quint16(offset / 4) : 0xffff);
        else if (!(flags & 0x01))
            put<quint32>(index, has ? offset : 0xffffffff);
        if (has)
            data += entryBytes(entries[i], flags & 0x08);
    }
    QByteArray config(64, '\0');
    qToLittleEndian<quint32>(64, config.data());
    const Locale wanted = localeFromTag(locale);
    config.replace(8, wanted.language.size(), wanted.language.toLatin1());
    config.replace(10, wanted.region.size(), wanted.region.toLatin1());
    config[24] = flags & 0x40 ? 21 : 0;
    QByteArray header;
    put<quint8>(header, 1), put<quint8>(header, flags & 0x03), put<quint16>(header, 0);
    const int count = flags & 0x01 ? int(index.size() / 4) : int(entries.size());
    put<quint32>(header, quint32(count));
    put<quint32>(header, quint32(8 + 12 + config.size() + index.size()));
    return chunk(0x0201, header + config, index + data);
}

QByteArray table(const QList<QByteArray> &types, bool utf8 = false)
{
    QByteArray package;
    put<quint32>(package, 0x7f);
    package.append(256 + 5 * 4, '\0');
    QByteArray count;
    put<quint32>(count, 1);
    const QStringList strings{QStringLiteral("Notes"), QStringLiteral("Notizen"),
                              QStringLiteral("Notas"), QStringLiteral("Notas (PT)")};
    return chunk(0x0002, count, stringPool(strings, utf8) + chunk(0x0200, package, types.join()));
}

// A binary manifest whose <application> has one attribute, named "label", with the resource id
// `id` (none for 0) and a value of `type` and `data`; string 3 is "Notes".
QByteArray manifest(quint32 id, quint8 type, quint32 data)
{
    const QStringList strings{"label", "application", "http://schemas.android.com/apk/res/android",
                              "Notes"};
    QByteArray ids, element, attribute;
    if (id)
        put<quint32>(ids, id);
    for (quint32 value : {0xffffffffu, 1u}) // no namespace, "application"
        put<quint32>(element, value);
    for (quint16 value : {20, 20, 1, 0, 0, 0}) // attributes at 20, 20 bytes each, one
        put<quint16>(element, value);
    for (quint32 value : {2u, 0u, 0xffffffffu, 0x00000008u | quint32(type) << 24, data})
        put<quint32>(attribute, value);
    const QByteArray node = QByteArray::fromHex("01000000ffffffff"); // line 1, no comment
    return chunk(0x0003, {},
                 stringPool(strings, false) + (id ? chunk(0x0180, {}, ids) : QByteArray()) +
                     chunk(0x0102, node, element + attribute));
}

// A binary manifest whose root element, named by string `element`, has one attribute in namespace
// `ns` named "package", with the raw string `raw` and a value of `type` and `data`. Strings: 0
// "package", 1 "manifest", 2 "com.example.app", 3 the android namespace.
QByteArray packageManifest(quint32 element, quint32 ns, quint32 raw, quint8 type, quint32 data)
{
    const QStringList strings{"package", "manifest", "com.example.app",
                              "http://schemas.android.com/apk/res/android"};
    QByteArray node, attribute;
    for (quint32 value : {0xffffffffu, element})
        put<quint32>(node, value);
    for (quint16 value : {20, 20, 1, 0, 0, 0})
        put<quint16>(node, value);
    for (quint32 value : {ns, 0u, raw, 0x00000008u | quint32(type) << 24, data})
        put<quint32>(attribute, value);
    return chunk(0x0003, {},
                 stringPool(strings, false) +
                     chunk(0x0102, QByteArray::fromHex("01000000ffffffff"), node + attribute));
}

QString described(const Parsed<ManifestLabel> &label)
{
    if (!label.ok())
        return QStringLiteral("error");
    if (label.value.kind == ManifestLabel::Reference)
        return QString::number(label.value.id, 16);
    if (label.value.kind == ManifestLabel::NotText)
        return QStringLiteral("not text");
    return label.value.kind == ManifestLabel::Text ? label.value.text : QStringLiteral("none");
}

} // namespace

Q_DECLARE_METATYPE(ApkText)
Q_DECLARE_METATYPE(TableProblem)

class LabelsTest : public QObject
{
    Q_OBJECT

private slots:
    void labelsMatchBadging_data();
    void labelsMatchBadging();
    void manifestLabel_data();
    void manifestLabel();
    void manifestPackage_data();
    void manifestPackage();
    void tableLookUp_data();
    void tableLookUp();
    void damagedZip_data();
    void damagedZip();
    void unreadableTable_data();
    void unreadableTable();
    void directoryBeforeTheTail();
    void localeFromProperties_data();
    void localeFromProperties();
    void displayLabel_data();
    void displayLabel();
    void blockReads_data();
    void blockReads();
};

void LabelsTest::labelsMatchBadging_data()
{
    QTest::addColumn<ApkText>("apk");
    QTest::addColumn<int>("packing");         // 0 as aapt wrote it, 1 all deflated, 2 all stored
    QTest::addColumn<QStringList>("locales"); // asked for beyond badging's; expected from it
    QTest::addColumn<QStringList>("expected");
    const QString manifest =
        QStringLiteral("<manifest xmlns:android=\"http://schemas.android.com/apk/res/android\" "
                       "package=\"org.example.notes\"><application %1/></manifest>");
    auto strings = [](const QString &name, const QString &value) {
        return QStringLiteral("<resources><string name=\"%1\">%2</string>%3</resources>")
            .arg(name, value,
                 name == QLatin1String("app_name")
                     ? QString()
                     : QStringLiteral("<string name=\"app_name\">Notes</string>"));
    };
    const ApkText translated{manifest.arg(QStringLiteral("android:label=\"@string/shown\"")),
                             {{"values", strings("shown", "@string/app_name")},
                              {"values-de", strings("app_name", "Notizen")},
                              {"values-de-rCH", strings("app_name", "Notizen (CH)")},
                              {"values-pt-rBR", strings("app_name", "Notas")}}};
    const QStringList asked{"de-AT", "pt", "fr-FR", "he-IL"};
    const QStringList fallbacks{"Notizen", "Notas", "Notes", "Notes"};
    for (int packing : {0, 1, 2})
        QTest::addRow("translated, packing %d", packing)
            << translated << packing << asked << fallbacks;
    QTest::newRow("plain string") << ApkText{manifest.arg("android:label=\"Plain &amp; simple\""),
                                             {}}
                                  << 0 << QStringList{"de-DE", ""}
                                  << QStringList{"Plain & simple", "Plain & simple"};
    QTest::newRow("no label") << ApkText{manifest.arg(QString()), {}} << 0 << QStringList{""}
                              << QStringList{""};
}

void LabelsTest::labelsMatchBadging()
{
    QFETCH(ApkText, apk);
    QFETCH(int, packing);
    QFETCH(QStringList, locales);
    QFETCH(QStringList, expected);
    QTemporaryDir dir;
    const QString path = buildApk(dir.path(), apk);
    if (path.isEmpty())
        QSKIP("aapt and android-framework-res are needed to build the test APKs");
    QByteArray zip = readAll(path);
    if (packing) {
        const ZipEntries entries{{"AndroidManifest.xml", entryOf(zip, "AndroidManifest.xml")},
                                 {"resources.arsc", entryOf(zip, "resources.arsc")}};
        QVERIFY(writeZip(dir.filePath("repacked.apk"), entries, packing == 1));
        zip = readAll(dir.filePath("repacked.apk"));
    }
    QCOMPARE(readManifestPackage(entryOf(zip, ManifestEntry, LargestManifest)).value,
             "org.example.notes");
    const QMap<QString, QString> badging = badgingLabels(path);
    for (auto it = badging.begin(); it != badging.end(); ++it) {
        locales.append(it.key());
        expected.append(it.value());
    }
    for (int i = 0; i < locales.size(); ++i) {
        const LabelResult result = labelOf(zip, locales[i]);
        QVERIFY2(result.label == expected[i],
                 qPrintable(QStringLiteral("%1: \"%2\" (%3 %4), expected \"%5\"")
                                .arg(locales[i], result.label, result.reason, result.detail,
                                     expected[i])));
        QCOMPARE(result.reason.isEmpty(), !expected[i].isEmpty());
    }
}

void LabelsTest::manifestLabel_data()
{
    QTest::addColumn<QByteArray>("manifest");
    QTest::addColumn<QString>("label"); // text, reference in hex, "none", "not text" or "error"
    const QByteArray notes = manifest(0x01010001, 0x03, 3);
    QTest::newRow("by id") << notes << "Notes";
    QTest::newRow("by name") << manifest(0, 0x03, 3) << "Notes";
    QTest::newRow("another attribute") << manifest(0x01010002, 0x03, 3) << "none";
    QTest::newRow("reference") << manifest(0x01010001, 0x01, 0x7f020001) << "7f020001";
    QTest::newRow("a number") << manifest(0x01010001, 0x10, 3) << "not text";
    QTest::newRow("string past the pool") << manifest(0x01010001, 0x03, 9) << "error";
    QTest::newRow("truncated") << notes.left(notes.size() - 4) << "error";
    QByteArray lying = notes;
    qToLittleEndian<quint32>(0xfffffff0, lying.data() + notes.size() - 56 + 4);
    QTest::newRow("lying element size") << lying << "error";
    QByteArray many = notes;
    qToLittleEndian<quint16>(0xffff, many.data() + notes.size() - 40 + 12);
    QTest::newRow("attributes past the element") << many << "error";
}

void LabelsTest::manifestLabel()
{
    QFETCH(QByteArray, manifest);
    QFETCH(QString, label);
    QCOMPARE(described(readManifestLabel(manifest)), label);
}

void LabelsTest::manifestPackage_data()
{
    QTest::addColumn<QByteArray>("manifest");
    QTest::addColumn<QString>("package"); // "error" for an error
    const quint32 none = 0xffffffff;
    const QByteArray typed = packageManifest(1, none, 2, 0x03, 2);
    QTest::newRow("aapt2's, UTF-8") << binaryManifest("org.example.notes") << "org.example.notes";
    QTest::newRow("UTF-16") << typed << "com.example.app";
    QTest::newRow("typed string only")
        << packageManifest(1, none, none, 0x03, 2) << "com.example.app";
    QTest::newRow("raw string beside a number")
        << packageManifest(1, none, 2, 0x10, 7) << "com.example.app";
    QTest::newRow("a number") << packageManifest(1, none, none, 0x10, 7) << "";
    QTest::newRow("in the android namespace") << packageManifest(1, 3, 2, 0x03, 2) << "";
    QTest::newRow("root of another name") << packageManifest(0, none, 2, 0x03, 2) << "";
    QTest::newRow("string past the pool") << packageManifest(1, none, 9, 0x03, 9) << "error";
    QTest::newRow("truncated") << typed.left(typed.size() - 4) << "error";
}

void LabelsTest::manifestPackage()
{
    QFETCH(QByteArray, manifest);
    const Parsed<QString> package = readManifestPackage(manifest);
    QTEST(package.ok() ? package.value : QStringLiteral("error"), "package");
}

void LabelsTest::tableLookUp_data()
{
    QTest::addColumn<QByteArray>("table");
    QTest::addColumn<quint32>("id");
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("text");
    QTest::addColumn<TableProblem>("problem");
    const QByteArray translated =
        table({typeChunk("", 0, {text(0), text(2)}), typeChunk("de", 0, {text(1)}),
               typeChunk("pt", 0, {none, text(3)}), typeChunk("pt-BR", 0, {none, text(2)})});
    QTest::newRow("exact locale") << translated << 0x7f010001u << "pt-BR"
                                  << "Notas" << TableProblem::None;
    QTest::newRow("language alone") << translated << 0x7f010001u << "pt-AO"
                                    << "Notas (PT)" << TableProblem::None;
    QTest::newRow("another region")
        << table({typeChunk("", 0, {text(0)}), typeChunk("pt-BR", 0, {text(2)})}) << 0x7f010000u
        << "pt-PT"
        << "Notas" << TableProblem::None;
    QTest::newRow("default") << translated << 0x7f010000u << "pt-BR"
                             << "Notes" << TableProblem::None;
    QTest::newRow("no other qualifier")
        << table({typeChunk("de", 0x40, {text(3)}), typeChunk("de", 0, {text(1)})}) << 0x7f010000u
        << "de"
        << "Notizen" << TableProblem::None;
    QTest::newRow("utf-8") << table({typeChunk("de", 0, {text(1)})}, true) << 0x7f010000u << "de"
                           << "Notizen" << TableProblem::None;
    QTest::newRow("old code for Hebrew")
        << table({typeChunk("", 0, {text(0)}), typeChunk("iw", 0, {text(1)})}) << 0x7f010000u
        << "he-IL"
        << "Notizen" << TableProblem::None;
    for (quint8 flags : {0x01, 0x02, 0x08, 0x09}) {
        const QByteArray shaped = table({typeChunk("", flags, {none, none, text(0)}),
                                         typeChunk("de", flags, {none, none, text(1)})});
        QTest::addRow("flags %#x", flags) << shaped << 0x7f010002u << "de-DE"
                                          << "Notizen" << TableProblem::None;
        QTest::addRow("flags %#x, no entry", flags) << shaped << 0x7f010001u << "de-DE"
                                                    << "" << TableProblem::Missing;
    }
    QTest::newRow("references") << table({typeChunk("", 0,
                                                    {to(0x7f010001), to(0x7f010002), text(0)})})
                                << 0x7f010000u << ""
                                << "Notes" << TableProblem::None;
    QTest::newRow("cycle") << table({typeChunk("", 0, {to(0x7f010001), to(0x7f010000)})})
                           << 0x7f010000u << ""
                           << "" << TableProblem::TooDeep;
    QTest::newRow("bag") << table({typeChunk("", 0, {bag})}) << 0x7f010000u << ""
                         << "" << TableProblem::NotText;
    QTest::newRow("integer") << table({typeChunk("", 0, {{0x10, 7}})}) << 0x7f010000u << ""
                             << "" << TableProblem::NotText;
    QTest::newRow("another package") << translated << 0x01010000u << ""
                                     << "" << TableProblem::Missing;
    QTest::newRow("string past the pool")
        << table({typeChunk("", 0, {text(99)})}) << 0x7f010000u << ""
        << "" << TableProblem::Damaged;
    QTest::newRow("entry past its type")
        << table({typeChunk("", 0x80, {text(0)})}) << 0x7f010000u << ""
        << "" << TableProblem::Damaged;
    QTest::newRow("truncated") << translated.left(translated.size() / 2) << 0x7f010000u << ""
                               << "" << TableProblem::Damaged;
    QByteArray lying = translated;
    qToLittleEndian<quint32>(0x7ffffff0, lying.data() + 4);
    QTest::newRow("lying size") << lying << 0x7f010000u << ""
                                << "" << TableProblem::Damaged;
    QByteArray pool = translated;
    qToLittleEndian<quint32>(0x40000000, pool.data() + 12 + 8); // the pool's string count
    QTest::newRow("lying string count") << pool << 0x7f010000u << ""
                                        << "" << TableProblem::Damaged;
}

void LabelsTest::tableLookUp()
{
    QFETCH(QByteArray, table);
    QFETCH(quint32, id);
    QFETCH(QString, locale);
    QFETCH(QString, text);
    QFETCH(TableProblem, problem);
    const TableString found = lookUpString(table, id, localeFromTag(locale));
    QCOMPARE(found.text, text);
    QVERIFY2(found.problem == problem, qPrintable(found.detail));
}

void LabelsTest::damagedZip_data()
{
    QTest::addColumn<int>(
        "offset"); // in the end record, the central entry + 1000, the local + 2000
    QTest::addColumn<quint32>("value");
    QTest::addColumn<qint64>("cap");
    QTest::addColumn<QString>("error"); // empty: the entry reads whole
    QTest::newRow("whole") << 0 << 0x06054b50u << qint64(1 << 20) << "";
    QTest::newRow("no end record") << 0 << 0u << qint64(1 << 20) << "no ZIP end record";
    QTest::newRow("directory past the end")
        << 16 << 0x00ffffffu << qint64(1 << 20)
        << "the ZIP directory does not fit before its end record";
    QTest::newRow("ZIP64") << 16 << 0xffffffffu << qint64(1 << 20) << "a ZIP64 archive";
    QTest::newRow("more entries than fit")
        << 8 << 0x00ff00ffu << qint64(1 << 20)
        << "the ZIP directory does not fit before its end record";
    QTest::newRow("over the cap") << 0 << 0x06054b50u << qint64(1000)
                                  << "the entry is larger than we read";
    QTest::newRow("inflates past its size")
        << 1024 << 4096u << qint64(1 << 20) << "the entry inflates past its size";
    QTest::newRow("wrong CRC") << 1016 << 0u << qint64(1 << 20) << "the entry fails its CRC";
    QTest::newRow("local header of another")
        << 2030 << 0x41414141u << qint64(1 << 20) << "the local header names another entry";
    QTest::newRow("data past the directory")
        << 1020 << 0x00ffffffu << qint64(1 << 20) << "a ZIP entry runs into the directory";
}

void LabelsTest::damagedZip()
{
    QFETCH(int, offset);
    QFETCH(quint32, value);
    QFETCH(qint64, cap);
    QFETCH(QString, error);
    QTemporaryDir dir;
    const QByteArray content(100000, 'x'); // deflates to a few hundred bytes
    QVERIFY(writeZip(dir.filePath("a.zip"), {{"resources.arsc", content}}));
    QByteArray zip = readAll(dir.filePath("a.zip"));
    const qsizetype end = zip.lastIndexOf("PK\x05\x06");
    const qsizetype entry = zip.lastIndexOf("PK\x01\x02");
    const qsizetype at = offset < 1000   ? end + offset
                         : offset < 2000 ? entry + offset - 1000
                                         : zip.indexOf("PK\x03\x04") + offset - 2000;
    qToLittleEndian(value, zip.data() + at);
    const Parsed<ZipDirectory> directory = readZipDirectory(zip.right(ZipTailSize), zip.size());
    QString found = directory.error;
    if (directory.ok()) {
        const ZipRange range = entryRange(directory.value, directory.value.entries.value(0));
        const Parsed<QByteArray> data =
            entryData(zip.mid(range.offset, range.length), directory.value.entries.value(0), cap);
        found = data.error;
        QVERIFY(!data.ok() || data.value == content);
    }
    QCOMPARE(found, error);
}

void LabelsTest::unreadableTable_data()
{
    QTest::addColumn<int>("damage"); // 0 none, 1 no table, 2 a byte of the table changed, 3 capped
    QTest::addColumn<QString>("shown"); // the label, or why there is none
    const QString unreadable =
        QStringLiteral("The app's resource table could not be read: it is damaged or too large.");
    QTest::newRow("read") << 0 << "Notes";
    QTest::newRow("no table") << 1 << "The app has no resource table.";
    QTest::newRow("damaged") << 2 << unreadable;
    QTest::newRow("larger than we inflate") << 3 << unreadable;
}

void LabelsTest::unreadableTable()
{
    QFETCH(int, damage);
    QFETCH(QString, shown);
    QTemporaryDir dir;
    const QByteArray names = table({typeChunk("", 0, {text(0)})});
    ZipEntries entries{{ManifestEntry, manifest(0x01010001, 0x01, 0x7f010000)}};
    if (damage != 1)
        entries.append({TableEntry, names});
    QVERIFY(
        writeZip(dir.filePath("a.apk"), entries, false)); // stored: a changed byte fails the CRC
    QByteArray zip = readAll(dir.filePath("a.apk"));
    if (damage == 2)
        zip[zip.indexOf(names) + names.size() - 1] ^= 1; // would name "Notizen" unchecked
    const LabelResult result = labelOf(zip, {}, damage == 3 ? 100 : LargestTable);
    QCOMPARE(result.label.isEmpty() ? result.reason : result.label, shown);
}

// Apps of thousands of files have directories larger than the tail: read in a second step.
void LabelsTest::directoryBeforeTheTail()
{
    QTemporaryDir dir;
    QVERIFY(writeZip(dir.filePath("a.zip"), {{"a", "1"}, {"resources.arsc", "2"}, {"a", "3"}}));
    const QByteArray zip = readAll(dir.filePath("a.zip"));
    const QByteArrayView tail = QByteArrayView(zip).last(22);
    QCOMPARE(readZipDirectory(tail, zip.size()).error,
             "the ZIP directory starts before the tail that was read");
    const Parsed<ZipEnd> end = findZipEnd(tail, zip.size());
    QVERIFY2(end.ok(), qPrintable(end.error));
    const Parsed<ZipDirectory> directory = readCentralDirectory(
        QByteArrayView(zip).sliced(end.value.directoryOffset, end.value.directorySize), end.value);
    QVERIFY2(directory.ok(), qPrintable(directory.error));
    QCOMPARE(directory.value.entries.size(), 2);
    QVERIFY(directory.value.find(QStringLiteral("resources.arsc")));
    ZipDirectory twice = directory.value;
    twice.entries[0].name = QStringLiteral("resources.arsc");
    QVERIFY(!twice.find(QStringLiteral("resources.arsc"))); // which one would the device read?
}

void LabelsTest::localeFromProperties_data()
{
    QTest::addColumn<QStringList>("getprop");
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("region");
    const QString set = QStringLiteral("[persist.sys.locale]: [de-CH]");
    const QString unset = QStringLiteral("[persist.sys.locale]: []");
    const QString product = QStringLiteral("[ro.product.locale]: [pt-BR]");
    QTest::newRow("chosen by the user") << QStringList{product, set} << "de"
                                        << "CH";
    QTest::newRow("never chosen") << QStringList{unset, product} << "pt"
                                  << "BR";
    QTest::newRow("chosen before 6.0")
        << QStringList{"[persist.sys.language]: [fr]", "[persist.sys.country]: [CA]",
                       "[ro.product.locale]: [en-US]"}
        << "fr"
        << "CA";
    QTest::newRow("4.x, product") << QStringList{"[ro.product.locale.language]: [es]",
                                                 "[ro.product.locale.region]: [ES]"}
                                  << "es"
                                  << "ES";
    QTest::newRow("script") << QStringList{"[persist.sys.locale]: [zh-Hant-TW]"} << "zh"
                            << "TW";
    QTest::newRow("region by number") << QStringList{"[persist.sys.locale]: [es-419]"} << "es"
                                      << "419";
    QTest::newRow("language only") << QStringList{"[ro.product.locale]: [FIL]"} << "fil"
                                   << "";
    QTest::newRow("undetermined") << QStringList{"[persist.sys.locale]: [und]"} << ""
                                  << "";
    QTest::newRow("nonsense") << QStringList{"[persist.sys.locale]: [1-x]"} << ""
                              << "";
    QTest::newRow("none") << QStringList{unset} << ""
                          << "";
}

void LabelsTest::localeFromProperties()
{
    QFETCH(QStringList, getprop);
    QFETCH(QString, language);
    QFETCH(QString, region);
    const Locale locale = localeFromGetprop(getprop);
    QCOMPARE(locale.language, language);
    QCOMPARE(locale.region, region);
}

void LabelsTest::displayLabel_data()
{
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("shown");
    QTest::newRow("plain") << "Notes"
                           << "Notes";
    QTest::newRow("bidi override")
        << QString::fromUtf8("\u202Egnp.exe\u202C Notes") << "gnp.exe Notes";
    QTest::newRow("isolates and marks")
        << QString::fromUtf8("\u2067A\u2069\u200F B\u061C") << "A B";
    QTest::newRow("controls") << QString::fromUtf8("No\x01tes\x7f\u0085!") << "Notes !";
    QTest::newRow("line breaks") << "  Two\r\n\tlines \u2028 "
                                 << "Two lines";
    const QString longest = QString(LongestLabel, QLatin1Char('a'));
    QTest::newRow("just fits") << longest << longest;
    QTest::newRow("100 KB") << QString(100000, QLatin1Char('b'))
                            << QString(LongestLabel - 1, QLatin1Char('b')) + QChar(0x2026);
    const QString emoji = QString::fromUtf8("\U0001F600");
    QTest::newRow("cut by characters")
        << emoji.repeated(150) << emoji.repeated(LongestLabel - 1) + QChar(0x2026);
    QTest::newRow("nothing left") << QString::fromUtf8("\u202E\u202C \u200B\n\uFEFF") << "";
}

void LabelsTest::displayLabel()
{
    QFETCH(QString, label);
    QFETCH(QString, shown);
    QCOMPARE(::displayLabel(label), shown);
}

QTEST_GUILESS_MAIN(LabelsTest)
// What dd prints for a range is whole 4 KiB blocks cut by the end of the file; the range is cut
// back out of that, and reads joined in one run split back only when every byte came.
void LabelsTest::blockReads_data()
{
    QTest::addColumn<qint64>("offset");
    QTest::addColumn<qint64>("length");
    QTest::addColumn<qint64>("fileSize");
    QTest::addColumn<QString>("command");
    QTest::addColumn<qint64>("start");
    QTest::addColumn<qint64>("printed");
    QTest::newRow("small file, whole")
        << qint64(0) << qint64(507) << qint64(507) << "skip=0 count=1" << qint64(0) << qint64(507);
    QTest::newRow("inside one block: the whole block comes")
        << qint64(5000) << qint64(10) << qint64(100000) << "skip=1 count=1" << qint64(4096)
        << qint64(4096);
    QTest::newRow("across blocks, cut by the end")
        << qint64(4000) << qint64(5000) << qint64(10000) << "skip=0 count=3" << qint64(0)
        << qint64(10000);
    QTest::newRow("a tail") << tailRange(200000).offset << tailRange(200000).length
                            << qint64(200000) << "skip=32 count=17" << qint64(131072)
                            << qint64(200000 - 131072);
}

void LabelsTest::blockReads()
{
    QFETCH(qint64, offset);
    QFETCH(qint64, length);
    QFETCH(qint64, fileSize);
    QFETCH(QString, command);
    QFETCH(qint64, start);
    QFETCH(qint64, printed);
    const BlockRead read = blockRead("/data/app/a b/base.apk", {offset, length}, fileSize);
    QCOMPARE(read.command, "dd if='/data/app/a b/base.apk' bs=4096 " + command + " 2>/dev/null");
    QCOMPARE(read.start, start);
    QCOMPARE(read.length, printed);
    QByteArray file(fileSize, '\0');
    for (qint64 i = 0; i < fileSize; ++i)
        file[i] = char(i * 7);
    const QByteArray out = file.mid(start, printed);
    QCOMPARE(cutRange(out, read, {offset, length}), file.mid(offset, length));
    const auto both = splitReads(out + out, {read, read});
    QVERIFY(both && both->at(1) == out);
    QVERIFY(!splitReads(out + out.left(1), {read, read})); // a short or long run splits nothing
    QVERIFY(!splitReads(out.left(out.size() - 1), {read}));
}

#include "tst_labels.moc"
