// The two printouts: their layout, the page turns as the windows run them,
// printing the page on view to a PDF file through the printer dialog (the
// text read back from the file), a cancelled dialog, printing that fails,
// and opening them from the main window in both modes.

#include "data/core/clock.h"
#include "data/engines/file/sqlcipherconnection.h"
#include "data/stock/module1.h"
#include "mainwindow/frmmain.h"
#include "reports/frmprint.h"
#include "reports/frmprintl.h"
#include "support/scriptedprompts.h"
#include "support/testdb.h"
#include "support/windows.h"
#include "ui/twips.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QLocale>
#include <QProcess>
#include <QPushButton>
#include <QScopeGuard>
#include <QScrollBar>
#include <QSortFilterProxyModel>

using namespace inv;
using reports::PrintoutWindow;
using testing::TestDb;

namespace {

// Names that no caption, heading or other row contains.
QString itemName(int n)
{
    return QStringLiteral("Widget-%1").arg(n, 3, 10, QLatin1Char('0'));
}
QString tallyName(int n)
{
    return QStringLiteral("Gadget-%1").arg(n, 3, 10, QLatin1Char('0'));
}

// n items and m tally rows, written in one go.
void fill(const QString &path, int items, int tally)
{
    auto cn = testing::openLocation(path);
    const QStringList itemFields = cn->fields("Items");
    const QStringList tallyFields = cn->fields("Itemsout");
    const auto at = [](const QStringList &fields, const char *name) { return int(fields.indexOf(name)); };
    cn->begin();
    for (int i = 1; i <= items; ++i)
        cn->insert("Items", {{at(itemFields, "item_no"), QStringLiteral("N%1").arg(i)},
                             {at(itemFields, "item_name"), itemName(i)},
                             {at(itemFields, "Description"), QStringLiteral("Description of %1").arg(i)},
                             {at(itemFields, "remaining_quantity"), i},
                             {at(itemFields, "Status"), QStringLiteral("%1%").arg(i % 101)}});
    for (int i = 1; i <= tally; ++i)
        cn->insert("Itemsout", {{at(tallyFields, "item_no"), QStringLiteral("N%1").arg(i)},
                                {at(tallyFields, "item_name"), tallyName(i)},
                                {at(tallyFields, "quantity"), i}});
    cn->commit();
}

QStringList entries(const QListView *list)
{
    QStringList texts;
    for (int i = 0; i < list->model()->rowCount(); ++i)
        texts << list->model()->index(i, 0).data().toString();
    return texts;
}

// The list's entries: how many, and where the i-th one is drawn.
int count(const QListView *list)
{
    return list->model()->rowCount();
}
QRect entryRect(const QListView *list, int i)
{
    return list->visualRect(list->model()->index(i, 0));
}
// Whether the list orders its entries itself instead of showing them as set.
bool sortsItsEntries(const QListView *list)
{
    const auto *proxy = qobject_cast<const QSortFilterProxyModel *>(list->model());
    return proxy && proxy->sortColumn() >= 0;
}

QString pdfText(const QString &pdf)
{
    QProcess pdftotext;
    pdftotext.start("pdftotext", {"-layout", pdf, "-"});
    if (!pdftotext.waitForFinished(30000) || pdftotext.exitCode() != 0)
        return QStringLiteral("<pdftotext failed: %1>").arg(QString(pdftotext.readAllStandardError()));
    return QString::fromUtf8(pdftotext.readAllStandardOutput());
}

// Width and height of the PDF's first page, in points.
QSizeF pdfPageSize(const QString &pdf)
{
    QProcess pdfinfo;
    pdfinfo.start("pdfinfo", {pdf});
    pdfinfo.waitForFinished(30000);
    for (const QString &line : QString(pdfinfo.readAllStandardOutput()).split('\n')) {
        if (!line.startsWith("Page size:"))
            continue;
        const QStringList words = line.simplified().split(' ');
        return QSizeF(words.value(2).toDouble(), words.value(4).toDouble());
    }
    return QSizeF();
}

// Print, Prev, Next and the letterhead: what a printout hides while it
// prints.
QList<const QWidget *> hiddenWhilePrinting(const PrintoutWindow *w)
{
    return {w->cmdprint, w->cmdprev, w->cmdnxt, w->letterhead};
}

// What printing must leave as it was.
struct WindowState {
    int pageStart;
    QList<QStringList> lists;
    QStringList headings;
    QList<bool> shown; // Print, Prev, Next, letterhead
    QString focus;
    bool operator==(const WindowState &o) const
    {
        return pageStart == o.pageStart && lists == o.lists && headings == o.headings && shown == o.shown
               && focus == o.focus;
    }
};

WindowState stateOf(const PrintoutWindow *w)
{
    WindowState s{w->pageStart(), {}, {}, {}, {}};
    for (const QListView *l : w->lists())
        s.lists << entries(l);
    for (const QLineEdit *h : w->headingBoxes())
        s.headings << h->text();
    for (const QWidget *c : hiddenWhilePrinting(w))
        s.shown << c->isVisible();
    s.focus = w->focusWidget() ? w->focusWidget()->objectName() : QString();
    return s;
}

} // namespace

