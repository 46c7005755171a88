#include "bundles/bundlearchive.h"

#include "bundles/ziplibrary.h"

#include <QFile>
#include <QFileInfo>

namespace {

// More entries than any real bundle has: a list that long is a forged one, made to fill memory.
constexpr zip_int64_t mostEntries = 65536;
constexpr qint64 pieceSize = qint64(1024) * 1024;

QString describeZipError(const ZipLibrary &zip, int code)
{
    zip_error_t error;
    zip.errorInit(&error, code);
    QString text = QString::fromLocal8Bit(zip.errorText(&error));
    zip.errorFini(&error);
    return text;
}

// Errors of the file itself, as opposed to errors of what it holds.
bool isReadError(int code)
{
    return code == ZIP_ER_OPEN || code == ZIP_ER_READ || code == ZIP_ER_SEEK ||
           code == ZIP_ER_MEMORY;
}

} // namespace

BundleArchive::BundleArchive(const QString &path)
{
    const QString fileName = QFileInfo(path).fileName();
    QString why;
    zip = zipLibrary(&why);
    if (!zip) {
        openProblem = BundleProblem{
            BundleProblem::Unreadable,
            {fileName, QStringLiteral("the ZIP library could not be loaded (%1)").arg(why)}};
        return;
    }
    int code = 0;
    archive = zip->open(QFile::encodeName(path).constData(), ZIP_RDONLY | ZIP_CHECKCONS, &code);
    if (!archive) {
        openProblem =
            BundleProblem{isReadError(code) ? BundleProblem::Unreadable : BundleProblem::NotZip,
                          {fileName, describeZipError(*zip, code)}};
        return;
    }
    listEntries(fileName);
}

BundleArchive::~BundleArchive()
{
    if (archive)
        zip->discard(archive);
}

void BundleArchive::listEntries(const QString &fileName)
{
    const zip_int64_t count = zip->entryCount(archive, 0);
    if (count > mostEntries) {
        openProblem = BundleProblem{BundleProblem::Unreadable,
                                    {fileName, QStringLiteral("it claims %1 entries").arg(count)}};
        return;
    }
    for (zip_int64_t index = 0; index < count; ++index) {
        zip_stat_t stat;
        if (zip->statIndex(archive, quint64(index), 0, &stat) != 0 || !stat.name)
            continue;
        const QString name = QString::fromUtf8(stat.name);
        if (!name.endsWith(QLatin1Char('/')))
            entryList.append({name, qint64(stat.size), quint64(index)});
    }
}

const ArchiveEntry *BundleArchive::find(const QString &name) const
{
    for (const ArchiveEntry &entry : entryList) {
        if (entry.name == name)
            return &entry;
    }
    return nullptr;
}

template<typename Take>
std::optional<BundleProblem> BundleArchive::stream(const ArchiveEntry &entry, Take take)
{
    const auto notExtracted = [&](const QString &why) {
        return BundleProblem{BundleProblem::NotExtracted, {entry.name, why}};
    };
    zip_file_t *file = zip->openIndex(archive, entry.index, 0);
    if (!file)
        return notExtracted(QString::fromLocal8Bit(zip->archiveError(archive)));
    QByteArray piece(pieceSize, Qt::Uninitialized);
    qint64 total = 0;
    std::optional<BundleProblem> problem;
    for (;;) {
        const zip_int64_t got = zip->read(file, piece.data(), quint64(piece.size()));
        if (got < 0)
            problem = notExtracted(QString::fromLocal8Bit(zip->fileError(file)));
        if (got <= 0)
            break;
        total += got;
        // The library trusts the sizes the entry's headers give; a forged entry can hold more.
        if (total > entry.size) {
            problem = BundleProblem{BundleProblem::LargerThanClaimed,
                                    {entry.name, QString::number(entry.size)}};
            break;
        }
        if (const QString error = take(QByteArrayView(piece.constData(), got)); !error.isEmpty()) {
            problem = notExtracted(error);
            break;
        }
    }
    zip->close(file);
    if (!problem && total < entry.size)
        problem = notExtracted(
            QStringLiteral("it ends after %1 of its %2 bytes").arg(total).arg(entry.size));
    return problem;
}

std::optional<QByteArray> BundleArchive::read(const ArchiveEntry &entry, qint64 limit,
                                              std::optional<BundleProblem> &problem)
{
    if (entry.size > limit) {
        problem = BundleProblem{BundleProblem::NotExtracted,
                                {entry.name, QStringLiteral("it is larger than %1 bytes, more "
                                                            "than its kind ever is")
                                                 .arg(limit)}};
        return std::nullopt;
    }
    QByteArray content;
    problem = stream(entry, [&](QByteArrayView piece) {
        content.append(piece);
        return QString();
    });
    return problem ? std::nullopt : std::optional(content);
}

std::optional<BundleProblem> BundleArchive::extract(const ArchiveEntry &entry,
                                                    const QString &target)
{
    QFile file(target);
    // NewOnly: never write through a file or link that is already there.
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered))
        return BundleProblem{BundleProblem::NotExtracted, {entry.name, file.errorString()}};
    std::optional<BundleProblem> problem = stream(entry, [&](QByteArrayView piece) {
        return file.write(piece.data(), piece.size()) == piece.size() ? QString()
                                                                      : file.errorString();
    });
    if (!file.flush() && !problem)
        problem = BundleProblem{BundleProblem::NotExtracted, {entry.name, file.errorString()}};
    return problem;
}
