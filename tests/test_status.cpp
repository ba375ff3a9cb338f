#include "data/stock/status.h"

#include <QtTest>

#include <cmath>
#include <limits>

using inv::PickedBy;

Q_DECLARE_METATYPE(inv::PickedBy)

namespace {

QString rgb(quint32 colour)
{
    return QStringLiteral("#%1").arg(colour, 6, 16, QLatin1Char('0')).toUpper();
}

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

} // namespace

class TestStatus : public QObject {
    Q_OBJECT

private slots:
    void leadingNumber_data();
    void leadingNumber();
    void leadingNumberExtremes();

    void roundToInt16_data();
    void roundToInt16();

    void wholeStatusText_data();
    void wholeStatusText();

    void exactStatusText_data();
    void exactStatusText();
    void exactStatusTextReadsBack();

    void statusBand_data();
    void statusBand();

    void statusPalette_data();
    void statusPalette();

    void selectionStatusColour_data();
    void selectionStatusColour();
};

void TestStatus::leadingNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("expected");

    QTest::addRow("percent") << "73%" << 73.0;
    QTest::addRow("letters after") << "12abc" << 12.0;
    QTest::addRow("empty") << "" << 0.0;
    QTest::addRow("decimal comma") << "66,7" << 66.0;
    QTest::addRow("exact status") << "66.6666666666667%" << 66.6666666666667;
    QTest::addRow("negative") << "-50%" << -50.0;
    QTest::addRow("plus sign") << "+7" << 7.0;
    QTest::addRow("no digit") << "abc" << 0.0;
    QTest::addRow("percent first") << "%73" << 0.0;
    QTest::addRow("sign only") << "-" << 0.0;
    QTest::addRow("point only") << "." << 0.0;
    QTest::addRow("leading point") << ".5" << 0.5;
    QTest::addRow("trailing point") << "5.%" << 5.0;
    QTest::addRow("second point ends") << "1.2.3" << 1.2;
    QTest::addRow("leading blanks") << "   42" << 42.0;
    QTest::addRow("blank inside") << "1 2" << 12.0;
    QTest::addRow("tab and line feed") << "\t-\n5" << -5.0;
    QTest::addRow("carriage return") << "1\r\n2%" << 12.0;
    QTest::addRow("blank inside fraction") << "1 . 5" << 1.5;
    QTest::addRow("exponent") << "1e3" << 1000.0;
    QTest::addRow("exponent upper, sign") << "1E+2%" << 100.0;
    QTest::addRow("negative exponent") << "2.5e-1" << 0.25;
    QTest::addRow("exponent with blanks") << "1 e 2" << 100.0;
    QTest::addRow("bare exponent letter") << "1e" << 1.0;
    QTest::addRow("exponent sign only") << "3e+" << 3.0;
    QTest::addRow("exponent then letter") << "4E-x" << 4.0;
    QTest::addRow("hex is not read") << "0x10" << 0.0;
    QTest::addRow("non-ASCII digit") << QStringLiteral("\u0663") << 0.0;
    QTest::addRow("non-breaking space") << QStringLiteral("\u00a05") << 0.0;
    QTest::addRow("underflow") << "1e-400" << 0.0;
}

void TestStatus::leadingNumber()
{
    QFETCH(QString, text);
    QFETCH(double, expected);
    QCOMPARE(inv::LeadingNumber(text), expected);
}

void TestStatus::leadingNumberExtremes()
{
    QVERIFY(std::isinf(inv::LeadingNumber("1e400")));
    QVERIFY(inv::LeadingNumber("1e400") > 0);
    QVERIFY(inv::LeadingNumber("-1e400") < 0 && std::isinf(inv::LeadingNumber("-1e400")));
    QVERIFY(std::isinf(inv::LeadingNumber("1" + QString(400, QLatin1Char('0')))));
    QVERIFY(std::isinf(inv::LeadingNumber("1e99999999999999999999")));
    QVERIFY(!inv::RoundToInt16(inv::LeadingNumber("1e400")));
    // A negative zero would print as "-0" if anyone formatted it.
    QVERIFY(!std::signbit(inv::LeadingNumber("-0%")));
    QVERIFY(!std::signbit(inv::LeadingNumber("-1e-400")));
}

