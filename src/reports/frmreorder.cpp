#include "frmreorder.h"

#include "data/core/recordset.h"
#include "data/stock/module1.h"
#include "data/stock/status.h"
#include "ui/controls.h"
#include "ui/fonts.h"
#include "ui/twips.h"

#include <QComboBox>
#include <QLabel>
#include <QLocale>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>

namespace inv {

namespace {

constexpr reports::PageShape kReorderPage{42, 42, 42};

// The list as read at its first page; a page turn reads no row of the file.
// The key of a line is its place in the list.
class ReorderRows : public reports::RowSource {
public:
    explicit ReorderRows(QVector<Reorder::Line> lines) : m_lines(std::move(lines)) { }

    QVector<TextRow> rows(std::optional<qint64> from, int skip, int count) override
    {
        const qint64 start = from ? *from + skip : 0;
        QVector<TextRow> out;
        if (start < 0 || start >= m_lines.size())
            return out;
        for (qint64 i = start; i < m_lines.size() && out.size() < count; ++i) {
            const Reorder::Line &line = m_lines[int(i)];
            out << TextRow{i,
                           {fieldText(line.itemNo), fieldText(line.itemName), fieldText(line.status),
                            fieldText(line.remaining), fieldText(line.maxQuantity),
                            QLocale::c().toString(line.toOrder, 'g', 15)}};
        }
        return out;
    }

private:
    QVector<Reorder::Line> m_lines;
};

const reports::ReportDescription kReorder{
    "frmreorder",
    QStringLiteral("Reorder List"),
    nullptr,
    QStringLiteral("Items to reorder"),
    8,
    kReorderPage,
    {
        {"Text1", "Item No.", "lstitemno", "item_no", 0, 600, 1815, "item number column"},
        {"Text2", "Item Name", "lstname", "item_name", 0, 2400, 4815, "item name column"},
        {"Text3", "Status", "lststatus", "Status", 0, 7200, 1815, "stock status column"},
        {"Text4", "Remaining", "lstremaining", "remaining_quantity", 0, 9000, 1815, "remaining quantity column"},
        {"Text5", "Max Quantity", "lstmax", "max_quantity", 0, 10800, 1815, "maximum quantity column"},
        {"Text6", "To Order", "lstorder", "to_order", 0, 12600, 1815, "quantity to order column"},
    },
    reports::kFilteredPrintoutLayout,
};

// A square of the band's colour, as the status window shows the bands.
QIcon bandIcon(int band)
{
    QPixmap swatch(12, 12);
    swatch.fill(QColor(QRgb(StatusPalette(band))));
    QPainter painter(&swatch);
    painter.setPen(Qt::black);
    painter.drawRect(0, 0, 11, 11);
    return QIcon(swatch);
}

} // namespace

frmreorder::frmreorder() : PrintoutWindow(kReorder)
{
    const int top = 10680;
    auto *label = ui::makeLabel(this, "lblband", QStringLiteral("Status at or below:"), ui::timesFont(11, true));
    ui::place(label, 600, top + 45, 2100, 330);
    cmbband = new QComboBox(this);
    cmbband->setObjectName(QStringLiteral("cmbband"));
    cmbband->setAccessibleName(QStringLiteral("Stock status band to list up to"));
    cmbband->setFont(ui::sansFont(9));
    for (int band = 1; band <= Reorder::kBands; ++band)
        cmbband->addItem(bandIcon(band), Reorder::bandCaption(band), band);
    cmbband->setCurrentIndex(Reorder::kDefaultBand - 1);
    ui::place(cmbband, 2760, top, 3300, 405);
    hideWhenPrinting(label);
    hideWhenPrinting(cmbband);
    setTabOrder(cmdnxt, cmbband);
    connect(cmbband, qOverload<int>(&QComboBox::activated), this, [this] { cmbband_Click(); });
}

void frmreorder::cmbband_Click()
{
    const int before = m_band;
    m_band = cmbband->currentData().toInt();
    if (!showFirstPage()) {
        m_band = before;
        cmbband->setCurrentIndex(before - 1);
    }
}

std::shared_ptr<reports::RowSource> frmreorder::openRows(bool first)
{
    if (first || !m_rows) {
        Module1::OpenCheckConnection();
        m_rows = std::make_shared<ReorderRows>(Reorder::list(*Module1::cnCheck, Reorder::bandLimit(m_band)));
    }
    return m_rows;
}

} // namespace inv
