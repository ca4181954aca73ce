#include "db/accesbase.h"
#include "db/dialect.h"
#include "db/sqltext.h"
#include "db/sqltranslator.h"
#include "schema/schemacatalog.h"
#include "support/testdatabases.h"

#include <QDateTime>
#include <QRegularExpression>

#include <gtest/gtest.h>

using namespace plx;

namespace {

// Access-flavoured SQL as the screens write it, run through AccesBase on each engine; the
// rows that come back are compared, not the SQL text. {dd/MM/yyyy[ hh:mm:ss]} and {hh:mm:ss}
// in a statement become the engine's literals through FormatDateSQL / FormatHeureSQL.
struct Query
{
    const char *name;
    const char *sql;
    const char *rows; // rows joined by ';', columns by '|', NULL for a database NULL
};

QString cell(const RecordTable &t, int row, int column)
{
    const QVariant &value = t.at(row, column);
    if (value.isNull())
        return QStringLiteral("NULL");
    if (value.typeId() == QMetaType::QDateTime)
        return value.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    if (value.typeId() == QMetaType::Bool)
        return value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    return t.text(row, column);
}

class TranslatorOnEngine : public ::testing::TestWithParam<QString>
{
protected:
    void SetUp() override
    {
        m_scratch = std::make_unique<plxtest::ScratchDatabase>(GetParam());
        ASSERT_TRUE(m_scratch->connect(db));
        m_kind = std::make_unique<ScopedConnectionKind>(db);
        // A measurement table as CreateMeasurementTable writes it, four instants around
        // the turn of the year (the first one without a time), and a text table.
        exec("CREATE TABLE PLUVIO_1 (DateCreation DateTime, Heure DateTime, Pluie Double, "
             "Continuite SHORT, ModeObtention TEXT(1), Precision Double, Validite TEXT(1))");
        exec("CREATE UNIQUE INDEX PK_PLUVIO_1 ON PLUVIO_1 (DateCreation, Heure) WITH PRIMARY");
        exec("INSERT INTO PLUVIO_1 (DateCreation, Heure, Pluie) VALUES ({30/12/2024}, NULL, 3)");
        exec("INSERT INTO PLUVIO_1 (DateCreation, Heure, Pluie) VALUES ({31/12/2024}, {07:30:00}, "
             "2)");
        exec("INSERT INTO PLUVIO_1 (DateCreation, Heure, Pluie) VALUES ({31/12/2024}, {23:00:00}, "
             "1.5)");
        exec("INSERT INTO PLUVIO_1 (DateCreation, Heure, Pluie) VALUES ({01/01/2025}, {00:00:00}, "
             "NULL)");
        exec("CREATE TABLE CODES (id Long, code TEXT(20), nom TEXT, note Memo, actif YESNO)");
        exec("INSERT INTO CODES (id, code, nom, note, actif) VALUES (1, '12', 'été', '00123', "
             "True)");
        exec("INSERT INTO CODES (id, code, nom, note, actif) VALUES (2, ' 7 ', 'O''Brien', NULL, "
             "False)");
        exec("INSERT INTO CODES (id, code, nom, note, actif) VALUES (3, 'abc', NULL, 'x', True)");
        exec("INSERT INTO CODES (id, code, nom, note, actif) VALUES (4, '2147483648', 'Z', NULL, "
             "False)");
    }
    void TearDown() override
    {
        m_kind.reset();
        db.Deconnecter();
    }

    QString withLiterals(const char *sql) const
    {
        static const QRegularExpression literal(QStringLiteral(R"(\{([^}]*)\})"));
        QString text = QString::fromUtf8(sql);
        QRegularExpressionMatch m;
        while ((m = literal.match(text)).hasMatch()) {
            const QString value = m.captured(1);
            const QString sqlValue = value.contains(QLatin1Char('/'))
                                         ? FormatDateSQL(value, value.contains(QLatin1Char(':')))
                                         : FormatHeureSQL(value);
            text.replace(m.capturedStart(), m.capturedLength(), sqlValue);
        }
        return text;
    }
    void exec(const char *sql)
    {
        QString error;
        ASSERT_TRUE(db.Execute(withLiterals(sql), &error))
            << error.toStdString() << "\n"
            << db.translate(withLiterals(sql)).toStdString();
    }
    QString rows(const char *sql)
    {
        const RecordTable t = db.ExtraireRecords(withLiterals(sql));
        if (!t.ok())
            return QStringLiteral("ERROR ") + t.error() + QStringLiteral("\n") +
                   db.translate(withLiterals(sql));
        QStringList lines;
        for (int r = 0; r < t.rowCount(); ++r) {
            QStringList cells;
            for (int c = 0; c < t.columnCount(); ++c)
                cells << cell(t, r, c);
            lines << cells.join(QLatin1Char('|'));
        }
        return lines.join(QLatin1Char(';'));
    }
    void check(std::initializer_list<Query> queries)
    {
        for (const Query &q : queries) {
            SCOPED_TRACE(q.name);
            EXPECT_EQ(rows(q.sql), QString::fromUtf8(q.rows))
                << db.translate(withLiterals(q.sql)).toStdString();
        }
    }

