#pragma once
// The names of the Items and Itemsout fields as the routines that write them
// spell them (the tables themselves are described in schema.cpp).

#include <QString>

namespace inv {

inline const QString kItemNo = QStringLiteral("item_no");
inline const QString kItemName = QStringLiteral("item_name");
inline const QString kDescription = QStringLiteral("Description");
inline const QString kOriginalQuantity = QStringLiteral("original_quantity");
inline const QString kRemaining = QStringLiteral("remaining_quantity");
inline const QString kStatus = QStringLiteral("Status");
inline const QString kMaxQuantity = QStringLiteral("max_quantity");
inline const QString kDateUpdated = QStringLiteral("date_updated");
inline const QString kTempdate = QStringLiteral("tempdate");
inline const QString kQuantity = QStringLiteral("quantity");

} // namespace inv