class TestPrintouts : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        m_db = testing::newRecordsRun(m_dir);
        Clock::setFixed(QDateTime(QDate(2026, 3, 10), QTime(9, 30)));
    }

    void cleanup()
    {
        testing::endRun();
        m_db.reset();
        Clock::setFixed(QDateTime());
    }

    // Every control where its twips table puts it: a pixel is 15 twips.
    void layout_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("control");
        QTest::addColumn<QRect>("twips");
        QTest::addColumn<QString>("text");
        const auto row = [](const char *window, const char *control, QRect twips, const char *text = "") {
            QTest::addRow("%s %s", window, control) << window << control << twips << text;
        };
        // The letterhead and the three buttons, of the same sizes in both.
        const auto buttons = [&row](const char *window, int top, int print, int prev, int next) {
            row(window, "letterhead", {0, 0, 15360, 1335});
            row(window, "cmdprint", {print, top, 1695, 450}, "Print");
            row(window, "cmdprev", {prev, top, 1815, 450}, "Prev");
            row(window, "cmdnxt", {next, top, 1815, 450}, "Next");
        };
        // Each heading box stands over its list, as wide as it.
        const auto columns = [&row](const char *window, int headingTop, int listTop, int listHeight) {
            return [=, &row](const char *heading, const char *list, int left, int width, const char *text) {
                row(window, heading, {left, headingTop, width, 495}, text);
                row(window, list, {left, listTop, width, listHeight});
            };
        };
        buttons("frmprint", 1200, 10800, 8880, 12600);
        const auto items = columns("frmprint", 1680, 2160, 9030);
        items("Text7", "lstno", 840, 1335, "Item Number");
        items("Text1", "lstname", 2160, 3015, "Item Name");
        items("Text6", "lstdesc", 5160, 6255, "Description");
        items("Text5", "lstqua", 11400, 1575, "Present Quantity");
        items("Text4", "lststa", 12960, 1455, "Status");
        buttons("frmprintl", 1320, 11160, 9240, 12960);
        const auto removed = columns("frmprintl", 1800, 2280, 8835);
        removed("Text1(0)", "lstname(0)", 600, 4335, "Item Name");
        removed("Text5(0)", "lstqua(0)", 4920, 2775, "Quantity");
        removed("Text1(1)", "lstname(1)", 7680, 4335, "Item Name");
        removed("Text5(1)", "lstqua(1)", 12000, 2775, "Quantity");
    }

    void layout()
    {
        QFETCH(QString, window);
        QFETCH(QString, control);
        QFETCH(QRect, twips);
        QFETCH(QString, text);
        std::unique_ptr<PrintoutWindow> w = openWindow(window);
        QVERIFY(w);
        QCOMPARE(w->windowTitle(), QString("Item List"));
        QCOMPARE(w->size(), QSize(1024, 768));
        QCOMPARE(w->palette().color(QPalette::Window), QColor(Qt::white));
        auto *c = w->findChild<QWidget *>(control);
        QVERIFY(c);
        QCOMPARE(c->geometry(), ui::twipsRect(twips.x(), twips.y(), twips.width(), twips.height()));
        if (auto *box = qobject_cast<QLineEdit *>(c)) {
            QCOMPARE(box->text(), text);
            QVERIFY(!box->isReadOnly());
            QCOMPARE(box->alignment() & Qt::AlignHCenter, Qt::AlignHCenter);
            QVERIFY(box->font().bold());
            QCOMPARE(box->font().pointSizeF(), 9.75);
            QVERIFY(!box->accessibleName().isEmpty());
        } else if (auto *button = qobject_cast<QPushButton *>(c)) {
            QCOMPARE(button->text(), text);
        } else if (auto *list = qobject_cast<QListView *>(c)) {
            QVERIFY(!sortsItsEntries(list));
            QCOMPARE(list->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
            QCOMPARE(list->textElideMode(), Qt::ElideNone); // a long text is cut
            QVERIFY(!list->accessibleName().isEmpty());
        }
        // The Print button has the focus; then Prev, then Next.
        QCOMPARE(w->focusWidget(), w->cmdprint);
        QCOMPARE(w->cmdprint->nextInFocusChain(), w->cmdprev);
        QCOMPARE(w->cmdprev->nextInFocusChain(), w->cmdnxt);
        QCOMPARE(w->cmdprint->font().pointSizeF(), 18.0);
        QVERIFY(w->cmdprint->font().bold());
        QCOMPARE(w->Label1->font().pointSizeF(), 15.75);
    }

    void heading_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("text");
        const QString date = QLocale().toString(QDate(2026, 3, 10), QLocale::ShortFormat);
        QTest::addRow("items") << "frmprint"
                               << "List of items as of   " + date;
        QTest::addRow("removed") << "frmprintl"
                                 << "List of removed items        " + date;
    }

    void heading()
    {
        QFETCH(QString, window);
        QFETCH(QString, text);
        std::unique_ptr<PrintoutWindow> w = openWindow(window);
        QCOMPARE(w->Label1->text(), text);
        // It widens to show the whole text.
        QVERIFY(w->Label1->width() >= w->Label1->sizeHint().width());
    }

    // A window opened the next day, or after the user's format changed,
    // shows that day in that format, not the one an earlier window showed.
    void headingFollowsTheDayAndTheFormat()
    {
        const QLocale before;
        const auto restore = qScopeGuard([&] { QLocale::setDefault(before); });
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        QCOMPARE(openWindow("frmprint")->Label1->text(), QString("List of items as of   3/10/26"));
        Clock::setFixed(QDateTime(QDate(2026, 3, 11), QTime(0, 0, 1)));
        QCOMPARE(openWindow("frmprint")->Label1->text(), QString("List of items as of   3/11/26"));
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        QCOMPARE(openWindow("frmprintl")->Label1->text(), QString("List of removed items        11.03.26"));
    }

    // A whole page of each list shows without scrolling.
    void aPageFitsItsLists_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<int>("rows");
        QTest::addRow("items") << "frmprint" << 46;
        QTest::addRow("removed") << "frmprintl" << 45;
    }

    void aPageFitsItsLists()
    {
        QFETCH(QString, window);
        QFETCH(int, rows);
        fill(m_db->path(), 100, 200);
        std::unique_ptr<PrintoutWindow> w = openWindow(window);
        for (QListView *list : w->lists()) {
            QCOMPARE(count(list), rows);
            QVERIFY(entryRect(list, rows - 1).bottom() < list->viewport()->height());
            QCOMPARE(list->verticalScrollBar()->value(), 0);
        }
    }

    // The page turns as the buttons run them: page starts, and the row each
    // list's first and last entries belong to.
    void pageTurns_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("clicks"); // n = Next, p = Prev
        QTest::addColumn<int>("start");
        QTest::addColumn<QStringList>("firstAndLast"); // per list: "first-last" row numbers, "" when empty
        QTest::addRow("items: 100, next, next, prev") << "frmprint" << 100 << "nnp" << 45 << QStringList(5, "46-91");
        QTest::addRow("items: 100, last page") << "frmprint" << 100 << "nn" << 90 << QStringList(5, "91-100");
        QTest::addRow("items: empty") << "frmprint" << 0 << "np" << 0 << QStringList(5, "");
        QTest::addRow("items: 46, next") << "frmprint" << 46 << "n" << 45 << QStringList(5, "46-46");
        QTest::addRow("removed: 60") << "frmprintl" << 60 << "" << 0 << QStringList{"1-45", "1-45", "46-60", "46-60"};
        QTest::addRow("removed: 200, third page")
            << "frmprintl" << 200 << "nn" << 180 << QStringList{"181-200", "181-200", "", ""};
        QTest::addRow("removed: 91, next, prev")
            << "frmprintl" << 91 << "np" << 0 << QStringList{"1-45", "1-45", "46-90", "46-90"};
    }

    void pageTurns()
    {
        QFETCH(QString, window);
        QFETCH(int, rows);
        QFETCH(QString, clicks);
        QFETCH(int, start);
        QFETCH(QStringList, firstAndLast);
        fill(m_db->path(), rows, rows);
        std::unique_ptr<PrintoutWindow> w = openWindow(window);
        for (QChar c : clicks)
            QTest::mouseClick(c == 'n' ? w->cmdnxt : w->cmdprev, Qt::LeftButton);
        QCOMPARE(w->pageStart(), start);
        // Each entry shows its row's field: the quantities are the row numbers.
        QStringList found;
        const QStringList fieldOf = window == "frmprint" ? QStringList{"N", "Widget-", "Description of ", "", ""}
                                                         : QStringList{"Gadget-", "", "Gadget-", ""};
        for (int c = 0; c < w->lists().size(); ++c) {
            const QStringList texts = entries(w->lists()[c]);
            // Statuses are the row number and "%".
            const auto number = [&](const QString &t) { return t.mid(fieldOf[c].size()).remove('%').toInt(); };
            found << (texts.isEmpty() ? QString()
                                      : QStringLiteral("%1-%2").arg(number(texts.first())).arg(number(texts.last())));
        }
        QCOMPARE(found, firstAndLast);
    }

    // The lists' models stay sound through page turns that fill, shorten and
    // empty them, and offer no entry for editing.
    void listModelsStaySound()
    {
        fill(m_db->path(), 100, 100);
        for (const QString &window : QStringList{"frmprint", "frmprintl"}) {
            std::unique_ptr<PrintoutWindow> w = openWindow(window);
            std::vector<std::unique_ptr<QAbstractItemModelTester>> testers;
            for (QListView *list : w->lists()) {
                testers.push_back(std::make_unique<QAbstractItemModelTester>(
                    list->model(), QAbstractItemModelTester::FailureReportingMode::QtTest));
                QCOMPARE(list->editTriggers(), QAbstractItemView::NoEditTriggers);
                QCOMPARE(list->model()->flags(list->model()->index(0, 0)) & Qt::ItemIsEditable, Qt::ItemFlags());
            }
            for (QPushButton *turn : {w->cmdnxt, w->cmdnxt, w->cmdnxt, w->cmdprev, w->cmdprev, w->cmdprev})
                QTest::mouseClick(turn, Qt::LeftButton);
            QCOMPARE(w->pageStart(), 0);
            QCOMPARE(count(w->lists().first()), window == "frmprint" ? 46 : 45);
        }
    }

    // A field without a value is an empty entry; the lists fill on.
    void fieldsWithoutAValue()
    {
        m_db->row("Items", {{"item_no", "1"}, {"item_name", "Toner"}});
        m_db->row("Items", {{"Description", "nothing else"}});
        m_db->row("Items", {{"item_no", "3"}, {"item_name", "Stapler"}, {"remaining_quantity", 4}});
        m_db->row("Itemsout", {{"item_no", "1"}});
        m_db->row("Itemsout", {{"item_name", "Toner"}, {"quantity", 2}});
        auto items = openWindow("frmprint");
        auto *print = static_cast<frmprint *>(items.get());
        QCOMPARE(entries(print->lstno), QStringList({"1", "", "3"}));
        QCOMPARE(entries(print->lstname), QStringList({"Toner", "", "Stapler"}));
        QCOMPARE(entries(print->lstdesc), QStringList({"", "nothing else", ""}));
        QCOMPARE(entries(print->lstqua), QStringList({"", "", "4"}));
        QCOMPARE(entries(print->lststa), QStringList({"", "", ""}));
        auto removed = openWindow("frmprintl");
        auto *printl = static_cast<frmprintl *>(removed.get());
        QCOMPARE(entries(printl->lstname[0]), QStringList({"", "Toner"}));
        QCOMPARE(entries(printl->lstqua[0]), QStringList({"", "2"}));
    }

    // The second page printed to a PDF file through the printer dialog: the
    // heading, the headings as typed, that page's rows and nothing else, as
    // text; no button; one landscape page. The window comes back as it was.
    void printTheSecondPageToPdf_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QList<int>>("printed");
        QTest::addColumn<QList<int>>("notPrinted");
        QTest::addRow("items") << "frmprint" << QList<int>{46, 60, 91} << QList<int>{1, 45, 92, 100};
        QTest::addRow("removed") << "frmprintl" << QList<int>{91, 135, 136, 180} << QList<int>{1, 90, 181, 200};
    }

    void printTheSecondPageToPdf()
    {
        QFETCH(QString, window);
        QFETCH(QList<int>, printed);
        QFETCH(QList<int>, notPrinted);
        fill(m_db->path(), 100, 200);
        std::unique_ptr<PrintoutWindow> w = openWindow(window);
        QLineEdit *firstHeading = w->headingBoxes().first();
        firstHeading->selectAll();
        QTest::keyClicks(firstHeading, "Typed Heading");
        w->cmdprint->setFocus();
        QTest::mouseClick(w->cmdnxt, Qt::LeftButton);
        w->cmdprint->setFocus();
        const WindowState before = stateOf(w.get());

        testing::ScriptedPrompts prompts;
        const QString pdf = m_dir->filePath("page.pdf");
        QList<bool> hiddenDuringDialog;
        prompts.answerPrintWith([&](QPrinter *printer) {
            for (const QWidget *c : hiddenWhilePrinting(w.get()))
                hiddenDuringDialog << c->isHidden();
            printer->setOutputFormat(QPrinter::PdfFormat);
            printer->setOutputFileName(pdf);
            return true;
        });
        QTest::mouseClick(w->cmdprint, Qt::LeftButton);
        QCOMPARE(prompts.printDialogs, 1);
        QVERIFY(prompts.messages.isEmpty());
        VERIFY_PROMPTS(prompts);
        QCOMPARE(hiddenDuringDialog, QList<bool>(4, true));
        QVERIFY(stateOf(w.get()) == before);

        const QString text = pdfText(pdf);
        const QString date = QLocale().toString(QDate(2026, 3, 10), QLocale::ShortFormat);
        QVERIFY2(text.contains(window == "frmprint" ? "List of items as of" : "List of removed items"),
                 qPrintable(text));
        QVERIFY2(text.contains(date), qPrintable(text));
        QVERIFY2(text.contains("Typed Heading"), qPrintable(text));
        QVERIFY2(text.contains(window == "frmprint" ? "Present Quantity" : "Quantity"), qPrintable(text));
        const auto name = window == "frmprint" ? itemName : tallyName;
        for (int row : printed)
            QVERIFY2(text.contains(name(row)), qPrintable(name(row) + " is missing:\n" + text));
        for (int row : notPrinted)
            QVERIFY2(!text.contains(name(row)), qPrintable(name(row) + " is printed:\n" + text));
        for (const char *caption : {"Print", "Prev", "Next"})
            QVERIFY2(!text.contains(caption), caption);
        const QSizeF page = pdfPageSize(pdf);
        QVERIFY2(page.width() > page.height(), "not landscape");
    }

    // Cancel means: nothing printed, and the window as it was. No printer,
    // or printing that fails: one plain sentence; the buttons and the
    // letterhead come back; nothing else changes.
    void printingNothing_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("message"); // "" when none is shown
        for (const char *window : {"frmprint", "frmprintl"}) {
            QTest::addRow("%s: cancelled", window) << window << "cancelled" << QString();
            QTest::addRow("%s: file cannot be written", window) << window << "unwritable"
                                                                << "The page could not be printed.";
            // The PDF engine itself says nothing of writes that fail.
            QTest::addRow("%s: the disk is full", window) << window << "disk full"
                                                          << "The page could not be printed.";
            QTest::addRow("%s: no printer", window) << window << "no printer"
                                                    << "No printer is available, so nothing was printed.";
        }
    }

    void printingNothing()
    {
        QFETCH(QString, window);
        QFETCH(QString, how);
        QFETCH(QString, message);
        fill(m_db->path(), 100, 200);
        std::unique_ptr<PrintoutWindow> w = openWindow(window);
        QTest::mouseClick(w->cmdnxt, Qt::LeftButton);
        w->cmdprint->setFocus();
        const WindowState before = stateOf(w.get());
        testing::ScriptedPrompts prompts;
        const QString pdf = how == "disk full"
                                ? QStringLiteral("/dev/full")
                                : m_dir->filePath(how == "cancelled" ? "cancelled.pdf" : "no such folder/page.pdf");
        if (how == "no printer")
            // How Qt leaves a printer on a system that has none.
            prompts.answerPrintWith([](QPrinter *printer) {
                printer->setOutputFormat(QPrinter::PdfFormat);
                printer->setOutputFileName(QString());
                return true;
            });
        else
            prompts.printToPdf(pdf, how != "cancelled");
        w->cmdprint->click();
        QCOMPARE(prompts.printDialogs, 1);
        if (message.isEmpty()) {
            QVERIFY(prompts.messages.isEmpty());
        } else {
            QCOMPARE(prompts.messages.size(), 1);
            QCOMPARE(prompts.last().text, message);
            QCOMPARE(prompts.last().buttons, ui::Buttons::Ok);
        }
        VERIFY_PROMPTS(prompts);
        QVERIFY(how == "disk full" || !QFile::exists(pdf));
        QVERIFY(stateOf(w.get()) == before);
    }

    // Both printouts open from the main window in full and restricted mode
    // alike; the toolbar's Print opens the item list. Closing enables the
    // main window again, and the next opening starts on the first page.
    void openFromTheMainWindow_data()
    {
        QTest::addColumn<bool>("restricted");
        QTest::addColumn<QString>("via");
        QTest::addColumn<QString>("window");
        for (bool restricted : {false, true}) {
            const char *mode = restricted ? "restricted" : "full";
            QTest::addRow("%s: Remaining Items", mode) << restricted << "nRemainingItems"
                                                       << "frmprint";
            QTest::addRow("%s: toolbar Print", mode) << restricted << "Print"
                                                     << "frmprint";
            QTest::addRow("%s: Removed Items", mode) << restricted << "nRemovedItems"
                                                     << "frmprintl";
        }
    }

    void openFromTheMainWindow()
    {
        QFETCH(bool, restricted);
        QFETCH(QString, via);
        QFETCH(QString, window);
        fill(m_db->path(), 100, 100);
        frmmain main;
        QVERIFY(main.Form_Load());
        if (restricted)
            main.setRestrictedMode();
        main.show();
        for (int round = 0; round < 2; ++round) {
            QAction *action = via == "Print" ? main.toolbarButton(via) : main.findChild<QAction *>(via);
            QVERIFY(action->isVisible());
            QVERIFY(action->isEnabled());
            action->trigger();
            auto *opened = testing::shownWindow<PrintoutWindow>();
            QVERIFY(opened);
            QCOMPARE(opened->objectName(), window);
            QVERIFY(!main.isEnabled());
            QCOMPARE(opened->pageStart(), 0);
            QTest::mouseClick(opened->cmdnxt, Qt::LeftButton);
            QCOMPARE(opened->pageStart(), window == "frmprint" ? 45 : 90);
            QPointer<QWidget> gone = opened;
            QVERIFY(opened->close());
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QVERIFY(gone.isNull());
            QVERIFY(main.isEnabled());
        }
    }

    void aDatabaseThatCannotBeOpenedIsReported()
    {
        Module1::dbPath = m_dir->filePath("Gone.mdb");
        testing::ScriptedPrompts prompts;
        frmprint w;
        QVERIFY(!w.Form_Load());
        QCOMPARE(prompts.messages.size(), 1);
        QVERIFY(prompts.last().text.contains("Gone.mdb"));
        VERIFY_PROMPTS(prompts);
    }

private:
    std::unique_ptr<PrintoutWindow> openWindow(const QString &name)
    {
        std::unique_ptr<PrintoutWindow> w;
        if (name == "frmprint")
            w = std::make_unique<frmprint>();
        else
            w = std::make_unique<frmprintl>();
        if (!w->Form_Load())
            return nullptr;
        w->show();
        return w;
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<TestDb> m_db;
};

QTEST_MAIN(TestPrintouts)
#include "test_printouts.moc"
