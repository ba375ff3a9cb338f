#include "data/stock/status.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace inv {

namespace {

bool isSkipped(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r');
}

bool isAsciiDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// Walks a text one significant character at a time, stepping over blanks,
// tabs and line breaks wherever they stand.
class Reader {
public:
    explicit Reader(const QString &text) : m_text(text) { skip(); }

    bool atEnd() const { return m_pos >= m_text.size(); }
    QChar peek() const { return atEnd() ? QChar() : m_text.at(m_pos); }
    void next()
    {
        ++m_pos;
        skip();
    }

private:
    void skip()
    {
        while (m_pos < m_text.size() && isSkipped(m_text.at(m_pos)))
            ++m_pos;
    }

    const QString &m_text;
    qsizetype m_pos = 0;
};

constexpr quint32 kPalette[10] = {
    0xFF0000, 0xFF8080, 0xFF8000, 0xFFC080, 0xFFFF00, 0xFFFF80, 0xFFFFC0, 0xC0FFC0, 0x80FF80, 0x00FF00,
};

constexpr quint32 kPeach = 0xFFE0C0;

} // namespace

double LeadingNumber(const QString &text)
{
    Reader in(text);

    bool negative = false;
    if (in.peek() == QLatin1Char('+') || in.peek() == QLatin1Char('-')) {
        negative = in.peek() == QLatin1Char('-');
        in.next();
    }

    std::string intDigits;
    std::string fracDigits;
    bool seenPoint = false;
    while (!in.atEnd()) {
        const QChar c = in.peek();
        if (isAsciiDigit(c)) {
            (seenPoint ? fracDigits : intDigits) += char(c.unicode());
        } else if (c == QLatin1Char('.') && !seenPoint) {
            seenPoint = true;
        } else {
            break;
        }
        in.next();
    }
    if (intDigits.empty() && fracDigits.empty())
        return 0.0;

    // The exponent counts only when digits follow the letter (and its sign);
    // otherwise the number ends before the letter. Nothing after it is read.
    std::string expDigits;
    bool expNegative = false;
    if (in.peek() == QLatin1Char('E') || in.peek() == QLatin1Char('e')) {
        in.next();
        if (in.peek() == QLatin1Char('+') || in.peek() == QLatin1Char('-')) {
            expNegative = in.peek() == QLatin1Char('-');
            in.next();
        }
        while (isAsciiDigit(in.peek())) {
            expDigits += char(in.peek().unicode());
            in.next();
        }
    }

    std::string number = intDigits.empty() ? std::string("0") : intDigits;
    if (!fracDigits.empty())
        number += '.' + fracDigits;
    if (!expDigits.empty())
        number += std::string(expNegative ? "e-" : "e") + expDigits;

    double value = 0.0;
    const auto result = std::from_chars(number.data(), number.data() + number.size(), value);
    if (result.ec == std::errc::result_out_of_range) {
        // Too large or too small for a double: decide which by the decimal
        // position of the first significant digit.
        long long magnitude = 0;
        const auto firstInt = intDigits.find_first_not_of('0');
        if (firstInt != std::string::npos) {
            magnitude = static_cast<long long>(intDigits.size() - firstInt);
        } else {
            const auto firstFrac = fracDigits.find_first_not_of('0');
            magnitude = firstFrac == std::string::npos ? 0 : -static_cast<long long>(firstFrac);
        }
        long long exponent = 0;
        for (char d : expDigits) {
            exponent = exponent * 10 + (d - '0');
            if (exponent > 100000)
                break;
        }
        magnitude += expNegative ? -exponent : exponent;
        value = magnitude > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    } else if (result.ec != std::errc()) {
        value = 0.0;
    }

    if (value == 0.0)
        return 0.0; // never a negative zero
    return negative ? -value : value;
}

std::optional<qint16> RoundToInt16(double value)
{
    // Anything this far out is out of range whichever way it rounds.
    if (!std::isfinite(value) || value < -40000.0 || value > 40000.0)
        return std::nullopt;

    // Round half to even without relying on the current rounding mode.
    double whole = std::floor(value);
    const double fraction = value - whole; // exact for these magnitudes
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(whole, 2.0) != 0.0))
        whole += 1.0;

    if (whole < -32768.0 || whole > 32767.0)
        return std::nullopt;
    return static_cast<qint16>(whole);
}

std::optional<QString> WholeStatusText(qint16 remaining, qint16 base)
{
    if (base == 0)
        return std::nullopt;
    // Quotient first, then the hundredfold: this order decides how some
    // halves round (23 of 40 gives 57, not 58).
    const double percent = double(remaining) / double(base) * 100.0;
    const std::optional<qint16> whole = RoundToInt16(percent);
    if (!whole)
        return std::nullopt;
    return QString::number(*whole) + QLatin1Char('%');
}

std::optional<QString> ExactStatusText(double remaining, qint16 base, const QLocale &locale)
{
    if (base == 0)
        return std::nullopt;
    double percent = remaining / double(base) * 100.0;
    if (!std::isfinite(percent))
        return std::nullopt;
    if (percent == 0.0)
        percent = 0.0; // "0%", never "-0%"
    QString text = QString::number(percent, 'g', 15);
    text.replace(QLatin1Char('.'), locale.decimalPoint());
    return text + QLatin1Char('%');
}

double StatusPercent(const QString &statusText, double remaining, double base)
{
    if (!statusText.trimmed().isEmpty())
        return LeadingNumber(statusText);
    const std::optional<qint16> r = RoundToInt16(remaining), b = RoundToInt16(base);
    const std::optional<QString> worked = r && b ? WholeStatusText(*r, *b) : std::nullopt;
    return worked ? LeadingNumber(*worked) : 0.0;
}

int StatusBand(const QString &statusText)
{
    const double v = LeadingNumber(statusText);
    for (int band = 10; band >= 2; --band) {
        if (v > (band - 1) * 10.0)
            return band;
    }
    return 1;
}

quint32 StatusPalette(int band)
{
    if (band < 1)
        band = 1;
    if (band > 10)
        band = 10;
    return kPalette[band - 1];
}

std::optional<quint32> SelectionStatusColour(const QString &statusText, PickedBy by)
{
    const double v = LeadingNumber(statusText);
    if (v >= 100.0)
        return kPalette[9];

    // Lower bounds of the steps from light green down to orange.
    static constexpr double byName[8] = {90, 80, 70, 60, 50, 40, 30, 20};
    static constexpr double byNumber[8] = {85, 70, 60, 50, 40, 30, 20, 10};
    static constexpr quint32 colours[8] = {
        0x80FF80, 0xC0FFC0, 0xFFFFC0, 0xFFFF80, 0xFFFF00, kPeach, 0xFFC080, 0xFF8000,
    };
    const double *limits = by == PickedBy::ItemName ? byName : byNumber;
    for (int i = 0; i < 8; ++i) {
        if (v > limits[i])
            return colours[i];
    }
    if (v < 10.0)
        return kPalette[0];
    return std::nullopt; // the label keeps the colour it has
}

} // namespace inv
