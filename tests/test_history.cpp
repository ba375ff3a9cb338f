// The stock history and the reorder list: each kind of change writes one row
// with the change, in its transaction; the books balance, and a change made
// behind the program's back is found; an older file is upgraded once; the
// two windows' filters and pages; the two commands.

#include "admin/historycommands.h"
#include "admin/maintenance.h"
#include "admin/provisioning.h"
#include "data/core/recordset.h"
#include "data/engines/file/sqlcipherconnection.h"
#include "data/stock/itemlookup.h"
#include "data/stock/journal.h"
#include "data/stock/module1.h"
#include "data/stock/reorder.h"
#include "data/stock/session.h"
#include "items/itemrecords.h"
#include "items/stockchange.h"
#include "mainwindow/frmmain.h"
#include "mainwindow/stockdesk.h"
#include "reports/frmhistory.h"
#include "reports/frmreorder.h"
#include "support/fixedclock.h"
#include "support/scriptedprompts.h"
#include "support/testdb.h"
#include "support/windows.h"

#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QListView>
#include <QProcess>
#include <QPushButton>
#include <QStringListModel>
#include <QTest>

#include <functional>

using namespace inv;
using testing::TestDb;

namespace {

const QDateTime kNow{QDate(2026, 3, 10), QTime(9, 30)};

// Every row of the history, oldest first: "kind|item_no|change|remaining|user".
QStringList history(const QString &path)
{
    QStringList rows;
    auto cn = testing::openLocation(path);
    cn->forEach(Journal::kTable, [&](const Row &row) {
        rows << QStringList{fieldText(row.values[Journal::kKind]), fieldText(row.values[Journal::kItemNo]),
                            fieldText(row.values[Journal::kChange]), fieldText(row.values[Journal::kRemaining]),
                            fieldText(row.values[Journal::kUserName])}
                    .join('|');
    });
    return rows;
}

QStringList unbalanced(const QString &path)
{
    QStringList found;
    for (const Journal::Imbalance &i : Journal::unbalanced(*testing::openLocation(path)))
        found << Journal::describe(i);
    return found;
}

QStringList shown(QListView *list)
{
    return static_cast<QStringListModel *>(list->model())->stringList();
}

struct Admin {
    int exitCode = -1;
    QString out, err;
};

Admin admin(const QStringList &args)
{
    QProcess p;
    p.start(QStringLiteral(INVENTORY_ADMIN), args);
    Admin result;
    if (!p.waitForFinished(60000))
        return result;
    result.exitCode = p.exitCode();
    result.out = QString::fromUtf8(p.readAllStandardOutput());
    result.err = QString::fromUtf8(p.readAllStandardError());
    return result;
}

} // namespace

class TestHistory : public QObject {
    Q_OBJECT

private slots:
    void cleanup()
    {
        testing::endRun();
        Session::end();
    }

