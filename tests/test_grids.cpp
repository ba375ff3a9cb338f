// The two grid windows: a whole table in stored order, the columns they show
// and hide, their widths, and the records connection they re-open.

#include "data/engines/file/sqlcipherconnection.h"
#include "data/stock/module1.h"
#include "mainwindow/frmremain.h"
#include "mainwindow/frmremoved.h"
#include "support/scriptedprompts.h"
#include "support/testdb.h"
#include "support/windows.h"

#include <QAbstractItemModelTester>
#include <QHeaderView>
#include <QTableView>

using namespace inv;
using testing::TestDb;

namespace {

std::unique_ptr<GridWindow> makeGrid(const QString &which)
{
    if (which == "remain")
        return std::make_unique<frmremain>();
    return std::make_unique<frmremoved>();
}

bool loadGrid(GridWindow &grid)
{
    if (auto *remain = qobject_cast<frmremain *>(&grid))
        return remain->Form_Load();
    return qobject_cast<frmremoved *>(&grid)->Form_Load();
}

QStringList headings(const QTableView *grid)
{
    QStringList names;
    for (int c = 0; c < grid->model()->columnCount(); ++c)
        names << grid->model()->headerData(c, Qt::Horizontal).toString();
    return names;
}

QStringList visibleHeadings(const QTableView *grid)
{
    QStringList names;
    for (int c = 0; c < grid->model()->columnCount(); ++c)
        if (!grid->isColumnHidden(c))
            names << grid->model()->headerData(c, Qt::Horizontal).toString();
    return names;
}

// The texts of one row's visible cells.
QStringList visibleRow(const QTableView *grid, int row)
{
    QStringList cells;
    for (int c = 0; c < grid->model()->columnCount(); ++c)
        if (!grid->isColumnHidden(c))
            cells << grid->model()->index(row, c).data().toString();
    return cells;
}

} // namespace

class TestGrids : public QObject {
    Q_OBJECT

private slots:
    void init() { m_dir = testing::newProgramFolder(); }

    void cleanup() { testing::endRun(); }

    void columns_data()
    {
        QTest::addColumn<QString>("which");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<QStringList>("visible");
        QTest::addColumn<QList<int>>("widths"); // by position; 0 = the grid's default
        QTest::addRow("remaining") << "remain"
                                   << "Remaining Items"
                                   << QStringList{"ID",          "item_no",           "item_name",
                                                  "Description", "original_quantity", "remaining_quantity",
                                                  "Status",      "max_quantity",      "date_updated",
                                                  "tempdate"}
                                   << QStringList{"item_no", "item_name", "Description", "remaining_quantity", "Status"}
                                   << QList<int>{0, 0, 0, 210, 0, 102, 50, 0, 0, 0};
        QTest::addRow("removed") << "removed"
                                 << "Removed Items"
                                 << QStringList{"ID",       "item_no",      "item_name", "Description",
                                                "quantity", "date_removed", "remarks"}
                                 << QStringList{"item_no", "item_name", "Description", "quantity"}
                                 << QList<int>{0, 0, 0, 245, 0, 0, 0};
    }

    void columns()
    {
        QFETCH(QString, which);
        QFETCH(QString, title);
        QFETCH(QStringList, fields);
        QFETCH(QStringList, visible);
        QFETCH(QList<int>, widths);
        TestDb db(m_dir->path());
        db.misc("admin", "pw").item("7", "Toner", 3, 10, "30%", "black").item("2", "Bond paper", 5, 5, "100%");
        db.tally("7", "Toner", 2, "black").tally("2", "Bond paper", 12);
        Module1::dbPath = db.path();

        auto grid = makeGrid(which);
        QVERIFY(loadGrid(*grid));
        grid->show();
        QCOMPARE(grid->windowTitle(), title);
        QTableView *view = grid->DataGrid1;
        QCOMPARE(view->objectName(), QString("DataGrid1"));
        QCOMPARE(headings(view), fields);
        QCOMPARE(visibleHeadings(view), visible);
        const int defaultWidth = view->horizontalHeader()->defaultSectionSize();
        for (int c = 0; c < widths.size(); ++c)
            if (!view->isColumnHidden(c))
                QCOMPARE(view->columnWidth(c), widths[c] ? widths[c] : defaultWidth);

        // Stored order, not sorted.
        QCOMPARE(view->model()->rowCount(), 2);
        if (which == "remain") {
            QCOMPARE(visibleRow(view, 0), QStringList({"7", "Toner", "black", "3", "30%"}));
            QCOMPARE(visibleRow(view, 1), QStringList({"2", "Bond paper", "desc", "5", "100%"}));
        } else {
            QCOMPARE(visibleRow(view, 0), QStringList({"7", "Toner", "black", "2"}));
            QCOMPARE(visibleRow(view, 1), QStringList({"2", "Bond paper", "desc", "12"}));
        }

        // Read-only, rows 15 pixels high, the window and grid where they belong.
        QVERIFY(!(view->model()->flags(view->model()->index(0, 1)) & Qt::ItemIsEditable));
        QCOMPARE(view->editTriggers(), QAbstractItemView::NoEditTriggers);
        QCOMPARE(view->rowHeight(0), 15);
        QCOMPARE(view->font().pointSizeF(), 8.25);
        QCOMPARE(grid->size(), QSize(678, 538));
        QCOMPARE(view->geometry(), QRect(24, 48, 617, 449));
    }

