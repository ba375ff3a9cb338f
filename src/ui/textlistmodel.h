#pragma once
// A list of texts to show and select, not to edit: the model behind a list
// whose entries are set all at once (a page of a printout, say). Setting the
// texts is one reset of the model, however many entries there are, instead
// of one item made and one destroyed per entry.

#include <QStringListModel>

namespace inv::ui {

class TextListModel : public QStringListModel {
    Q_OBJECT

public:
    using QStringListModel::QStringListModel;

    // Selectable and enabled; never editable, dragged or dropped on.
    Qt::ItemFlags flags(const QModelIndex &index) const override;
};

} // namespace inv::ui