    // Each kind of change writes exactly one row, with the account, the
    // item, the change and the quantity after it; the books still balance.
    // A change refused writes no row either.
    void eachChangeWritesOneRow()
    {
        using ItemRecords::ItemInput;
        struct Case {
            const char *name;
            std::function<void()> prepare, act;
            QString row; // the one row expected: kind|item_no|change|remaining|user; empty: none
        };
        const auto remove = [] { StockDesk::removeOne(QStringLiteral("Paper")); };
        const QVector<Case> cases = {
            {"removal", {}, remove, "removal|P-100|-1|9|clerk"},
            {"undo", remove, [] { StockDesk::undoRemoval(QStringLiteral("Paper")); }, "undo|P-100|1|10|clerk"},
            {"clear", {}, [] { StockDesk::clearTally(); }, "clear||0||clerk"},
            {"add",
             {},
             [] {
                 ItemRecords::addItem(ItemInput{"N-1", "New", "5", "3", "d"});
             },
             "add|N-1|3|3|clerk"},
            {"edit",
             {},
             [] {
                 ItemRecords::editItem(ItemInput{"P-100", "Paper", "20", "7", "d"});
             },
             "edit|P-100|-3|7|clerk"},
            {"delete", [] { findByItemNo(ItemTable::Items, QStringLiteral("P-100")); },
             [] { deleteShownRow(shownRow(ItemTable::Items)); }, "delete|P-100|-10|0|clerk"},
            {"stock add",
             {},
             [] { StockChange::changeQuantity(StockChange::Direction::Add, "P-100", "Paper", "4"); },
             "stock add|P-100|4|14|clerk"},
            {"stock less",
             {},
             [] { StockChange::changeQuantity(StockChange::Direction::Less, "P-100", "Paper", "4"); },
             "stock less|P-100|-4|6|clerk"},
            {"removal without stock", {}, [] { StockDesk::removeOne(QStringLiteral("Empty")); }, {}},
            {"add of a number in use",
             {},
             [] {
                 ItemRecords::addItem(ItemInput{"P-100", "Again", "5", "3", "d"});
             },
             {}},
            {"less below -32768",
             {},
             [] { StockChange::changeQuantity(StockChange::Direction::Less, "P-100", "Paper", "40000"); },
             {}},
        };
        for (const Case &c : cases) {
            std::unique_ptr<QTemporaryDir> dir;
            auto db = testing::newRecordsRun(dir);
            db->item("P-100", "Paper", 10, 20, "50%").item("E-1", "Empty", 0, 5, "0%").tally("P-100", "Paper", 3);
            db->balanced();
            Session::setAccount(QStringLiteral("clerk"));
            if (c.prepare)
                c.prepare();
            const QStringList before = history(db->path());
            c.act();
            const QStringList after = history(db->path());
            QVERIFY2(after.mid(0, before.size()) == before, c.name);
            QCOMPARE(after.mid(before.size()), c.row.isEmpty() ? QStringList() : QStringList{c.row});
            QVERIFY2(unbalanced(db->path()).isEmpty(),
                     qPrintable(c.name + QStringLiteral(": ") + unbalanced(db->path()).join("; ")));
            testing::endRun();
        }
    }

    // The row belongs to the change's transaction: when it cannot be
    // written, the change is not written either.
    void aRowThatFailsTakesTheChangeWithIt()
    {
        const QVector<std::pair<const char *, std::function<void()>>> changes = {
            {"removal", [] { StockDesk::removeOne(QStringLiteral("Paper")); }},
            {"clear", [] { StockDesk::clearTally(); }},
            {"add",
             [] {
                 ItemRecords::addItem({"N-1", "New", "5", "3", "d"});
             }},
            {"edit",
             [] {
                 ItemRecords::editItem({"P-100", "Paper", "20", "7", "d"});
             }},
            {"stock add", [] { StockChange::changeQuantity(StockChange::Direction::Add, "P-100", "Paper", "4"); }},
        };
        for (const auto &[name, change] : changes) {
            std::unique_ptr<QTemporaryDir> dir;
            auto db = testing::newRecordsRun(dir);
            db->item("P-100", "Paper", 10, 20, "50%").tally("P-100", "Paper", 3).balanced();
            testing::failWrites(db->path(), "refuse", "BEFORE", "INSERT", "Journal", "refused");
            const QStringList before = testing::snapshot(db->path(), {"Items", "Itemsout", "Journal"});
            QVERIFY_THROWS_EXCEPTION(RecordsError, change());
            QVERIFY2(testing::snapshot(db->path(), {"Items", "Itemsout", "Journal"}) == before, name);
            testing::endRun();
        }
    }

