// Which APKs of a bundle go to a device: by the table of contents of an APK set, or by split
// names. Each row is a bundle, the device's properties as getprop prints them, and the APKs that
// must be chosen, in install order, or the problem that stops the install.
#include "bundles/apksetchoice.h"
#include "bundles/apksettoc.h"
#include "bundles/splitchoice.h"
#include "device/deviceprops.h"

#include <QSet>
#include <QTest>

namespace {

// The protocol buffer wire format, enough to write a table of contents.
QByteArray varint(quint64 value)
{
    QByteArray bytes;
    for (; value >= 0x80; value >>= 7)
        bytes += char((value & 0x7f) | 0x80);
    return bytes + char(value);
}

QByteArray number(int field, quint64 value)
{
    return varint(quint64(field) << 3) + varint(value);
}

QByteArray message(int field, const QByteArray &body)
{
    return varint((quint64(field) << 3) | 2) + varint(quint64(body.size())) + body;
}

enum Abi { Armeabi = 1, ArmeabiV7a, Arm64V8a, X86, X86_64 };

// A field of ApkTargeting (or VariantTargeting, for sdk): its values, then its alternatives.
template<typename T, typename Encode>
QByteArray targeting(int field, const QList<T> &values, const QList<T> &alternatives, Encode encode)
{
    QByteArray bytes;
    for (const T &value : values)
        bytes += message(1, encode(value));
    for (const T &other : alternatives)
        bytes += message(2, encode(other));
    return message(field, bytes);
}

QByteArray onAbi(Abi value, const QList<Abi> &alternatives)
{
    return targeting<Abi>(1, {value}, alternatives, [](Abi abi) { return number(1, abi); });
}

QByteArray onLanguages(const QStringList &values, const QStringList &alternatives)
{
    return targeting<QString>(3, values, alternatives, [](const QString &l) { return l.toUtf8(); });
}

QByteArray onDensity(int dpi, const QList<int> &alternatives)
{
    return targeting<int>(4, {dpi}, alternatives, [](int d) { return number(2, quint64(d)); });
}

QByteArray onSdk(int min, const QList<int> &alternatives)
{
    return targeting<int>(1, {min}, alternatives,
                          [](int sdk) { return message(1, number(1, quint64(sdk))); });
}

QByteArray split(const QString &path, const QString &id, const QByteArray &targeting = {})
{
    return message(1, targeting) + message(2, path.toUtf8()) +
           message(3, message(1, id.toUtf8()) + number(2, id.isEmpty() || !id.contains('.')));
}

QByteArray standalone(const QString &path, const QByteArray &targeting = {})
{
    return message(1, targeting) + message(2, path.toUtf8()) + message(4, {});
}

enum Delivery { InstallTime = 1, OnDemand = 2 };

QByteArray module(const QString &name, const QList<QByteArray> &apks,
                  Delivery delivery = InstallTime, bool instant = false)
{
    QByteArray set =
        message(1, message(1, name.toUtf8()) + number(6, delivery) + number(3, instant));
    for (const QByteArray &apk : apks)
        set += message(2, apk);
    return set;
}

QByteArray variant(int numbered, const QByteArray &targeting, const QList<QByteArray> &modules)
{
    QByteArray bytes = message(1, targeting) + number(3, quint64(numbered));
    for (const QByteArray &set : modules)
        bytes += message(2, set);
    return bytes;
}

QByteArray toc(const QList<QByteArray> &variants)
{
    QByteArray bytes = message(4, "com.example.app");
    for (const QByteArray &one : variants)
        bytes += message(1, one);
    return bytes;
}

QStringList device(int sdk, const QString &abis, int dpi, const QString &locale)
{
    return {QStringLiteral("[ro.build.version.sdk]: [%1]").arg(sdk),
            QStringLiteral("[ro.product.cpu.abilist]: [%1]").arg(abis),
            QStringLiteral("[ro.sf.lcd_density]: [%1]").arg(dpi),
            QStringLiteral("[persist.sys.locale]: [%1]").arg(locale)};
}

const QString arm64 = QStringLiteral("arm64-v8a,armeabi-v7a,armeabi");
constexpr int none = -1;

QStringList entries(const QList<BundleApk> &apks)
{
    QStringList names;
    for (const BundleApk &apk : apks)
        names.append(apk.entry);
    return names;
}

qsizetype apkCount(const ApkSetToc &toc)
{
    qsizetype count = 0;
    for (const TocVariant &variant : toc.variants) {
        for (const TocModule &set : variant.modules)
            count += set.apks.size();
    }
    return count;
}

} // namespace

