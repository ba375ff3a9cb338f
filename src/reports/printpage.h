#pragma once
// Printing a window as one page: what the window shows, drawn by its own
// widgets onto the printer (text stays text), less the widgets it hides for
// the print.

#include <QList>

class QWidget;

namespace inv::reports {

enum class PrintResult { Printed, Cancelled, NoPrinter, Failed };

// Hides the given widgets, asks for the printer through the prompt seam and,
// when the user chose to print, draws the window's client area on one
// landscape page: at its own size (a pixel is 15 twips), made smaller only
// when it does not fit the printable area, proportions kept, centred across
// the page and at the top of the printable area. Then shows the widgets
// again and gives the focus back.
//
// A cancelled dialog prints nothing. When no printer is available or the
// printing fails, one message says so. Either way the window is left as it
// was.
PrintResult printClientArea(QWidget *window, const QList<QWidget *> &hidden);

} // namespace inv::reports