    // A change made behind the program's back (here with the engine
    // itself, as the sqlcipher command line or psql would) unbalances the
    // books: the balance check names the item and fails, yet the program
    // still opens the database. On a file, inventory-admin check says so
    // too and still finds the file sound.
    void balanceCheckFindsAChangeBehindTheBack()
    {
        QTemporaryDir dir;
        TestDb db(dir.path());
        db.item("P-100", "Paper", 10, 20, "50%").item("T-200", "Toner", 4, 10, "40%").balanced();
        const AdminReport balanced = checkBalance(db.path());
        QVERIFY2(balanced.ok() && balanced.summary.endsWith("the books balance, 2 history rows"),
                 qPrintable(balanced.summary + balanced.problems.join("; ")));
        if (!testing::onServer()) {
            Admin sound = admin({"check", db.path()});
            QCOMPARE(sound.exitCode, 0);
            QVERIFY2(sound.out.contains("the books balance, 2 history rows"), qPrintable(sound.out));
        }

        testing::execSql(db.path(), "UPDATE Items SET remaining_quantity = 3 WHERE item_no = 'T-200'");
        const QString found = "the books do not balance for item T-200 (Toner): the history gives 4, the item holds 3";
        const AdminReport unbalancedReport = checkBalance(db.path());
        QCOMPARE(unbalancedReport.problems, QStringList{db.path() + ": " + found});
        if (!testing::onServer()) {
            const Admin check = admin({"check", db.path()});
            QCOMPARE(check.exitCode, 1);
            QVERIFY2(check.out.contains(": sound, 2 items"), qPrintable(check.out));
            QVERIFY2(check.err.contains(found), qPrintable(check.err));
            QVERIFY(!check.err.contains("P-100"));
            QVERIFY(checkDatabase(db.path()).ok()); // a backup or a restore still takes it
        }

        Module1::dbPath = db.path();
        Module1::OpenRecordsConnection();
        QVERIFY(StockDesk::removeOne(QStringLiteral("Paper")).changed);
    }

    // A file made before the history: sound for check, untouched by every
    // read-only path and by the view-only mode; the program's first opening
    // for writing gives each item its opening row, and the next one adds
    // nothing.
    void olderFileGetsItsOpeningRowsOnce()
    {
        if (testing::onServer())
            QSKIP("about a file made before the history; a server database is made with it");
        QTemporaryDir dir;
        TestDb db(dir.path());
        db.item("P-100", "Paper", 10, 20, "50%").item("T-200", "Toner", 4, 10, "40%");
        testing::execSql(db.path(), "DROP TABLE Journal; PRAGMA user_version = 0");
        const QByteArray untouched = testing::fileHash(db.path());

        QVERIFY(checkDatabase(db.path()).ok());
        QVERIFY(!checkRecordsDatabase(db.path()));
        const AdminReport balance = checkBalance(db.path());
        QVERIFY2(balance.ok() && balance.summary.contains("no stock history yet"), qPrintable(balance.summary));
        QCOMPARE(admin({"check", db.path()}).exitCode, 0);
        QCOMPARE(admin({"history", db.path()}).exitCode, 1);
        QCOMPARE(admin({"reorder", db.path()}).exitCode, 0);
        Module1::dbPath = db.path();
        Session::setViewOnly(true);
        Module1::OpenRecordsConnection();
        Module1::OpenCheckConnection();
        QVERIFY(!Journal::available(*Module1::cnCheck));
        Module1::reset();
        QCOMPARE(testing::fileHash(db.path()), untouched);

        Session::setViewOnly(false);
        Module1::dbPath = db.path();
        Module1::OpenCheckConnection();
        const QStringList opened{"opening|P-100|10|10|", "opening|T-200|4|4|"};
        QCOMPARE(history(db.path()), opened);
        Module1::reset();
        Module1::dbPath = db.path();
        Module1::OpenRecordsConnection();
        Module1::OpenCheckConnection();
        QCOMPARE(history(db.path()), opened);
        QVERIFY(unbalanced(db.path()).isEmpty());
        QCOMPARE(admin({"check", db.path()}).exitCode, 0);
    }

