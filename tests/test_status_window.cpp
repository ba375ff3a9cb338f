// The item status window: its layout, the sorted list of names, what a
// selection shows and in which colour, fields without a value, and how the
// main window opens it in both modes.

#include "data/stock/module1.h"
#include "mainwindow/frmmain.h"
#include "reports/frmstatus.h"
#include "support/scriptedprompts.h"
#include "support/testdb.h"
#include "support/windows.h"

#include "ui/sortedlist.h"

#include <QAbstractItemModelTester>
#include <QCollator>
#include <QAccessible>
#include <QLabel>
#include <QListView>
#include <QRandomGenerator>
#include <QToolBar>

#include <algorithm>

using namespace inv;
using testing::TestDb;

namespace {

QStringList entries(const QListView *list)
{
    QStringList texts;
    for (int i = 0; i < list->model()->rowCount(); ++i)
        texts << list->model()->index(i, 0).data().toString();
    return texts;
}

bool hasSelection(const QListView *list)
{
    return list->selectionModel()->hasSelection();
}

// The colour a label is painted in, away from its text.
QRgb paintedColour(QLabel *label)
{
    return label->grab().toImage().pixel(2, 2) & 0xFFFFFF;
}

QString hex(QRgb colour)
{
    return QStringLiteral("#%1").arg(colour & 0xFFFFFF, 6, 16, QLatin1Char('0')).toUpper();
}

// Selects the nth entry with the text, as a click would.
void select(frmstatus &window, const QString &text, int nth = 0)
{
    QAbstractItemModel *model = window.lstitem->model();
    const QModelIndexList found =
        model->match(model->index(0, 0), Qt::DisplayRole, text, -1, Qt::MatchExactly | Qt::MatchCaseSensitive);
    QVERIFY2(found.size() > nth, qPrintable(text));
    window.lstitem->setCurrentIndex(found[nth]);
}

} // namespace

class TestStatusWindow : public QObject {
    Q_OBJECT

private slots:
    void init() { m_db = testing::newRecordsRun(m_dir); }

    void cleanup()
    {
        m_window.reset();
        testing::endRun();
        m_db.reset();
    }