    // More rows than one reading fetches: every row in stored order, wherever
    // the grid looks first, hidden fields included, and a sound model.
    void manyRows_data() { emptyTable_data(); }

    void manyRows()
    {
        QFETCH(QString, which);
        TestDb db(m_dir->path());
        db.misc("admin", "pw");
        const int rows = RecordsModel::kPageRows * 2 + 10;
        Transaction batch(testing::openLocation(db.path())); // one write to the disk
        for (int i = 0; i < rows; ++i) {
            if (which == "remain")
                db.item(QString::number(i), QString("Item %1").arg(i), i, 100);
            else
                db.tally(QString::number(i), QString("Item %1").arg(i), i);
        }
        batch.commit();
        Module1::dbPath = db.path();
        auto grid = makeGrid(which);
        QVERIFY(loadGrid(*grid));
        QAbstractItemModel *model = grid->DataGrid1->model();
        QAbstractItemModelTester tester(model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(model->rowCount(), rows);
        const int quantity = which == "remain" ? 5 : 4;
        for (int row : {rows - 1, RecordsModel::kPageRows + 3, 0, RecordsModel::kPageRows - 1, rows - 2}) {
            QCOMPARE(model->index(row, 0).data().toString(), QString::number(row + 1)); // the hidden key
            QCOMPARE(model->index(row, 1).data().toString(), QString::number(row));
            QCOMPARE(model->index(row, 2).data().toString(), QString("Item %1").arg(row));
            QCOMPARE(model->index(row, quantity).data().toString(), QString::number(row));
        }
        grid->show();
        grid->DataGrid1->scrollToBottom();
        QVERIFY(QTest::qWaitForWindowExposed(grid.get()));
    }

    void emptyTable_data()
    {
        QTest::addColumn<QString>("which");
        QTest::addRow("remaining") << "remain";
        QTest::addRow("removed") << "removed";
    }

    void emptyTable()
    {
        QFETCH(QString, which);
        TestDb db(m_dir->path());
        db.misc("admin", "pw");
        Module1::dbPath = db.path();
        auto grid = makeGrid(which);
        QVERIFY(loadGrid(*grid));
        QCOMPARE(grid->DataGrid1->model()->rowCount(), 0);
        QCOMPARE(visibleHeadings(grid->DataGrid1).value(0), QString("item_no"));
    }

    // Loading moves the records connection to dbPath, and the cursor it
    // opens stays the program's cursor after the window is gone.
    void reopensTheConnectionOnDbPath_data() { emptyTable_data(); }

    void reopensTheConnectionOnDbPath()
    {
        QFETCH(QString, which);
        TestDb def(m_dir->path());
        TestDb chosen(m_dir->path(), "Chosen.mdb");
        def.misc("admin", "pw").item("1", "Default item", 1, 1).tally("1", "Default item", 1);
        chosen.misc("admin", "pw").item("9", "Chosen item", 1, 1).tally("9", "Chosen item", 4);
        Module1::dbPath = def.path();
        Module1::OpenRecordsConnection();
        Module1::dbPath = chosen.path();

        auto grid = makeGrid(which);
        QVERIFY(loadGrid(*grid));
        QCOMPARE(Module1::cnRecords->path(), chosen.path());
        QCOMPARE(grid->DataGrid1->model()->index(0, 2).data().toString(), QString("Chosen item"));
        grid.reset();
        const auto &cursor = which == "remain" ? Module1::rsItems : Module1::rsItemsout;
        QCOMPARE(cursor->connection()->path(), chosen.path());
    }

    void aDatabaseThatCannotBeOpenedIsReported()
    {
        TestDb(m_dir->path()).misc("admin", "pw");
        Module1::dbPath = m_dir->filePath("Gone.mdb");
        testing::ScriptedPrompts prompts;
        frmremoved grid;
        QVERIFY(!grid.Form_Load());
        QCOMPARE(prompts.messages.size(), 1);
        QVERIFY(prompts.last().text.contains(Module1::dbPath));
        VERIFY_PROMPTS(prompts);
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

QTEST_MAIN(TestGrids)
#include "test_grids.moc"
