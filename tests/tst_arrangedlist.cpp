#include "arrangedlist.h"

#include <QStandardItemModel>
#include <QStringListModel>
#include <QTest>

namespace {

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
    QTest::newRow("non-ASCII folds too")
        << QStringList{u8"\u00c4b", u8"\u00e4a", "z"} << Qt::AscendingOrder
        << QStringList{"z", u8"\u00e4a", u8"\u00c4b"};
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
    QStringListModel source(entries);
    ArrangedList arranged;
    arranged.setSourceModel(&source);
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

// Keys kept from an earlier sort must not decide the order of what the source holds now.
void TestArrangedList::resortsWhatTheSourceBecomes()
{
    QFETCH(bool, replaceAll);
    QStringListModel source({"b", "a", "c"});
    ArrangedList arranged;
    arranged.setSourceModel(&source);
    arranged.sort(0);
    QCOMPARE(shown(arranged), QStringList({"a", "b", "c"}));

    if (replaceAll)
        source.setStringList({"Y", "x", "w", "z"});
    else
        source.setData(source.index(1), "d"); // "a" becomes "d"

    const QStringList expected =
        replaceAll ? QStringList{"w", "x", "Y", "z"} : QStringList{"b", "c", "d"};
    QCOMPARE(shown(arranged), expected);
}

// Keys made for one column must not order another.
void TestArrangedList::sortsTheChosenColumn()
{
    QStandardItemModel source;
    source.appendRow({new QStandardItem("b"), new QStandardItem("/x/1")});
    source.appendRow({new QStandardItem("a"), new QStandardItem("/z/2")});
    source.appendRow({new QStandardItem("c"), new QStandardItem("/y/3")});
    ArrangedList arranged;
    arranged.setColumnTitles({"App", "Package file"});
    arranged.setSourceModel(&source);
    QCOMPARE(arranged.headerData(1, Qt::Horizontal, Qt::DisplayRole), "Package file");

    arranged.sort(0);
    QCOMPARE(shown(arranged), QStringList({"a", "b", "c"}));
    arranged.sort(1);
    QCOMPARE(shown(arranged), QStringList({"b", "c", "a"}));
    arranged.sort(0, Qt::DescendingOrder);
    QCOMPARE(shown(arranged), QStringList({"c", "b", "a"}));
}

QTEST_MAIN(TestArrangedList)
#include "tst_arrangedlist.moc"