    // A restore adds a restore row per item to the file it puts in place
    // (an older backup gets its opening rows first); the books balance.
    void restoreIsRecorded()
    {
        if (testing::onServer())
            QSKIP("about a backup file put in place of a records file");
        QTemporaryDir dir;
        TestDb db(dir.path());
        db.item("P-100", "Paper", 10, 20, "50%").balanced();
        TestDb old(dir.path(), "Old.mdb");
        old.item("T-200", "Toner", 4, 10, "40%");
        testing::execSql(old.path(), "DROP TABLE Journal; PRAGMA user_version = 0");

        const QString backup = dir.filePath("Backup.mdb");
        QVERIFY(backupDatabase(db.path(), backup).ok());
        QVERIFY(restoreDatabase(backup, db.path()).ok());
        QCOMPARE(history(db.path()), (QStringList{"opening|P-100|10|10|", "restore|P-100|0|10|"}));
        QVERIFY(restoreDatabase(old.path(), db.path() + "2").ok());
        QCOMPARE(history(db.path() + "2"), (QStringList{"opening|T-200|4|4|", "restore|T-200|0|4|"}));
        QVERIFY(checkBalance(db.path() + "2").ok());
        QVERIFY(!QFile::exists(db.path() + "2.restoring.inventory-lock"));
    }

    // The history window: newest first, 42 rows a page, Next and Prev, and
    // the filters by item and by days, on a small history of 100 rows.
    void historyWindowPagesAndFilters()
    {
        std::unique_ptr<QTemporaryDir> dir;
        auto db = testing::newRecordsRun(dir);
        {
            auto cn = testing::openLocation(db->path());
            Transaction transaction(cn);
            for (int i = 0; i < 100; ++i) {
                testing::FixedClock clock(kNow.addSecs(3600 * i)); // 24 rows a day from 09:30 on 10 March
                Journal::write(*cn, Journal::Kind::Removal, i % 2 ? "P-100" : "T-200", "Item", -1, 1000 - i);
            }
            transaction.commit();
        }
        auto *window = testing::loadWindow<frmhistory>();
        QVERIFY(window);
        QListView *remaining = window->findChild<QListView *>("lstremaining");
        QListView *time = window->findChild<QListView *>("lsttime");
        const auto page = [&](int first, int count, int step = 1) {
            QStringList texts;
            for (int i = 0; i < count; ++i)
                texts << QString::number(1000 - (first - i * step));
            return texts;
        };
        QCOMPARE(shown(remaining), page(99, 42));
        QCOMPARE(shown(time).first(), kNow.addSecs(3600 * 99).toString("yyyy-MM-dd HH:mm:ss"));
        window->cmdnxt_Click();
        QCOMPARE(shown(remaining), page(57, 42));
        window->cmdnxt_Click();
        QCOMPARE(shown(remaining), page(15, 16));
        window->cmdnxt_Click(); // the last page stays
        QCOMPARE(shown(remaining), page(15, 16));
        window->cmdprev_Click();
        QCOMPARE(shown(remaining), page(57, 42));
        window->cmdprev_Click();
        window->cmdprev_Click();
        QCOMPARE(shown(remaining), page(99, 42));

        window->txtitemno->setText(" P-100 ");
        window->cmdshow_Click();
        QCOMPARE(shown(remaining), page(99, 42, 2));
        QCOMPARE(shown(window->findChild<QListView *>("lstitemno")), QStringList(42, "P-100"));
        QCOMPARE(shown(window->findChild<QListView *>("lstchange")).first(), "-1");
        window->cmdnxt_Click();
        QCOMPARE(shown(remaining), page(15, 8, 2));

        // 11 March: the rows 15 to 38, both days' ends included.
        window->txtitemno->clear();
        window->dtsince->setDate(QDate(2026, 3, 11));
        window->dtuntil->setDate(QDate(2026, 3, 11));
        window->cmdshow_Click();
        QCOMPARE(shown(remaining), page(38, 24));
        window->dtuntil->setDate(window->dtuntil->minimumDate()); // "any"
        window->cmdshow_Click();
        QCOMPARE(shown(remaining), page(99, 42));
        // A day typed over "any", as a clerk types it: 12 March on.
        window->dtsince->setDate(window->dtsince->minimumDate());
        window->dtsince->setFocus();
        for (const char *typed : {"20260312", "2026-03-12", "2026-3-12"}) {
            window->dtsince->setDate(window->dtsince->minimumDate());
            QTest::keyClicks(window->dtsince, typed);
            QCOMPARE(window->dtsince->date(), QDate(2026, 3, 12));
        }
        window->cmdshow_Click();
        window->cmdnxt_Click();
        QCOMPARE(shown(remaining), page(57, 19));
        // From after To: said, and the rows on view stay.
        {
            testing::ScriptedPrompts prompts;
            window->dtuntil->setDate(QDate(2026, 3, 11));
            window->cmdshow_Click();
            QCOMPARE(prompts.messages.size(), 1);
            QCOMPARE(prompts.last().text, QString("The From day is after the To day, so no day lies between them."));
            QCOMPARE(shown(remaining), page(57, 19));
            VERIFY_PROMPTS(prompts);
            window->dtuntil->setDate(window->dtuntil->minimumDate());
        }
        window->dtsince->setDate(QDate(2026, 3, 11));
        window->cmdshow_Click();
        window->cmdnxt_Click();
        QCOMPARE(shown(remaining), page(57, 42));
        window->cmdnxt_Click();
        QCOMPARE(shown(remaining), page(15, 1));
    }

