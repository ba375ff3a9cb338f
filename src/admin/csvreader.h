#pragma once
// Reading a table from CSV, as spreadsheets write it and as export writes
// it: RFC 4180 quoting (fields in double quotes may hold the separator, line
// breaks and doubled quotes), UTF-8 with or without a byte-order mark, CRLF
// or LF line ends, and a comma or a semicolon between fields, whichever the
// header row uses. No database here.

#include <QString>
#include <QStringList>
#include <QVector>

#include <optional>

class QByteArray;

namespace inv::Csv {

struct Record {
    int line = 0; // the line of the file the record begins on, from 1
    QStringList fields;
};

struct Table {
    QChar separator = QLatin1Char(',');
    QStringList header; // the first record
    QVector<Record> records; // the rest; lines that hold nothing are left out
    // Why the file cannot be read as CSV (invalid UTF-8, a quote left open,
    // text after a closing quote), with the line it was found on; the
    // records before that line are kept.
    std::optional<QString> error;
    int errorLine = 0;
};

// The separator of a header row: a semicolon when the row (outside quotes)
// holds more semicolons than commas, a comma otherwise.
QChar detectSeparator(QStringView headerLine);

Table parse(const QByteArray &bytes);

} // namespace inv::Csv
