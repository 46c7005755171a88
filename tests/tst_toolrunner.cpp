#include "device/logfeed.h"
#include "device/toolrunner.h"
#include "fakeadb.h"
#include "outcomes/statusdetail.h"
#include "text/linesplitter.h"
#include "text/utf8line.h"

#include <QSignalSpy>
#include <QTemporaryFile>
#include <QTest>
#include <unistd.h>

namespace {

// Points this process's standard error at a file while it lives, to see what reached it.
class CapturedStandardError
{
public:
    CapturedStandardError()
        : saved(::dup(STDERR_FILENO))
    {
        file.open();
        std::fflush(stderr);
        ::dup2(file.handle(), STDERR_FILENO);
    }
    ~CapturedStandardError() { restore(); }

    QByteArray bytes()
    {
        restore();
        file.seek(0);
        return file.readAll();
    }

private:
    void restore()
    {
        if (saved < 0)
            return;
        std::fflush(stderr);
        ::dup2(saved, STDERR_FILENO);
        ::close(saved);
        saved = -1;
    }

    QTemporaryFile file;
    int saved;
};

} // namespace

class TestToolRunner : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void passesArgumentsAsTheyAre_data();
    void passesArgumentsAsTheyAre();
    void returnsOutputLines_data();
    void returnsOutputLines();
    void handsOverLinesInBatches_data();
    void handsOverLinesInBatches();
    void targetsTheGivenDevice();
    void forwardsAndLogsStandardError();
    void keepsTheLatestOfAFlood();
};

void TestToolRunner::initTestCase()
{
    qunsetenv("ANDROID_SERIAL");
}

void TestToolRunner::passesArgumentsAsTheyAre_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("devices") << QStringList{"devices"};
    QTest::newRow("listing") << QStringList{"shell", "ls", "data/app/"};
    QTest::newRow("install, spaces and non-ASCII")
        << QStringList{"install", u8"/tmp/my apps/\u00fcber \u2713.apk"};
    QTest::newRow("install, shell characters")
        << QStringList{"install", "/tmp/$(touch x);'\"`*.apk"};
    QTest::newRow("removal") << QStringList{"shell", "rm", "data/app/'a b.apk'"};
}

void TestToolRunner::passesArgumentsAsTheyAre()
{
    QFETCH(QStringList, arguments);
    FakeAdb adb;
    QVERIFY(adb.isReady());

    launchTask(arguments);

    const QList<FakeAdb::Call> calls = adb.calls();
    QCOMPARE(calls.size(), 1);
    QCOMPARE(calls.first().arguments, arguments);
    QVERIFY(!calls.first().serial);
}

void TestToolRunner::returnsOutputLines_data()
{
    QTest::addColumn<QByteArray>("output");
    QTest::addColumn<QByteArray>("options");
    QTest::addColumn<QStringList>("lines");

    QTest::newRow("nothing") << QByteArray() << QByteArray() << QStringList{};
    QTest::newRow("one read") << QByteArray("List of devices\nA1\tdevice\n\n") << QByteArray()
                              << QStringList{"List of devices", "A1\tdevice"};
    QTest::newRow("CR LF") << QByteArray("a\nb\n") << QByteArray("crlf=1\n")
                           << QStringList{"a", "b"};
    QTest::newRow("a word cut across reads")
        << QByteArray("Suc"
                      "cess\n")
        << QByteArray("chunk=3\npause_ms=30\n") << QStringList{"Success"};
    QTest::newRow("a character cut across reads")
        << QByteArray("\xc3\xa4pp.apk\nb.apk\n") << QByteArray("chunk=1\npause_ms=5\n")
        << QStringList{u8"\u00e4pp.apk", "b.apk"};
    QTest::newRow("CR and LF in different reads")
        << QByteArray("a\r\nb\r\n") << QByteArray("chunk=2\npause_ms=20\n")
        << QStringList{"a", "b"};
    QTest::newRow("invalid UTF-8 between good lines")
        << QByteArray("one\n\xff\xff\ntwo\n") << QByteArray() << QStringList{"one", "two"};
    QTest::newRow("last line without LF")
        << QByteArray("x\ntail") << QByteArray() << QStringList{"x", "tail"};
    QTest::newRow("standard error is not read")
        << QByteArray("out\n") << QByteArray("stderr=Success\n") << QStringList{"out"};
}

void TestToolRunner::returnsOutputLines()
{
    QFETCH(QByteArray, output);
    QFETCH(QByteArray, options);
    QFETCH(QStringList, lines);
    FakeAdb adb;
    QVERIFY(adb.isReady());
    adb.setOutput("devices", output);
    adb.setOptions("devices", options);
    // The diagnostic log names the tool and its arguments, then gives what it printed.
    QTest::ignoreMessage(QtInfoMsg, qPrintable("launch task: " + toolPath() + " (\"devices\")"));
    QTest::ignoreMessage(QtInfoMsg, qPrintable("prompts: " + describeList(lines)));

    QCOMPARE(launchTask({"devices"}), lines);
}

void TestToolRunner::handsOverLinesInBatches_data()
{
    returnsOutputLines_data();
    QStringList many;
    QByteArray output;
    for (int i = 1; i <= 25; ++i) {
        many.append(QStringLiteral("com.example.app%1.apk").arg(i));
        output += many.last().toUtf8() + '\n';
    }
    // More lines than the run keeps as text, in many reads, lines cut across them.
    QTest::newRow("more lines than are kept")
        << output << QByteArray("chunk=64\npause_ms=5\n") << many;
}

