// The arranged list: the table's model, the rows it keeps compactly and the order it shows them in.
#include "table/texttable.h"

#include <QTest>

namespace {

TextRows rowsOf(const QList<QStringList> &cells, int columns = 1)
{
    TextRows rows(columns);
    for (const QStringList &row : cells) {
        const QByteArray first = row.value(0).toUtf8();
        const QByteArray second = row.value(1).toUtf8();
        rows.appendRow({first, second});
    }
    return rows;
}

TextRows rowsOf(const QStringList &texts)
{
    QList<QStringList> cells;
    for (const QString &text : texts)
        cells.append({text});
    return rowsOf(cells);
}

QStringList shown(const QAbstractItemModel &model)
{
    QStringList texts;
    for (int row = 0; row < model.rowCount(); ++row)
        texts.append(model.index(row, 0).data().toString());
    return texts;
}

} // namespace

class TestArrangedList : public QObject
{
    Q_OBJECT

private slots:
    void sortsIgnoringCase_data();
    void sortsIgnoringCase();
    void resortsWhatTheSourceBecomes_data();
    void resortsWhatTheSourceBecomes();
    void sortsTheChosenColumn();
    void keepsTheTextAsGiven_data();
    void keepsTheTextAsGiven();
    void leavesOutWhatOutgrowsTheList();
    void keepsCellsLargerThanABlock();
};

void TestArrangedList::sortsIgnoringCase_data()
{
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<Qt::SortOrder>("order");
    QTest::addColumn<QStringList>("sorted");

    QTest::newRow("mixed case") << QStringList{"b.apk", "C.apk", "A.apk"} << Qt::AscendingOrder
                                << QStringList{"A.apk", "b.apk", "C.apk"};
    QTest::newRow("mixed case, descending")
        << QStringList{"b.apk", "C.apk", "A.apk"} << Qt::DescendingOrder
        << QStringList{"C.apk", "b.apk", "A.apk"};
    QTest::newRow("same but for case: source order kept")
        << QStringList{"x", "B.apk", "a", "b.apk"} << Qt::AscendingOrder
        << QStringList{"a", "B.apk", "b.apk", "x"};
    QTest::newRow("same but for case, descending: source order kept")
        << QStringList{"b.apk", "a", "B.apk"} << Qt::DescendingOrder
        << QStringList{"b.apk", "B.apk", "a"};
    QTest::newRow("non-ASCII folds too")
        << QStringList{u8"\u00c4b", u8"\u00e4a", "z"} << Qt::AscendingOrder
        << QStringList{"z", u8"\u00e4a", u8"\u00c4b"};
    // ASCII cells are compared as bytes, the others as folded text: the two must agree.
    QTest::newRow("ASCII against non-ASCII, code unit by code unit")
        << QStringList{u8"\u00e9t\u00e9", "ETA", u8"eT\u00c9", "Et", u8"\U0001F600", u8"\uFF21"}
        << Qt::AscendingOrder
        << QStringList{"Et", "ETA", u8"eT\u00c9", u8"\u00e9t\u00e9", u8"\U0001F600", u8"\uFF21"};
    QTest::newRow("a capital, a non-ASCII letter past the first eight bytes")
        << QStringList{"com.example.Zeta", "com.example.alpha", u8"com.example.\u00e9t\u00e9",
                       "com.example.beta"}
        << Qt::AscendingOrder
        << QStringList{"com.example.alpha", "com.example.beta", "com.example.Zeta",
                       u8"com.example.\u00e9t\u00e9"};
    QTest::newRow("prefixes and digits")
        << QStringList{"com.a-10.apk", "com.a-1.apk", "COM.A.apk", "com.a-2.apk"}
        << Qt::AscendingOrder
        << QStringList{"com.a-1.apk", "com.a-10.apk", "com.a-2.apk", "COM.A.apk"};
}

void TestArrangedList::sortsIgnoringCase()
{
    QFETCH(QStringList, entries);
    QFETCH(Qt::SortOrder, order);
    QFETCH(QStringList, sorted);
    TextTable arranged({"Package file"});
    arranged.setRows(rowsOf(entries));
    QCOMPARE(shown(arranged), entries);

    arranged.sort(0, order);

    QCOMPARE(shown(arranged), sorted);
}

void TestArrangedList::resortsWhatTheSourceBecomes_data()
{
    QTest::addColumn<bool>("replaceAll");
    QTest::newRow("new list") << true;
    QTest::newRow("one text changed") << false;
}

// An order kept from an earlier sort must not decide the order of the rows the table holds now.
void TestArrangedList::resortsWhatTheSourceBecomes()
{
    QFETCH(bool, replaceAll);
    TextTable arranged({"Package file"});
    arranged.setRows(rowsOf({"b", "a", "c"}));
    arranged.sort(0);
    QCOMPARE(shown(arranged), QStringList({"a", "b", "c"}));

    if (replaceAll)
        arranged.setRows(rowsOf({"Y", "x", "w", "z"}));
    else
        arranged.setRows(rowsOf({"b", "d", "c"})); // "a" becomes "d"

    const QStringList expected =
        replaceAll ? QStringList{"w", "x", "Y", "z"} : QStringList{"b", "c", "d"};
    QCOMPARE(shown(arranged), expected);
}

