#include "charts/chartcurves.h"
#include "config/settings.h"
#include "outputs/chartgrid.h"
#include "outputs/gridcell.h"
#include "outputs/gridexportpath.h"
#include "outputs/widgets/gridexport.h"

#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QStandardItemModel>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimeZone>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

// Display text typed back: dates and French numbers, never a code with a leading zero.
TEST(GridExport, FrenchTextTypedBack)
{
    EXPECT_EQ(plx::typedFrenchText(QStringLiteral("12,5")), QVariant(12.5));
    EXPECT_EQ(plx::typedFrenchText(QStringLiteral("-3")), QVariant(-3.0));
    EXPECT_EQ(plx::typedFrenchText(QStringLiteral("0,25")), QVariant(0.25));
    EXPECT_EQ(plx::typedFrenchText(QStringLiteral(" 05/03/2024 ")), QVariant(QDate(2024, 3, 5)));
    EXPECT_EQ(plx::typedFrenchText(QStringLiteral("05/03/2024 12:30")),
              QVariant(QDateTime(QDate(2024, 3, 5), QTime(12, 30))));
    for (const char *text : {"01053", "007", "1234/365", "12.5", "31/02/2024", "2024", "1,2,3",
                             "X", "12345678901234567"}) {
        const QVariant typed = plx::typedFrenchText(QString::fromLatin1(text));
        if (QLatin1String(text) == QLatin1String("2024")) {
            EXPECT_EQ(typed, QVariant(2024.0));
            continue;
        }
        EXPECT_EQ(typed.typeId(), QMetaType::QString) << text;
    }
    EXPECT_FALSE(plx::typedFrenchText(QStringLiteral("  ")).isValid());
    EXPECT_EQ(plx::spreadsheetNumber(0.1 + 0.2), QStringLiteral("0.3"));
    EXPECT_EQ(plx::spreadsheetNumber(1e-7), QStringLiteral("1e-07"));
    EXPECT_EQ(plx::spreadsheetNumber(16777218), QStringLiteral("16777218"));
}

// Where the one-click export goes: the export folder when it exists, the title made a file
// name, a number added while a spreadsheet holds the file; the format after the options.
TEST(GridExport, ExportPathAndFormat)
{
    QTemporaryDir dir;
    const QByteArray saved = qgetenv("PLX_SETTINGS_FILE");
    qputenv("PLX_SETTINGS_FILE", dir.filePath(QStringLiteral("machine.ini")).toUtf8());

    EXPECT_EQ(plx::gridExportExtension(), QStringLiteral("xlsx"));
    ASSERT_TRUE(plx::EcrireParametre(QStringLiteral("exportCalc"), QStringLiteral("1")));
    EXPECT_EQ(plx::gridExportExtension(), QStringLiteral("ods"));
    ASSERT_TRUE(plx::EcrireParametre(QStringLiteral("exportCSV"), QStringLiteral("1")));
    EXPECT_EQ(plx::gridExportExtension(), QStringLiteral("csv"));

    ASSERT_TRUE(plx::EcrireParametre(QStringLiteral("CheminExport"),
                                     dir.filePath(QStringLiteral("absent"))));
    EXPECT_NE(plx::gridExportFolder(), dir.filePath(QStringLiteral("absent")));
    ASSERT_TRUE(plx::EcrireParametre(QStringLiteral("CheminExport"), dir.path()));
    EXPECT_EQ(plx::gridExportFolder(), QDir(dir.path()).absolutePath());

    const QString folder = dir.path();
    const QString path = plx::gridExportPath(folder, QStringLiteral("Validation_13047/001: a*b?"),
                                             QStringLiteral("xlsx"));
    EXPECT_EQ(path, dir.filePath(QStringLiteral("Validation_13047_001_ a_b_.xlsx")));
    QFile existing(path);
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.close();
    EXPECT_EQ(plx::gridExportPath(folder, QStringLiteral("Validation_13047/001: a*b?"),
                                  QStringLiteral("xlsx")),
              path)
        << "a closed file is replaced";
    QFile lock(dir.filePath(QStringLiteral("~$Situation.xlsx")));
    ASSERT_TRUE(lock.open(QIODevice::WriteOnly));
    QFile situation(dir.filePath(QStringLiteral("Situation.xlsx")));
    ASSERT_TRUE(situation.open(QIODevice::WriteOnly));
    QFile second(dir.filePath(QStringLiteral("Situation_2.xlsx")));
    ASSERT_TRUE(second.open(QIODevice::WriteOnly));
    QFile secondLock(dir.filePath(QStringLiteral(".~lock.Situation_2.xlsx#")));
    ASSERT_TRUE(secondLock.open(QIODevice::WriteOnly));
    EXPECT_EQ(plx::gridExportPath(folder, QStringLiteral("Situation"), QStringLiteral("xlsx")),
              dir.filePath(QStringLiteral("Situation_3.xlsx")));
    EXPECT_EQ(plx::gridExportPath(folder, QStringLiteral(" ... "), QStringLiteral("csv")),
              dir.filePath(QStringLiteral("Export.csv")));

    if (saved.isNull())
        qunsetenv("PLX_SETTINGS_FILE");
    else
        qputenv("PLX_SETTINGS_FILE", saved);
}