    AccesBase &db = AccesBase::instance();
    std::unique_ptr<plxtest::ScratchDatabase> m_scratch;
    std::unique_ptr<ScopedConnectionKind> m_kind;
};

TEST_P(TranslatorOnEngine, AccessFunctionsAndOperators)
{
    // A value that looks like SQL is stored and read back as it is.
    const QString inert = QStringLiteral("x' OR '1'='1 & iif(#01/02/2024#, [a], \"b\") -- now()");
    ASSERT_TRUE(db.Execute(
        QStringLiteral("INSERT INTO CODES (id, nom) VALUES (5, %1)").arg(sqlQuote(inert))));
    EXPECT_EQ(rows("SELECT nom FROM CODES WHERE id = 5"), inert);

    check({
        // PostgreSQL refuses a CASE mixing text and a number.
        {"iif", "SELECT iif(Pluie > 1.8, 'fort', Pluie) FROM PLUVIO_1 ORDER BY Pluie DESC",
         "fort;fort;1.5;NULL"},
        // & is bitwise AND on both engines; Access's 'a' & Null is 'a'; 3.0 reads "3".
        {"concat_null",
         "SELECT 'a' & nom & 'b', Pluie & ' mm' FROM CODES, PLUVIO_1 "
         "WHERE id = 3 AND Pluie = 3",
         "ab|3 mm"},
        {"concat_in_where", "SELECT id FROM CODES WHERE code & '-' & nom = '12-été'", "1"},
        {"cint", "SELECT cint(code) FROM CODES ORDER BY id", "12;7;NULL;NULL;NULL"},
        // The scope filter: text codes that are not numbers must not fail the query.
        {"cint_in_subquery",
         "SELECT Pluie FROM PLUVIO_1 WHERE Pluie IN (SELECT cint(code) - 10 FROM CODES)", "2"},
        {"ucase_accents",
         "SELECT id, ucase(nom), lcase('ÉTÉ') FROM CODES WHERE ucase(nom) = ucase('ÉTÉ')",
         "1|ÉTÉ|été"},
        {"date_parts",
         "SELECT Year(DateCreation), Month(DateCreation), Day(DateCreation), "
         "Hour(Heure), Minute(Heure) FROM PLUVIO_1 WHERE Pluie = 2",
         "2024|12|31|7|30"},
        {"text_functions",
         "SELECT Mid(nom, 2, 3), Len(nom), Left(nom, 2), Right(nom, 2), "
         "Nz(note, '-') FROM CODES WHERE id = 2",
         "'Br|7|O'|en|-"},
        {"quotes_inert", "SELECT id FROM CODES WHERE nom = 'O''Brien' OR nom = ''' OR ''1''=''1'",
         "2"},
        {"access_double_quotes", "SELECT id FROM CODES WHERE nom = \"O'Brien\"", "2"},
        {"yesno", "SELECT id FROM CODES WHERE actif = True ORDER BY id", "1;3"},
        {"nested_iif",
         "SELECT iif(nom is null, iif(note is null, 'aucun', note), nom) FROM CODES "
         "WHERE id < 4 ORDER BY id",
         "été;O'Brien;x"},
        {"today", "SELECT count(*) FROM PLUVIO_1 WHERE DateCreation < Date()", "4"},
    });
}

TEST_P(TranslatorOnEngine, DatesAndInstants)
{
    // 05/03 read as 3 May anywhere would go unnoticed: literals read back as the same
    // wall-clock, a time of day on 30/12/1899.
    exec("CREATE TABLE DATES (d DateTime, h DateTime)");
    exec("INSERT INTO DATES (d, h) VALUES ({05/03/2024}, {07:30:00})");
    const RecordTable t = db.ExtraireRecords(
        withLiterals("SELECT d, h FROM DATES WHERE d = {05/03/2024} AND h = {07:30:00}"));
    ASSERT_TRUE(t.ok()) << t.error().toStdString();
    ASSERT_EQ(t.rowCount(), 1);
    EXPECT_EQ(t.at(0, 0), QVariant(QDateTime(QDate(2024, 3, 5), QTime(0, 0), Qt::UTC)));
    EXPECT_EQ(t.at(0, 1), QVariant(QDateTime(QDate(1899, 12, 30), QTime(7, 30), Qt::UTC)));

    // Rows: 30/12 (no time), 31/12 07:30, 31/12 23:00, 01/01 00:00. The boundary row at
    // 31/12 23:00 is the one a date-only comparison loses.
    check({
        {"le",
         "SELECT Pluie FROM PLUVIO_1 WHERE CVDate(DateCreation & ' ' & Heure) <= {31/12/2024 "
         "23:00:00} "
         "ORDER BY Pluie",
         "1.5;2;3"},
        {"lt",
         "SELECT Pluie FROM PLUVIO_1 WHERE CVDate(DateCreation & ' ' & Heure) < {31/12/2024 "
         "23:00:00} "
         "ORDER BY Pluie",
         "2;3"},
        {"eq",
         "SELECT Pluie FROM PLUVIO_1 WHERE CVDate(DateCreation & ' ' & Heure)={31/12/2024 "
         "23:00:00}",
         "1.5"},
        {"ne",
         "SELECT Pluie FROM PLUVIO_1 WHERE CVDate(DateCreation & ' ' & Heure) <> {31/12/2024 "
         "23:00:00} "
         "ORDER BY Pluie",
         "NULL;2;3"},
        {"gt",
         "SELECT Pluie FROM PLUVIO_1 WHERE CVDate(DateCreation & ' ' & Heure) > {31/12/2024 "
         "23:00:00}",
         "NULL"},
        {"ge",
         "SELECT Pluie FROM PLUVIO_1 WHERE CVDate(DateCreation & ' ' & Heure) >= {31/12/2024 "
         "23:00:00} "
         "ORDER BY Pluie",
         "NULL;1.5"},
        {"literal_first",
         "SELECT Pluie FROM PLUVIO_1 WHERE {31/12/2024 07:30:00} < CVDATE(DateCreation & ' ' & "
         "Heure) "
         "ORDER BY Pluie",
         "NULL;1.5"},
        {"null_time_is_midnight",
         "SELECT Pluie FROM PLUVIO_1 WHERE CVDate(DateCreation & ' ' & Heure) = {30/12/2024}", "3"},
        {"between",
         "SELECT Pluie FROM PLUVIO_1 WHERE CVDate(DateCreation & ' ' & Heure) "
         "BETWEEN {30/12/2024 00:00:01} AND {31/12/2024 23:00:00} ORDER BY Pluie",
         "1.5;2"},
        {"cvdate_day_first",
         "SELECT Pluie FROM PLUVIO_1 WHERE CVDate(DateCreation & ' ' & Heure) >= "
         "CVDate('31/12/2024 07:30:00') ORDER BY Pluie",
         "NULL;1.5;2"},
        {"prefixed",
         "SELECT P.Pluie FROM PLUVIO_1 P WHERE CVDate(P.DateCreation & ' ' & P.Heure) <= "
         "{31/12/2024 07:30:00} AND CVDate(P.DateCreation & ' ' & P.Heure) > {30/12/2024}",
         "2"},
        {"instant_value",
         "SELECT CVDate(DateCreation & ' ' & Heure) FROM PLUVIO_1 "
         "ORDER BY CVDate(DateCreation & ' ' & Heure) DESC",
         "2025-01-01 00:00:00;2024-12-31 23:00:00;2024-12-31 07:30:00;2024-12-30 00:00:00"},
        {"cvdate_literal",
         "SELECT count(*) FROM PLUVIO_1 WHERE DateCreation = CVDate('31/12/2024')", "2"},
    });

    // The validation step's update: everything up to the marked instant, after the last
    // validated one.
    exec("UPDATE PLUVIO_1 SET Validite='V' WHERE CVDATE(DateCreation & ' ' & Heure) <= {31/12/2024 "
         "23:00:00} "
         "AND CVDATE(DateCreation & ' ' & Heure) >{30/12/2024}");
    EXPECT_EQ(rows("SELECT Pluie FROM PLUVIO_1 WHERE Validite = 'V' ORDER BY Pluie"),
              QStringLiteral("1.5;2"));

    // now() is the local wall-clock on SQLite (datetime('now') is UTC); the servers give
    // their own session's time.
    const RecordTable now =
        db.ExtraireRecords(QStringLiteral("SELECT now() FROM CODES WHERE id = 1"));
    ASSERT_TRUE(now.ok()) << now.error().toStdString();
    ASSERT_EQ(now.at(0, 0).typeId(), QMetaType::QDateTime);
    if (GetParam() == QLatin1String("sqlite")) {
        const QDateTime local = QDateTime::currentDateTime();
        EXPECT_LE(std::abs(now.at(0, 0).toDateTime().secsTo(
                      QDateTime(local.date(), local.time(), Qt::UTC))),
                  60);
    }
}

TEST_P(TranslatorOnEngine, SelectClauses)
{
    exec("CREATE TABLE COMMUNES (CodeCommune TEXT(5), Nom TEXT(50))");
    exec("CREATE TABLE SANDRE (Code Long, Libelle TEXT(50))");
    exec("CREATE TABLE STATIONS (Code Long, CodeCommune TEXT(5), TypeProjection Long)");
    exec("INSERT INTO COMMUNES VALUES ('01053', 'Bourg')");
    exec("INSERT INTO SANDRE VALUES (16, 'Lambert')");
    exec("INSERT INTO STATIONS VALUES (1, '01053', 16)");
    exec("INSERT INTO STATIONS VALUES (2, NULL, 31)");
    check({
        {"top", "SELECT TOP 2 Pluie FROM PLUVIO_1 ORDER BY Pluie DESC", "3;2"},
        {"desc_nulls_last", "SELECT Pluie FROM PLUVIO_1 ORDER BY Pluie DESC", "3;2;1.5;NULL"},
        {"asc_nulls_first", "SELECT Pluie FROM PLUVIO_1 ORDER BY Pluie", "NULL;1.5;2;3"},
        {"most_recent_dated",
         "SELECT TOP 1 Pluie FROM PLUVIO_1 WHERE Pluie IS NOT NULL "
         "ORDER BY DateCreation DESC, Heure DESC",
         "1.5"},
        {"right_join_inside",
         "SELECT SANDRE.Libelle, STATIONS.Code FROM (SANDRE RIGHT JOIN (STATIONS LEFT JOIN "
         "COMMUNES ON STATIONS.CodeCommune = COMMUNES.CodeCommune) ON SANDRE.Code = "
         "STATIONS.TypeProjection) ORDER BY STATIONS.Code",
         "Lambert|1;NULL|2"},
        {"nested_left_joins",
         "SELECT STATIONS.Code, COMMUNES.Nom, S1.Libelle FROM ((STATIONS LEFT JOIN COMMUNES "
         "ON STATIONS.CodeCommune = COMMUNES.CodeCommune) LEFT JOIN SANDRE AS S1 "
         "ON STATIONS.TypeProjection = S1.Code) ORDER BY STATIONS.Code",
         "1|Bourg|Lambert;2|NULL|NULL"},
        {"aggregates",
         "SELECT count(*), sum(1), Max(DateCreation), Min(Pluie) AS mini FROM PLUVIO_1",
         "4|4|2025-01-01 00:00:00|1.5"},
        {"commune_code_stays_text", "SELECT CodeCommune & '' FROM STATIONS WHERE Code = 1",
         "01053"},
    });
}

TEST_P(TranslatorOnEngine, TableDefinitions)
{
    // WITH PRIMARY makes a real unique index: the second row at one instant is refused.
    QString error;
    EXPECT_FALSE(db.Execute(withLiterals("INSERT INTO PLUVIO_1 (DateCreation, Heure) VALUES "
                                         "({31/12/2024}, {07:30:00})"),
                            &error));
    exec("CREATE TABLE T2 (a Long, b DateTime)");
    exec("CREATE INDEX IX_T2 ON T2 (a, b) WITH PRIMARY");
    exec("INSERT INTO T2 (a, b) VALUES (1, {05/03/2024})");
    EXPECT_FALSE(
        db.Execute(withLiterals("INSERT INTO T2 (a, b) VALUES (1, {05/03/2024})"), &error));

    // Type words: a Memo keeps leading zeros (NUMERIC affinity would store 123), dates come
    // back as dates, counters number the rows.
    exec(
        "CREATE TABLE T3 (id COUNTER, memo Memo, court SHORT, long Long, d Double, quand DateTime, "
        "oui YESNO, t TEXT(3))");
    exec("ALTER TABLE T3 ADD COLUMN plus TEXT(10)");
    exec("INSERT INTO T3 (memo, court, long, d, quand, oui, t, plus) VALUES "
         "('00123', 7, 70000, 0.5, {05/03/2024 07:30:00}, True, 'abc', '0042')");
    exec("INSERT INTO T3 (memo) VALUES ('x')");
    check({
        {"types", "SELECT id, memo, court, long, d, quand, plus FROM T3 ORDER BY id",
         "1|00123|7|70000|0.5|2024-03-05 07:30:00|0042;2|x|NULL|NULL|NULL|NULL|NULL"},
        {"yesno_true", "SELECT count(*) FROM T3 WHERE oui = True", "1"},
    });
}

INSTANTIATE_TEST_SUITE_P(Engines, TranslatorOnEngine, PLX_ENGINES, PLX_ENGINE_NAME);

// Oracle: no server here, so the text it would receive.
TEST(TranslatorText, Oracle)
{
    const SqlTranslator oracle(SqlDialect::Oracle);
    const struct
    {
        const char *name, *access, *oracle;
    } rows[] = {
        {"types",
         "CREATE TABLE T (id serial, ok boolean, s varchar2, n Long, m Memo, d DateTime, t "
         "TEXT(3))",
         "CREATE TABLE T (id NUMBER GENERATED BY DEFAULT AS IDENTITY, ok NUMBER(1), s "
         "varchar2(255), "
         "n NUMBER(10), m varchar2(4000), d TIMESTAMP, t varchar2(3))"},
        {"add_column", "ALTER TABLE T ADD COLUMN c YESNO", "ALTER TABLE T ADD c NUMBER(1)"},
        {"instant",
         "DELETE FROM P WHERE CVDate(DateCreation & ' ' & Heure)= to_date('05/03/2024 07:30:00', "
         "'DD/MM/YYYY HH24:MI:SS') ",
         "DELETE FROM P WHERE (DateCreation = TIMESTAMP '2024-03-05 00:00:00' AND "
         "coalesce(TO_CHAR(Heure, 'HH24:MI:SS'), '00:00:00') = '07:30:00') "},
        {"top_nulls_alias", "SELECT TOP 1 a & b FROM T AS x ORDER BY d DESC",
         "SELECT (a || b) FROM T x ORDER BY d DESC NULLS LAST FETCH FIRST 1 ROWS ONLY"},
        {"index", "DROP INDEX PK_P ON P", "DROP INDEX PK_P"},
        {"alter_column", "ALTER TABLE T ALTER COLUMN c TEXT(50)",
         "ALTER TABLE T MODIFY c varchar2(50)"},
        {"functions", "SELECT iif(a, 'x', 1), now(), ucase(n), True",
         "SELECT CASE WHEN a THEN TO_CHAR('x') ELSE TO_CHAR(1) END, SYSDATE, upper(n), 1 FROM "
         "DUAL"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(oracle.translate(QString::fromUtf8(row.access)), QString::fromUtf8(row.oracle));
    }
}

// String literals and comments are never rewritten; Access SQL passes unchanged.
TEST(TranslatorText, LiteralsAndCommentsUntouched)
{
    const QString sql =
        QStringLiteral("SELECT 'iif(a & b) #01/02/2024#', x -- now() & [y]\n/* ucase( */ FROM t");
    EXPECT_EQ(SqlTranslator(SqlDialect::PostgreSQL).translate(sql), sql);
    EXPECT_EQ(SqlTranslator(SqlDialect::SQLite).translate(sql), sql);
    const QString access =
        QStringLiteral("SELECT a & b FROM [Order Details] WHERE d = #03/05/2024#");
    EXPECT_EQ(SqlTranslator(SqlDialect::Access).translate(access), access);
    EXPECT_EQ(
        SqlTranslator(SqlDialect::PostgreSQL).translate(access),
        QStringLiteral("SELECT (coalesce(CAST(a AS text), '') || coalesce(CAST(b AS text), '')) "
                       "FROM \"Order Details\" WHERE d = '2024-03-05 00:00:00'"));
}

} // namespace
