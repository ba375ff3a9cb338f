#pragma once
// "Reorder List": the items whose stock status is at or below the band
// chosen in the drop-down (the yellow band and below at first), lowest
// status first, each with the quantity that brings it back to its
// max_quantity; 42 a page, printed a page at a time as the printouts are.

#include "data/stock/reorder.h"
#include "printout.h"

class QComboBox;

namespace inv {

class frmreorder : public reports::PrintoutWindow {
    Q_OBJECT

public:
    frmreorder();

    QComboBox *cmbband; // entry b - 1: band b and below

    // Lists the items of the band chosen.
    void cmbband_Click();

protected:
    std::shared_ptr<reports::RowSource> openRows(bool first) override;

private:
    std::shared_ptr<reports::RowSource> m_rows; // the list read at the first page
    int m_band = Reorder::kDefaultBand; // the band of the list on view
};

} // namespace inv
