#pragma once

#include <QString>
#include <QTemporaryDir>
#include <optional>

// The path that `adb install` is given for a chosen package file. adb refuses a file whose name
// does not end in ".apk", which a package saved as "Tiny.apk.zip" does not; such a file is given
// as a symbolic link to it, "Tiny.apk", in a private temporary folder. The link and its folder go
// when this object goes. The chosen file itself is never copied, moved or changed.
class InstallPath
{
public:
    // A chosen path that ends in ".apk" (any letter case) is used as it is; for any other, the
    // link is made and logged. A link that cannot be made is logged with the reason why.
    explicit InstallPath(const QString &chosenPath);

    // The path for adb; empty when the link could not be made.
    QString path() const { return forAdb; }
    // Why the link could not be made; empty when it was, or was not needed.
    QString error() const { return problem; }

private:
    QString makeLink(const QString &chosenPath);

    std::optional<QTemporaryDir> folder;
    QString forAdb;
    QString problem;
};
