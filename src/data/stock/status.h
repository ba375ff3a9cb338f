#pragma once
// Numbers read from text, whole quantities, and the stock status rule:
// the percentage texts, the ten bands and their colours.

#include <QLocale>
#include <QString>
#include <QtGlobal>
#include <optional>

namespace inv {

// The numeric value of the leading numeric part of a text (0 when no digit).
double LeadingNumber(const QString &text);

// Nearest 16-bit whole number, halves to the even neighbour.
// Empty when the value is not a number or falls outside -32768..32767.
std::optional<qint16> RoundToInt16(double value);

// "73%": remaining / base * 100, rounded half-to-even. Empty when base is 0
// or the rounded percentage does not fit -32768..32767.
std::optional<QString> WholeStatusText(qint16 remaining, qint16 base);

// "66.6666666666667%": remaining / base * 100 to 15 significant digits,
// with the locale's decimal separator. Empty when base is 0.
std::optional<QString> ExactStatusText(double remaining, qint16 base, const QLocale &locale = QLocale());

// A stored status as a percentage: the leading number of its text. A row
// stored without a status text takes the rule's own status for its stored
// quantities (WholeStatusText of remaining and base), and 0 only when they
// give none either (a base of 0, a quantity outside 16 bits).
double StatusPercent(const QString &statusText, double remaining, double base);

// Band 1 (nearly empty) .. 10 (full) of a status text.
int StatusBand(const QString &statusText);

// Palette colour of a band, as 0xRRGGBB. Bands outside 1..10 are clamped.
quint32 StatusPalette(int band);

enum class PickedBy { ItemName, ItemNumber };

// Colour applied when an item is picked in the update window, as 0xRRGGBB;
// empty for the statuses that keep the label's colour.
std::optional<quint32> SelectionStatusColour(const QString &statusText, PickedBy by);

} // namespace inv
