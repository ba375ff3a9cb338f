#include "textlistmodel.h"

namespace inv::ui {

Qt::ItemFlags TextListModel::flags(const QModelIndex &index) const
{
    return QAbstractListModel::flags(index);
}

} // namespace inv::ui