void TestStatus::roundToInt16_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<bool>("fits");
    QTest::addColumn<int>("expected");

    QTest::addRow("2.5 to even") << 2.5 << true << 2;
    QTest::addRow("3.5 to even") << 3.5 << true << 4;
    QTest::addRow("0.5 to even") << 0.5 << true << 0;
    QTest::addRow("-2.5 to even") << -2.5 << true << -2;
    QTest::addRow("-3.5 to even") << -3.5 << true << -4;
    QTest::addRow("just below half") << 2.4999999 << true << 2;
    QTest::addRow("just above half") << 2.5000001 << true << 3;
    QTest::addRow("negative above half") << -1.6 << true << -2;
    QTest::addRow("max") << 32767.0 << true << 32767;
    QTest::addRow("rounds down to max") << 32767.4 << true << 32767;
    QTest::addRow("half above max") << 32767.5 << false << 0;
    QTest::addRow("min") << -32768.0 << true << -32768;
    QTest::addRow("half below min, even") << -32768.5 << true << -32768;
    QTest::addRow("rounds below min") << -32768.6 << false << 0;
    QTest::addRow("below min") << -32769.0 << false << 0;
    QTest::addRow("huge") << 1e300 << false << 0;
    QTest::addRow("NaN") << kNaN << false << 0;
    QTest::addRow("+inf") << kInf << false << 0;
    QTest::addRow("-inf") << -kInf << false << 0;
}

void TestStatus::roundToInt16()
{
    QFETCH(double, value);
    QFETCH(bool, fits);
    QFETCH(int, expected);
    const std::optional<qint16> got = inv::RoundToInt16(value);
    QCOMPARE(got.has_value(), fits);
    if (fits)
        QCOMPARE(int(*got), expected);
}

void TestStatus::wholeStatusText_data()
{
    QTest::addColumn<int>("remaining");
    QTest::addColumn<int>("base");
    QTest::addColumn<QString>("expected"); // empty: no text

    QTest::addRow("73 of 100") << 73 << 100 << "73%";
    QTest::addRow("2 of 3") << 2 << 3 << "67%";
    QTest::addRow("1 of 8, half to even") << 1 << 8 << "12%";
    QTest::addRow("3 of 8, half to even") << 3 << 8 << "38%";
    QTest::addRow("5 of 8, half to even") << 5 << 8 << "62%";
    QTest::addRow("-1 of 8, half to even") << -1 << 8 << "-12%";
    // 23 / 40 * 100 is just below 57.5 in doubles; 23 * 100 / 40 would be 58.
    QTest::addRow("quotient first") << 23 << 40 << "57%";
    QTest::addRow("quotient first, negative") << -23 << 40 << "-57%";
    QTest::addRow("zero") << 0 << 5 << "0%";
    QTest::addRow("zero, negative base") << 0 << -5 << "0%";
    QTest::addRow("over full") << 20 << 10 << "200%";
    QTest::addRow("negative") << -5 << 100 << "-5%";
    QTest::addRow("largest that fits") << 327 << 1 << "32700%";
    QTest::addRow("400 of 1 out of range") << 400 << 1 << "";
    QTest::addRow("min of -1 out of range") << -32768 << -1 << "";
    QTest::addRow("base 0") << 5 << 0 << "";
    QTest::addRow("0 of 0") << 0 << 0 << "";
}

void TestStatus::wholeStatusText()
{
    QFETCH(int, remaining);
    QFETCH(int, base);
    QFETCH(QString, expected);
    const std::optional<QString> got = inv::WholeStatusText(qint16(remaining), qint16(base));
    QCOMPARE(got.has_value(), !expected.isEmpty());
    if (got)
        QCOMPARE(*got, expected);
}

