// The rain-gauge list over 10,000 stations (with communes and current managers), SQLite:
//   (a) the list statement alone through AccesBase::ExtraireRecords — the floor;
//   (b) what opening the list costs beyond widgets: the same statement read into rows, the
//       model filled in one pass, the filter proxy sorted by a heading, and every cell's
//       text asked once (a view asks only the rows it shows, so this is an upper bound);
//   (c) the screen itself, offscreen: ListePluviometres built and loaded (query, model,
//       stored widths and sort, default list, caption), shown and painted once.
// Prints the medians of 5 runs and the ratios to (a) (target <= 1.5).
#include "config/connectionprofile.h"
#include "db/accesbase.h"
#include "db/sqltext.h"
#include "db/transaction.h"
#include "schema/schemaupgrade.h"
#include "session/session.h"
#include "stations/stationlist.h"
#include "stations/stationlistmodel.h"
#include "stations/widgets/listepluviometres.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace plx;

namespace {

constexpr int Stations = 10000;
constexpr int Communes = 500;
constexpr int Managers = 40;
constexpr int Runs = 5;

bool fill()
{
    AccesBase &db = AccesBase::instance();
    Transaction transaction(db);
    bool ok = transaction.started();
    for (int i = 1; ok && i <= Communes; ++i)
        ok = transaction.exec(QStringLiteral("INSERT INTO COMMUNES (CodeCommune, Nom, NumDept) "
                                             "VALUES (%1, %2, %3)")
                                  .arg(sqlQuote(QString::number(10000 + i)),
                                       sqlQuote(QStringLiteral("Commune %1").arg(i)),
                                       sqlQuote(QString::number(i % 95 + 1))));
    for (int i = 1; ok && i <= Managers; ++i)
        ok = transaction.exec(
            QStringLiteral("INSERT INTO INTERVENANTS (CodeIntervenant, Nom) "
                           "VALUES (%1, %2)")
                .arg(sqlNumber(i), sqlQuote(QStringLiteral("Gestionnaire %1").arg(i))));
    for (int i = 1; ok && i <= Stations; ++i) {
        ok = transaction.exec(
                 QStringLiteral("INSERT INTO PLUVIOMETRES (CodePluviometre, Nom, CodeCommune, "
                                "Altitude, DateCreation, Identifiant) VALUES (%1, %2, %3, %4, "
                                "#01/15/1990#, %5)")
                     .arg(sqlNumber(i), sqlQuote(QStringLiteral("Site n° %1").arg(i)),
                          sqlQuote(QString::number(10000 + i % Communes + 1)),
                          sqlNumber(double(i % 2000) + 0.5),
                          sqlQuote(QStringLiteral("P%1").arg(i, 6, 10, QLatin1Char('0'))))) &&
             transaction.exec(QStringLiteral("INSERT INTO LIEN_PLUVIO_INTERVENANTS "
                                             "(CodePluviometre, CodeIntervenant, "
                                             "TypeIntervenant) VALUES (%1, %2, 0)")
                                  .arg(sqlNumber(i), sqlNumber(i % Managers + 1)));
    }
    return ok && transaction.commit();
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double timeQueryAlone(int *rows)
{
    QElapsedTimer timer;
    timer.start();
    const RecordTable table = AccesBase::instance().ExtraireRecords(stationListQuery());
    const double elapsed = double(timer.nsecsElapsed()) / 1e9;
    *rows = table.ok() ? table.rowCount() : -1;
    return elapsed;
}

double timeListOpening(int *rows)
{
    QElapsedTimer timer;
    timer.start();
    StationListModel model;
    StationListFilter filter;
    filter.setSourceModel(&model);
    StationListResult result = loadStationList();
    model.setRows(std::move(result.rows));
    filter.sort(StationListModel::NomSite, Qt::AscendingOrder);
    qsizetype characters = 0;
    for (int r = 0; r < filter.rowCount(); ++r) {
        for (int c = 0; c < StationListModel::ColumnCount; ++c)
            characters += filter.index(r, c).data().toString().size();
    }
    const double elapsed = double(timer.nsecsElapsed()) / 1e9;
    *rows = characters > 0 ? filter.rowCount() : -1;
    return elapsed;
}

double timeScreen(int *rows)
{
    QElapsedTimer timer;
    timer.start();
    ListePluviometres screen; // loads the list as it opens
    screen.resize(1366, 768);
    screen.show();
    screen.repaint();
    QApplication::processEvents();
    const double elapsed = double(timer.nsecsElapsed()) / 1e9;
    *rows = int(screen.visibleCodes().size());
    return elapsed;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    ConnectionProfile profile;
    profile.kind = QStringLiteral("ACCESS");
    profile.database = dir.filePath(QStringLiteral("bench.sqlite"));
    profile.createIfMissing = true;
    if (!AccesBase::instance().Connecter(profile)) {
        std::fprintf(stderr, "connection failed\n");
        return 1;
    }
    runProfile() = profile;
    const SchemaUpgradeReport schema = upgradeSchema(QStringLiteral(PLX_VERSION));
    if (!schema.ok || !fill()) {
        std::fprintf(stderr, "set-up failed: %s\n",
                     qPrintable(schema.ok ? AccesBase::instance().lastError() : schema.error));
        return 1;
    }
    session().login = QStringLiteral("BENCH");

    std::vector<double> alone, opening, screen;
    int queryRows = 0, listRows = 0, screenRows = 0;
    for (int run = 0; run < Runs; ++run) {
        alone.push_back(timeQueryAlone(&queryRows));
        opening.push_back(timeListOpening(&listRows));
        screen.push_back(timeScreen(&screenRows));
    }
    const double a = median(alone);
    const double b = median(opening);
    const double c = median(screen);
    std::printf("SQLite list of %d stations | (a) list query alone: %.3f s (%d rows) | "
                "(b) rows + model + sorted proxy + every cell's text: %.3f s (%d rows), "
                "ratio %.2f | (c) the screen built, loaded, shown and painted: %.3f s "
                "(%d rows), ratio %.2f (target <= 1.5)\n",
                Stations, a, queryRows, b, listRows, a > 0 ? b / a : 0.0, c, screenRows,
                a > 0 ? c / a : 0.0);
    AccesBase::instance().Deconnecter();
    return 0;
}