    // Every control where the layout puts it (twips / 15), on a white window.
    void layout_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("twips"); // left, top, width, height
        QTest::addColumn<QString>("text");
        QTest::addRow("lstitem") << "lstitem" << QRect(360, 360, 5175, 7080) << "";
        QTest::addRow("Label3") << "Label3" << QRect(5880, 600, 1380, 240) << "Item Number:";
        QTest::addRow("Label4") << "Label4" << QRect(5880, 1080, 1185, 240) << "Item Name:";
        QTest::addRow("Label6") << "Label6" << QRect(5880, 1560, 2085, 240) << "Remaining Quantity:";
        QTest::addRow("Label2") << "Label2" << QRect(5880, 2040, 720, 240) << "Status:";
        QTest::addRow("Label8") << "Label8" << QRect(5880, 2520, 1530, 240) << "Date Updated:";
        QTest::addRow("Label5") << "Label5" << QRect(5880, 3000, 1695, 240) << "Item Description";
        QTest::addRow("lblno") << "lblno" << QRect(8040, 600, 2775, 255) << "";
        QTest::addRow("lblname") << "lblname" << QRect(8040, 1080, 2775, 255) << "";
        QTest::addRow("lblrq") << "lblrq" << QRect(8040, 1560, 2775, 255) << "";
        QTest::addRow("lblstatus") << "lblstatus" << QRect(8040, 2040, 2775, 255) << "";
        QTest::addRow("lbldate") << "lbldate" << QRect(8040, 2520, 2775, 255) << "";
        QTest::addRow("lbldesc") << "lbldesc" << QRect(5880, 3360, 4935, 3735) << "";
        QTest::addRow("Label7") << "Label7" << QRect(5760, 360, 5175, 6975) << "";
        QTest::addRow("Shape2") << "Shape2" << QRect(240, 240, 5415, 7335) << "";
        QTest::addRow("Shape1") << "Shape1" << QRect(5640, 240, 5415, 7335) << "";
        QTest::addRow("Shape3") << "Shape3" << QRect(480, 600, 10815, 7335) << "";
    }

    void layout()
    {
        QFETCH(QString, name);
        QFETCH(QRect, twips);
        QFETCH(QString, text);
        openWindow();
        QCOMPARE(m_window->windowTitle(), QString("Item Status"));
        QCOMPARE(m_window->size(), QSize(768, 542));
        QCOMPARE(m_window->grab().toImage().pixel(760, 4) & 0xFFFFFF, 0xFFFFFFu);
        auto *widget = m_window->findChild<QWidget *>(name);
        QVERIFY(widget);
        const QRect pixels(twips.x() / 15, twips.y() / 15, twips.width() / 15, twips.height() / 15);
        QCOMPARE(widget->pos(), pixels.topLeft());
        QCOMPARE(widget->height(), pixels.height());
        // A caption may be widened to fit the wider fonts here, never narrowed.
        if (name.startsWith("Label") && name != "Label7")
            QVERIFY(widget->width() >= pixels.width());
        else
            QCOMPARE(widget->width(), pixels.width());
        if (auto *label = qobject_cast<QLabel *>(widget)) {
            QCOMPARE(label->text(), text);
            if (!text.isEmpty())
                QVERIFY(label->font().bold());
        }
    }

    // Loaded: nothing selected, the value labels empty on pale green, the
    // list has the focus and tells a screen reader what it is.
    void loaded()
    {
        m_db->item("1", "Toner", 3, 10, "30%");
        openWindow();
        QAbstractItemModelTester tester(m_window->lstitem->model(),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(m_window->lstitem->model()->rowCount(), 1);
        QVERIFY(!hasSelection(m_window->lstitem));
        // Shown, never edited.
        QCOMPARE(m_window->lstitem->editTriggers(), QAbstractItemView::NoEditTriggers);
        QCOMPARE(m_window->lstitem->toolTip(), QString("Click the item to view its details"));
        QVERIFY(!m_window->lstitem->accessibleName().isEmpty());
        QCOMPARE(m_window->focusWidget(), m_window->lstitem);
        for (QLabel *label : valueLabels()) {
            QVERIFY2(label->text().isEmpty(), qPrintable(label->objectName()));
            QCOMPARE(hex(paintedColour(label)), QString("#C0FFC0"));
            // Shown as typed: a name is never read as markup.
            QCOMPARE(label->textFormat(), Qt::PlainText);
        }
        QVERIFY(m_window->lbldesc->wordWrap());
        QCOMPARE(m_window->lblstatus->alignment() & Qt::AlignHCenter, Qt::AlignHCenter);
    }

    // One entry per row, sorted alphabetically ignoring case; names equal
    // but for case keep the table's order.
    void sortedList_data()
    {
        QTest::addColumn<QStringList>("stored");
        QTest::addColumn<QStringList>("listed");
        QTest::addRow("empty table") << QStringList() << QStringList();
        QTest::addRow("one") << QStringList{"Toner"} << QStringList{"Toner"};
        QTest::addRow("unsorted") << QStringList{"Toner", "Bond paper", "Stapler"}
                                  << QStringList{"Bond paper", "Stapler", "Toner"};
        QTest::addRow("case ignored") << QStringList{"toner", "Bond paper", "stapler", "Ink"}
                                      << QStringList{"Bond paper", "Ink", "stapler", "toner"};
        QTest::addRow("same name twice") << QStringList{"Toner", "Ink", "Toner"}
                                         << QStringList{"Ink", "Toner", "Toner"};
        QTest::addRow("equal but for case, stored order")
            << QStringList{"ink", "Toner", "INK", "Ink"} << QStringList{"ink", "INK", "Ink", "Toner"};
        QTest::addRow("blanks and digits") << QStringList{"Toner 2", " Toner", "Toner 10", "Toner"}
                                           << QStringList{" Toner", "Toner", "Toner 10", "Toner 2"};
    }

    void sortedList()
    {
        QFETCH(QStringList, stored);
        QFETCH(QStringList, listed);
        for (int i = 0; i < stored.size(); ++i)
            m_db->item(QString::number(i), stored[i], 1, 1, "100%");
        openWindow();
        QCOMPARE(entries(m_window->lstitem), listed);
        QVERIFY(!hasSelection(m_window->lstitem));
        for (QLabel *label : valueLabels())
            QVERIFY(label->text().isEmpty());
    }

    // What a selection shows: the first row in stored order whose name is
    // exactly the entry.
    void selection_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<int>("nth"); // which of the entries with that text
        QTest::addColumn<QStringList>("shown"); // no, name, remaining, status, description
        QTest::addRow("plain") << "Stapler" << 0 << QStringList{"B7", "Stapler", "4", "40%", "       Grey, small"};
        QTest::addRow("first entry of a shared name")
            << "Toner" << 0 << QStringList{"A1", "Toner", "3", "30%", "       black"};
        QTest::addRow("second entry, still the first row")
            << "Toner" << 1 << QStringList{"A1", "Toner", "3", "30%", "       black"};
        QTest::addRow("differs only in case")
            << "toner" << 0 << QStringList{"A3", "toner", "9", "90%", "       lower case"};
        QTest::addRow("empty description") << "Ink" << 0 << QStringList{"C1", "Ink", "0", "0%", "       "};
        QTest::addRow("markup shown as typed")
            << "<b>Bold</b>" << 0 << QStringList{"D1", "<b>Bold</b>", "5", "50%", "       <i>not italic</i>"};
        QTest::addRow("blank around the name")
            << " Toner " << 0 << QStringList{"A4", " Toner ", "1", "10%", "       blanks"};
    }

    void selection()
    {
        QFETCH(QString, entry);
        QFETCH(int, nth);
        QFETCH(QStringList, shown);
        m_db->item("A1", "Toner", 3, 10, "30%", "black")
            .item("B7", "Stapler", 4, 10, "40%", "Grey, small")
            .item("A2", "Toner", 7, 10, "70%", "second")
            .item("A3", "toner", 9, 10, "90%", "lower case")
            .item("C1", "Ink", 0, 10, "0%", "")
            .item("D1", "<b>Bold</b>", 5, 10, "50%", "<i>not italic</i>")
            .item("A4", " Toner ", 1, 10, "10%", "blanks")
            .item("Z9", "Zinc", 99, 100, "99%", "metal");
        openWindow();
        // Something else first, so that the selection has to overwrite it.
        select(*m_window, "Zinc");
        select(*m_window, entry, nth);
        QCOMPARE(shownTexts(), shown);
        QCOMPARE(m_window->lbldate->text(), QLocale().toString(testing::kOldDate, QLocale::ShortFormat));
    }

    // The status colour by band, picked by mouse or by keyboard, one item
    // after another; the other value labels stay pale green throughout.
    void statusColours()
    {
        const QList<std::pair<QString, QString>> cases = {
            {"100%", "#00FF00"},
            {"91%", "#00FF00"},
            {"90%", "#80FF80"},
            {"80%", "#C0FFC0"},
            {"71%", "#C0FFC0"},
            {"70%", "#FFFFC0"},
            {"66.6666666666667%", "#FFFFC0"},
            {"55%", "#FFFF80"},
            {"45%", "#FFFF00"},
            {"35%", "#FFC080"},
            {"25%", "#FF8000"},
            {"11%", "#FF8080"},
            {"10%", "#FF0000"},
            {"0%", "#FF0000"},
            {"", "#FF0000"},
            {"250%", "#00FF00"},
            {"-5%", "#FF0000"},
        };
        // Names in the list's order, so that Down walks the cases in turn.
        for (int i = 0; i < cases.size(); ++i)
            m_db->item(QString::number(i), QStringLiteral("Item %1").arg(i, 2, 10, QLatin1Char('0')), 1, 1,
                       cases[i].first);
        openWindow();
        QListView *list = m_window->lstitem;
        for (int i = 0; i < cases.size(); ++i) {
            const QString tag = cases[i].first.isEmpty() ? QString("empty") : cases[i].first;
            const QModelIndex entry = list->model()->index(i, 0);
            if (i % 2 == 0) {
                list->scrollTo(entry);
                QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(entry).center());
            } else {
                QTest::keyClick(list, Qt::Key_Down);
            }
            QCOMPARE(m_window->lblname->text(), entry.data().toString());
            QCOMPARE(m_window->lblstatus->text(), cases[i].first);
            QVERIFY2(hex(paintedColour(m_window->lblstatus)) == cases[i].second,
                     qPrintable(tag + " painted " + hex(paintedColour(m_window->lblstatus))));
            for (QLabel *label : valueLabels())
                if (label != m_window->lblstatus)
                    QVERIFY2(hex(paintedColour(label)) == "#C0FFC0", qPrintable(label->objectName()));
        }
    }

    // A field without a value shows as empty text, and never stops the list
    // from filling; an empty status is red.
    void fieldsWithoutAValue()
    {
        m_db->item("A1", "Toner", 3, 10, "30%", "black");
        m_db->row("Items", {{"item_name", "Bare"}});
        m_db->row("Items", {{"item_no", "N1"}, {"Status", "50%"}});
        m_db->item("B7", "Stapler", 4, 10, "40%", "grey");
        openWindow();
        QCOMPARE(entries(m_window->lstitem), QStringList({"", "Bare", "Stapler", "Toner"}));

        select(*m_window, "Toner");
        select(*m_window, "Bare");
        QCOMPARE(shownTexts(), QStringList({"", "Bare", "", "", "       "}));
        QCOMPARE(m_window->lbldate->text(), QString());
        QCOMPARE(hex(paintedColour(m_window->lblstatus)), QString("#FF0000"));

        // The entry of a row without a name matches no row: nothing changes.
        select(*m_window, "Stapler");
        const QStringList before = shownTexts();
        m_window->lstitem->setCurrentIndex(m_window->lstitem->model()->index(0, 0));
        QCOMPARE(m_window->lstitem->currentIndex().data().toString(), QString());
        QCOMPARE(shownTexts(), before);
    }

    // An entry whose row is gone leaves the labels as they were.
    void entryWithoutARow()
    {
        m_db->item("A1", "Toner", 3, 10, "30%", "black");
        openWindow();
        select(*m_window, "Toner");
        const QStringList before = shownTexts();
        const QRgb colour = paintedColour(m_window->lblstatus);
        QAbstractItemModel *model = m_window->lstitem->model();
        QVERIFY(model->insertRow(model->rowCount()));
        model->setData(model->index(model->rowCount() - 1, 0), "Gone");
        select(*m_window, "Gone");
        QCOMPARE(shownTexts(), before);
        QCOMPARE(paintedColour(m_window->lblstatus), colour);
    }

    // A long description wraps inside its label, the first line indented.
    void longDescriptionWraps()
    {
        const QString text = "A ream of bond paper, five hundred sheets, for the printers on the second floor. "
                             "Order more when fewer than three reams are left. Keep it dry and flat.";
        m_db->item("P1", "Paper", 3, 10, "30%", text);
        openWindow();
        select(*m_window, "Paper");
        QLabel *desc = m_window->lbldesc;
        QCOMPARE(desc->text(), "       " + text);
        const int lineHeight = desc->fontMetrics().height();
        QVERIFY(desc->heightForWidth(desc->width()) >= 3 * lineHeight);
        QVERIFY(desc->heightForWidth(desc->width()) <= desc->height());
    }

    // A database that cannot be opened: a message, no window.
    void databaseThatFails()
    {
        Module1::dbPath = m_dir->filePath("Gone.mdb");
        testing::ScriptedPrompts prompts;
        frmstatus window;
        QVERIFY(!window.Form_Load());
        QCOMPARE(prompts.messages.size(), 1);
        QVERIFY(prompts.last().text.contains("Gone.mdb"));
        VERIFY_PROMPTS(prompts);
    }

    // From the menu and the toolbar, in full and restricted mode: the window
    // opens with its list, the main window waits; closing it by its close
    // box enables the main window, and the next opening starts afresh.
    void openedFromTheMainWindow_data()
    {
        QTest::addColumn<bool>("restricted");
        QTest::addColumn<QString>("via");
        QTest::addRow("full, menu") << false << "menu";
        QTest::addRow("full, toolbar") << false << "toolbar";
        QTest::addRow("restricted, menu") << true << "menu";
        QTest::addRow("restricted, toolbar") << true << "toolbar";
    }

    void openedFromTheMainWindow()
    {
        QFETCH(bool, restricted);
        QFETCH(QString, via);
        m_db->item("A1", "Toner", 3, 10, "30%", "black").item("B7", "Stapler", 4, 10, "40%");
        frmmain main;
        QVERIFY(main.Form_Load());
        if (restricted)
            main.setRestrictedMode();
        main.show();
        QAction *action = via == "menu" ? main.nViewItemStatus : main.toolbarButton("View");
        QVERIFY(action->isVisible());
        QVERIFY(action->isEnabled());

        for (int opening = 0; opening < 2; ++opening) {
            action->trigger();
            QPointer<frmstatus> window = testing::shownWindow<frmstatus>();
            QVERIFY(window);
            QCOMPARE(testing::shownWindows<frmstatus>(), 1);
            QVERIFY(!main.isEnabled());
            // It takes the keyboard, its list first.
            QVERIFY(QTest::qWaitForWindowActive(window));
            QCOMPARE(QApplication::focusWidget(), window->lstitem);
            QCOMPARE(entries(window->lstitem), QStringList({"Stapler", "Toner"}));
            QVERIFY(!hasSelection(window->lstitem));
            QVERIFY(window->lblname->text().isEmpty());
            select(*window, "Toner");
            QCOMPARE(window->lblno->text(), QString("A1"));

            QVERIFY(window->close());
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QVERIFY(window.isNull());
            QVERIFY(main.isEnabled());
        }
        // The window only reads.
        QCOMPARE(m_db->value("Items", 0, "remaining_quantity").toInt(), 3);
    }

    // The list tells a screen reader each entry by its text.
    void entriesReachAScreenReader()
    {
        m_db->item("A1", "Toner", 3, 10).item("B7", "Stapler", 4, 10);
        openWindow();
        QAccessibleInterface *list = QAccessible::queryAccessibleInterface(m_window->lstitem);
        QVERIFY(list);
        QCOMPARE(list->text(QAccessible::Name), m_window->lstitem->accessibleName());
        QStringList texts;
        for (int i = 0; i < list->childCount(); ++i)
            if (QAccessibleInterface *child = list->child(i); child && child->role() == QAccessible::ListItem)
                texts << child->text(QAccessible::Name);
        QCOMPARE(texts, QStringList({"Stapler", "Toner"}));
    }

    // The list order is exactly that of a stable sort by a case-insensitive
    // comparison, whatever the order the names come in: letters beyond
    // ASCII, folds that differ from lower case, and pairs of surrogates.
    void listOrderIsTheCaseInsensitiveOrder()
    {
        const QStringList names = {
            "toner",  "Toner",   "TONER",       "Tone",        "tone r",     "Ärger", "ärger", "Zebra",    "zebra",
            "Straße", "STRASSE", "strasse",     "ΣΊΣΥΦΟΣ",     "σίσυφος",    "ς",     "Σ",     "İstanbul", "istanbul",
            "ı",      "I",       "\U00010400x", "\U00010428x", "\U00010428", "",      " ",     "10",       "9",
            "a-b",    "a_b",     "A_B",         "\u212A",      "k",          "K",     "µ",     "μ"};
        QRandomGenerator random(20261210);
        for (int round = 0; round < 50; ++round) {
            QStringList shuffled = names;
            std::shuffle(shuffled.begin(), shuffled.end(), random);
            QStringList expected = shuffled;
            // The English order, letter case ignored, as the C locale of the
            // tests gets it.
            QCollator collator{QLocale(QLocale::English)};
            collator.setCaseSensitivity(Qt::CaseInsensitive);
            std::stable_sort(expected.begin(), expected.end(),
                             [&](const QString &a, const QString &b) { return collator.compare(a, b) < 0; });
            QStringList sorted = shuffled;
            ui::sortCaseInsensitive(sorted);
            QCOMPARE(sorted, expected);
        }
    }

private:
    void openWindow()
    {
        m_window = std::make_unique<frmstatus>();
        QVERIFY(m_window->Form_Load());
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    }

    QList<QLabel *> valueLabels() const
    {
        return {m_window->lblno,     m_window->lblname, m_window->lblrq,
                m_window->lblstatus, m_window->lbldate, m_window->lbldesc};
    }

    // Number, name, remaining quantity, status and description as shown.
    QStringList shownTexts() const
    {
        return {m_window->lblno->text(), m_window->lblname->text(), m_window->lblrq->text(),
                m_window->lblstatus->text(), m_window->lbldesc->text()};
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<TestDb> m_db;
    std::unique_ptr<frmstatus> m_window;
};

QTEST_MAIN(TestStatusWindow)
#include "test_status_window.moc"
