#include "showsrecords.h"

#include "data/core/connection.h"

#include <QApplication>
#include <QPointer>
#include <QWidget>

namespace inv::ui {

ShowsRecords::~ShowsRecords() = default;

void readShownAgain()
{
    QList<QPointer<QWidget>> windows;
    for (QWidget *window : QApplication::topLevelWidgets())
        windows << window;
    for (const QPointer<QWidget> &window : windows) {
        auto *shows = dynamic_cast<ShowsRecords *>(window.data());
        if (!shows)
            continue;
        try {
            shows->readShownAgain();
        } catch (const RecordsError &) {
            // Said once already; the window reads again after its next action.
        }
    }
}

} // namespace inv::ui