    // The change shows its sign as a clerk reads it: "+" before a number
    // above 0, none before 0 or a taking-out. A text put in behind the
    // program's back shows as it stands, signed when it begins with a
    // number above 0.
    void historyWindowSignsTheChange()
    {
        std::unique_ptr<QTemporaryDir> dir;
        auto db = testing::newRecordsRun(dir);
        QList<std::pair<QVariant, QString>> changes{{2, "+2"}, {-1, "-1"}, {0, "0"}};
        if (!testing::onServer()) // a server's column holds whole numbers only
            changes << std::pair<QVariant, QString>{"-0 x", "-0 x"} << std::pair<QVariant, QString>{"3 back", "+3 back"}
                    << std::pair<QVariant, QString>{"none", "none"};
        {
            auto cn = testing::openLocation(db->path());
            Transaction transaction(cn);
            for (int i = 0; i < changes.size(); ++i) {
                testing::FixedClock clock(kNow.addSecs(60 * i));
                FieldChanges row = Journal::rowValues(Journal::Kind::Removal, "P-100", "Item", 0, 10);
                for (auto &field : row)
                    if (field.first == Journal::kChange)
                        field.second = changes[i].first;
                cn->insert(Journal::kTable, row);
            }
            transaction.commit();
        }
        auto *window = testing::loadWindow<frmhistory>();
        QVERIFY(window);
        QStringList expected;
        for (const auto &change : changes)
            expected.prepend(change.second); // newest first
        QCOMPARE(shown(window->findChild<QListView *>("lstchange")), expected);
    }

    // The reorder list: the items at or below the band chosen, lowest
    // status first, with what brings each back to its maximum; printed to
    // PDF without the drop-down.
    void reorderWindowBandsAndPrint()
    {
        std::unique_ptr<QTemporaryDir> dir;
        auto db = testing::newRecordsRun(dir);
        db->item("A-1", "Half", 10, 20, "50%")
            .item("A-2", "Over half", 11, 20, "55%")
            .item("A-3", "Nearly out", 1, 20, "5%")
            .item("A-4", "Owed", -2, 20, "-10%")
            .item("A-5", "Full", 20, 20, "100%")
            .item("A-6", "Low", 6, 20, "30.5%");
        auto *window = testing::loadWindow<frmreorder>();
        QVERIFY(window);
        QCOMPARE(window->cmbband->currentText(), "50% and below (yellow)");
        const auto list = [&](const char *name) { return shown(window->findChild<QListView *>(name)); };
        QCOMPARE(list("lstitemno"), (QStringList{"A-4", "A-3", "A-6", "A-1"}));
        QCOMPARE(list("lstorder"), (QStringList{"22", "19", "14", "10"}));
        QCOMPARE(list("lststatus"), (QStringList{"-10%", "5%", "30.5%", "50%"}));

        const struct {
            int band;
            QStringList items;
        } bands[] = {{1, {"A-4", "A-3"}},
                     {6, {"A-4", "A-3", "A-6", "A-1", "A-2"}},
                     {10, {"A-4", "A-3", "A-6", "A-1", "A-2", "A-5"}}};
        for (const auto &b : bands) {
            window->cmbband->setCurrentIndex(b.band - 1);
            window->cmbband_Click();
            QCOMPARE(list("lstitemno"), b.items);
        }
        QCOMPARE(list("lstorder").last(), "0");

        testing::ScriptedPrompts prompts;
        const QString pdf = dir->filePath("reorder.pdf");
        prompts.printToPdf(pdf);
        window->cmdprint_Click();
        QProcess pdftotext;
        pdftotext.start("pdftotext", {"-layout", pdf, "-"});
        QVERIFY(pdftotext.waitForFinished(30000));
        const QString text = QString::fromUtf8(pdftotext.readAllStandardOutput());
        QVERIFY2(text.contains("Items to reorder") && text.contains("Nearly out") && text.contains("To Order"),
                 qPrintable(text));
        QVERIFY2(!text.contains("and below") && !text.contains("Next"), qPrintable(text));
    }