class TestSplitChoice : public QObject
{
    Q_OBJECT

private slots:
    void chooses_data();
    void chooses();
};

void TestSplitChoice::chooses_data()
{
    QTest::addColumn<QByteArray>("contents"); // toc.pb; empty: choose by name
    QTest::addColumn<QStringList>("apks");    // by name: "<entry>" or "<entry>=<split id>"
    QTest::addColumn<QString>("packageName");
    QTest::addColumn<QStringList>("properties");
    QTest::addColumn<QStringList>("chosen");
    QTest::addColumn<int>("problem"); // BundleProblem::Kind, or none
    QTest::addColumn<bool>("standalone");

    const QStringList apkm{"base.apk",
                           "split_config.x86.apk",
                           "split_config.armeabi_v7a.apk",
                           "split_config.arm64_v8a.apk",
                           "split_config.hdpi.apk",
                           "split_config.xhdpi.apk",
                           "split_config.xxhdpi.apk",
                           "split_config.en.apk",
                           "split_config.fr.apk",
                           "split_config.pt.apk"};
    const QByteArray noToc;
    QTest::newRow("by name: first device ABI, best density, own language")
        << noToc << apkm << "" << device(33, arm64, 480, "fr-FR")
        << QStringList{"base.apk", "split_config.arm64_v8a.apk", "split_config.xxhdpi.apk",
                       "split_config.fr.apk"}
        << none << false;
    QTest::newRow("by name: a 32-bit device, a region in the locale")
        << noToc << apkm << "" << device(29, "armeabi-v7a,armeabi", 320, "pt-BR")
        << QStringList{"base.apk", "split_config.armeabi_v7a.apk", "split_config.xhdpi.apk",
                       "split_config.pt.apk"}
        << none << false;
    QTest::newRow("by name: the device's ABI order, not the bundle's")
        << noToc << QStringList{"base.apk", "split_config.x86.apk", "split_config.x86_64.apk"} << ""
        << device(30, "x86_64,x86,arm64-v8a", 480, "en-US")
        << QStringList{"base.apk", "split_config.x86_64.apk"} << none << false;
    QTest::newRow("by name: 400 dpi between hdpi and xxhdpi scales xxhdpi down")
        << noToc << QStringList{"base.apk", "split_config.hdpi.apk", "split_config.xxhdpi.apk"}
        << "" << device(33, arm64, 400, "en") << QStringList{"base.apk", "split_config.xxhdpi.apk"}
        << none << false;
    QTest::newRow("by name: 260 dpi, close to hdpi, scales hdpi up")
        << noToc << QStringList{"base.apk", "split_config.hdpi.apk", "split_config.xhdpi.apk"} << ""
        << device(33, arm64, 260, "en") << QStringList{"base.apk", "split_config.hdpi.apk"} << none
        << false;
    QTest::newRow("by name: store names, a texture split kept, an asset pack left out")
        << noToc
        << QStringList{"com.example.app.apk", "config.arm64_v8a.apk", "config.en.apk",
                       "config.astc.apk", "googleplay_asset_pack.apk"}
        << "com.example.app" << device(33, arm64, 480, "en")
        << QStringList{"com.example.app.apk", "config.arm64_v8a.apk", "config.en.apk",
                       "config.astc.apk"}
        << none << false;
    QTest::newRow("by name: versioned names, no metadata")
        << noToc
        << QStringList{"com.example.app-120.apk", "com.example.app-120-config.x86.apk",
                       "com.example.app-120-config.arm64_v8a.apk"}
        << "" << device(33, arm64, 480, "en")
        << QStringList{"com.example.app-120.apk", "com.example.app-120-config.arm64_v8a.apk"}
        << none << false;
    QTest::newRow("by name: bundletool's names")
        << noToc
        << QStringList{"splits/base-master.apk", "splits/base-x86.apk", "splits/base-arm64_v8a.apk",
                       "splits/base-xxhdpi.apk", "splits/base-de.apk"}
        << "" << device(33, arm64, 480, "de-AT")
        << QStringList{"splits/base-master.apk", "splits/base-arm64_v8a.apk",
                       "splits/base-xxhdpi.apk", "splits/base-de.apk"}
        << none << false;
    QTest::newRow("by name: split names from the manifest win over file names")
        << noToc << QStringList{"a.apk=base", "b.apk=config.x86", "c.apk=config.arm64_v8a"} << ""
        << device(33, arm64, 480, "en") << QStringList{"a.apk", "c.apk"} << none << false;
    QTest::newRow("by name: one APK with any name is the base")
        << noToc << QStringList{"app-release.apk"} << "" << device(33, arm64, 480, "en")
        << QStringList{"app-release.apk"} << none << false;
    QTest::newRow("by name: older properties")
        << noToc << apkm << ""
        << QStringList{"[ro.build.version.sdk]: [19]", "[ro.product.cpu.abi]: [armeabi-v7a]",
                       "[ro.product.cpu.abi2]: [armeabi]", "[qemu.sf.lcd_density]: [240]",
                       "[ro.product.locale]: [fr-CA]"}
        << QStringList{"base.apk", "split_config.armeabi_v7a.apk", "split_config.hdpi.apk",
                       "split_config.fr.apk"}
        << none << false;
    QTest::newRow("by name: no native code for the device")
        << noToc << QStringList{"base.apk", "split_config.x86.apk", "split_config.x86_64.apk"} << ""
        << device(33, arm64, 480, "en") << QStringList{} << int(BundleProblem::NoMatchingAbi)
        << false;
    QTest::newRow("by name: no base")
        << noToc << QStringList{"split_config.en.apk", "split_config.arm64_v8a.apk"} << ""
        << device(33, arm64, 480, "en") << QStringList{} << int(BundleProblem::NoBase) << false;
    QTest::newRow("by name: two APKs and neither named as the base")
        << noToc << QStringList{"one.apk", "two.apk"} << "" << device(33, arm64, 480, "en")
        << QStringList{} << int(BundleProblem::NoBase) << false;
    QTest::newRow("by name: two bases")
        << noToc << QStringList{"base.apk", "com.example.app.apk"} << "com.example.app"
        << device(33, arm64, 480, "en") << QStringList{} << int(BundleProblem::SeveralBases)
        << false;
    QTest::newRow("by name: a second variant's copies")
        << noToc << QStringList{"splits/base-master.apk", "splits/base-master_2.apk"} << ""
        << device(33, arm64, 480, "en") << QStringList{} << int(BundleProblem::SeveralBases)
        << false;
    QTest::newRow("by name: one split twice")
        << noToc << QStringList{"base.apk", "split_config.en.apk", "config.en.apk"} << ""
        << device(33, arm64, 480, "en") << QStringList{} << int(BundleProblem::SameSplitTwice)
        << false;

    const QByteArray abiSplits = module(
        "base",
        {split("splits/base-master.apk", ""),
         split("splits/base-arm64_v8a.apk", "config.arm64_v8a", onAbi(Arm64V8a, {X86, ArmeabiV7a})),
         split("splits/base-armeabi_v7a.apk", "config.armeabi_v7a",
               onAbi(ArmeabiV7a, {X86, Arm64V8a})),
         split("splits/base-x86.apk", "config.x86", onAbi(X86, {Arm64V8a, ArmeabiV7a}))});
    const QByteArray copies = module(
        "base", {split("splits/base-master_2.apk", ""),
                 split("splits/base-arm64_v8a_2.apk", "config.arm64_v8a", onAbi(Arm64V8a, {X86})),
                 split("splits/base-x86_2.apk", "config.x86", onAbi(X86, {Arm64V8a}))});
    const QByteArray byVersion =
        toc({variant(0, onSdk(21, {23}), {abiSplits}), variant(1, onSdk(23, {21}), {copies})});
    QTest::newRow("set: the variant for the device's Android version")
        << byVersion << QStringList{} << "" << device(33, arm64, 480, "en")
        << QStringList{"splits/base-master_2.apk", "splits/base-arm64_v8a_2.apk"} << none << false;
    QTest::newRow("set: an older device, the other variant")
        << byVersion << QStringList{} << "" << device(22, "armeabi-v7a,armeabi", 240, "en")
        << QStringList{"splits/base-master.apk", "splits/base-armeabi_v7a.apk"} << none << false;
    QTest::newRow("set: no native code for the device")
        << byVersion << QStringList{} << "" << device(33, "mips", 240, "en") << QStringList{}
        << int(BundleProblem::NoMatchingAbi) << false;
    QTest::newRow("set: no variant for the device")
        << toc({variant(0, onSdk(24, {}), {abiSplits})}) << QStringList{} << ""
        << device(21, arm64, 240, "en") << QStringList{} << int(BundleProblem::NoVariant) << false;

    const QByteArray languages = module(
        "base",
        {split("splits/base-master.apk", ""),
         split("splits/base-en.apk", "config.en", onLanguages({"en"}, {"fr"})),
         split("splits/base-fr.apk", "config.fr", onLanguages({"fr"}, {"en"})),
         split("splits/base-other_lang.apk", "config.other_lang", onLanguages({}, {"en", "fr"})),
         split("splits/base-xhdpi.apk", "config.xhdpi", onDensity(320, {480})),
         split("splits/base-xxhdpi.apk", "config.xxhdpi", onDensity(480, {320}))});
    const QByteArray features = toc(
        {variant(0, onSdk(21, {}),
                 {module("camera", {split("splits/camera-master.apk", "camera")}), languages,
                  module("maps", {split("splits/maps-master.apk", "maps")}, OnDemand),
                  module("demo", {split("instant/demo-master.apk", "demo")}, InstallTime, true)})});
    QTest::newRow("set: a language the set has; install-time modules only, the base first")
        << features << QStringList{} << "" << device(30, arm64, 440, "fr-BE")
        << QStringList{"splits/base-master.apk", "splits/base-fr.apk", "splits/base-xxhdpi.apk",
                       "splits/camera-master.apk"}
        << none << false;
    QTest::newRow("set: a language it lacks takes the fallback")
        << features << QStringList{} << "" << device(30, arm64, 300, "ja-JP")
        << QStringList{"splits/base-master.apk", "splits/base-other_lang.apk",
                       "splits/base-xhdpi.apk", "splits/camera-master.apk"}
        << none << false;

    const QByteArray universal =
        toc({variant(0, {}, {module("base", {standalone("universal.apk")})})});
    QTest::newRow("set: universal")
        << universal << QStringList{} << "" << device(33, arm64, 480, "en")
        << QStringList{"universal.apk"} << none << true;
    const QByteArray preLollipop = toc(
        {variant(0, onSdk(15, {21}),
                 {module("base",
                         {standalone("standalones/standalone-x86.apk", onAbi(X86, {ArmeabiV7a})),
                          standalone("standalones/standalone-armeabi_v7a.apk",
                                     onAbi(ArmeabiV7a, {X86}))})}),
         variant(1, onSdk(21, {15}), {abiSplits})});
    QTest::newRow("set: a device before Android 5 gets one standalone APK")
        << preLollipop << QStringList{} << "" << device(19, "armeabi-v7a,armeabi", 240, "en")
        << QStringList{"standalones/standalone-armeabi_v7a.apk"} << none << true;
    QTest::newRow("set: cut short")
        << byVersion.left(byVersion.size() - 5) << QStringList{} << ""
        << device(33, arm64, 480, "en") << QStringList{} << int(BundleProblem::BadToc) << false;
    QTest::newRow("set: a length past the end")
        << QByteArray("\x0a\xff\xff\xff\x0f\x01", 6) << QStringList{} << ""
        << device(33, arm64, 480, "en") << QStringList{} << int(BundleProblem::BadToc) << false;
}

