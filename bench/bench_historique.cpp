// The historical summary of a station holding 1,000,000 timed rows (5-minute steps over
// nine and a half years, rain on some steps, gaps of nulls), next to one plain scan of the
// same table on the same connection in the same run, the floor of any summary:
//   SELECT count(*), sum(Pluie) FROM PLUVIO_1                          (target: <= 10 times)
// Also shown: one pass reading every column the summary reads (DateCreation, Validite and
// the six kinds), and the statements the summary first replaced: per data kind, first/last
// date and count, the year's count, sum and rows above 0, the last controlled and last
// validated dates, and the maximum (its first row only, as a recordset read lazily gives it).
// Each figure is the best of three runs. PostgreSQL is measured when PLX_TEST_PG_PORT names
// a running server; the benchmark creates its own database there and drops it afterwards.
#include "benchseries.h"
#include "db/dialect.h"
#include "db/sqltext.h"
#include "measures/historique.h"
#include "measures/parameterlabels.h"

using namespace plx;
using namespace plxbench;

namespace {

constexpr int kRows = 1000000;
constexpr int kYear = 2025; // a full year of the generated series

bool query(AccesBase &db, const QString &sql)
{
    const RecordTable t = db.ExtraireRecords(sql);
    if (!t.ok())
        std::fprintf(stderr, "%s: %s\n", qPrintable(sql), qPrintable(t.error()));
    return t.ok();
}

// The statements of the summary as first written: nine kinds, each kind of data apart.
void statementByStatement(AccesBase &db)
{
    const ScopedConnectionKind kind(db);
    const QString year = QString::number(kYear);
    const QString inYear = QStringLiteral(" AND DateCreation >=") +
                           FormatDateSQL(QStringLiteral("01/01/") + year, false) +
                           QStringLiteral(" AND DateCreation <=") +
                           FormatDateSQL(QStringLiteral("31/12/") + year, false);
    const QString from = QStringLiteral(" FROM ") + kTable + QStringLiteral(" WHERE ");
    for (const DataKind &data : dataKinds(db)) {
        const QString c = data.column;
        const QString present = from + c + QStringLiteral(" is not null");
        query(db,
              QStringLiteral("SELECT Min(DateCreation), Max(DateCreation), count(DateCreation)") +
                  present);
        query(db, QStringLiteral("SELECT count(DateCreation)") + present + inYear);
        if (data.parameter <= 2) {
            query(db, QStringLiteral("SELECT sum(") + c + QLatin1Char(')') + present + inYear);
            query(db, QStringLiteral("SELECT sum(1)") + present + QStringLiteral(" AND ") + c +
                          QStringLiteral(" > 0") + inYear);
        }
        query(db, QStringLiteral("SELECT Max(DateCreation)") + present +
                      QStringLiteral(" AND Validite='C'"));
        query(db, QStringLiteral("SELECT Max(DateCreation)") + present +
                      QStringLiteral(" AND Validite='V'"));
        query(db, QStringLiteral("SELECT TOP 1 datecreation, ") + c + present +
                      QStringLiteral(" ORDER BY ") + c + QStringLiteral(" DESC"));
    }
}

void report(const char *engine, AccesBase &db)
{
    std::vector<HistoriqueRow> rows;
    const double ours = best([&] { rows = computeHistorique(db, kCode, kYear); });
    const double scan =
        best([&] { query(db, QStringLiteral("SELECT count(*), sum(Pluie) FROM ") + kTable); });
    const double columns = best([&] {
        query(db,
              QStringLiteral("SELECT count(DateCreation), count(Validite), count(Pluie), "
                             "count(PluieEfficace), count(Etp), count(Valeur1), count(Valeur2), "
                             "count(Valeur3) FROM ") +
                  kTable);
    });
    const double statements = best([&] { statementByStatement(db); });
    const auto ratio = [ours](double floor) { return floor > 0 ? ours / floor : 0.0; };
    std::printf("%-10s summary of %d rows: %.3f s | one plain scan: %.3f s | ratio %.2f "
                "(target <= 10)\n",
                engine, kRows, ours, scan, ratio(scan));
    std::printf("%-10s one pass reading the summary's columns: %.3f s (ratio %.2f) | statement by "
                "statement: %.3f s (ratio %.2f)\n",
                engine, columns, ratio(columns), statements, ratio(statements));
    std::printf("%-10s Pluie: %s values, %s in %d, cumulation %s, max %s on %s\n", engine,
                qPrintable(rows[0].cells[Valeurs]), qPrintable(rows[0].cells[ValeursAnnee]), kYear,
                qPrintable(rows[0].cells[CumulAnnee]), qPrintable(rows[0].cells[Max]),
                qPrintable(rows[0].cells[DateMax]));
}

bool createStation(AccesBase &db)
{
    const ScopedConnectionKind kind(db);
    return createSeriesTable(db) &&
           db.Execute(QStringLiteral("CREATE TABLE PARAMETRAGE_DATA (id SHORT, libelle TEXT(255), "
                                     "projet TEXT(12), version TEXT(20))")) &&
           db.Execute(QStringLiteral("INSERT INTO PARAMETRAGE_DATA (id, libelle, projet) VALUES "
                                     "(1, 'Température (°C)', 'PLX')"));
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    onEachEngine(kRows, createStation, report);
    return 0;
}
