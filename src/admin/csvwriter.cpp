#include "admin/csvwriter.h"

#include <QDate>
#include <QLocale>

namespace inv::Csv {

void appendField(QByteArray &out, const QByteArray &value)
{
    bool quote = false;
    for (const char c : value) {
        if (c == ',' || c == '"' || c == '\r' || c == '\n') {
            quote = true;
            break;
        }
    }
    if (!quote) {
        out += value;
        return;
    }
    out += '"';
    for (const char c : value) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
}

namespace {

// Whether inert guards text: past any apostrophes it leads with, it
// begins as a formula and is no plain number.
bool guarded(const QByteArray &text)
{
    qsizetype start = 0;
    while (start < text.size() && text.at(start) == '\'')
        ++start;
    if (start == text.size() || !QByteArray("=+-@\t\r").contains(text.at(start)))
        return false;
    bool number = false;
    text.mid(start).toDouble(&number);
    return !number;
}

} // namespace

QByteArray inert(const QByteArray &text)
{
    return guarded(text) ? '\'' + text : text;
}

QString fromInert(const QString &field)
{
    if (field.startsWith(QLatin1Char('\'')) && guarded(field.mid(1).toUtf8()))
        return field.mid(1);
    return field;
}

QByteArray valueText(const QVariant &value)
{
    if (value.isNull() || !value.isValid())
        return {};
    switch (value.typeId()) {
    case QMetaType::LongLong:
    case QMetaType::Int:
        return QByteArray::number(value.toLongLong());
    case QMetaType::Double:
        return QByteArray::number(value.toDouble(), 'g', QLocale::FloatingPointShortest);
    case QMetaType::QDate:
        return value.toDate().toString(Qt::ISODate).toUtf8();
    case QMetaType::QByteArray:
        return value.toByteArray().toHex();
    default:
        return inert(value.toString().toUtf8());
    }
}

void appendLine(QByteArray &out, const QList<QByteArray> &fields)
{
    for (int c = 0; c < fields.size(); ++c) {
        if (c > 0)
            out += ',';
        appendField(out, fields[c]);
    }
    out += "\r\n";
}

} // namespace inv::Csv