// A listing's lines reach the sink, all of them and only once, however the reads cut them; the run
// keeps the first as text, and the log says what it would say of all of them.
void TestToolRunner::handsOverLinesInBatches()
{
    QFETCH(QByteArray, output);
    QFETCH(QByteArray, options);
    QFETCH(QStringList, lines);
    FakeAdb adb;
    QVERIFY(adb.isReady());
    adb.setOutput("devices", output);
    adb.setOptions("devices", options);
    QTest::ignoreMessage(QtInfoMsg, qPrintable("launch task: " + toolPath() + " (\"devices\")"));
    QTest::ignoreMessage(QtInfoMsg, qPrintable("prompts: " + describeList(lines)));

    QStringList handed;
    const ToolRun run = runToolInBatches(toolPath(), {"devices"}, {},
                                         [&handed](const QList<QByteArrayView> &batch) {
                                             QVERIFY(!batch.isEmpty());
                                             for (const QByteArrayView line : batch)
                                                 handed.append(decodeLine(line));
                                         });

    QCOMPARE(handed, lines);
    QCOMPARE(run.output, lines.mid(0, keptOutputLines));
}

void TestToolRunner::targetsTheGivenDevice()
{
    FakeAdb adb;
    QVERIFY(adb.isReady());

    launchTask({"shell", "ls", "data/app/"}, "R58M123");
    launchTask({"devices"});

    const QList<FakeAdb::Call> calls = adb.calls();
    QCOMPARE(calls.size(), 2);
    QCOMPARE(calls.at(0).serial, std::optional<QString>("R58M123"));
    QCOMPARE(calls.at(1).serial, std::nullopt);
}

void TestToolRunner::forwardsAndLogsStandardError()
{
    FakeAdb adb;
    QVERIFY(adb.isReady());
    // What adb prints while its server starts, a CR LF, bytes that are not UTF-8, no final LF.
    const QByteArray errors = "* daemon not running; starting now at tcp:5037\r\n"
                              "\xff\xfe not text\n"
                              "error: no devices/emulators found";
    adb.setErrors("devices", errors);
    adb.setOutput("devices", "List of devices attached\n\n");
    LogFeed feed;
    QSignalSpy logged(&feed, &LogFeed::linesAdded);

    CapturedStandardError captured;
    const ToolRun run = runTool(toolPath(), {"devices"}, {});
    const QByteArray forwarded = captured.bytes();

    QCOMPARE(forwarded, errors);
    const QStringList lines{"* daemon not running; starting now at tcp:5037",
                            "error: no devices/emulators found"};
    QCOMPARE(run.errors, lines);
    QCOMPARE(run.output, QStringList{"List of devices attached"});
    QTRY_COMPARE(logged.size(), 1);
    const QStringList shown = logged.first().first().toStringList();
    // The run's own log lines, and the tool's lines marked as its own, in the order they came.
    QCOMPARE(shown.size(), 4);
    QVERIFY(shown.at(0).contains("launch task: "));
    QVERIFY(shown.at(1).endsWith("[adb] " + lines.at(0)));
    QVERIFY(shown.at(2).endsWith("[adb] " + lines.at(1)));
    QVERIFY(shown.at(3).contains("prompts: "));
}

// adb's decisive words come last, so when more lines arrive than are kept, the run and the log
// keep the latest.
void TestToolRunner::keepsTheLatestOfAFlood()
{
    FakeAdb adb;
    QVERIFY(adb.isReady());
    const QString failure = "adb: failed to install /tmp/a.apk: Failure [INSTALL_FAILED_OLDER_SDK]";
    adb.setErrors("install", failure.toUtf8() + '\n');
    const int flooded = 2 * LogFeed::keptLines; // filler lines of 256 bytes
    adb.setOptions("install", "stderr_flood=" + QByteArray::number(flooded * 256) + '\n');
    LogFeed feed;
    QSignalSpy logged(&feed, &LogFeed::linesAdded);

    CapturedStandardError captured;
    const ToolRun run = runTool(toolPath(), {"install", "/tmp/a.apk"}, {});
    QCOMPARE(captured.bytes().size(), qsizetype(flooded) * 256 + failure.size() + 1);

    QCOMPARE(detailFor(Step::Install, run),
             "INSTALL_FAILED_OLDER_SDK: the package needs a newer Android version than this device "
             "has.");
    QVERIFY(run.errors.size() < flooded);
    QCOMPARE(run.errors.last(), failure);
    // One batch, as nothing handed it over while the tool ran: the latest lines, the run's own
    // last log line at the end.
    QTRY_COMPARE(logged.size(), 1);
    const QStringList shown = logged.first().first().toStringList();
    QCOMPARE(shown.size(), LogFeed::keptLines);
    const QStringList tail = shown.mid(shown.size() - 2);
    QVERIFY2(tail.at(0).endsWith("[adb] " + failure) && tail.at(1).endsWith("prompts: ()"),
             qPrintable(tail.join('\n')));
}

QTEST_GUILESS_MAIN(TestToolRunner)
#include "tst_toolrunner.moc"
