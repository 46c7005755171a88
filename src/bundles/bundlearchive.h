#pragma once

#include "bundles/bundleproblem.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

struct zip;
struct ZipLibrary;

// One entry of a bundle, as its central directory describes it.
struct ArchiveEntry
{
    QString name;
    qint64 size = 0; // uncompressed, as claimed
    quint64 index = 0;
};

// A bundle file opened read-only as a ZIP archive. Nothing it says is trusted: an entry holding
// more than it claims is refused, and entry names are never used as paths.
class BundleArchive
{
public:
    // Opens `path` and reads its list of entries (folders left out). Safe on any file.
    explicit BundleArchive(const QString &path);
    ~BundleArchive();
    BundleArchive(const BundleArchive &) = delete;
    BundleArchive &operator=(const BundleArchive &) = delete;

    // Why the file could not be opened as a ZIP archive (NotZip, Unreadable); none when it was.
    const std::optional<BundleProblem> &problem() const { return openProblem; }
    const QList<ArchiveEntry> &entries() const { return entryList; }
    // The entry of that exact name, or none.
    const ArchiveEntry *find(const QString &name) const;

    // The whole content of a small entry; a problem when it is larger than `limit` or damaged.
    std::optional<QByteArray> read(const ArchiveEntry &entry, qint64 limit,
                                   std::optional<BundleProblem> &problem);
    // Writes an entry to a new file at `target`, a piece at a time, so memory stays flat whatever
    // its size. A problem, and a partial file, when the entry is damaged, holds more than it
    // claims or the file cannot be written; `target` must not exist yet.
    std::optional<BundleProblem> extract(const ArchiveEntry &entry, const QString &target);

private:
    void listEntries(const QString &fileName);
    // Reads an entry a piece at a time into `take`, which gives an error text when it fails.
    template<typename Take>
    std::optional<BundleProblem> stream(const ArchiveEntry &entry, Take take);

    const ZipLibrary *zip = nullptr;
    struct zip *archive = nullptr;
    std::optional<BundleProblem> openProblem;
    QList<ArchiveEntry> entryList;
};
