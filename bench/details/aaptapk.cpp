#include "aaptapk.h"

#include "labels/labelreader.h"
#include "labels/zipdirectory.h"
#include "labels/zipentrydata.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <cstdio>

namespace {

const QString frameworkRes = QStringLiteral("/usr/share/android-framework-res/framework-res.apk");

bool writeFile(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

// Bytes that do not compress, so that the asset is as large in the APK as on disk.
QByteArray noise(qint64 bytes)
{
    QByteArray data(bytes, Qt::Uninitialized);
    QRandomGenerator generator(7);
    generator.fillRange(reinterpret_cast<quint32 *>(data.data()), data.size() / 4);
    return data;
}

} // namespace

bool canBuildApks()
{
    return !QStandardPaths::findExecutable(QStringLiteral("aapt")).isEmpty() &&
           QFile::exists(frameworkRes);
}

QByteArray buildApk(const QString &dir, const ApkSource &source)
{
    writeFile(dir + "/AndroidManifest.xml",
              "<manifest xmlns:android=\"http://schemas.android.com/apk/res/android\" package=\"" +
                  source.package + "\"><application android:label=\"" + source.label +
                  "\"/></manifest>");
    QStringList arguments{"package", "-f",         "-M", dir + "/AndroidManifest.xml",
                          "-I",      frameworkRes, "-F", dir + "/app.apk"};
    for (auto it = source.strings.begin(); it != source.strings.end(); ++it)
        writeFile(dir + "/res/" + it.key() + "/strings.xml",
                  "<resources>" + it.value() + "</resources>");
    if (!source.strings.isEmpty())
        arguments << "-S" << dir + "/res";
    if (source.assetBytes > 0) {
        writeFile(dir + "/assets/data.bin", noise(source.assetBytes));
        arguments << "-A" << dir + "/assets"
                  << "-0"
                  << "bin";
    }
    QProcess aapt;
    aapt.start(QStandardPaths::findExecutable(QStringLiteral("aapt")), arguments);
    if (!aapt.waitForFinished(-1) || aapt.exitCode() != 0) {
        std::fprintf(stderr, "aapt: %s\n", aapt.readAllStandardError().constData());
        return {};
    }
    QFile apk(dir + "/app.apk");
    return apk.open(QIODevice::ReadOnly) ? apk.readAll() : QByteArray();
}

QByteArray apkEntry(const QByteArray &apk, const char *name)
{
    const qint64 tail = std::min<qint64>(apk.size(), ZipTailSize);
    const Parsed<ZipDirectory> directory =
        readZipDirectory(QByteArrayView(apk).last(tail), apk.size());
    const ZipEntry *entry = directory.value.find(QString::fromLatin1(name));
    if (!entry)
        return {};
    const ZipRange range = entryRange(directory.value, *entry);
    return entryData(apk.mid(range.offset, range.length), *entry, LargestTable).value;
}