// The grid as the view shows it: hidden columns and rows left out, moved columns in their
// visual order, the view's widths, typed values from the role with the text as fallback.
TEST(GridExport, GridFromTheViewAsShown)
{
    QStandardItemModel model(3, 4);
    model.setHorizontalHeaderLabels({QStringLiteral("Code"), QStringLiteral("Nom"),
                                     QStringLiteral("Caché"), QStringLiteral("Altitude")});
    const char *const names[] = {"Istres", "Salon", "Arles"};
    for (int r = 0; r < 3; ++r) {
        model.setItem(r, 0, new QStandardItem(QStringLiteral("0105%1").arg(r)));
        model.setItem(r, 1, new QStandardItem(QString::fromLatin1(names[r])));
        model.setItem(r, 2, new QStandardItem(QStringLiteral("x")));
        auto *altitude = new QStandardItem(QStringLiteral("%1,5").arg(r * 100));
        altitude->setData(r * 100 + 0.5, Qt::UserRole);
        model.setItem(r, 3, altitude);
    }
    model.item(2, 1)->setText(QString());
    QTableView view;
    view.setModel(&model);
    view.setColumnHidden(2, true);
    view.setRowHidden(1, true);
    view.horizontalHeader()->moveSection(3, 0); // Altitude first
    view.setColumnWidth(3, 140);

    const plx::XlsxGrid grid =
        plx::gridFromView(view, QStringLiteral("Liste"), plx::exportedRole(Qt::UserRole));
    EXPECT_EQ(grid.title, QStringLiteral("Liste"));
    EXPECT_EQ(grid.headings,
              (QStringList{QStringLiteral("Altitude"), QStringLiteral("Code"), QStringLiteral("Nom")}));
    ASSERT_EQ(grid.columnWidths.size(), 3u);
    EXPECT_NEAR(grid.columnWidths[0] * view.fontMetrics().averageCharWidth(), 140, 1);
    ASSERT_EQ(grid.rows.size(), 2u);
    EXPECT_EQ(grid.rows[0], (std::vector<QVariant>{0.5, QStringLiteral("01050"),
                                                   QStringLiteral("Istres")}));
    EXPECT_EQ(grid.rows[1][0], QVariant(200.5));
    EXPECT_FALSE(grid.rows[1][2].isValid()) << "an empty text is an empty cell";
}

// A chart's curves as a table: one row per abscissa of any curve, gaps empty, hidden curves
// left out, steps labelled, and one series per shown curve, bars or lines, right axis kept.
TEST(GridExport, ChartCurvesAsATable)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    auto day = [](int d) {
        return double(QDateTime(QDate(2024, 1, d), QTime(0, 0), QTimeZone::utc()).toSecsSinceEpoch());
    };
    plx::ChartCurves curves;
    curves.title = QStringLiteral("ISTRES : Pluie, jour");
    curves.unit = QStringLiteral("mm");
    curves.rightLabel = QStringLiteral("°C");
    plx::ChartCurve rain;
    rain.number = 1;
    rain.title = QStringLiteral("Pluie");
    rain.x = {day(1), day(2), day(3)};
    rain.y = {1.5, nan, 3};
    plx::ChartCurve temperature = rain;
    temperature.number = 2;
    temperature.title = QStringLiteral("Température");
    temperature.style = plx::CurveStyle::Line;
    temperature.rightAxis = true;
    temperature.x = {day(2), day(4)};
    temperature.y = {12, 14};
    plx::ChartCurve hidden = rain;
    hidden.visible = false;
    curves.curves = {rain, hidden, temperature};

    const plx::XlsxGrid grid = plx::chartCurvesGrid(curves, QStringLiteral("Chronique"));
    EXPECT_EQ(grid.title, curves.title);
    EXPECT_EQ(grid.headings, (QStringList{QStringLiteral("Date"), QStringLiteral("Pluie"),
                                          QStringLiteral("Température")}));
    ASSERT_EQ(grid.rows.size(), 4u);
    EXPECT_EQ(grid.rows[0], (std::vector<QVariant>{QDateTime(QDate(2024, 1, 1), QTime(0, 0)),
                                                   1.5, QVariant()}));
    EXPECT_FALSE(grid.rows[1][1].isValid()) << "a gap stays empty";
    EXPECT_EQ(grid.rows[1][2], QVariant(12.0));
    EXPECT_EQ(grid.rows[3][0], QVariant(QDateTime(QDate(2024, 1, 4), QTime(0, 0))));
    ASSERT_TRUE(grid.chart.has_value());
    ASSERT_EQ(grid.chart->series.size(), 2u);
    EXPECT_TRUE(grid.chart->series[0].bars);
    EXPECT_FALSE(grid.chart->series[1].bars);
    EXPECT_TRUE(grid.chart->series[1].secondaryAxis);
    EXPECT_EQ(grid.chart->categoryFormat, QStringLiteral("dd/mm/yyyy"));
    EXPECT_EQ(grid.chart->secondaryValueTitle, QStringLiteral("°C"));

    plx::ChartCurves months;
    months.axis = plx::AxisKind::Steps;
    months.steps = {QStringLiteral("janv."), QStringLiteral("févr.")};
    plx::ChartCurve mean;
    mean.title = QStringLiteral("Moyenne");
    mean.x = {1, 2};
    mean.y = {40, 35};
    months.curves = {mean};
    const plx::XlsxGrid byMonth = plx::chartCurvesGrid(months, QStringLiteral("Année"));
    EXPECT_EQ(byMonth.rows[1][0], QVariant(QStringLiteral("févr.")));
    EXPECT_TRUE(byMonth.chart->textCategories);

    months.curves.clear();
    EXPECT_FALSE(plx::chartCurvesGrid(months, QStringLiteral("Année")).chart.has_value())
        << "nothing shown: no chart";
}

} // namespace
