#pragma once
// Controls made the same way in every window: named
// as the layout names them, in the layout's fonts.

#include <QFont>
#include <QString>

class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace inv::ui {

// A label; css is the body of its style sheet (colours, background).
QLabel *makeLabel(QWidget *parent, const char *name, const QString &text, const QFont &font,
                  const QString &css = QStringLiteral("background: transparent;"));
// Widens a label whose text is wider than the layout made it, so that the
// text is not cut off (the fonts here may be wider than the layout's).
void fitToText(QLabel *label);
// A single-line text box.
QLineEdit *makeTextBox(QWidget *parent, const char *name);
// Shows every typed character as "*".
void maskAsPassword(QLineEdit *box);
// Makes a box show a value it takes no input for: disabled, with its text
// kept readable (the style's faint disabled grey is darkened).
void showOnly(QWidget *box);
// A button that does not take over Enter when it gets the focus.
QPushButton *makeButton(QWidget *parent, const char *name, const QString &caption);

} // namespace inv::ui
