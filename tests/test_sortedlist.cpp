// Sorted lists: the order of a sorted list box (ignoring case, equal texts
// in the order they came), kept by one sort and by single changes; and the
// list that repaints one changed entry alone, laid out as the list box lays
// it out.

#include "support/paintlog.h"
#include "ui/entrylist.h"
#include "ui/sortedlist.h"

#include <QCollator>
#include <QListWidget>
#include <QPaintEvent>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QScrollBar>
#include <QTest>

#include <algorithm>

using namespace inv;
using testing::PaintLog;
using testing::settle;

namespace {

// The language's order, case ignored, equal texts in the order given.
QStringList sortedAsTheLanguageSorts(QStringList texts)
{
    QCollator collator(QLocale().language() == QLocale::C ? QLocale(QLocale::English) : QLocale());
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(texts.begin(), texts.end(),
                     [&](const QString &a, const QString &b) { return collator.compare(a, b) < 0; });
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

// Counts the list's layouts of its entries.
class CountedList : public ui::EntryList {
public:
    int layouts = 0;
    void doItemsLayout() override
    {
        ++layouts;
        ui::EntryList::doItemsLayout();
    }
};

// Where the list shows its entries, and how far it scrolls.
QStringList geometry(const QListWidget &list)
{
    QStringList shown;
    for (int i = 0; i < list.count(); ++i) {
        const QRect r = list.visualItemRect(list.item(i));
        shown << QStringLiteral("%1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
    }
    shown << QStringLiteral("scrolls %1 by %2")
                 .arg(list.horizontalScrollBar()->maximum())
                 .arg(list.verticalScrollBar()->maximum());
    return shown;
}

} // namespace

class TestSortedList : public QObject {
    Q_OBJECT

private slots:
    void sortsAsTheLanguageSorts_data()
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

    void sortsAsTheLanguageSorts()
    {
        QFETCH(QStringList, texts);
        QStringList sorted = texts;
        ui::sortCaseInsensitive(sorted);
        QCOMPARE(sorted, sortedAsTheLanguageSorts(texts));

        QListWidget list;
        list.addItem("left over");
        ui::fillSorted(&list, texts);
        QCOMPARE(entries(list), sortedAsTheLanguageSorts(texts));
        QVERIFY(!list.isSortingEnabled());
    }

    // Accented letters sort under their letter, before the next letter;
    // case is ignored (equal texts keep their order); the same in the
    // item list, the status window's list and an insertion.
    void accentsSortUnderTheirLetter_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<QStringList>("expected");
        const QStringList names = {"Zebra", "Éclair", "Ångström", "apple", "eclair", "Eclair", "Ärmel", "Bond"};
        QTest::addRow("English") << "en_US" << names << QStringList{"Ångström", "apple",  "Ärmel",  "Bond",
                                                                    "eclair",   "Eclair", "Éclair", "Zebra"};
        QTest::addRow("no language (C)") << "C" << names << QStringList{"Ångström", "apple",  "Ärmel",  "Bond",
                                                                        "eclair",   "Eclair", "Éclair", "Zebra"};
        // Swedish keeps Å and Ä as letters of their own, after Z.
        QTest::addRow("Swedish") << "sv_SE" << names << QStringList{"apple",  "Bond",  "eclair",   "Eclair",
                                                                    "Éclair", "Zebra", "Ångström", "Ärmel"};
    }

    void accentsSortUnderTheirLetter()
    {
        QFETCH(QString, language);
        QFETCH(QStringList, texts);
        QFETCH(QStringList, expected);
        const QLocale before;
        QLocale::setDefault(QLocale(language));
        const auto restore = qScopeGuard([&] { QLocale::setDefault(before); });
        QStringList sorted = texts;
        ui::sortCaseInsensitive(sorted);
        QCOMPARE(sorted, expected);
        std::vector<std::pair<QString, qint64>> keyed;
        for (int i = 0; i < texts.size(); ++i)
            keyed.emplace_back(texts[i], i);
        QCOMPARE(ui::sortedAsListed(keyed), expected);
        QListWidget list;
        ui::fillSorted(&list, texts.mid(1));
        QVERIFY(ui::insertSorted(&list, texts.first()) >= 0);
        QCOMPARE(entries(list), expected);
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
        QTest::addRow("replace only exact text") << "replace"
                                                 << "bond (1)"
                                                 << "Bond (3)" << false << start;
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
        else
            done = ui::replaceSorted(&list, from, to);
        QTEST(done, "done");
        QTEST(entries(list), "expected");
    }

    // One entry's text changes. The list shows every entry where the list
    // box shows it after the same change, scrolls as far, and lays out its
    // entries again only when the change can move them: the list box sizes
    // every entry as its last one, so only a new size of that entry can.
    void oneEntryChanges_data()
    {
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("to");
        QTest::addColumn<bool>("anyOtherRow"); // the change cannot move the others
        const QString wide = QStringLiteral("Bond paper, ream of 500 sheets, white, 80 g/m², for the copier ")
                             + QStringLiteral("on the second floor      (1)");
        const QStringList three = {"Adhesive tape      (1)", "Bond paper      (7)", "Toner      (12)"};
        QTest::addRow("an entry in the middle") << three << 1 << "Bond paper      (8)" << true;
        QTest::addRow("an entry in the middle grows past the list's width") << three << 1 << wide << true;
        QTest::addRow("the first entry") << three << 0 << "Adhesive tape      (2)" << true;
        QTest::addRow("the last entry grows past the list's width") << three << 2 << wide << false;
        QTest::addRow("the only entry grows past the list's width")
            << QStringList{"Toner      (12)"} << 0 << wide << false;
        QTest::addRow("the last entry comes back from past the list's width")
            << QStringList{"Adhesive tape      (1)", wide} << 1 << "Bond paper      (9)" << false;
        QStringList many;
        for (int i = 0; i < 200; ++i)
            many << QStringLiteral("Item %1      (%2)").arg(i, 3, 10, QLatin1Char('0')).arg(i % 7 + 1);
        QTest::addRow("an entry scrolled out of sight") << many << 150 << "Item 150      (99)" << true;
        QTest::addRow("the first of many, in sight") << many << 0 << "Item 000      (2)" << true;
    }

    void oneEntryChanges()
    {
        QFETCH(QStringList, texts);
        QFETCH(int, row);
        QFETCH(QString, to);
        QFETCH(bool, anyOtherRow);
        CountedList list;
        QListWidget reference; // the list box as it is
        reference.setUniformItemSizes(true);
        for (QListWidget *l : {static_cast<QListWidget *>(&list), &reference}) {
            l->resize(240, 160);
            l->addItems(texts);
            l->show();
            QVERIFY(QTest::qWaitForWindowExposed(l));
        }
        settle();
        QCOMPARE(geometry(list), geometry(reference));
        const int layouts = list.layouts;
        PaintLog log(list.viewport());

        list.item(row)->setText(to);
        reference.item(row)->setText(to);
        settle();
        QCOMPARE(geometry(list), geometry(reference));
        QCOMPARE(list.item(row)->text(), to);
        if (anyOtherRow) {
            QCOMPARE(list.layouts, layouts);
            // Only the entry is painted again, if it is in sight at all.
            const QRect entry = list.visualItemRect(list.item(row)) & list.viewport()->rect();
            QCOMPARE(log.painted, QRegion(entry));
        }
        // Adding an entry lays the list out as the list box does.
        list.addItem(to + QStringLiteral(" and more"));
        reference.addItem(to + QStringLiteral(" and more"));
        settle();
        QVERIFY(list.layouts > layouts);
        QCOMPARE(geometry(list), geometry(reference));
    }
};

QTEST_MAIN(TestSortedList)
#include "test_sortedlist.moc"
