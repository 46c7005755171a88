#pragma once

#include <QByteArrayView>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// What the package manager's dump ("dumpsys package packages") says about one installed package.
// A field the dump did not print stays empty (or none).
struct PackageDetails
{
    QString versionName;
    std::optional<qint64> versionCode; // the long version code from Android 9
    QString lastUpdateTime;            // "yyyy-MM-dd HH:mm:ss" in the phone's time zone
    QString firstInstallTime;          // the same; for user 0 where each user has its own
    QString installer;                 // empty when none is recorded
    std::optional<int> enabled;        // for user 0: 0 default, 1 enabled, 2 and up disabled
    std::optional<bool> installed;     // for user 0: false when removed for that user
    bool system = false;               // SYSTEM in its flags
    bool updatedSystem = false;        // UPDATED_SYSTEM_APP in its flags
    QString codePath;
    QStringList splits; // split names from "splits=[...]", when printed
};

// Reads the dump a batch of lines at a time, as the runner hands them over (see LineSink), in one
// pass over all packages. Only the "Packages:" section is read: the factory copies under "Hidden
// system packages:" and every later section are not what is installed. Tolerates the shapes of
// Android 4.4 to 15 (fields in any order, per-user blocks, installer "null").
class PackageDumpReader
{
public:
    // Reads the next lines of the dump.
    void read(const QList<QByteArrayView> &lines);
    // Ends the dump. The package being read when it ended is kept only if the dump was `whole`
    // (the run ended by itself, not cut off): a cut block may end in a line cut short, and an
    // empty cell is better than a wrong version.
    void finish(bool whole);
    // The packages read, by name; a package the dump does not name has no entry.
    const QHash<QString, PackageDetails> &packages() const { return found; }

private:
    void readLine(QByteArrayView line);
    void readField(QByteArrayView field, int indent);
    // A "User N: key=value ..." line: the state of user 0, and whose block follows.
    void readUser(QByteArrayView rest);
    void closePackage();

    enum class Section { Before, Packages, After };
    Section section = Section::Before;
    QString current; // the package being read; empty between packages
    PackageDetails details;
    int headerIndent = 0; // the indent of the current package's header
    int fieldIndent = 0;  // the indent of its own lines; 0 until the first
    int user = -1;        // the user whose block is being read, -1 outside one
    QHash<QString, PackageDetails> found;
};

// The dump of `dump`'s lines in one go (tests, benches): as read() of every line, then
// finish(whole).
QHash<QString, PackageDetails> readPackageDump(const QByteArray &dump, bool whole = true);
