#include "controls.h"

#include "fonts.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace inv::ui {

QLabel *makeLabel(QWidget *parent, const char *name, const QString &text, const QFont &font, const QString &css)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    // A label shows its text as it is: a name or number typed by a user is
    // never read as markup.
    label->setTextFormat(Qt::PlainText);
    label->setFont(font);
    label->setStyleSheet(QStringLiteral("QLabel { %1 }").arg(css));
    return label;
}

void fitToText(QLabel *label)
{
    const int needed = label->sizeHint().width();
    if (needed > label->width())
        label->resize(needed, label->height());
}

QLineEdit *makeTextBox(QWidget *parent, const char *name)
{
    auto *box = new QLineEdit(parent);
    box->setObjectName(QLatin1String(name));
    box->setFont(ui::sansFont(8));
    return box;
}

void maskAsPassword(QLineEdit *box)
{
    box->setEchoMode(QLineEdit::Password);
    box->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));
}

void showOnly(QWidget *box)
{
    box->setEnabled(false);
    QPalette palette = box->palette();
    palette.setColor(QPalette::Disabled, QPalette::Text, QColor(0x40, 0x40, 0x40));
    box->setPalette(palette);
}

QPushButton *makeButton(QWidget *parent, const char *name, const QString &caption)
{
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setFont(ui::sansFont(8));
    button->setAutoDefault(false);
    return button;
}

} // namespace inv::ui
