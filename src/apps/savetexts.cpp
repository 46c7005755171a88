#include "apps/savetexts.h"

#include "apps/detailtext.h"
#include "device/toolrunner.h"

#include <QCoreApplication>
#include <QRegularExpression>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("SaveTexts", text);
}

qint64 megabytes(qint64 bytes)
{
    return (qMax<qint64>(bytes, 0) + 500'000) / 1'000'000;
}

QString amount(qint64 done, qint64 total)
{
    if (total < 0)
        return tr("%1 MB").arg(megabytes(done));
    return tr("%1 of %2 MB").arg(megabytes(qMin(done, total))).arg(megabytes(total));
}

// adb's own explanation: its last line that names an error, shown without control characters.
QString errorLine(const ToolRun &run)
{
    for (auto line = run.errors.crbegin(); line != run.errors.crend(); ++line) {
        if (line->contains(QLatin1String("error"), Qt::CaseInsensitive) ||
            line->contains(QLatin1String("failed"), Qt::CaseInsensitive))
            return displayText(line->trimmed(), 300);
    }
    return {};
}

} // namespace

QString savingText(const QString &name, qint64 done, qint64 total)
{
    return tr("Saving %1: %2").arg(name, amount(done, total));
}

QString archivingText(const QString &fileName, qint64 done, qint64 total)
{
    return tr("Writing %1: %2").arg(fileName, amount(done, total));
}

QString pullProblem(const ToolRun &run, qint64 expected, qint64 got)
{
    if (!run.failure.isEmpty())
        return tr("adb could not be run: %1.").arg(run.failure);
    if (const QString error = errorLine(run); !error.isEmpty())
        return error;
    static const QRegularExpression pulled(QStringLiteral(": 1 file pulled[.,]"));
    const bool reported = std::any_of(run.output.cbegin(), run.output.cend(),
                                      [](const QString &line) { return line.contains(pulled); });
    if (!reported)
        return tr("adb did not report the file as copied.");
    if (expected >= 0 && got != expected)
        return tr("The copy holds %1 bytes where the device has %2.").arg(got).arg(expected);
    return {};
}