// An order made for one column must not order another.
void TestArrangedList::sortsTheChosenColumn()
{
    TextTable arranged({"App", "Package file"});
    arranged.setRows(rowsOf({{"b", "/x/1"}, {"a", "/z/2"}, {"c", "/y/3"}}, 2));
    QCOMPARE(arranged.headerData(1, Qt::Horizontal, Qt::DisplayRole), "Package file");

    arranged.sort(0);
    QCOMPARE(shown(arranged), QStringList({"a", "b", "c"}));
    arranged.sort(1);
    QCOMPARE(shown(arranged), QStringList({"b", "c", "a"}));
    arranged.sort(0, Qt::DescendingOrder);
    QCOMPARE(shown(arranged), QStringList({"c", "b", "a"}));
    QCOMPARE(arranged.index(0, 1).data(), "/y/3");
}

void TestArrangedList::keepsTheTextAsGiven_data()
{
    QTest::addColumn<QStringList>("row");

    QTest::newRow("plain") << QStringList{"com.example.app", "/data/app/x/base.apk"};
    QTest::newRow("empty cell between others") << QStringList{"a", "", "c"};
    QTest::newRow("NUL and CR inside")
        << QStringList{QString::fromUtf8("a\0b", 3), "c\rd", QString(2, QChar(0))};
    QTest::newRow("non-ASCII, beyond the BMP")
        << QStringList{u8"\u00fcber", u8"\u2713 \U0001F600", u8"\u00c4"};
    QTest::newRow("byte order mark at the start") << QStringList{QChar(0xFEFF) + QString("x")};
}

// What goes in as text comes out as the same text, whatever it holds, cell by cell.
void TestArrangedList::keepsTheTextAsGiven()
{
    QFETCH(QStringList, row);
    TextRows rows(3);
    rows.appendRow({"before", "", "x"});
    const QByteArray a = row.value(0).toUtf8(), b = row.value(1).toUtf8(),
                     c = row.value(2).toUtf8();
    rows.appendRow({a, b, c});
    rows.appendRow({"after"});

    QCOMPARE(rows.rowCount(), 3);
    for (int column = 0; column < 3; ++column)
        QCOMPARE(rows.text(1, column), row.value(column));
    QCOMPARE(rows.text(2, 2), QString());
    QCOMPARE(rows.indexOf(1, row.value(1)), row.value(1).isEmpty() ? 0 : 1);
    QCOMPARE(rows.indexOf(0, "absent"), -1);
}

// Where a cell starts is kept in 32 bits; a list that would need more rather leaves rows out,
// and says how many, than mix up where its cells are.
void TestArrangedList::leavesOutWhatOutgrowsTheList()
{
    TextRows rows(2, 2); // two blocks of TextRows::blockSize bytes
    const QByteArray big(TextRows::blockSize - 10, 'b');
    const QByteArray huge(3 * TextRows::blockSize, 'h');
    rows.appendRow({"abc", big});    // the first block
    rows.appendRow({"de", "fghij"}); // "fghij" no longer fits in it: the second
    rows.appendRow({"kl", huge});    // would need a third: left out whole
    rows.appendRow({"mn", "opq"});   // fits in the second
    TextRows more(2);
    more.appendRow({"rs", huge});
    more.appendRow({"tu", ""});
    rows.append(more);

    QCOMPARE(rows.rowCount(), 4);
    QCOMPARE(rows.leftOut(), 2);
    const QStringList cells{"abc", QString(big), "de", "fghij", "mn", "opq", "tu", ""};
    for (qsizetype i = 0; i < cells.size(); ++i)
        QCOMPARE(rows.text(i / 2, int(i % 2)), cells.at(i));
}

// A cell larger than a block has a block of its own; the cells around it stay whole.
void TestArrangedList::keepsCellsLargerThanABlock()
{
    TextRows rows(1);
    const QByteArray huge(2 * TextRows::blockSize + 3, 'h');
    const QByteArray fill(TextRows::blockSize - 1, 'f'); // fills a block to the last byte
    for (const QByteArray &cell : {QByteArray("a"), huge, QByteArray("b"), fill, QByteArray()})
        rows.appendRow({cell});

    QCOMPARE(rows.rowCount(), 5);
    QCOMPARE(rows.cell(0, 0), "a");
    QCOMPARE(rows.cell(1, 0), huge);
    QCOMPARE(rows.cell(2, 0), "b");
    QCOMPARE(rows.cell(3, 0), fill);
    QCOMPARE(rows.cell(4, 0), "");
}

QTEST_GUILESS_MAIN(TestArrangedList)
#include "tst_arrangedlist.moc"
