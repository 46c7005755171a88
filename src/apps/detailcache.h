#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <optional>

// What identifies the app a detail was read from: an update changes the version code or the time
// of the last update, and a change of the phone's language changes which label is chosen.
struct DetailKey
{
    QString package;
    qint64 versionCode = 0;
    QString lastUpdateTime; // as the dump prints it
    QString locale;         // the device's language the label was chosen for
};

// What was read for one app.
struct CachedDetail
{
    QString label;         // empty when the app gives none that could be read
    QString noLabelReason; // why there is no label; empty when there is one
    qint64 size = -1;      // of its package files; -1 unknown
};

// The details read from one device, kept in a file between runs so that a refresh of an unchanged
// phone reads no APK again. An optimisation, never a source of truth: a file that is damaged,
// truncated, too large or written for another device is ignored (and replaced on save).
class DetailCache
{
public:
    // The cache of the device `serial`, in a file under `folder` whose name is made from a hash of
    // the serial (serials hold any characters). Reads nothing yet.
    DetailCache(const QString &folder, const QString &serial);

    // Reads the file; forgets what it held before. False when there was none or it was ignored.
    bool load();
    // Writes every entry atomically: the file is replaced whole or not at all. False on failure.
    bool save() const;

    // The detail kept for exactly `key`, or none.
    std::optional<CachedDetail> find(const DetailKey &key) const;
    // Keeps `detail` for `key`, replacing what was kept for any other version of that package;
    // ignored unless `detail` holds either a label or the reason for none.
    void insert(const DetailKey &key, const CachedDetail &detail);

    const QString &fileName() const { return path; }

private:
    QString path;
    QString serial;
    QHash<QString, std::pair<DetailKey, CachedDetail>> entries; // by package
};

// The file's content for `serial`'s `entries`, and back: none when `bytes` is not such a content
// for `serial`, whole and undamaged. Exposed for tests and the fuzzer.
QByteArray encodeDetails(const QString &serial,
                         const QHash<QString, std::pair<DetailKey, CachedDetail>> &entries);
std::optional<QHash<QString, std::pair<DetailKey, CachedDetail>>>
decodeDetails(const QByteArray &bytes, const QString &serial);
