#include "scanbox.h"

#include <QKeyEvent>

namespace inv {

namespace {

// A key press that stands for an ASCII control character, as a scanner sends
// them before or after a code: Ctrl with @, a letter or one of [ \ ] ^ _,
// or a key whose text is a control character and that edits nothing.
bool controlCharacter(const QKeyEvent *key)
{
    if (key->modifiers() & (Qt::AltModifier | Qt::MetaModifier))
        return false;
    if (key->modifiers() & Qt::ControlModifier)
        return key->key() >= Qt::Key_At && key->key() <= Qt::Key_Underscore;
    const QString text = key->text();
    return text.size() == 1 && text.front().category() == QChar::Other_Control && key->key() != Qt::Key_Backspace
           && key->key() != Qt::Key_Delete;
}

// A key press that ends a number: Enter, Tab, a key that types a carriage
// return, line feed or tab (X sends the Linefeed key so), or those three as
// Ctrl+M, Ctrl+J and Ctrl+I, as scanners that send control characters as
// Ctrl with a letter type them.
bool lineEnd(const QKeyEvent *key)
{
    if (key->modifiers() & (Qt::AltModifier | Qt::MetaModifier))
        return false;
    if (key->modifiers() & Qt::ControlModifier)
        return key->key() == Qt::Key_M || key->key() == Qt::Key_J || key->key() == Qt::Key_I;
    switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return true;
    default:
        return key->text() == QLatin1String("\r") || key->text() == QLatin1String("\n")
               || key->text() == QLatin1String("\t");
    }
}

} // namespace

ScanBox::ScanBox(QWidget *parent) : QLineEdit(parent) { }

bool ScanBox::event(QEvent *event)
{
    if (event->type() == QEvent::ShortcutOverride) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->matches(QKeySequence::Undo)) {
            // Not the box's own undo: the window's Undo Remove, which
            // puts back the unit of a wrong scan.
            event->ignore();
            return true;
        }
        if (controlCharacter(key)) {
            event->accept(); // comes to keyPressEvent, not to a menu entry
            return true;
        }
    }
    // Tab would move the focus before keyPressEvent sees it.
    if (event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (lineEnd(key)) {
            key->accept();
            emit numberEnded();
            return true;
        }
        if (controlCharacter(key)) {
            key->accept();
            return true;
        }
    }
    return QLineEdit::event(event);
}

} // namespace inv
