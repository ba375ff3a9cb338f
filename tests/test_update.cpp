// Raising and lowering an item's stock in the update window: picking by
// number or by name, Add and Less with their statuses and colours, the
// refusals, the quantity box and its spin control, and a database that fails
// in the middle.

#include "data/engines/file/keyedfile.h"
#include "data/engines/file/sqlcipherconnection.h"
#include "data/schema/schema.h"
#include "data/stock/module1.h"
#include "items/frmupdate.h"
#include "mainwindow/frmmain.h"
#include "mainwindow/stockdesk.h"
#include "support/scriptedprompts.h"
#include "support/testdb.h"
#include "support/windows.h"
#include "ui/updown.h"

#include <QAbstractItemModelTester>
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QThread>
#include <QToolButton>

#include <atomic>
#include <memory>
#include <sqlite3.h>

using namespace inv;
using testing::execSql;
using testing::TestDb;

namespace {

constexpr quint32 kWhite = 0xFFFFFF;

// Every stored value of Items, row by row.
QStringList snapshot(const QString &path)
{
    return testing::snapshot(path, {QStringLiteral("Items")});
}

QStringList entries(const QComboBox *list)
{
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts << list->itemText(i);
    return texts;
}

// The back colour the label is painted with, as the user sees it: a pixel
// inside its border, away from the centred text.
quint32 shownColour(QLabel *label)
{
    return label->grab().toImage().pixel(3, 3) & 0xFFFFFF;
}

} // namespace

