#include "db/accesbase.h"
#include "measures/historique.h"
#include "measures/historiquedata.h"
#include "measures/widgets/historiquegrid.h"
#include "schema/schemaupgrade.h"
#include "support/messagerecorder.h"
#include "support/testdatabases.h"

#include <QDate>
#include <QHeaderView>

#include <gtest/gtest.h>

using namespace plx;

namespace {

QString cell(const QTableView &grid, int row, int column)
{
    return grid.model()->index(row, column).data().toString();
}

} // namespace

// The grid as the record shows it: this year's headers, the computed rows, the hidden
// parameter, numbers on the right, nothing editable; an empty code keeps the labels only.
TEST(HistoriqueGrid, ShowsTheSummaryOfAStation)
{
    plxtest::MessageRecorder recorder;
    plxtest::ScratchDatabase scratch(QStringLiteral("sqlite"));
    ASSERT_TRUE(scratch.connect());
    AccesBase &db = AccesBase::instance();
    ASSERT_TRUE(upgradeSchema(db, QStringLiteral(PLX_VERSION)).ok);
    const int year = QDate::currentDate().year();
    plxtest::fillHistoriqueStation(db, QStringLiteral("7"), year);

    HistoriqueGrid grid;
    grid.resize(1300, 260);
    grid.calculHistorique(QStringLiteral("7"));
    ASSERT_EQ(grid.objectName(), QStringLiteral("SprHistorique"));
    QStringList headers;
    for (int c = 0; c < grid.model()->columnCount(); ++c)
        headers << grid.model()->headerData(c, Qt::Horizontal).toString();
    const QString y = QString::number(year);
    EXPECT_EQ(headers, QStringList({QStringLiteral("Donnée"), QStringLiteral("Deb histo"),
                                    QStringLiteral("Fin histo"), QStringLiteral("Valeurs"),
                                    QStringLiteral("Valeurs ") + y, QStringLiteral("Cumul ") + y,
                                    QStringLiteral("Nb Jours ") + y, QStringLiteral("Contrôle"),
                                    QStringLiteral("Validation"), QStringLiteral("Date Max"),
                                    QStringLiteral("Max")}));
    for (int c = 0; c < grid.model()->columnCount(); ++c) {
        const QString header = headers[c];
        EXPECT_GE(grid.columnWidth(c),
                  grid.horizontalHeader()->fontMetrics().horizontalAdvance(header))
            << header.toStdString() << " is cut off";
    }

    ASSERT_EQ(grid.model()->rowCount(), 6);
    QStringList shown;
    for (int r = 0; r < 6; ++r) {
        if (grid.isRowHidden(r))
            continue;
        QStringList cells;
        for (int c = 0; c < grid.model()->columnCount(); ++c)
            cells << cell(grid, r, c);
        shown << cells.join(QLatin1Char('|'));
    }
    EXPECT_EQ(shown, plxtest::expectedHistorique(year));
    EXPECT_TRUE(grid.isRowHidden(5));
    const Qt::Alignment cumul =
        Qt::Alignment(grid.model()->index(0, CumulAnnee).data(Qt::TextAlignmentRole).toInt());
    EXPECT_TRUE(cumul & Qt::AlignRight);
    EXPECT_EQ(grid.editTriggers(), QAbstractItemView::NoEditTriggers);

    grid.calculHistorique(QString());
    EXPECT_EQ(cell(grid, 0, Donnee), QStringLiteral("Pluie"));
    EXPECT_EQ(cell(grid, 3, Donnee), QStringLiteral("Niveau d'eau"));
    EXPECT_TRUE(cell(grid, 0, Valeurs).isEmpty());
    EXPECT_TRUE(grid.isRowHidden(5));
    EXPECT_TRUE(recorder.messages.isEmpty());
    db.Deconnecter();
}