void TestStatus::exactStatusText_data()
{
    QTest::addColumn<double>("remaining");
    QTest::addColumn<int>("base");
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("expected"); // empty: no text

    const QLocale c = QLocale::c();
    const QLocale de(QLocale::German, QLocale::Germany);

    QTest::addRow("2 of 3") << 2.0 << 3 << c << "66.6666666666667%";
    QTest::addRow("2 of 3, decimal comma") << 2.0 << 3 << de << "66,6666666666667%";
    QTest::addRow("1 of 3") << 1.0 << 3 << c << "33.3333333333333%";
    QTest::addRow("full, no trailing zeros") << 10.0 << 10 << c << "100%";
    QTest::addRow("1 of 8") << 1.0 << 8 << c << "12.5%";
    QTest::addRow("1 of 8, decimal comma") << 1.0 << 8 << de << "12,5%";
    QTest::addRow("negative") << -5.0 << 10 << c << "-50%";
    QTest::addRow("zero") << 0.0 << 7 << c << "0%";
    QTest::addRow("zero, negative base") << 0.0 << -7 << c << "0%";
    QTest::addRow("over full") << 20.0 << 10 << c << "200%";
    // 7 / 100 * 100 is 7.000000000000001; 15 digits hide the last bit.
    QTest::addRow("15 digits") << 7.0 << 100 << c << "7%";
    QTest::addRow("no grouping") << 32767.0 << 1 << de << "3276700%";
    QTest::addRow("small, plain decimals") << 1.0 << 32767 << c << "0.00305185094759972%";
    QTest::addRow("base 0") << 1.0 << 0 << c << "";
    QTest::addRow("overflow") << 1e307 << 1 << c << "";
    QTest::addRow("NaN") << kNaN << 10 << c << "";
    QTest::addRow("inf") << kInf << 10 << c << "";
}

void TestStatus::exactStatusText()
{
    QFETCH(double, remaining);
    QFETCH(int, base);
    QFETCH(QLocale, locale);
    QFETCH(QString, expected);
    const std::optional<QString> got = inv::ExactStatusText(remaining, qint16(base), locale);
    QCOMPARE(got.has_value(), !expected.isEmpty());
    if (got)
        QCOMPARE(*got, expected);
}

void TestStatus::exactStatusTextReadsBack()
{
    // A point-written status reads back whole; a comma-written one only up
    // to the comma, and both land in the band of their whole part here.
    const QString point = *inv::ExactStatusText(2.0, 3, QLocale::c());
    const QString comma = *inv::ExactStatusText(2.0, 3, QLocale(QLocale::German));
    QCOMPARE(inv::LeadingNumber(point), 66.6666666666667);
    QCOMPARE(inv::LeadingNumber(comma), 66.0);
    QCOMPARE(inv::StatusBand(point), 7);
    QCOMPARE(inv::StatusBand(comma), 7);

    // The comma loses the fraction: 10.5 reads as 10, band 1 instead of 2.
    QCOMPARE(inv::StatusBand(*inv::ExactStatusText(21.0, 200, QLocale::c())), 2);
    QCOMPARE(inv::StatusBand(*inv::ExactStatusText(21.0, 200, QLocale(QLocale::German))), 1);
}

void TestStatus::statusBand_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("band");

    QTest::addRow("90") << "90%" << 9;
    QTest::addRow("90.5") << "90.5%" << 10;
    QTest::addRow("10") << "10%" << 1;
    QTest::addRow("10.1") << "10.1%" << 2;
    QTest::addRow("0") << "0%" << 1;
    QTest::addRow("-50") << "-50%" << 1;
    QTest::addRow("250") << "250%" << 10;
    QTest::addRow("100") << "100%" << 10;
    QTest::addRow("empty") << "" << 1;
    QTest::addRow("not a number") << "n/a" << 1;
    QTest::addRow("decimal comma") << "10,9%" << 1;
    QTest::addRow("huge") << "1e400%" << 10;
    // Every boundary: exactly k*10 stays in band k, a little more is band k+1.
    for (int k = 2; k <= 9; ++k) {
        QTest::addRow("%d", k * 10) << QStringLiteral("%1%").arg(k * 10) << k;
        QTest::addRow("%d.01", k * 10) << QStringLiteral("%1.01%").arg(k * 10) << k + 1;
    }
}

void TestStatus::statusBand()
{
    QFETCH(QString, text);
    QFETCH(int, band);
    QCOMPARE(inv::StatusBand(text), band);
}

void TestStatus::statusPalette_data()
{
    QTest::addColumn<int>("band");
    QTest::addColumn<QString>("colour");

    const char *const colours[] = {"#FF0000", "#FF8080", "#FF8000", "#FFC080", "#FFFF00",
                                   "#FFFF80", "#FFFFC0", "#C0FFC0", "#80FF80", "#00FF00"};
    for (int band = 1; band <= 10; ++band)
        QTest::addRow("band %d", band) << band << QString::fromLatin1(colours[band - 1]);
    QTest::addRow("below 1 clamps") << 0 << "#FF0000";
    QTest::addRow("negative clamps") << -3 << "#FF0000";
    QTest::addRow("above 10 clamps") << 11 << "#00FF00";
}

