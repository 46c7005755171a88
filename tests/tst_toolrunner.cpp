#include "fakeadb.h"
#include "toolrunner.h"

#include <QTest>

class TestToolRunner : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void passesArgumentsAsTheyAre_data();
    void passesArgumentsAsTheyAre();
    void returnsOutputLines_data();
    void returnsOutputLines();
    void targetsTheGivenDevice();
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

QTEST_GUILESS_MAIN(TestToolRunner)
#include "tst_toolrunner.moc"
