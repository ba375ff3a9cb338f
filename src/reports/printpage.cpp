#include "printpage.h"

#include "ui/prompts.h"
#include "ui/twips.h"

#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QPicture>
#include <QPointer>
#include <QPrinter>
#include <QWidget>

#include <algorithm>

namespace inv::reports {

namespace {

// Hides widgets for as long as it lives, and takes the focus off the window
// so that no text cursor goes on paper; then puts both back as they were.
class HiddenForPrinting {
public:
    HiddenForPrinting(QWidget *window, const QList<QWidget *> &widgets) : m_focus(window->focusWidget())
    {
        for (QWidget *w : widgets) {
            if (!w->isHidden()) {
                m_hidden << w;
                w->hide();
            }
        }
        if (QWidget *focus = window->focusWidget())
            focus->clearFocus();
    }
    ~HiddenForPrinting()
    {
        for (const QPointer<QWidget> &w : std::as_const(m_hidden))
            if (w)
                w->show();
        if (m_focus)
            m_focus->setFocus();
    }
    HiddenForPrinting(const HiddenForPrinting &) = delete;
    HiddenForPrinting &operator=(const HiddenForPrinting &) = delete;

private:
    QPointer<QWidget> m_focus;
    QList<QPointer<QWidget>> m_hidden;
};

// A system without printers leaves a printer that writes PDF to no file.
bool hasPrinter(const QPrinter &printer)
{
    if (printer.outputFormat() == QPrinter::PdfFormat)
        return !printer.outputFileName().isEmpty();
    return printer.isValid();
}

// Whether a PDF printed to a file got there whole: the PDF engine does not
// report writes that failed (a full disk), and a whole PDF ends with its end
// mark. A file cut short is taken away again; other printers pass.
bool pdfWhole(const QPrinter &printer)
{
    const QString path = printer.outputFileName();
    if (printer.outputFormat() != QPrinter::PdfFormat || path.isEmpty())
        return true;
    QFile file(path);
    bool whole = false;
    if (file.open(QIODevice::ReadOnly) && file.size() > 0) {
        file.seek(std::max<qint64>(0, file.size() - 32));
        whole = file.read(32).trimmed().endsWith("%%EOF");
    }
    file.close();
    if (!whole && QFileInfo(path).isFile())
        QFile::remove(path);
    return whole;
}

bool render(QWidget *window, QPrinter &printer)
{
    // Widgets rendered straight onto a printer arrive there as one bitmap.
    // Recorded as a picture first, they arrive as what they drew: text as
    // text, lines as lines.
    QPicture picture;
    QPainter recorder;
    if (!recorder.begin(&picture))
        return false;
    window->render(&recorder, QPoint(), QRegion(), QWidget::DrawWindowBackground | QWidget::DrawChildren);
    recorder.end();

    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    // The painter's origin is the top left corner of the printable area.
    // On paper a pixel of the window is 15 twips, as on the screen it stands
    // for; the picture itself plays at the printer's over the screen's dots
    // per inch.
    const QRectF area = printer.pageLayout().paintRectPixels(printer.resolution());
    const double ownSize = printer.resolution() * double(ui::kTwipsPerPixel) / 1440.0;
    const double playSize = printer.logicalDpiX() / double(picture.logicalDpiX());
    const QSizeF size = QSizeF(window->size()) * ownSize;
    const double shrink = std::min({1.0, area.width() / size.width(), area.height() / size.height()});
    painter.translate((area.width() - size.width() * shrink) / 2, 0);
    painter.scale(shrink * ownSize / playSize, shrink * ownSize / playSize);
    painter.drawPicture(0, 0, picture);
    return painter.end() && printer.printerState() != QPrinter::Error && pdfWhole(printer);
}

} // namespace

PrintResult printClientArea(QWidget *window, const QList<QWidget *> &hidden)
{
    PrintResult result;
    {
        HiddenForPrinting hide(window, hidden);
        QPrinter printer(QPrinter::HighResolution);
        printer.setDocName(window->windowTitle());
        // The window is wider than it is high: it fits a page only across.
        printer.setPageOrientation(QPageLayout::Landscape);
        if (!ui::Prompts::printDialog(window, &printer))
            return PrintResult::Cancelled;
        // Whatever was chosen in the dialog, the layout calls for landscape.
        printer.setPageOrientation(QPageLayout::Landscape);
        if (!hasPrinter(printer))
            result = PrintResult::NoPrinter;
        else
            result = render(window, printer) ? PrintResult::Printed : PrintResult::Failed;
    }
    // The message comes with the window whole again.
    if (result == PrintResult::NoPrinter)
        ui::Prompts::message(window, QStringLiteral("No printer is available, so nothing was printed."));
    else if (result == PrintResult::Failed)
        ui::Prompts::message(window, QStringLiteral("The page could not be printed."));
    return result;
}

} // namespace inv::reports