    // A long reorder list pages 42 at a time, as read at its first page.
    void reorderWindowPages()
    {
        std::unique_ptr<QTemporaryDir> dir;
        auto db = testing::newRecordsRun(dir);
        {
            auto cn = testing::openLocation(db->path());
            Transaction transaction(cn);
            for (int i = 0; i < 100; ++i)
                db->item(QStringLiteral("R-%1").arg(i, 3, 10, QLatin1Char('0')), "Item", 100 - i, 1000,
                         QStringLiteral("%1%").arg((100 - i) / 10.0));
            transaction.commit();
        }
        auto *window = testing::loadWindow<frmreorder>();
        QVERIFY(window);
        QListView *numbers = window->findChild<QListView *>("lstitemno");
        QCOMPARE(shown(numbers).size(), 42);
        QCOMPARE(shown(numbers).first(), "R-099");
        window->cmdnxt_Click();
        window->cmdnxt_Click();
        QCOMPARE(shown(numbers).size(), 16);
        QCOMPARE(shown(numbers).last(), "R-000");
        window->cmdprev_Click();
        QCOMPARE(shown(numbers).first(), "R-057");
    }

    // Both windows open from the View menu, in the view-only mode too.
    void windowsOpenFromTheMenuInViewOnlyMode()
    {
        std::unique_ptr<QTemporaryDir> dir;
        auto db = testing::newRecordsRun(dir);
        auto main = std::unique_ptr<frmmain>(ui::loadWindow<frmmain>());
        QVERIFY(main);
        main->setRestrictedMode();
        QCOMPARE(main->nHistory->text(), "Stock &History");
        QCOMPARE(main->nReorder->text(), "&Reorder List");
        QVERIFY(main->nHistory->isEnabled() && main->nReorder->isEnabled());
        main->nHistory->trigger();
        QVERIFY(testing::shownWindow<frmhistory>());
        QCOMPARE(testing::shownWindow<frmhistory>()->windowTitle(), "Stock History");
        QVERIFY(!main->nReorder->isEnabled()); // one window at a time
        testing::shownWindow<frmhistory>()->close();
        QTRY_VERIFY(main->nReorder->isEnabled());
        main->nReorder->trigger();
        QVERIFY(testing::shownWindow<frmreorder>());
        QCOMPARE(testing::shownWindow<frmreorder>()->windowTitle(), "Reorder List");
    }

