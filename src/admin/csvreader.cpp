#include "admin/csvreader.h"

#include <QByteArray>
#include <QStringDecoder>

namespace inv::Csv {

QChar detectSeparator(QStringView headerLine)
{
    int commas = 0, semicolons = 0;
    bool quoted = false;
    for (const QChar c : headerLine) {
        if (c == QLatin1Char('"'))
            quoted = !quoted;
        else if (!quoted && (c == QLatin1Char('\n') || c == QLatin1Char('\r')))
            break;
        else if (!quoted && c == QLatin1Char(','))
            ++commas;
        else if (!quoted && c == QLatin1Char(';'))
            ++semicolons;
    }
    return semicolons > commas ? QLatin1Char(';') : QLatin1Char(',');
}

Table parse(const QByteArray &bytes)
{
    Table table;
    QStringDecoder decode(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decode(bytes);
    if (decode.hasError()) {
        // Name the first line that is no UTF-8 (no multi-byte character
        // holds a line feed byte, so the lines can be decoded one by one).
        int line = 0;
        for (const QByteArray &part : bytes.split('\n')) {
            ++line;
            QStringDecoder probe(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
            (void)QString(probe(part));
            if (probe.hasError())
                break;
        }
        table.error = QStringLiteral("the file is not UTF-8 text");
        table.errorLine = line;
        return table;
    }
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    table.separator = detectSeparator(text);
    const QChar sep = table.separator;

    int line = 1;
    qsizetype i = 0;
    const qsizetype n = text.size();
    const QChar *s = text.constData();
    bool first = true;
    while (i < n) {
        Record record;
        record.line = line;
        QString field;
        bool endOfRecord = false;
        while (!endOfRecord) {
            field.clear();
            if (i < n && s[i] == QLatin1Char('"')) {
                // A quoted field: up to the quote that is not doubled.
                const int opened = line;
                ++i;
                bool closed = false;
                while (i < n) {
                    const QChar c = s[i];
                    if (c == QLatin1Char('"')) {
                        if (i + 1 < n && s[i + 1] == QLatin1Char('"')) {
                            field += c;
                            i += 2;
                            continue;
                        }
                        ++i;
                        closed = true;
                        break;
                    }
                    if (c == QLatin1Char('\n'))
                        ++line;
                    field += c;
                    ++i;
                }
                if (!closed) {
                    table.error = QStringLiteral("a quoted field that begins here is never closed");
                    table.errorLine = opened;
                    return table;
                }
                if (i < n && s[i] != sep && s[i] != QLatin1Char('\r') && s[i] != QLatin1Char('\n')) {
                    table.error = QStringLiteral("text follows a closing quote");
                    table.errorLine = line;
                    return table;
                }
            } else {
                const qsizetype start = i;
                while (i < n && s[i] != sep && s[i] != QLatin1Char('\r') && s[i] != QLatin1Char('\n'))
                    ++i;
                field = QString(s + start, i - start);
            }
            record.fields << field;
            if (i < n && s[i] == sep) {
                ++i;
                continue;
            }
            // The end of the line (CRLF, LF or a lone CR) or of the file.
            if (i < n && s[i] == QLatin1Char('\r'))
                ++i;
            if (i < n && s[i] == QLatin1Char('\n'))
                ++i;
            ++line;
            endOfRecord = true;
        }
        if (record.fields.size() == 1 && record.fields.front().isEmpty())
            continue; // a line with nothing on it
        if (first) {
            table.header = record.fields;
            first = false;
        } else {
            table.records << std::move(record);
        }
    }
    return table;
}

} // namespace inv::Csv
