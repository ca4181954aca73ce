#include "base/locale.h"
#include "charts/widgets/editiongraphique.h"
#include "charts/widgets/editiongraphiqueannee.h"
#include "charts/widgets/editiongraphiqueannuaire.h"
#include "db/accesbase.h"
#include "db/dialect.h"
#include "db/sqltext.h"
#include "measures/measurementtable.h"
#include "measures/widgets/validation.h"
#include "outputs/recentmeasures.h"
#include "outputs/widgets/chartpicture.h"
#include "schema/schemacatalog.h"
#include "session/session.h"
#include "stations/widgets/listepluviometres.h"
#include "support/schemadatabasetest.h"

#include <QDir>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>

#include <gtest/gtest.h>

#include <qcustomplot.h>

using namespace plx;

namespace {

const QDate kFirstDay(2023, 1, 1);
const QDate kLastDay(2024, 12, 31);

// Station 7 with two years of daily rainfall; 2023 validated, the rest controlled.
class ReportSourceTest : public plxtest::SchemaDatabaseTest
{
protected:
    void SetUp() override
    {
        SchemaDatabaseTest::SetUp();
        if (!ready())
            return;
        session().login = QStringLiteral("REF");
        session().isAdmin = true;
        exec(QStringLiteral("INSERT INTO PLUVIOMETRES (CodePluviometre, Nom, Identifiant) "
                            "VALUES (7, 'Istres', '13047/001')"));
        AccesBase &db = AccesBase::instance();
        const ScopedConnectionKind kind(db);
        ASSERT_TRUE(CreateMeasurementTable(db, QStringLiteral("7"), false));
        ASSERT_TRUE(db.DebutTransaction());
        int i = 0;
        for (QDate day = kFirstDay; day <= kLastDay; day = day.addDays(1), ++i)
            exec(QStringLiteral("INSERT INTO PLUVIO_7 (DateCreation, Heure, Pluie, Validite, "
                                "Continuite, ModeObtention) VALUES (%1, %2, %3, %4, 0, 'A')")
                     .arg(FormatDateSQL(formatDate(day), false),
                          FormatHeureSQL(QStringLiteral("00:00:00")), sqlNumber((i % 7) * 0.5),
                          day.year() == 2023 ? QStringLiteral("'V'") : QStringLiteral("'C'")));
        ASSERT_TRUE(db.FinTransaction(true));
        messages.clear();
    }

    static void exec(const QString &sql)
    {
        QString error;
        ASSERT_TRUE(AccesBase::instance().Execute(sql, &error))
            << sql.toStdString() << ": " << error.toStdString();
    }

