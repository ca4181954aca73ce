#include "base/locale.h"

#include <QLocale>

#include <gtest/gtest.h>

namespace {

const QChar kNoBreak(0x00A0);
const QChar kNarrowNoBreak(0x202F);

TEST(Locale, DatesAreDayFirstAndStrict)
{
    EXPECT_EQ(plx::parseDate(QStringLiteral("05/03/2024")), QDate(2024, 3, 5));
    EXPECT_EQ(plx::parseDate(QStringLiteral(" 5/3/2024 ")), QDate(2024, 3, 5));
    EXPECT_EQ(plx::parseDate(QStringLiteral("29/02/2024")), QDate(2024, 2, 29));
    EXPECT_EQ(plx::parseDate(QStringLiteral("01/01/1800")), QDate(1800, 1, 1));
    EXPECT_EQ(plx::parseDate(QStringLiteral("31/12/3000")), QDate(3000, 12, 31));

    // Never guessed: month first, impossible days, short years, ISO, trailing text, range.
    for (const char *bad : {"12/30/2024", "31/02/2024", "29/02/2023", "5/3/24", "2024-03-05",
                            "05/03/2024x", "05-03-2024", "05/03/2024 25:00", "05/03/2024 7:60",
                            "05/03/2024 07:30:61", "05/03/2024 7", "31/12/1799", "01/01/3001",
                            "", "   ", "0/1/2024", "1/0/2024"})
        EXPECT_FALSE(plx::parseDateTime(QString::fromLatin1(bad))) << bad;

    EXPECT_EQ(plx::parseDateTime(QStringLiteral("05/03/2024 7:05")),
              QDateTime(QDate(2024, 3, 5), QTime(7, 5), Qt::UTC));
    // 31/03/2024 02:30 does not exist in Paris local time: a wall-clock value keeps it.
    const std::optional<QDateTime> springForward =
        plx::parseDateTime(QStringLiteral("31/03/2024 02:30:15"));
    ASSERT_TRUE(springForward);
    EXPECT_EQ(springForward->time(), QTime(2, 30, 15));
    EXPECT_EQ(plx::formatDateTime(*springForward), "31/03/2024 02:30:15");

    EXPECT_EQ(plx::parseTime(QStringLiteral("7:30")), QTime(7, 30));
    EXPECT_EQ(plx::parseTime(QStringLiteral("23:59:59")), QTime(23, 59, 59));
    EXPECT_FALSE(plx::parseTime(QStringLiteral("24:00")));
    EXPECT_FALSE(plx::parseTime(QStringLiteral("7h30")));

    EXPECT_EQ(plx::formatDate(QDate(1899, 12, 30)), "30/12/1899");
    EXPECT_EQ(plx::formatTime(QTime(7, 5, 3)), "07:05:03");
    EXPECT_EQ(plx::formatDate(QDate()), "");
}

TEST(Locale, NumbersTakeEitherDecimalMarkAndBlankGrouping)
{
    struct Case { QString text; double value; };
    const Case good[] = {
        {QStringLiteral("12,5"), 12.5},
        {QStringLiteral("12.5"), 12.5},
        {QStringLiteral("1234.5"), 1234.5},
        {QStringLiteral("1 234,5"), 1234.5},
        {QStringLiteral("1") + kNoBreak + QStringLiteral("234,5"), 1234.5},
        {QStringLiteral("12") + kNarrowNoBreak + QStringLiteral("345") + kNarrowNoBreak
             + QStringLiteral("678"), 12345678},
        {QStringLiteral("-0,25"), -0.25},
        {QStringLiteral("+3"), 3},
        {QStringLiteral(" 7 "), 7},
        {QStringLiteral(",5"), 0.5},
        {QStringLiteral("0"), 0},
    };
    for (const Case &c : good) {
        const std::optional<double> value = plx::parseNumber(c.text);
        ASSERT_TRUE(value) << c.text.toStdString();
        EXPECT_DOUBLE_EQ(*value, c.value) << c.text.toStdString();
    }
    // Two marks, misplaced groups, letters, exponents, signs inside, nothing at all.
    for (const char *bad : {"1.234,5", "1,234.5", "1,2,3", "12 5", "1234 567", "1 23,5",
                            "1 234 56", "12a", "1e3", "1-2", "-", ",", "", "  ", "1 ,5",
                            "1, 5", "nan", "inf"})
        EXPECT_FALSE(plx::parseNumber(QString::fromLatin1(bad))) << bad;

    EXPECT_EQ(plx::formatNumber(12.5), "12,5");
    EXPECT_EQ(plx::formatNumber(0.1), "0,1");
    EXPECT_EQ(plx::formatNumber(3), "3");
    EXPECT_EQ(plx::formatNumber(1e-5), "0,00001");
    EXPECT_EQ(plx::formatNumber(2.345, 2), "2,35");
    EXPECT_EQ(plx::formatNumber(1234567.0), "1234567");
}

TEST(Locale, ProgramLocaleIsFrenchWithoutTouchingTheSystem)
{
    const QLocale systemBefore = QLocale::system();
    const QLocale savedDefault;
    plx::installProgramLocale();
    const QLocale program;
    EXPECT_EQ(program.language(), QLocale::French);
    EXPECT_EQ(program.territory(), QLocale::France);
    EXPECT_EQ(program.decimalPoint(), ",");
    // Grouped numbers do not read back in other programs: widgets show none.
    EXPECT_EQ(program.toString(1234567.5, 'f', 1), "1234567,5");
    EXPECT_EQ(QLocale::system().name(), systemBefore.name());
    QLocale::setDefault(savedDefault);
}

} // namespace
