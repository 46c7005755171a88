#include "apps/packagedump.h"

#include "apps/detailtext.h"
#include "device/packagename.h"

namespace {

QByteArrayView trimmedEnd(QByteArrayView text)
{
    while (!text.isEmpty() && (text.back() == ' ' || text.back() == '\r' || text.back() == '\t'))
        text.chop(1);
    return text;
}

// The value of `key` ("name=") when `text` starts with it.
std::optional<QByteArrayView> valueOf(QByteArrayView text, QByteArrayView key)
{
    if (!text.startsWith(key))
        return std::nullopt;
    return text.sliced(key.size());
}

// The value of the space-separated pair `key` ("name=") anywhere in `text`.
std::optional<QByteArrayView> pairValue(QByteArrayView text, QByteArrayView key)
{
    while (!text.isEmpty()) {
        const qsizetype space = text.indexOf(' ');
        const QByteArrayView word = space < 0 ? text : text.first(space);
        if (word.startsWith(key))
            return word.sliced(key.size());
        if (space < 0)
            break;
        text = text.sliced(space + 1);
    }
    return std::nullopt;
}

std::optional<qint64> number(std::optional<QByteArrayView> text)
{
    if (!text || text->isEmpty() || text->size() > 20)
        return std::nullopt;
    bool ok = false;
    const qint64 value = text->toLongLong(&ok);
    return ok ? std::optional<qint64>(value) : std::nullopt;
}

// A path or name as printed; empty when longer than any path can be.
QString raw(QByteArrayView text)
{
    return text.size() > 4096 ? QString() : QString::fromUtf8(text);
}

QString shown(QByteArrayView text)
{
    return displayText(QString::fromUtf8(text.first(qMin(text.size(), qsizetype(4096)))), 200);
}

// The words between "[" and "]" of a flags or splits line, split at spaces and commas.
QList<QByteArrayView> listOf(QByteArrayView text)
{
    QList<QByteArrayView> words;
    const qsizetype open = text.indexOf('[');
    const qsizetype close = text.lastIndexOf(']');
    if (open < 0 || close < open)
        return words;
    QByteArrayView inside = text.sliced(open + 1, close - open - 1);
    qsizetype start = 0;
    for (qsizetype i = 0; i <= inside.size(); ++i) {
        if (i == inside.size() || inside[i] == ' ' || inside[i] == ',') {
            if (i > start)
                words.append(inside.sliced(start, i - start));
            start = i + 1;
        }
    }
    return words;
}

void readFlags(QByteArrayView text, PackageDetails &details)
{
    for (const QByteArrayView flag : listOf(text)) {
        if (flag == "SYSTEM")
            details.system = true;
        else if (flag == "UPDATED_SYSTEM_APP")
            details.updatedSystem = true;
    }
}

// The package a header line "Package [<name>] (<hash>):" names; empty when it names none.
QString headerName(QByteArrayView text)
{
    if (!text.startsWith("Package [") || !text.endsWith(':'))
        return {};
    const qsizetype close = text.indexOf(']');
    if (close < 0)
        return {};
    const QString name = QString::fromLatin1(text.sliced(9, close - 9));
    return isPackageName(name) ? name : QString();
}

} // namespace

void PackageDumpReader::read(const QList<QByteArrayView> &lines)
{
    for (const QByteArrayView line : lines)
        readLine(line);
}

void PackageDumpReader::finish(bool whole)
{
    if (whole)
        closePackage();
    current.clear();
    section = Section::After;
}

void PackageDumpReader::readLine(QByteArrayView line)
{
    qsizetype indent = 0;
    while (indent < line.size() && line[indent] == ' ')
        ++indent;
    const QByteArrayView text = trimmedEnd(line.sliced(indent));
    const int depth = int(qMin(indent, qsizetype(1000)));
    if (text.isEmpty() || section == Section::After)
        return;
    if (section == Section::Before) {
        if (indent == 0 && text == "Packages:")
            section = Section::Packages;
        return;
    }
    if (indent == 0) { // the next section: "Hidden system packages:" or later ones
        closePackage();
        section = Section::After;
        return;
    }
    if (const QString name = headerName(text); !name.isEmpty() || text.startsWith("Package [")) {
        closePackage();
        current = name;
        fieldIndent = 0;
        headerIndent = depth;
        return;
    }
    if (current.isEmpty())
        return;
    if (depth <= headerIndent) {
        closePackage();
        return;
    }
    if (fieldIndent == 0)
        fieldIndent = depth;
    readField(text, depth);
}

void PackageDumpReader::readField(QByteArrayView text, int indent)
{
    if (indent > fieldIndent) { // inside a user's block (Android 14 and later)
        if (user == 0)
            if (const auto time = valueOf(text, "firstInstallTime="))
                details.firstInstallTime = shown(*time);
        return;
    }
    user = -1;
    if (const auto rest = valueOf(text, "User ")) {
        readUser(*rest);
    } else if (const auto name = valueOf(text, "versionName=")) {
        details.versionName = shown(*name);
    } else if (text.startsWith("versionCode=")) {
        details.versionCode = number(pairValue(text, "versionCode="));
    } else if (const auto time = valueOf(text, "lastUpdateTime=")) {
        details.lastUpdateTime = shown(*time);
    } else if (const auto time = valueOf(text, "firstInstallTime=")) {
        details.firstInstallTime = shown(*time);
    } else if (const auto installer = valueOf(text, "installerPackageName=")) {
        details.installer = *installer == "null" ? QString() : shown(*installer);
    } else if (text.startsWith("pkgFlags=") || text.startsWith("flags=")) {
        readFlags(text, details);
    } else if (const auto path = valueOf(text, "codePath=")) {
        details.codePath = raw(*path);
    } else if (text.startsWith("splits=")) {
        details.splits.clear();
        for (const QByteArrayView split : listOf(text))
            details.splits.append(raw(split));
    }
}

void PackageDumpReader::readUser(QByteArrayView rest)
{
    const qsizetype colon = rest.indexOf(':');
    const auto id = number(colon < 0 ? std::nullopt : std::optional(rest.first(colon)));
    user = id && *id >= 0 && *id < 1000000 ? int(*id) : -1;
    if (user != 0)
        return;
    if (const auto enabled = number(pairValue(rest, "enabled=")); enabled && *enabled < 100)
        details.enabled = int(*enabled);
    if (const auto installed = pairValue(rest, "installed="))
        details.installed = *installed == "true";
}

void PackageDumpReader::closePackage()
{
    if (!current.isEmpty() && !found.contains(current))
        found.insert(current, details);
    current.clear();
    details = {};
    user = -1;
}

QHash<QString, PackageDetails> readPackageDump(const QByteArray &dump, bool whole)
{
    PackageDumpReader reader;
    QList<QByteArrayView> lines;
    for (qsizetype start = 0; start < dump.size();) {
        qsizetype end = dump.indexOf('\n', start);
        if (end < 0)
            end = dump.size();
        if (end > start)
            lines.append(QByteArrayView(dump).sliced(start, end - start));
        start = end + 1;
    }
    reader.read(lines);
    reader.finish(whole);
    return reader.packages();
}