    // A picture as the fillers receive it: a PNG of the size it says, fine enough for
    // print across the page, and its vector twin.
    static void expectPicture(const std::optional<ReportPicture> &picture, const char *what)
    {
        ASSERT_TRUE(picture.has_value()) << what;
        QImage image;
        ASSERT_TRUE(image.loadFromData(picture->png, "PNG")) << what;
        EXPECT_EQ(image.size(), picture->pixels) << what;
        EXPECT_GE(picture->dotsPerInch, 300) << what;
        EXPECT_NEAR(double(picture->pixels.width()) / picture->dotsPerInch, 6.5, 0.1) << what;
        EXPECT_TRUE(picture->svg.contains("<svg")) << what;
    }
};

// Each chart screen gives the charts it draws, under its bookmarks (a suffix allowed),
// and nothing for the others; the yearbook's page is its two charts one above the other.
TEST_P(ReportSourceTest, ChartScreensGiveTheirChartsAndLoadedPeriod)
{
    if (!ready())
        return;
    EditionGraphiqueAnnuaire yearbook;
    EXPECT_EQ(yearbook.reportStationCode(), QString()) << "no station yet";
    EXPECT_FALSE(yearbook.reportChart(QStringLiteral("GRAPHIQUE_ANNEE")).has_value());
    ASSERT_TRUE(yearbook.InitDebranchement(QStringLiteral("7")));
    EXPECT_EQ(yearbook.reportStationCode(), QStringLiteral("7"));
    QDate start, end;
    ASSERT_TRUE(yearbook.reportPeriod(start, end));
    EXPECT_EQ(start.year(), 2023);
    EXPECT_EQ(end.year(), 2024);

    // The picture is reduced for its own width (a hidden screen's plot is narrow: once
    // drawn with twelve months merged into a few bars); the screen keeps its own bars.
    const auto barsDrawn = [](CtlGraphique *chart) {
        qsizetype count = 0;
        for (int i = 0; i < chart->plot()->plottableCount(); ++i)
            if (auto *bars = qobject_cast<QCPBars *>(chart->plot()->plottable(i)))
                count += bars->data()->size();
        return count;
    };
    const qsizetype before = barsDrawn(yearbook.lowerChart());
    const auto year = yearbook.reportChart(QStringLiteral("GRAPHIQUE_ANNEE"));
    const auto second = yearbook.reportChart(QStringLiteral("GRAPHIQUE_SUP_ANNEE2"));
    const auto page = yearbook.reportChart(QStringLiteral("GRAPHIQUE_TOTAL"));
    expectPicture(year, "year");
    expectPicture(second, "second chart");
    expectPicture(page, "page");
    if (year && page) {
        EXPECT_EQ(page->pixels.width(), year->pixels.width());
        EXPECT_EQ(page->pixels.height(), 2 * year->pixels.height());
        EXPECT_NE(year->png, second->png) << "two different charts";
        // With PLX_SCREENSHOTS=<folder>, the page as a report receives it, to look at.
        if (const QString out = qEnvironmentVariable("PLX_SCREENSHOTS"); !out.isEmpty())
            QImage::fromData(page->png).save(out + QStringLiteral("/graphique_total.png"));
    }
    EXPECT_EQ(barsDrawn(yearbook.lowerChart()), before);
    EXPECT_FALSE(yearbook.reportChart(QStringLiteral("PHOTO_SITE")).has_value());

    EditionGraphiqueAnnee yearly;
    ASSERT_TRUE(yearly.InitDebranchement(QStringLiteral("7")));
    expectPicture(yearly.reportChart(QStringLiteral("graphique_annee_1")), "yearly");
    EXPECT_FALSE(yearly.reportChart(QStringLiteral("GRAPHIQUE_TOTAL")).has_value());
    EXPECT_FALSE(yearly.reportChart(QStringLiteral("GRAPHIQUE_SUP_ANNEE")).has_value());

    EditionGraphique chronicle;
    ASSERT_TRUE(chronicle.InitDebranchement(QStringLiteral("7")));
    expectPicture(chronicle.reportChart(QStringLiteral("GRAPHIQUE_TOTAL")), "chronicle");
    EXPECT_FALSE(chronicle.reportChart(QStringLiteral("GRAPHIQUE_ANNEE")).has_value());
    EXPECT_TRUE(messages.isEmpty()) << messages.join(QLatin1Char('\n')).toStdString();
}

// The validation editor hands over the window it loaded: its period, and its rows with the
// columns shown, French formats and the validity code that shades them.
TEST_P(ReportSourceTest, ValidationGivesItsLoadedRows)
{
    if (!ready())
        return;
    Validation screen;
    screen.resize(1366, 768);
    screen.initSite(QStringLiteral("7"));
    QDate start, end;
    EXPECT_FALSE(screen.reportPeriod(start, end)) << "nothing loaded yet";
    screen.findChild<QLineEdit *>(QStringLiteral("TxtDateDebut"))
        ->setText(QStringLiteral("30/12/2023"));
    screen.findChild<QLineEdit *>(QStringLiteral("txtDateFin"))
        ->setText(QStringLiteral("02/01/2024"));
    screen.findChild<QPushButton *>(QStringLiteral("CmdChargement"))->click();
    ASSERT_TRUE(screen.reportPeriod(start, end));
    EXPECT_EQ(start, QDate(2023, 12, 30));
    EXPECT_EQ(end, QDate(2024, 1, 2));
    EXPECT_EQ(screen.reportStationCode(), QStringLiteral("7"));

    const MeasureTable table = screen.reportMeasures();
    ASSERT_GE(table.headings.size(), 4);
    EXPECT_EQ(table.headings.first(), QStringLiteral("Date"));
    EXPECT_EQ(table.headings.at(1), QStringLiteral("Heure"));
    EXPECT_TRUE(table.headings.contains(QStringLiteral("Pluie")));
    EXPECT_EQ(table.headings.last(), QStringLiteral("Validité"));
    ASSERT_EQ(table.rows.size(), 4u);
    EXPECT_EQ(table.rows[0].cells.first(), QStringLiteral("30/12/2023"));
    EXPECT_EQ(table.rows[0].validity, QStringLiteral("V"));
    EXPECT_EQ(table.rows[3].validity, QStringLiteral("C"));
    for (const MeasureTable::Row &row : table.rows)
        EXPECT_EQ(row.cells.size(), table.headings.size());
    // 01/01/2024 is day 365 of the series: (365 % 7) * 0.5 = 0,5 mm.
    const qsizetype pluie = table.headings.indexOf(QStringLiteral("Pluie"));
    EXPECT_EQ(table.rows[2].cells.at(pluie), QStringLiteral("0,5"));
}

// The list reports on its current row's station, and on none (quietly) without one.
TEST_P(ReportSourceTest, ListGivesItsCurrentRow)
{
    if (!ready())
        return;
    ListePluviometres list;
    auto *grid = list.findChild<QTableView *>();
    ASSERT_NE(grid, nullptr);
    grid->setCurrentIndex(QModelIndex());
    EXPECT_EQ(list.reportStationCode(), QString());
    EXPECT_TRUE(messages.isEmpty());
    grid->setCurrentIndex(grid->model()->index(0, 3));
    EXPECT_EQ(list.reportStationCode(), QStringLiteral("7"));
}

// The screens without rows of their own give the station's last month: the kinds it
// holds, French numbers, the validity; nothing for a station without measurements.
TEST_P(ReportSourceTest, LastMonthForTheScreensWithoutRows)
{
    if (!ready())
        return;
    const MeasureTable table = recentMeasures(AccesBase::instance(), QStringLiteral("7"));
    EXPECT_EQ(table.headings, (QStringList{QStringLiteral("Date"), QStringLiteral("Heure"),
                                           QStringLiteral("Pluie"), QStringLiteral("Validité")}));
    ASSERT_EQ(table.rows.size(), 31u);
    EXPECT_EQ(table.rows.front().cells.first(), QStringLiteral("01/12/2024"));
    EXPECT_EQ(table.rows.back().cells,
              (QStringList{QStringLiteral("31/12/2024"), QStringLiteral("00:00:00"),
                           QStringLiteral("1"), QStringLiteral("C")}));
    EXPECT_EQ(table.rows[29].cells.at(2), QStringLiteral("0,5")); // 30/12/2024, day 729
    EXPECT_EQ(table.rows.back().validity, QStringLiteral("C"));

    exec(QStringLiteral("INSERT INTO PLUVIOMETRES (CodePluviometre, Nom) VALUES (8, 'Vide')"));
    EXPECT_TRUE(recentMeasures(AccesBase::instance(), QStringLiteral("8")).headings.isEmpty());
    EXPECT_TRUE(messages.isEmpty()) << messages.join(QLatin1Char('\n')).toStdString();
}

INSTANTIATE_TEST_SUITE_P(Engines, ReportSourceTest, PLX_ENGINES, PLX_ENGINE_NAME);

} // namespace