void TestStatus::statusPalette()
{
    QFETCH(int, band);
    QFETCH(QString, colour);
    QCOMPARE(rgb(inv::StatusPalette(band)), colour);
}

void TestStatus::selectionStatusColour_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<PickedBy>("by");
    QTest::addColumn<QString>("colour"); // empty: keeps the label's colour

    const PickedBy name = PickedBy::ItemName;
    const PickedBy number = PickedBy::ItemNumber;

    QTest::addRow("85 by name") << "85%" << name << "#C0FFC0";
    QTest::addRow("85 by number") << "85%" << number << "#C0FFC0";
    QTest::addRow("88 by name") << "88%" << name << "#C0FFC0";
    QTest::addRow("88 by number") << "88%" << number << "#80FF80";
    QTest::addRow("45 by name") << "45%" << name << "#FFE0C0";
    QTest::addRow("45 by number") << "45%" << number << "#FFFF00";
    QTest::addRow("100 by name") << "100%" << name << "#00FF00";
    QTest::addRow("100 by number") << "100%" << number << "#00FF00";
    QTest::addRow("150 by number") << "150%" << number << "#00FF00";
    QTest::addRow("99.9 by name") << "99.9%" << name << "#80FF80";
    QTest::addRow("5 by name") << "5%" << name << "#FF0000";
    QTest::addRow("5 by number") << "5%" << number << "#FF0000";
    QTest::addRow("9.99 by name") << "9.99%" << name << "#FF0000";
    QTest::addRow("negative by number") << "-20%" << number << "#FF0000";
    QTest::addRow("empty by name") << "" << name << "#FF0000";
    QTest::addRow("not a number by number") << "n/a" << number << "#FF0000";

    // The uncoloured gap: 10..20 by name, exactly 10 by number.
    QTest::addRow("10 by name") << "10%" << name << "";
    QTest::addRow("15 by name") << "15%" << name << "";
    QTest::addRow("20 by name") << "20%" << name << "";
    QTest::addRow("20.5 by name") << "20.5%" << name << "#FF8000";
    QTest::addRow("10 by number") << "10%" << number << "";
    QTest::addRow("10.01 by number") << "10.01%" << number << "#FF8000";
    QTest::addRow("15 by number") << "15%" << number << "#FF8000";
    QTest::addRow("20 by number") << "20%" << number << "#FF8000";

    // Each step's threshold is exclusive: at the threshold the next colour down.
    const struct {
        int byName;
        int byNumber;
        const char *colour;
        const char *below;
    } steps[] = {
        {90, 85, "#80FF80", "#C0FFC0"}, {80, 70, "#C0FFC0", "#FFFFC0"}, {70, 60, "#FFFFC0", "#FFFF80"},
        {60, 50, "#FFFF80", "#FFFF00"}, {50, 40, "#FFFF00", "#FFE0C0"}, {40, 30, "#FFE0C0", "#FFC080"},
        {30, 20, "#FFC080", "#FF8000"},
    };
    for (const auto &s : steps) {
        QTest::addRow("at %d by name", s.byName)
            << QStringLiteral("%1%").arg(s.byName) << name << QString::fromLatin1(s.below);
        QTest::addRow("above %d by name", s.byName)
            << QStringLiteral("%1.5%").arg(s.byName) << name << QString::fromLatin1(s.colour);
        QTest::addRow("at %d by number", s.byNumber)
            << QStringLiteral("%1%").arg(s.byNumber) << number << QString::fromLatin1(s.below);
        QTest::addRow("above %d by number", s.byNumber)
            << QStringLiteral("%1.5%").arg(s.byNumber) << number << QString::fromLatin1(s.colour);
    }
}

void TestStatus::selectionStatusColour()
{
    QFETCH(QString, text);
    QFETCH(PickedBy, by);
    QFETCH(QString, colour);
    const std::optional<quint32> got = inv::SelectionStatusColour(text, by);
    QCOMPARE(got ? rgb(*got) : QString(), colour);
}

QTEST_APPLESS_MAIN(TestStatus)
#include "test_status.moc"