class TestUpdate : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        m_db = testing::newRecordsRun(m_dir);
        canUndo = false;
    }

    void cleanup()
    {
        m_window = nullptr;
        m_main.reset();
        testing::endRun();
        m_db.reset();
    }

    // The window as it opens: both lists filled in table order, entry k of
    // each from the same row (a field without a value an empty entry), the placeholders, "1" in the box and the spin
    // control, empty labels and a white status label.
    void opening()
    {
        m_db->item("B7", "Stapler", 1, 8).item("A1", "Toner", 3, 10);
        m_db->row("Items", {{"item_name", "Glue"}}).item("A2", "Toner", 8, 10); // a row without a number
        openWindow();
        QCOMPARE(m_window->windowTitle(), QString("Update Inventory"));
        QCOMPARE(entries(m_window->cmbitemno), QStringList({"B7", "A1", "", "A2"}));
        QCOMPARE(entries(m_window->cmbitemname), QStringList({"Stapler", "Toner", "Glue", "Toner"}));
        QCOMPARE(m_window->cmbitemno->currentText(), QString("item number"));
        QCOMPARE(m_window->cmbitemname->currentText(), QString("item name"));
        QCOMPARE(m_window->txtqua->text(), QString("1"));
        QCOMPARE(m_window->UpDown1->value(), 1);
        QCOMPARE(m_window->lblqua->text(), QString());
        QCOMPARE(m_window->lblstat->text(), QString());
        QCOMPARE(shownColour(m_window->lblstat), kWhite);
        QCOMPARE(m_window->Label1->text(), QString("Present Quantity:"));
        QCOMPARE(m_window->Label2->text(), QString("Status:"));
        QCOMPARE(m_window->Label3->text(), QString("Quantity to add/less:"));
        QCOMPARE(m_window->cmdadd->text(), QString("&Add"));
        QCOMPARE(m_window->Command1->text(), QString("&Less"));
        QVERIFY(m_window->txtdesc->isReadOnly());
        QCOMPARE(m_window->focusWidget() == m_window->cmbitemname
                     || m_window->focusWidget() == m_window->cmbitemname->lineEdit(),
                 true);

        // Tab order: name list, number list, spin control, box, Add, Less,
        // description.
        const QList<QWidget *> expected = {m_window->cmbitemname, m_window->cmbitemno, m_window->UpDown1,
                                           m_window->txtqua,      m_window->cmdadd,    m_window->Command1,
                                           m_window->txtdesc};
        m_window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_window));
        QList<QWidget *> order;
        for (int i = 0; i < expected.size(); ++i) {
            QWidget *focus = QApplication::focusWidget();
            while (focus && !expected.contains(focus))
                focus = focus->parentWidget(); // the text part of a list
            order << focus;
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        QCOMPARE(order, expected);
    }

    // Both lists' models keep Qt's model contract while the load fills them
    // and an entry is picked.
    void listModelsKeepTheContract()
    {
        m_db->item("B7", "Stapler", 1, 8).item("A1", "Toner", 3, 10);
        m_window = new frmupdate;
        for (QComboBox *list : {m_window->cmbitemno, m_window->cmbitemname})
            new QAbstractItemModelTester(list->model(), QAbstractItemModelTester::FailureReportingMode::QtTest,
                                         list->model());
        QVERIFY(m_window->Form_Load());
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window));
        QCOMPARE(entries(m_window->cmbitemname), QStringList({"Stapler", "Toner"}));
        pickEntry(m_window->cmbitemname, "Toner");
        QCOMPARE(m_window->lblqua->text(), QString("3"));
    }

    // The controls lie inside the window, none over another, each box named
    // for a screen reader.
    void layout()
    {
        openWindow();
        QCOMPARE(m_window->size(), QSize(536, 225));
        const QList<QWidget *> controls = {m_window->Label1,  m_window->lblqua,    m_window->Label2,
                                           m_window->lblstat, m_window->cmbitemno, m_window->cmbitemname,
                                           m_window->Label3,  m_window->txtqua,    m_window->UpDown1,
                                           m_window->cmdadd,  m_window->Command1,  m_window->txtdesc};
        for (QWidget *a : controls) {
            QVERIFY2(m_window->rect().contains(a->geometry()), qPrintable(a->objectName()));
            for (QWidget *b : controls)
                QVERIFY2(a == b || !a->geometry().intersects(b->geometry()),
                         qPrintable(a->objectName() + " over " + b->objectName()));
        }
        // Captions are not cut off, nor is a long exact status.
        for (QLabel *label : {m_window->Label1, m_window->Label2, m_window->Label3})
            QVERIFY2(label->sizeHint().width() <= label->width(), qPrintable(label->objectName()));
        QVERIFY(m_window->lblstat->fontMetrics().horizontalAdvance("-33.3333333333333%")
                < m_window->lblstat->contentsRect().width());
        QCOMPARE(m_window->Label3->buddy(), m_window->txtqua);
        for (QWidget *w : {static_cast<QWidget *>(m_window->cmbitemno), static_cast<QWidget *>(m_window->cmbitemname),
                           static_cast<QWidget *>(m_window->UpDown1), static_cast<QWidget *>(m_window->txtdesc),
                           static_cast<QWidget *>(m_window->lblqua), static_cast<QWidget *>(m_window->lblstat)})
            QVERIFY2(!w->accessibleName().isEmpty(), qPrintable(w->objectName()));
    }

    // A pick shows the first row with the picked value and puts its other
    // field into the other list's text, without picking there.
    void picking_data()
    {
        QTest::addColumn<QString>("list"); // name or number
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("otherText");
        QTest::addColumn<QString>("quantity");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("description");
        QTest::addRow("name shared by two: the first") << "name"
                                                       << "Toner"
                                                       << "A1"
                                                       << "3"
                                                       << "30%"
                                                       << "Toner\n\nblack";
        QTest::addRow("the second by its number") << "number"
                                                  << "A2"
                                                  << "Toner"
                                                  << "8"
                                                  << "80%"
                                                  << "Toner\n\nsecond";
        QTest::addRow("number") << "number"
                                << "B7"
                                << "Stapler"
                                << "1"
                                << "13%"
                                << "Stapler\n\n";
        QTest::addRow("nulls show as empty") << "name"
                                             << "Glue"
                                             << ""
                                             << ""
                                             << ""
                                             << "Glue\n\n";
    }

    void picking()
    {
        QFETCH(QString, list);
        QFETCH(QString, entry);
        QFETCH(QString, otherText);
        QFETCH(QString, quantity);
        QFETCH(QString, status);
        QFETCH(QString, description);
        m_db->item("A1", "Toner", 3, 10, "30%", "black").item("A2", "Toner", 8, 10, "80%", "second");
        m_db->item("B7", "Stapler", 1, 8, "13%", "");
        m_db->row("Items", {{"item_name", "Glue"}}); // every other field null
        openWindow();
        QComboBox *picked = list == "name" ? m_window->cmbitemname : m_window->cmbitemno;
        QComboBox *other = list == "name" ? m_window->cmbitemno : m_window->cmbitemname;
        QSignalSpy otherPicks(other, &QComboBox::activated);

        pickEntry(picked, entry);
        QCOMPARE(picked->currentText(), entry);
        QCOMPARE(other->currentText(), otherText);
        QCOMPARE(m_window->lblqua->text(), quantity);
        QCOMPARE(m_window->lblstat->text(), status);
        QCOMPARE(m_window->txtdesc->toPlainText(), description);
        QCOMPARE(otherPicks.count(), 0);
    }

    // The status label is coloured by the item's status with the thresholds
    // of the list it was picked in; where there is no colour it keeps the one
    // it had.
    void pickColours_data()
    {
        QTest::addColumn<QString>("before"); // status picked first, or ""
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("list");
        QTest::addColumn<quint32>("colour");
        QTest::newRow("45% by name") << ""
                                     << "45%"
                                     << "name" << 0xFFE0C0u;
        QTest::newRow("45% by number") << ""
                                       << "45%"
                                       << "number" << 0xFFFF00u;
        QTest::newRow("88% by name") << ""
                                     << "88%"
                                     << "name" << 0xC0FFC0u;
        QTest::newRow("88% by number") << ""
                                       << "88%"
                                       << "number" << 0x80FF80u;
        QTest::newRow("100% either way") << ""
                                         << "100%"
                                         << "number" << 0x00FF00u;
        QTest::newRow("5% either way") << ""
                                       << "5%"
                                       << "name" << 0xFF0000u;
        QTest::newRow("15% by name keeps white") << ""
                                                 << "15%"
                                                 << "name" << kWhite;
        QTest::newRow("15% by name keeps green") << "100%"
                                                 << "15%"
                                                 << "name" << 0x00FF00u;
        QTest::newRow("15% by number") << "100%"
                                       << "15%"
                                       << "number" << 0xFF8000u;
        QTest::newRow("10% by number keeps green") << "100%"
                                                   << "10%"
                                                   << "number" << 0x00FF00u;
    }

    void pickColours()
    {
        QFETCH(QString, before);
        QFETCH(QString, status);
        QFETCH(QString, list);
        QFETCH(quint32, colour);
        m_db->item("F1", "First", 10, 10, before).item("S1", "Second", 1, 1, status);
        openWindow();
        QComboBox *picked = list == "name" ? m_window->cmbitemname : m_window->cmbitemno;
        if (!before.isEmpty())
            pickEntry(picked, list == "name" ? "First" : "F1");
        pickEntry(picked, list == "name" ? "Second" : "S1");
        QCOMPARE(m_window->lblstat->text(), status);
        QCOMPARE(shownColour(m_window->lblstat), colour);
    }

    // Add and Less on the picked item: the stored row, the labels and the
    // palette colour; or a refusal that writes nothing.
    void addAndLess_data()
    {
        QTest::addColumn<int>("remaining");
        QTest::addColumn<int>("max");
        QTest::addColumn<QString>("button"); // add or less
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("expRemaining");
        QTest::addColumn<int>("expMax");
        QTest::addColumn<QString>("expStatus");
        QTest::addColumn<quint32>("colour");
        QTest::addColumn<QString>("refusal"); // a part of the message; "" when none

        QTest::addRow("add beyond the maximum raises it") << 10 << 10 << "add"
                                                          << "5" << 15 << 15 << "100%" << 0x00FF00u << "";
        QTest::addRow("add within the maximum") << 2 << 10 << "add"
                                                << "5" << 7 << 10 << "70%" << 0xFFFFC0u << "";
        QTest::addRow("less: exact status") << 10 << 15 << "less"
                                            << "3" << 7 << 15 << "46.6666666666667%" << 0xFFFF00u << "";
        QTest::addRow("less below nothing stays negative") << 5 << 10 << "less"
                                                           << "20" << -15 << 10 << "-150%" << 0xFF0000u << "";
        QTest::addRow("add 0 rewrites the status exactly") << 2 << 3 << "add"
                                                           << "0" << 2 << 3 << "66.6666666666667%" << 0xFFFFC0u << "";
        QTest::addRow("less 0 as well") << 2 << 3 << "less"
                                        << "0" << 2 << 3 << "66.6666666666667%" << 0xFFFFC0u << "";
        QTest::addRow("an empty box counts as 0") << 9 << 20 << "add"
                                                  << "" << 9 << 20 << "45%" << 0xFFFF00u << "";
        QTest::addRow("up to the largest quantity") << 32760 << 32767 << "add"
                                                    << "7" << 32767 << 32767 << "100%" << 0x00FF00u << "";
        QTest::addRow("down to the smallest quantity") << -32760 << 10 << "less"
                                                       << "8" << -32768 << 10 << "-327680%" << 0xFF0000u << "";

        const QString tooLarge = "its remaining quantity would become";
        QTest::addRow("add beyond 32767") << 32760 << 32767 << "add"
                                          << "8" << 32760 << 32767 << "old" << kWhite << tooLarge;
        QTest::addRow("less below -32768") << -32760 << 10 << "less"
                                           << "9" << -32760 << 10 << "old" << kWhite << tooLarge;
        // Numbers in one sentence are written one way, in any language.
        QTest::addRow("the new quantity written as the range is")
            << -32760 << 10 << "less"
            << "22" << -32760 << 10 << "old" << kWhite << "would become -32782, outside -32768 to 32767";
        QTest::addRow("largest typed quantity, result too large")
            << 1 << 10 << "add"
            << "1000000" << 1 << 10 << "old" << kWhite << tooLarge;
        QTest::addRow("typed beyond the spin control's range")
            << 1 << 10 << "less"
            << "1000001" << 1 << 10 << "old" << kWhite << "from 0 to 1000000";
        QTest::addRow("a huge typed number")
            << 1 << 10 << "add"
            << "99999999999999999999999" << 1 << 10 << "old" << kWhite << "from 0 to 1000000";
        QTest::addRow("maximum 0, add") << 5 << 0 << "add"
                                        << "1" << 5 << 0 << "old" << kWhite << "is 0";
        QTest::addRow("maximum 0, less") << 5 << 0 << "less"
                                         << "1" << 5 << 0 << "old" << kWhite << "is 0";
        QTest::addRow("stored remaining beyond 32767")
            << 40000 << 10 << "less"
            << "1" << 40000 << 10 << "old" << kWhite << "remaining quantity lies outside";
        QTest::addRow("stored maximum beyond 32767")
            << 5 << 40000 << "add"
            << "1" << 5 << 40000 << "old" << kWhite << "maximum quantity lies outside";
        QTest::addRow("a raise that makes the maximum 0") << -5 << -3 << "add"
                                                          << "5" << -5 << -3 << "old" << kWhite << "would become 0";
        // Whatever route set the box's text, only digits count.
        const QString notWhole = "from 0 to 1000000";
        for (const char *text : {"-5", "+5", "1e3", "5.0", " 5", "0x10", "\u0665"})
            for (const char *direction : {"add", "less"})
                QTest::addRow("typed %s, %s", text, direction)
                    << 5 << 10 << direction << QString::fromUtf8(text) << 5 << 10 << "old" << kWhite << notWhole;
    }

    void addAndLess()
    {
        QFETCH(int, remaining);
        QFETCH(int, max);
        QFETCH(QString, button);
        QFETCH(QString, typed);
        QFETCH(int, expRemaining);
        QFETCH(int, expMax);
        QFETCH(QString, expStatus);
        QFETCH(quint32, colour);
        QFETCH(QString, refusal);
        // A language that groups thousands.
        const QLocale language;
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        const auto restore = qScopeGuard([&] { QLocale::setDefault(language); });
        m_db->item("X1", "Other", 4, 4, "100%").item("T-200", "Toner", remaining, max, "old");
        const QStringList before = snapshot(m_db->path());
        openWindow();
        pickEntry(m_window->cmbitemname, "Toner");
        const quint32 pickColour = shownColour(m_window->lblstat);
        m_window->txtqua->setText(typed);

        testing::ScriptedPrompts prompts;
        (button == "add" ? m_window->cmdadd : m_window->Command1)->click();

        if (refusal.isEmpty()) {
            QCOMPARE(prompts.messages.size(), 0);
        } else {
            QCOMPARE(prompts.messages.size(), 1);
            QVERIFY2(prompts.last().text.contains(refusal), qPrintable(prompts.last().text));
            QCOMPARE(prompts.last().title, ui::Prompts::applicationTitle());
            QCOMPARE(snapshot(m_db->path()), before);
            // The labels go on showing the item as it was picked.
            QCOMPARE(m_window->lblqua->text(), QString::number(remaining));
            QCOMPARE(m_window->lblstat->text(), QString("old"));
            QCOMPARE(shownColour(m_window->lblstat), pickColour);
            return;
        }
        QCOMPARE(m_db->value("Items", 1, "remaining_quantity").toInt(), expRemaining);
        QCOMPARE(m_db->value("Items", 1, "max_quantity").toInt(), expMax);
        QCOMPARE(m_db->value("Items", 1, "Status").toString(), expStatus);
        // Neither button touches the original quantity or the dates, nor
        // another row.
        QCOMPARE(m_db->value("Items", 1, "original_quantity").toInt(), max);
        QCOMPARE(m_db->value("Items", 1, "date_updated").toDate(), testing::kOldDate);
        QCOMPARE(m_db->value("Items", 1, "tempdate").toDate(), testing::kOldDate);
        QCOMPARE(snapshot(m_db->path()).first(), before.first());

        QCOMPARE(m_window->lblqua->text(), QString::number(expRemaining));
        QCOMPARE(m_window->lblstat->text(), expStatus);
        QCOMPARE(shownColour(m_window->lblstat), colour);
        // The description stays as the pick left it.
        QCOMPARE(m_window->txtdesc->toPlainText(), QString("Toner\n\ndesc"));
    }

    // Changes follow each other on the same row; the item worked on is the
    // one whose number the list shows, not the one whose name it shows.
    void changesInARow()
    {
        m_db->item("A1", "Toner", 3, 10, "30%").item("A2", "Toner", 8, 10, "80%");
        openWindow();
        pickEntry(m_window->cmbitemno, "A2");
        m_window->txtqua->setText("4");
        m_window->cmdadd->click();
        m_window->cmdadd->click();
        m_window->Command1->click();
        QCOMPARE(m_db->value("Items", 1, "remaining_quantity").toInt(), 12);
        QCOMPARE(m_db->value("Items", 1, "max_quantity").toInt(), 16);
        QCOMPARE(m_db->value("Items", 1, "Status").toString(), QString("75%"));
        QCOMPARE(m_db->value("Items", 0, "remaining_quantity").toInt(), 3);
        QCOMPARE(m_window->lblqua->text(), QString("12"));
        QCOMPARE(shownColour(m_window->lblstat), 0xC0FFC0u);
    }

    // While a list shows its placeholder, Add and Less do nothing at all; a
    // typed number of no item writes nothing and paints the label from its
    // caption.
    void nothingToChange_data()
    {
        QTest::addColumn<QString>("number"); // the number list's text; "pick" picks Toner by name
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption"); // lblstat before
        QTest::addColumn<quint32>("colour");
        QTest::addRow("both placeholders") << "item number"
                                           << "item name"
                                           << "" << kWhite;
        QTest::addRow("number placeholder") << "item number"
                                            << "Toner"
                                            << "" << kWhite;
        QTest::addRow("name placeholder") << "T-200"
                                          << "item name"
                                          << "" << kWhite;
        QTest::addRow("unknown number, empty caption") << "T-2000"
                                                       << "Toner"
                                                       << "" << 0xFF0000u;
        QTest::addRow("number in other case") << "t-200"
                                              << "Toner"
                                              << "75%" << 0xC0FFC0u;
        QTest::addRow("number with a blank") << "T-200 "
                                             << "Toner"
                                             << "75%" << 0xC0FFC0u;
    }

    void nothingToChange()
    {
        QFETCH(QString, number);
        QFETCH(QString, name);
        QFETCH(QString, caption);
        QFETCH(quint32, colour);
        m_db->item("T-200", "Toner", 5, 10, "50%");
        const QStringList before = snapshot(m_db->path());
        openWindow();
        m_window->lblstat->setText(caption);
        QTest::keyClick(m_window->cmbitemno->lineEdit(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(m_window->cmbitemno->lineEdit(), number);
        m_window->cmbitemname->setEditText(name);

        testing::ScriptedPrompts prompts;
        m_window->cmdadd->click();
        m_window->Command1->click();
        QCOMPARE(snapshot(m_db->path()), before);
        QCOMPARE(prompts.messages.size(), 0);
        QCOMPARE(m_window->lblstat->text(), caption);
        QCOMPARE(m_window->lblqua->text(), QString());
        QCOMPARE(shownColour(m_window->lblstat), colour);
    }

    // A long exact status shows whole in the status label, picked and after
    // a Less. The label is made narrower first, as a screen whose fonts are
    // larger than its twips (120 dpi, say) leaves it for the text.
    void aLongStatusShowsWhole()
    {
        m_db->item("T-200", "Toner", -32761, 12, "-273008.333333333%");
        openWindow();
        m_window->lblstat->resize(m_window->lblstat->width() * 3 / 4, m_window->lblstat->height());
        const auto fits = [this] {
            QLabel *label = m_window->lblstat;
            return QFontMetrics(label->font()).horizontalAdvance(label->text()) <= label->contentsRect().width();
        };
        pickEntry(m_window->cmbitemname, "Toner");
        QCOMPARE(m_window->lblstat->text(), QString("-273008.333333333%"));
        QVERIFY(fits());
        m_window->txtqua->setText("7");
        m_window->Command1->click();
        QCOMPARE(m_window->lblstat->text(), QString("-273066.666666667%"));
        QVERIFY(fits());
        // A short one is drawn at the label's own size.
        m_window->txtqua->setText("32768");
        m_window->cmdadd->click();
        QCOMPARE(m_window->lblstat->text(), QString("0%"));
        QCOMPARE(m_window->lblstat->font().pointSizeF(), 9.75);
    }

    // Another program adds to the same row while Adds are pressed: the look-up
    // and the write of each Add are made under one lock, so none of the other
    // program's writes is lost (before, one landing between them was).
    void anotherProgramsWritesAreNotLost()
    {
        if (testing::onServer())
            QSKIP("another program on the same file; the server's clerks are tested by test_clerks_server");
        m_db->item("T-200", "Toner", 0, 30000, "0%");
        openWindow();
        pickEntry(m_window->cmbitemno, "T-200");
        m_window->txtqua->setText("1");
        std::atomic<bool> stop{false};
        std::atomic<int> written{0};
        const QString path = m_db->path();
        std::unique_ptr<QThread> other(QThread::create([&] {
            KeyedFile db(path, KeyedFile::Mode::ReadWrite);
            db.noBusyWait();
            while (!stop) {
                try {
                    db.exec("UPDATE Items SET remaining_quantity = remaining_quantity + 1");
                    ++written;
                } catch (const RecordsError &) {
                    // Busy: the window holds the file.
                }
                QThread::usleep(300);
            }
        }));
        other->start();
        QTRY_VERIFY(written > 0); // its key derivation takes a moment
        testing::ScriptedPrompts prompts;
        constexpr int kAdds = 100;
        int added = 0;
        for (int i = 0; i < kAdds; ++i) {
            const int before = prompts.messages.size();
            m_window->cmdadd->click();
            if (prompts.messages.size() == before)
                ++added;
        }
        stop = true;
        other->wait();
        QCOMPARE(m_db->value("Items", 0, "remaining_quantity").toInt(), added + written);
    }

    // An item without a maximum quantity is refused, saying so, by Add and
    // Less and by the desk.
    void aMissingMaximumIsNamed()
    {
        m_db->row("Items", {{"item_no", "T-200"},
                            {"item_name", "Toner"},
                            {"original_quantity", 10},
                            {"remaining_quantity", 5},
                            {"Status", "old"}});
        const QStringList before = snapshot(m_db->path());
        openWindow();
        pickEntry(m_window->cmbitemname, "Toner");
        testing::ScriptedPrompts prompts;
        m_window->cmdadd->click();
        QCOMPARE(prompts.messages.size(), 1);
        QCOMPARE(prompts.last().text, QString("The stock of Toner cannot be changed: its maximum quantity is not set, "
                                              "so its stock status cannot be worked out."));
        const StockDesk::Outcome removal = StockDesk::removeOne(QString("Toner"));
        QVERIFY2(removal.message.contains("its base quantity is not set"), qPrintable(removal.message));
        QCOMPARE(snapshot(m_db->path()), before);
    }

    // Typed text in a list is never a pick: completion keeps the letter case
    // and puts nothing in the box that was not typed, leaving the list shows
    // nothing, and Add and Less act only on an item whose number is exactly
    // the list's text.
    void typedTextIsNoPick_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("then"); // tab: leave the list; enter: Enter first, then leave
        QTest::addColumn<int>("changedRow"); // the row Less lowers; -1: none
        QTest::addRow("the other case of a number, leaving") << "a1"
                                                             << "tab" << 1;
        QTest::addRow("a prefix of a number, leaving") << "A"
                                                       << "tab" << -1;
        QTest::addRow("a number of no item, leaving") << "1"
                                                      << "tab" << -1;
        QTest::addRow("a number of no item, Enter") << "1"
                                                    << "enter" << -1;
        QTest::addRow("a prefix in the other case") << "b"
                                                    << "tab" << -1;
    }

    void typedTextIsNoPick()
    {
        QFETCH(QString, typed);
        QFETCH(QString, then);
        QFETCH(int, changedRow);
        m_db->item("A1", "Toner", 5, 10, "50%").item("a1", "Glue", 5, 10, "50%").item("10", "Pens", 5, 10, "50%");
        m_db->item("B2", "Paper", 5, 10, "50%");
        openWindow();
        m_window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_window));
        QLineEdit *edit = m_window->cmbitemno->lineEdit();
        edit->setFocus();
        QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(edit, typed);
        if (then == "enter")
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(m_window->cmbitemno->currentText(), typed);
        // A name shown would be a pick: none was made.
        QCOMPARE(m_window->cmbitemname->currentText(), QString("item name"));
        m_window->cmbitemname->setEditText("Toner");
        QCOMPARE(m_window->lblqua->text(), QString());

        testing::ScriptedPrompts prompts;
        m_window->txtqua->setText("2");
        m_window->Command1->click();
        for (int row = 0; row < 4; ++row)
            QCOMPARE(m_db->value("Items", row, "remaining_quantity").toInt(), row == changedRow ? 3 : 5);
        QCOMPARE(prompts.messages.size(), 0);
    }

    // The box and the spin control stay equal both ways; the box takes
    // digits only.
    void quantityBoxAndSpinControl_data()
    {
        QTest::addColumn<QString>("steps"); // "up", "down", "type:<keys>", "clear", separated by blanks
        QTest::addColumn<QString>("box");
        QTest::addColumn<int>("spin");
        QTest::addRow("up arrow from 1") << "up"
                                         << "2" << 2;
        QTest::addRow("down arrow from 1") << "down"
                                           << "0" << 0;
        QTest::addRow("down at 0 stays") << "down down"
                                         << "0" << 0;
        QTest::addRow("typed 25") << "clear type:25"
                                  << "25" << 25;
        QTest::addRow("cleared") << "clear"
                                 << "" << 0;
        QTest::addRow("typed, then up") << "clear type:25 up up"
                                        << "27" << 27;
        QTest::addRow("letters and signs are dropped") << "clear type:4a-+.2b"
                                                       << "42" << 42;
        QTest::addRow("a leading zero") << "clear type:07"
                                        << "07" << 7;
        QTest::addRow("top of the range") << "clear type:1000000 up"
                                          << "1000000" << 1000000;
        QTest::addRow("beyond the range: the arrows come back into it") << "clear type:2000000 down"
                                                                        << "999999" << 999999;
    }

    void quantityBoxAndSpinControl()
    {
        QFETCH(QString, steps);
        QFETCH(QString, box);
        QFETCH(int, spin);
        openWindow();
        for (const QString &step : steps.split(' ')) {
            if (step == "up")
                QTest::mouseClick(m_window->UpDown1->upArrow(), Qt::LeftButton);
            else if (step == "down")
                QTest::mouseClick(m_window->UpDown1->downArrow(), Qt::LeftButton);
            else if (step == "clear")
                m_window->txtqua->clear();
            else
                QTest::keyClicks(m_window->txtqua, step.mid(5));
        }
        QCOMPARE(m_window->txtqua->text(), box);
        QCOMPARE(m_window->UpDown1->value(), spin);
    }

    // With the focus on the spin control, the arrow keys step it.
    void spinControlByKeyboard()
    {
        openWindow();
        m_window->UpDown1->setFocus();
        QTest::keyClick(m_window->UpDown1, Qt::Key_Up);
        QTest::keyClick(m_window->UpDown1, Qt::Key_Up);
        QTest::keyClick(m_window->UpDown1, Qt::Key_Down);
        QCOMPARE(m_window->txtqua->text(), QString("2"));
    }

    // A database that fails in the middle of an Add shows the records
    // layer's message, writes nothing, and leaves the window working.
    void failingDatabase_data()
    {
        QTest::addColumn<QString>("failure");
        QTest::addRow("a write that fails half-way") << "trigger";
        if (testing::onServer()) {
            QTest::addRow("server lost half-way") << "lost";
            return;
        }
        QTest::addRow("locked by another program") << "locked";
        QTest::addRow("file gone") << "gone";
    }

    void failingDatabase()
    {
        QFETCH(QString, failure);
        m_db->item("T-200", "Toner", 10, 10, "100%");
        openWindow();
        pickEntry(m_window->cmbitemname, "Toner");
        m_window->txtqua->setText("5");
        const QStringList before = snapshot(m_db->path());
        const QString moved = m_db->path() + ".moved";

        std::unique_ptr<KeyedFile> reader;
        sqlite3_stmt *reading = nullptr;
        if (failure == "trigger") {
            // The row is changed, then the statement fails: the change must
            // go with it, maximum and quantity alike.
            testing::failWrites(m_db->path(), "half", "AFTER", "UPDATE", "Items", "disk full");
        } else if (failure == "lost") {
            testing::failWrites(m_db->path(), "half", "AFTER", "UPDATE", "Items", "lost");
        } else if (failure == "locked") {
            reader = std::make_unique<KeyedFile>(m_db->path(), KeyedFile::Mode::ReadOnly);
            reader->noBusyWait();
            QCOMPARE(sqlite3_prepare_v2(reader->db(), "SELECT * FROM Items", -1, &reading, nullptr), SQLITE_OK);
            QCOMPARE(sqlite3_step(reading), SQLITE_ROW); // holds its read lock
        } else {
            QVERIFY(QFile::rename(m_db->path(), moved));
        }

        testing::ScriptedPrompts prompts;
        m_window->cmdadd->click();
        QCOMPARE(prompts.messages.size(), 1);
        const QString expected = failure == "trigger"  ? "disk full"
                                 : failure == "locked" ? "locked"
                                 : failure == "lost"   ? "The database server cannot be reached; nothing was written."
                                                       : "does not exist";
        QVERIFY2(prompts.last().text.contains(expected), qPrintable(prompts.last().text));
        if (failure != "lost") // the plain sentence names no database
            QVERIFY2(prompts.last().text.contains(testing::onServer() ? "postgresql://" : "Records.mdb"),
                     qPrintable(prompts.last().text));
        QCOMPARE(m_window->lblqua->text(), QString("10"));
        QVERIFY(m_window->isVisible());

        if (reader) {
            sqlite3_finalize(reading);
            reader.reset();
        }
        if (failure == "trigger" || failure == "lost")
            testing::stopFailing(m_db->path(), "half", "Items");
        if (failure == "gone")
            QVERIFY(QFile::rename(moved, m_db->path()));
        QCOMPARE(snapshot(m_db->path()), before);

        // Once the database is well again, the same Add goes through.
        m_window->cmdadd->click();
        QCOMPARE(prompts.messages.size(), 1);
        QCOMPARE(m_db->value("Items", 0, "remaining_quantity").toInt(), 15);
        QCOMPARE(m_db->value("Items", 0, "max_quantity").toInt(), 15);
        QCOMPARE(m_window->lblqua->text(), QString("15"));
    }

    // A window whose lists cannot be filled does not open; the main window
    // stays usable.
    void loadFailure()
    {
        m_db->item("T-200", "Toner", 10, 10, "100%");
        loadMain();
        Module1::dbPath = m_dir->filePath("Gone.mdb");
        testing::ScriptedPrompts prompts;
        QVERIFY(!m_main->openEntry("nUpdate"));
        QCOMPARE(prompts.messages.size(), 1);
        QVERIFY(prompts.last().text.contains("Gone.mdb"));
        QVERIFY(!testing::shownWindow<frmupdate>());
        QVERIFY(m_main->isEnabled());
    }

    // In full mode the menu entry and the picture button open the window
    // through the opening rule; closing it gives the main window back.
    void openedFromTheMainWindow_data()
    {
        QTest::addColumn<QString>("via");
        QTest::addRow("menu") << "menu";
        QTest::addRow("picture button") << "button";
    }

    void openedFromTheMainWindow()
    {
        QFETCH(QString, via);
        m_db->item("T-200", "Toner", 10, 10, "100%");
        loadMain();
        QVERIFY(m_main->nUpdate->isEnabled());
        QVERIFY(m_main->cmdupdate->isEnabled());
        if (via == "menu")
            m_main->nUpdate->trigger();
        else
            m_main->cmdupdate->click();
        auto *window = testing::shownWindow<frmupdate>();
        QVERIFY(window);
        QCOMPARE(entries(window->cmbitemname), QStringList{"Toner"});
        QVERIFY(!m_main->isEnabled());
        QCOMPARE(m_main->transactionPanelShown(), via == "menu");

        window->close();
        QTRY_VERIFY(!testing::findWindow<frmupdate>());
        QVERIFY(m_main->isEnabled());
    }

    // The update window leaves the item cursor open, so that undo in the
    // main window still puts back the unit of the last click.
    void undoAfterAnUpdate()
    {
        m_db->item("T-200", "Toner", 10, 10, "100%");
        loadMain();
        m_main->lstitem->setCurrentRow(0); // one click: 9 left, 1 in the tally
        m_main->lstitem_Click();
        QCOMPARE(m_db->value("Items", 0, "remaining_quantity").toInt(), 9);

        m_main->nUpdate->trigger();
        m_window = testing::shownWindow<frmupdate>();
        QVERIFY(m_window);
        pickEntry(m_window->cmbitemname, "Toner");
        m_window->txtqua->setText("5");
        m_window->cmdadd->click();
        QCOMPARE(m_db->value("Items", 0, "remaining_quantity").toInt(), 14);
        m_window->close();
        m_window = nullptr;
        QTRY_VERIFY(m_main->isEnabled());

        testing::ScriptedPrompts prompts;
        m_main->cmdundo();
        QCOMPARE(prompts.messages.size(), 0);
        QCOMPARE(m_db->value("Items", 0, "remaining_quantity").toInt(), 15);
        QCOMPARE(m_db->value("Itemsout", 0, "quantity").toInt(), 0);
    }

private:
    void openWindow()
    {
        m_window = testing::loadWindow<frmupdate>();
        QVERIFY(m_window);
        QVERIFY(QTest::qWaitForWindowExposed(m_window));
    }

    void loadMain()
    {
        m_main = std::make_unique<frmmain>();
        QVERIFY(m_main->Form_Load());
        m_main->show();
        m_main->cmdtrans->click();
    }

    // Picks the first entry of that text from the list's drop-down, with the
    // mouse, as the user does.
    void pickEntry(QComboBox *list, const QString &text)
    {
        const int index = list->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
        QVERIFY2(index >= 0, qPrintable(text));
        list->showPopup();
        QAbstractItemView *view = list->view();
        QTRY_VERIFY(view->isVisible());
        const QModelIndex entry = view->model()->index(index, list->modelColumn(), view->rootIndex());
        view->scrollTo(entry);
        const QPoint centre = view->visualRect(entry).center();
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, centre);
        QTRY_VERIFY(!view->isVisible());
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<TestDb> m_db;
    std::unique_ptr<frmmain> m_main;
    frmupdate *m_window = nullptr;
};

QTEST_MAIN(TestUpdate)
#include "test_update.moc"
