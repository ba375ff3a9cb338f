#pragma once
// The CSV that inventory-admin writes (RFC 4180: fields quoted when they
// hold a comma, a quote or a line break, quotes doubled, UTF-8, CRLF line
// ends), and its guard against texts a spreadsheet would run as formulas.

#include <QByteArray>
#include <QStringList>
#include <QVariant>

namespace inv::Csv {

// Appends one field, quoted where needed.
void appendField(QByteArray &out, const QByteArray &value);

// A text that a spreadsheet would take for a formula (a leading =, +, -, @,
// tab or carriage return) gets a leading apostrophe; a plain number such as
// -5 stays as it is. So does a text that already looks guarded so ("'=x"),
// which fromInert then gives back whole.
QByteArray inert(const QByteArray &text);
// A field of such a file as the text it stands for: one guarding
// apostrophe taken off.
QString fromInert(const QString &field);

// A value as read through a connection, as its CSV text: numbers as
// written, texts as stored (made inert), dates in ISO form, nothing for no
// value.
QByteArray valueText(const QVariant &value);

// Appends one line of fields and its CRLF.
void appendLine(QByteArray &out, const QList<QByteArray> &fields);

} // namespace inv::Csv
