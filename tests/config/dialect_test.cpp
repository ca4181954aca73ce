#include "config/connectionprofile.h"
#include "db/dialect.h"

#include <gtest/gtest.h>

namespace {

class DialectTest : public ::testing::Test
{
protected:
    void TearDown() override { plx::runProfile().kind = m_saved; }
    void useKind(const char *kind) { plx::runProfile().kind = QString::fromLatin1(kind); }

private:
    QString m_saved = plx::runProfile().kind;
};

TEST_F(DialectTest, DateAndTimeLiteralsPerKind)
{
    useKind("ACCESS");
    EXPECT_EQ(plx::FormatDateSQL("05/03/2024", false), "#03/05/2024#");
    EXPECT_EQ(plx::FormatDateSQL("5/3/2024 7:30", true), "#03/05/2024 07:30:00#");
    EXPECT_EQ(plx::FormatDateSQL("05/03/2024", true), "#03/05/2024 00:00:00#");
    EXPECT_EQ(plx::FormatDateSQL("05/03/2024 23:59:59", false), "#03/05/2024#");
    EXPECT_EQ(plx::FormatHeureSQL("07:30:00"), "#07:30:00#");

    useKind("POSTGRESQL");
    EXPECT_EQ(plx::FormatDateSQL("05/03/2024", false), "'03/05/2024'");
    EXPECT_EQ(plx::FormatDateSQL("31/12/3000 23:59:59", true), "'12/31/3000 23:59:59'");
    EXPECT_EQ(plx::FormatHeureSQL("07:30:00"), "'12/30/1899 07:30:00'");
    EXPECT_EQ(plx::FormatHeureSQL("7:05"), "'12/30/1899 07:05:00'");

    useKind("ORACLE");
    EXPECT_EQ(plx::FormatDateSQL("05/03/2024", false), " to_date('05/03/2024', 'DD/MM/YYYY') ");
    EXPECT_EQ(plx::FormatDateSQL("5/3/2024 07:30:00", true),
              " to_date('05/03/2024 07:30:00', 'DD/MM/YYYY HH24:MI:SS') ");
    EXPECT_EQ(plx::FormatHeureSQL("07:30:00"), "'07:30:00'");

    // Collapsed kinds only: a variant or an unknown kind gives nothing to paste into SQL.
    for (const char *kind : {"ORACLE_XE", "SQLITE", "", "access"}) {
        useKind(kind);
        EXPECT_EQ(plx::FormatDateSQL("05/03/2024", false), "") << kind;
        EXPECT_EQ(plx::FormatHeureSQL("07:30:00"), "") << kind;
    }
}

TEST_F(DialectTest, BadDatesNeverGuessed)
{
    for (const char *kind : {"ACCESS", "POSTGRESQL", "ORACLE"}) {
        useKind(kind);
        for (const char *bad : {"", "2024-03-05", "03/05/24", "31/02/2024", "13/13/2024",
                                "29/02/2023", "01/01/1799", "01/01/3001", "05/03/2024 24:00:00",
                                "05/03/2024 07:60", "05/03/2024abc", "05/03/2024' OR '1'='1",
                                "05.03.2024", "5/3/2024 7"}) {
            EXPECT_EQ(plx::FormatDateSQL(bad, true), "") << kind << " " << bad;
            EXPECT_EQ(plx::FormatDateSQL(bad, false), "") << kind << " " << bad;
        }
        for (const char *bad : {"", "7", "07:30:00 PM", "25:00:00", "07:30:61", "07h30",
                                "07:30:00'--"})
            EXPECT_EQ(plx::FormatHeureSQL(bad), "") << kind << " " << bad;
        EXPECT_NE(plx::FormatDateSQL("29/02/2024", false), "") << kind;
        EXPECT_NE(plx::FormatDateSQL("01/01/1800", false), "") << kind;
    }
}

TEST_F(DialectTest, TypeRoles)
{
    EXPECT_EQ(plx::columnTypes("ACCESS").textOfLength(50), "TEXT(50)");
    EXPECT_EQ(plx::userTableTypes("POSTGRESQL").text, "varchar");
    // Oracle before 23 refuses serial, boolean and a varchar2 without a length.
    const plx::ColumnTypes oracle = plx::columnTypes("ORACLE");
    EXPECT_EQ(oracle.textOfLength(), "varchar2(255)");
    EXPECT_EQ(oracle.textOfLength(100), "varchar2(100)");
    EXPECT_TRUE(oracle.autoIncrement.contains("IDENTITY"));
    EXPECT_EQ(oracle.yesNo, "NUMBER(1)");
    EXPECT_TRUE(plx::columnTypes("ORACLE_XE").text.isEmpty());
    useKind("POSTGRESQL");
    EXPECT_EQ(plx::columnTypes().dateTime, "timestamp with time zone");
}

} // namespace
