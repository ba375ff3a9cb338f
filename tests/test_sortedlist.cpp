// Sorted lists: the order of a sorted list box (ignoring case, equal texts
// in the order they came), kept by one sort and by single changes.

#include "ui/sortedlist.h"

#include <QListWidget>
#include <QRandomGenerator>
#include <QTest>

#include <algorithm>

using namespace inv;

namespace {

QStringList sortedAsQtCompares(QStringList texts)
{
    std::stable_sort(texts.begin(), texts.end(), [](const QString &a, const QString &b) {
        return QString::compare(a, b, Qt::CaseInsensitive) < 0;
    });
    return texts;
}

QStringList entries(const QListWidget &list)
{
    QStringList texts;
    for (int i = 0; i < list.count(); ++i)
        texts << list.item(i)->text();
    return texts;
}

// Letters whose case folding is not a plain lower-casing: sharp s, the Greek
// sigmas, dotted and dotless i, title-case digraphs, a letter outside the
// basic plane (a surrogate pair) and lone surrogates.
const QStringList kAwkward = {"a",
                              "A",
                              "b",
                              "Z",
                              "_",
                              " ",
                              "0",
                              "9",
                              "ß",
                              "ss",
                              "SS",
                              "ẞ",
                              "Σ",
                              "σ",
                              "ς",
                              "İ",
                              "i",
                              "ı",
                              "I",
                              "Ǆ",
                              "ǅ",
                              "ǆ",
                              "é",
                              "É",
                              "Ä",
                              "ä",
                              "ǰ",
                              "K",
                              "k",
                              "Å",
                              "å",
                              "µ",
                              "μ",
                              "Μ",
                              "ﬁ",
                              QString::fromUtf16(u"\U00010400"),
                              QString::fromUtf16(u"\U00010428"),
                              QString(QChar(0xD801)),
                              QString(QChar(0xDC00)),
                              "\uFF21",
                              "\uFF41"};

} // namespace

class TestSortedList : public QObject {
    Q_OBJECT

private slots:
    void sortsAsACaseInsensitiveCompare_data()
    {
        QTest::addColumn<QStringList>("texts");
        QTest::addRow("empty") << QStringList{};
        QTest::addRow("names") << QStringList{"toner", "Bond paper", "Stapler", "Toner", "bond paper",
                                              "",      "Ärmel",      "armel",   "Bond",  "bond paper 2"};
        QTest::addRow("equal ignoring case keep their order") << QStringList{"b", "B", "a", "b", "A", "B"};
        QTest::addRow("awkward letters") << kAwkward;
        // Random texts over those letters, so that every pair meets.
        QRandomGenerator random(4711);
        QStringList texts;
        for (int i = 0; i < 3000; ++i) {
            QString text;
            const int length = random.bounded(5);
            for (int j = 0; j < length; ++j)
                text += kAwkward[random.bounded(int(kAwkward.size()))];
            texts << text;
        }
        QTest::addRow("random texts") << texts;
    }

    void sortsAsACaseInsensitiveCompare()
    {
        QFETCH(QStringList, texts);
        QStringList sorted = texts;
        ui::sortCaseInsensitive(sorted);
        QCOMPARE(sorted, sortedAsQtCompares(texts));

        QListWidget list;
        list.addItem("left over");
        ui::fillSorted(&list, texts);
        QCOMPARE(entries(list), sortedAsQtCompares(texts));
        QVERIFY(!list.isSortingEnabled());
    }

    // Single changes on the list {"apple", "Bond (1)", "bond (2)", "Toner", "Toner"}.
    void singleChanges_data()
    {
        QTest::addColumn<QString>("op"); // insert, remove, replace
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<bool>("done");
        QTest::addColumn<QStringList>("expected");
        const QStringList start = {"apple", "Bond (1)", "bond (2)", "Toner", "Toner"};
        QTest::addRow("insert first") << "insert"
                                      << ""
                                      << "Adhesive" << true
                                      << QStringList{"Adhesive", "apple", "Bond (1)", "bond (2)", "Toner", "Toner"};
        QTest::addRow("insert last") << "insert"
                                     << ""
                                     << "zinc" << true << start + QStringList{"zinc"};
        QTest::addRow("insert between") << "insert"
                                        << ""
                                        << "BOND (10)" << true
                                        << QStringList{"apple", "Bond (1)", "BOND (10)", "bond (2)", "Toner", "Toner"};
        QTest::addRow("insert beside identical") << "insert"
                                                 << ""
                                                 << "Toner" << true << start + QStringList{"Toner"};
        QTest::addRow("insert equal but not identical: the caller decides") << "insert"
                                                                            << ""
                                                                            << "toner" << false << start;
        QTest::addRow("remove") << "remove"
                                << "bond (2)"
                                << "" << true << QStringList{"apple", "Bond (1)", "Toner", "Toner"};
        QTest::addRow("remove one of identical") << "remove"
                                                 << "Toner"
                                                 << "" << true << QStringList{"apple", "Bond (1)", "bond (2)", "Toner"};
        QTest::addRow("remove only exact text") << "remove"
                                                << "bond (1)"
                                                << "" << false << start;
        QTest::addRow("replace in place")
            << "replace"
            << "Bond (1)"
            << "Bond (1a)" << true << QStringList{"apple", "Bond (1a)", "bond (2)", "Toner", "Toner"};
        QTest::addRow("replace moves down")
            << "replace"
            << "apple"
            << "Thread" << true << QStringList{"Bond (1)", "bond (2)", "Thread", "Toner", "Toner"};
        QTest::addRow("replace moves up")
            << "replace"
            << "bond (2)"
            << "Apricot" << true << QStringList{"apple", "Apricot", "Bond (1)", "Toner", "Toner"};
        QTest::addRow("replace to the end")
            << "replace"
            << "apple"
            << "zinc" << true << QStringList{"Bond (1)", "bond (2)", "Toner", "Toner", "zinc"};
        QTest::addRow("replace to equal but not identical") << "replace"
                                                            << "apple"
                                                            << "TONER" << false << start;
        QTest::addRow("replace one of identical")
            << "replace"
            << "Toner"
            << "Toner (3)" << true << QStringList{"apple", "Bond (1)", "bond (2)", "Toner", "Toner (3)"};
        QTest::addRow("replace a missing text") << "replace"
                                                << "pear"
                                                << "plum" << false << start;
    }

    void singleChanges()
    {
        QFETCH(QString, op);
        QFETCH(QString, from);
        QFETCH(QString, to);
        QListWidget list;
        ui::fillSorted(&list, {"Toner", "bond (2)", "apple", "Toner", "Bond (1)"});
        bool done = false;
        if (op == "insert")
            done = ui::insertSorted(&list, to) >= 0;
        else if (op == "remove")
            done = ui::removeSorted(&list, from);
        else
            done = ui::replaceSorted(&list, from, to);
        QTEST(done, "done");
        QTEST(entries(list), "expected");
    }
};

QTEST_MAIN(TestSortedList)
#include "test_sortedlist.moc"
