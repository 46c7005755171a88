#pragma once

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

class TextRows;

// Reads what the device's package manager ("pm") prints. Its texts are the same on every Android
// version that adb reaches; only the stream they arrive on differs (devices before Android 7 merge
// both into standard output), so every reader here looks at the lines it is given, whatever their
// stream.

// One app as "pm list packages -f" names it.
struct InstalledApp
{
    QString name; // the package name, e.g. com.example.notes
    QString path; // its package file on the device; empty when the line gave none
};

// Where a line names an app: views of the line.
struct PackageLine
{
    QStringView name;
    QStringView path; // empty when the line gave none
};

// The app that a line "package:[<path>=]<name>" names, with any of the suffixes " versionCode:N",
// "  installer=X" and " uid:N[,N...]" and trailing white space taken off first. The name is what
// follows the last '=' (paths hold '=' on Android 8 and later; names never do). Nothing when the
// line is not such a line or the name is not a package name.
std::optional<PackageLine> findPackage(QStringView line);
std::optional<InstalledApp> readPackageLine(QStringView line);

// Reads a batch of lines that "pm list packages -f" printed, as the runner hands them over (see
// LineSink): each app becomes a row of `apps`, its name then its package file, in the order of
// the lines; every line that names none is added to `others`.
void readPackageLines(const QList<QByteArrayView> &lines, TextRows &apps, QStringList &others);