    // The two commands: CSV as export writes it, the filters, a new file
    // only, and their refusals.
    void historyAndReorderCommands()
    {
        QTemporaryDir dir;
        TestDb db(dir.path());
        db.item("P-100", "=Paper", 10, 20, "50%").item("T-200", "Toner, black", 4, 10, "40%");
        {
            auto cn = testing::openLocation(db.path());
            Transaction transaction(cn);
            Session::setAccount("clerk");
            for (const auto &[day, item, name, remaining] :
                 {std::tuple{1, "P-100", "=Paper", 10}, {2, "T-200", "Toner, black", 4}, {3, "P-100", "=Paper", 10}}) {
                testing::FixedClock clock(QDateTime(QDate(2026, 3, day), QTime(8, 0)));
                Journal::opening(*cn, item, name, remaining);
            }
            transaction.commit();
        }
        const QString login = Session::loginName();
        const QString header = "ID,entered_at,user_name,login_name,kind,item_no,item_name,quantity_change,"
                               "remaining_quantity\r\n";
        const Admin all = admin({"history", db.path()});
        QCOMPARE(all.exitCode, 0);
        QCOMPARE(all.out, header + "1,2026-03-01 08:00:00,clerk," + login + ",opening,P-100,'=Paper,10,10\r\n"
                              + "2,2026-03-02 08:00:00,clerk," + login + ",opening,T-200,\"Toner, black\",4,4\r\n"
                              + "3,2026-03-03 08:00:00,clerk," + login + ",opening,P-100,'=Paper,10,10\r\n");
        const struct {
            QStringList options;
            QList<int> ids;
        } filters[] = {
            {{"--item", "P-100"}, {1, 3}},
            {{"--since", "2026-03-02"}, {2, 3}},
            {{"--until", "2026-03-02"}, {1, 2}},
            {{"--item", "P-100", "--since", "2026-03-02", "--until", "2026-03-03"}, {3}},
            {{"--item", "X"}, {}},
            {{"--until", "9999-12-31"}, {1, 2, 3}}, // the last day there is
        };
        for (const auto &f : filters) {
            const Admin run = admin(QStringList{"history", db.path()} + f.options);
            QCOMPARE(run.exitCode, 0);
            QList<int> ids;
            for (const QString &line : run.out.split("\r\n", Qt::SkipEmptyParts).mid(1))
                ids << line.section(',', 0, 0).toInt();
            QCOMPARE(ids, f.ids);
        }

        const QString out = dir.filePath("reorder.csv");
        const Admin reorder = admin({"reorder", db.path(), "--below", "45", "--output", out});
        QCOMPARE(reorder.exitCode, 0);
        QFile file(out);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(file.readAll()),
                 "item_no,item_name,Status,remaining_quantity,max_quantity,to_order\r\n"
                 "T-200,\"Toner, black\",40%,4,10,6\r\n");
        QCOMPARE(admin({"reorder", db.path()}).out.count("\r\n"), 3); // 50% and below by default
        const Admin again = admin({"reorder", db.path(), "--output", out});
        QCOMPARE(again.exitCode, 1);
        QVERIFY(again.err.contains("already exists"));
        QCOMPARE(admin({"history", db.path(), "--since", "March"}).exitCode, 1);
        QCOMPARE(admin({"reorder", db.path(), "--below", "half"}).exitCode, 1);
        QCOMPARE(admin({"history", db.path(), "--colour", "red"}).exitCode, 1);
        for (const QStringList &refused :
             {QStringList{"reorder", db.path(), "--below", "nan"}, QStringList{"reorder", db.path(), "--below", "inf"},
              QStringList{"history", db.path(), "--since", "2026-03-03", "--until", "2026-03-01"}}) {
            const Admin run = admin(refused);
            QCOMPARE(run.exitCode, 1);
            QVERIFY2(run.out.isEmpty() && run.err.count('\n') == 1, qPrintable(run.err));
        }

        // Standard output that cannot take the list (a full disk behind it)
        // is a failure, said in one line, never a success.
        for (const char *command : {"history", "reorder", "export"}) {
            QProcess p;
            p.setStandardOutputFile(QStringLiteral("/dev/full"));
            p.start(QStringLiteral(INVENTORY_ADMIN), {command, db.path()});
            QVERIFY(p.waitForFinished(60000));
            const QString err = QString::fromUtf8(p.readAllStandardError());
            QCOMPARE(p.exitCode(), 1);
            QVERIFY2(err.contains("standard output cannot be written in full") && err.count('\n') == 1,
                     qPrintable(err));
        }
    }
};

QTEST_MAIN(TestHistory)
#include "test_history.moc"