void TestSplitChoice::chooses()
{
    QFETCH(QByteArray, contents);
    QFETCH(QStringList, apks);
    QFETCH(QString, packageName);
    QFETCH(QStringList, properties);
    QFETCH(QStringList, chosen);
    QFETCH(int, problem);
    QFETCH(bool, standalone);

    const DeviceSpec target = deviceFromProperties(properties);
    SplitChoice choice;
    qsizetype apksInBundle = apks.size();
    if (contents.isEmpty()) {
        QList<NamedApk> named;
        for (const QString &apk : apks)
            named.append({apk.section('=', 0, 0), apk.section('=', 1)});
        choice = chooseByName(named, packageName, target);
    } else {
        QString error;
        const std::optional<ApkSetToc> toc = readApkSetToc(contents, &error);
        if (!toc) {
            QCOMPARE(problem, int(BundleProblem::BadToc));
            QVERIFY(!error.isEmpty());
            return;
        }
        apksInBundle = apkCount(*toc);
        choice = chooseFromToc(*toc, target);
    }

    QCOMPARE(choice.problem ? int(choice.problem->kind) : none, problem);
    QCOMPARE(entries(choice.chosen), chosen);
    QCOMPARE(choice.standalone, standalone);
    // The log accounts for every APK: each is either chosen or left out, with a reason.
    if (!choice.problem) {
        QCOMPARE(choice.chosen.size() + choice.leftOut.size(), apksInBundle);
        for (const BundleApk &apk : choice.chosen + choice.leftOut)
            QVERIFY2(!apk.why.isEmpty(), qPrintable(apk.entry));
    }
}

QTEST_GUILESS_MAIN(TestSplitChoice)
#include "tst_splitchoice.moc"
