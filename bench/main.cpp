// Measures the runner, a refresh, start-up and preparing a bundle, each beside its floor, and
// prints the table.
// Usage: apkshelf_bench [runner] [queue] [refresh] [startup] [bundle]   (no argument: all five)
#include "report.h"

#include <QCoreApplication>
#include <optional>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    // The runner logs every run; the bench's output is the table.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qunsetenv("ANDROID_SERIAL");

    QStringList figures = app.arguments().mid(1);
    if (figures.isEmpty())
        figures = QStringList{"runner", "queue", "refresh", "startup", "bundle"};

    const QList<RunnerResult> runner =
        figures.contains(QLatin1String("runner")) ? measureRunner() : QList<RunnerResult>();
    std::optional<QueueResult> queue;
    if (figures.contains(QLatin1String("queue")))
        queue = measureQueue();
    const QList<RefreshResult> refresh =
        figures.contains(QLatin1String("refresh")) ? measureRefresh() : QList<RefreshResult>();
    std::optional<StartupResult> startup;
    if (figures.contains(QLatin1String("startup")))
        startup = measureStartup();
    std::optional<BundleResult> bundle;
    if (figures.contains(QLatin1String("bundle")))
        bundle = measureBundle();
    printReport(runner, queue ? &*queue : nullptr, refresh, startup ? &*startup : nullptr,
                bundle ? &*bundle : nullptr);
    return 0;
}
