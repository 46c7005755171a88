#include "text/linesplitter.h"

#include <QTest>

class TestLineSplitter : public QObject
{
    Q_OBJECT

private slots:
    void splitsLines_data();
    void splitsLines();
    void cutsDoNotChangeTheLines_data() { splitsLines_data(); }
    void cutsDoNotChangeTheLines();
};

void TestLineSplitter::splitsLines_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<int>("dropped");

    QTest::newRow("device list") << QByteArray("List of devices\nA1\tdevice\n\n")
                                 << QStringList{"List of devices", "A1\tdevice"} << 0;
    QTest::newRow("CR LF") << QByteArray("a\r\nb\r\n") << QStringList{"a", "b"} << 0;
    QTest::newRow("CR LF and LF mixed")
        << QByteArray("a\r\nb\nc") << QStringList{"a", "b", "c"} << 0;
    QTest::newRow("no line end") << QByteArray("abc") << QStringList{"abc"} << 0;
    QTest::newRow("only line ends") << QByteArray("\n\r\n\n") << QStringList{} << 0;
    QTest::newRow("nothing") << QByteArray() << QStringList{} << 0;
    QTest::newRow("lone CR stays") << QByteArray("a\rb\nc\r") << QStringList{"a\rb", "c\r"} << 0;
    QTest::newRow("only the last CR is the line end")
        << QByteArray("a\r\r\n") << QStringList{"a\r"} << 0;
    QTest::newRow("spaces kept") << QByteArray("  a b \n") << QStringList{"  a b "} << 0;
    QTest::newRow("multi-byte UTF-8")
        << QByteArray("h\xc3\xa4h\n\xe2\x9c\x93\n") << QStringList{u8"h\u00e4h", u8"\u2713"} << 0;
    QTest::newRow("invalid line between good ones")
        << QByteArray("good\n\xff\xfe\nalso good\n") << QStringList{"good", "also good"} << 1;
    QTest::newRow("sequence cut at a line end")
        << QByteArray("a\xc3\nb\n") << QStringList{"b"} << 1;
    QTest::newRow("invalid last line without LF")
        << QByteArray("ok\nbad\xc0") << QStringList{"ok"} << 1;
    QTest::newRow("NUL kept") << QByteArray("a\0b\n", 4)
                              << QStringList{QString::fromUtf8("a\0b", 3)} << 0;
    QTest::newRow("BOM kept") << QByteArray("\xef\xbb\xbfx\n")
                              << QStringList{QChar(0xfeff) + QString("x")} << 0;
}

void TestLineSplitter::splitsLines()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, lines);
    QFETCH(int, dropped);

    LineSplitter splitter;
    splitter.feed(bytes);
    QCOMPARE(splitter.finish(), lines);
    QCOMPARE(splitter.droppedLines(), dropped);
}

// However the tool's output happens to be cut into reads, the lines are the same.
void TestLineSplitter::cutsDoNotChangeTheLines()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, lines);

    for (qsizetype cut = 0; cut <= bytes.size(); ++cut) {
        LineSplitter splitter;
        splitter.feed(QByteArrayView(bytes).first(cut));
        splitter.feed(QByteArrayView(bytes).sliced(cut));
        QVERIFY2(splitter.finish() == lines, qPrintable(QStringLiteral("cut at %1").arg(cut)));
    }
    for (qsizetype size = 1; size <= 7; ++size) {
        LineSplitter splitter;
        for (qsizetype at = 0; at < bytes.size(); at += size)
            splitter.feed(QByteArrayView(bytes).sliced(at, qMin(size, bytes.size() - at)));
        QVERIFY2(splitter.finish() == lines, qPrintable(QStringLiteral("pieces of %1").arg(size)));
    }
}

QTEST_APPLESS_MAIN(TestLineSplitter)
#include "tst_linesplitter.moc"
