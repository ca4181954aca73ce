#include "charts/followup.h"
#include "charts/followupnormals.h"
#include "charts/widgets/suiviprecipitations.h"
#include "config/settings.h"
#include "db/accesbase.h"
#include "db/dialect.h"
#include "db/sqltext.h"
#include "measures/measurementtable.h"
#include "session/session.h"
#include "stations/savedlists.h"
#include "support/clirunner.h"
#include "support/schemadatabasetest.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QDateEdit>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableView>
#include <QTest>
#include <QTime>

#include <cmath>

using namespace plx;

namespace {

// Station 11: a daily series from 25/12/2023 to 05/03/2024, 1 mm a day (5 mm on the leap
// day), 10/01/2024 missing; Valeur1 holds the day of the month. Station 12: timed values
// (5 minutes) around the leap day: a storm of 12 × 0.5 mm from 21:00 on 28/02, a night
// shower of 2 × 1 mm at 03:00 on 29/02, 0.4 mm at 06:00 sharp on 29/02, 0.2 mm at 05:00
// and 0.3 mm at 07:00 on 01/03.
class FollowUpDatabase : public plxtest::SchemaDatabaseTest
{
protected:
    void SetUp() override
    {
        SchemaDatabaseTest::SetUp();
        if (!ready())
            return;
        AccesBase &db = AccesBase::instance();
        for (const int code : {11, 12})
            exec(QStringLiteral("INSERT INTO PLUVIOMETRES (CodePluviometre, Nom) VALUES (%1, %2)")
                     .arg(sqlNumber(code), sqlQuote(QStringLiteral("Station d'essai"))));
        ASSERT_TRUE(CreateMeasurementTable(db, QStringLiteral("11"), false));
        ASSERT_TRUE(CreateMeasurementTable(db, QStringLiteral("12"), false));
        QStringList rows;
        for (QDate d(2023, 12, 25); d <= QDate(2024, 3, 5); d = d.addDays(1)) {
            if (d == QDate(2024, 1, 10))
                continue;
            rows << QStringLiteral("(%1, %2, %3, %4, 'V', 'A')")
                        .arg(date(d), FormatHeureSQL(QStringLiteral("00:00:00")),
                             sqlNumber(d == QDate(2024, 2, 29) ? 5.0 : 1.0), sqlNumber(d.day()));
        }
        exec(QStringLiteral("INSERT INTO PLUVIO_11 (DateCreation, Heure, Pluie, Valeur1, "
                            "Validite, ModeObtention) VALUES ") +
             rows.join(QStringLiteral(", ")));
        rows.clear();
        const auto timed = [&](const QDate &d, int h, int m, double mm) {
            rows << QStringLiteral("(%1, %2, %3, 'V', 'A')")
                        .arg(date(d),
                             FormatHeureSQL(QTime(h, m).toString(QStringLiteral("HH:mm:ss"))),
                             sqlNumber(mm));
        };
        for (int i = 0; i < 12; ++i)
            timed(QDate(2024, 2, 28), 21, 5 * i, 0.5);
        timed(QDate(2024, 2, 29), 3, 0, 1.0);
        timed(QDate(2024, 2, 29), 3, 5, 1.0);
        timed(QDate(2024, 2, 29), 6, 0, 0.4);
        timed(QDate(2024, 3, 1), 5, 0, 0.2);
        timed(QDate(2024, 3, 1), 7, 0, 0.3);
        exec(QStringLiteral("INSERT INTO PLUVIO_12 (DateCreation, Heure, Pluie, Validite, "
                            "ModeObtention) VALUES ") +
             rows.join(QStringLiteral(", ")));
    }

    static QString date(const QDate &d)
    {
        return FormatDateSQL(d.toString(QStringLiteral("dd/MM/yyyy")), false);
    }

    void exec(const QString &sql)
    {
        ASSERT_TRUE(AccesBase::instance().Execute(sql))
            << sql.left(300).toStdString() << ": " << AccesBase::instance().lastError().toStdString();
    }

    FollowUpTable table(const QStringList &codes, FollowUpOptions options)
    {
        std::vector<std::shared_ptr<const StationSeries>> owned;
        std::vector<const StationSeries *> series;
        for (const QString &code : codes) {
            QString error;
            owned.push_back(loadStationSeries(AccesBase::instance(), code, &error));
            EXPECT_TRUE(owned.back()) << error.toStdString();
            series.push_back(owned.back().get());
        }
        return followUpTable(codes, series, options);
    }

    plxtest::CliResult suivi(const QStringList &arguments) const
    {
        const ConnectionProfile &profile = runProfile();
        const QStringList database =
            profile.kind == QLatin1String("POSTGRESQL")
                ? QStringList{QStringLiteral("--pg"), plxtest::pgConninfo(profile.database)}
                : QStringList{QStringLiteral("--db"), profile.database};
        return plxtest::runPlx(QStringList{QStringLiteral("suivi")} + database + arguments);
    }
};

FollowUpOptions window(FollowUpStep step, const QDate &from, const QDate &to, int parameter = 1)
{
    FollowUpOptions options;
    options.step = step;
    options.from = from;
    options.to = to;
    options.parameter = parameter;
    return options;
}

} // namespace

// Months across a year boundary and a leap February: a missing day counted and marking its
// month incomplete, months cut by the window incomplete too; "Cumul" keeps the complete
// months only, "Total" the whole window. Free parameters give means.
TEST_P(FollowUpDatabase, MonthsYearsAndMeans)
{
    if (!ready())
        return;
    FollowUpTable t = table({QStringLiteral("11")},
                            window(FollowUpStep::Month, QDate(2023, 12, 25), QDate(2024, 3, 5)));
    ASSERT_EQ(t.periods.size(), 4u);
    const struct
    {
        const char *label;
        double value;
        int missing;
        bool complete;
    } months[] = {{"12/2023", 7, 0, false}, {"01/2024", 30, 1, false}, {"02/2024", 33, 0, true},
                  {"03/2024", 5, 0, false}};
    for (size_t p = 0; p < 4; ++p) {
        SCOPED_TRACE(months[p].label);
        EXPECT_EQ(t.periods[p].label, QLatin1String(months[p].label));
        EXPECT_NEAR(t.cells[p][0].value, months[p].value, 1e-9);
        EXPECT_EQ(t.cells[p][0].missingDays, months[p].missing);
        EXPECT_EQ(t.cells[p][0].complete, months[p].complete);
    }
    EXPECT_TRUE(t.periods[0].partial);
    EXPECT_EQ(t.periods[0].first, QDate(2023, 12, 25));
    EXPECT_EQ(t.periods[3].last, QDate(2024, 3, 5));
    EXPECT_NEAR(t.cumul[0].value, 33, 1e-9);
    EXPECT_EQ(t.cumul[0].missingDays, 7 + 31 + 5);
    EXPECT_FALSE(t.cumul[0].complete);
    EXPECT_NEAR(t.total[0].value, 75, 1e-9);
    EXPECT_EQ(t.total[0].missingDays, 1);

    // Years: both cut by the window, so nothing enters the Cumul.
    t = table({QStringLiteral("11")},
              window(FollowUpStep::Year, QDate(2023, 12, 25), QDate(2024, 3, 5)));
    ASSERT_EQ(t.periods.size(), 2u);
    EXPECT_EQ(t.periods[1].label, QStringLiteral("2024"));
    EXPECT_NEAR(t.cells[1][0].value, 68, 1e-9);
    EXPECT_EQ(t.cells[1][0].missingDays, 1);
    EXPECT_TRUE(std::isnan(t.cumul[0].value));
    EXPECT_NEAR(t.total[0].value, 75, 1e-9);

    // The first free parameter (day of the month) is averaged: February's mean is 15.
    t = table({QStringLiteral("11")},
              window(FollowUpStep::Month, QDate(2023, 12, 25), QDate(2024, 3, 5), 4));
    EXPECT_TRUE(t.mean);
    EXPECT_NEAR(t.cells[2][0].value, 15, 1e-9);
    EXPECT_NEAR(t.cells[0][0].value, 28, 1e-9);
    EXPECT_NEAR(t.cumul[0].value, 15, 1e-9);
    EXPECT_NEAR(t.total[0].value, (196.0 + 486 + 435 + 15) / 71, 1e-9);

    // A daily series keeps its dates whatever the day start.
    FollowUpOptions six = window(FollowUpStep::Day, QDate(2024, 2, 28), QDate(2024, 3, 1));
    six.dayStartHour = 6;
    t = table({QStringLiteral("11")}, six);
    ASSERT_EQ(t.periods.size(), 3u);
    EXPECT_NEAR(t.cells[1][0].value, 5, 1e-9);
    EXPECT_EQ(t.periods[1].label, QStringLiteral("29/02/2024"));
}

// Timed values are summed into days: from midnight, or from 06:00 dated by the day it
// starts on. The evening storm stays on the 28th either way; the night shower moves back
// to the 28th at 06 h, as does the 05:00 value of 01/03 to the leap day.
TEST_P(FollowUpDatabase, DayStartHour)
{
    if (!ready())
        return;
    FollowUpOptions options = window(FollowUpStep::Day, QDate(2024, 2, 28), QDate(2024, 3, 1));
    const auto values = [&](int hour) {
        options.dayStartHour = hour;
        const FollowUpTable t = table({QStringLiteral("12")}, options);
        std::vector<double> out;
        for (const auto &row : t.cells)
            out.push_back(row[0].value);
        out.push_back(t.total[0].value);
        return out;
    };
    const std::vector<double> midnight = values(0), morning = values(6);
    const double expectedMidnight[] = {6, 2.4, 0.5, 8.9}, expectedMorning[] = {8, 0.6, 0.3, 8.9};
    ASSERT_EQ(midnight.size(), 4u);
    ASSERT_EQ(morning.size(), 4u);
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_NEAR(midnight[i], expectedMidnight[i], 1e-9) << i;
        EXPECT_NEAR(morning[i], expectedMorning[i], 1e-9) << i;
    }
    // Outside the window at 06 h: the 03:00 shower of 29/02 belongs to the 28th.
    options = window(FollowUpStep::Day, QDate(2024, 2, 29), QDate(2024, 2, 29));
    options.dayStartHour = 6;
    EXPECT_NEAR(table({QStringLiteral("12")}, options).total[0].value, 0.6, 1e-9);
}

// plx suivi prints a header, a row per period with each station's value and missing days,
// then the Cumul and Total rows; bad input is refused in one French line.
TEST_P(FollowUpDatabase, SuiviCommand)
{
    if (!ready())
        return;
    plxtest::CliResult r =
        suivi({QStringLiteral("--station"), QStringLiteral("11,12"), QStringLiteral("--from"),
               QStringLiteral("25/12/2023"), QStringLiteral("--to"), QStringLiteral("05/03/2024"),
               QStringLiteral("--step"), QStringLiteral("mois")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QStringLiteral("periode\t11\t11 manquants\t12\t12 manquants\n"
                                    "12/2023\t7\t0\t\t7\n"
                                    "01/2024\t30\t1\t\t31\n"
                                    "02/2024\t33\t0\t8.4\t27\n"
                                    "03/2024\t5\t0\t0.5\t4\n"
                                    "Cumul\t33\t43\t\t72\n"
                                    "Total\t75\t1\t8.9\t69\n"));

    r = suivi({QStringLiteral("--station"), QStringLiteral("12"), QStringLiteral("--from"),
               QStringLiteral("28/02/2024"), QStringLiteral("--to"), QStringLiteral("01/03/2024"),
               QStringLiteral("--step"), QStringLiteral("jour"), QStringLiteral("--day-start"),
               QStringLiteral("6")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QStringLiteral("periode\t12\t12 manquants\n"
                                    "28/02/2024\t8\t0\n"
                                    "29/02/2024\t0.6\t0\n"
                                    "01/03/2024\t0.3\t0\n"
                                    "Cumul\t8.9\t0\n"
                                    "Total\t8.9\t0\n"));

    r = suivi({QStringLiteral("--station"), QStringLiteral("11"), QStringLiteral("--from"),
               QStringLiteral("01/02/2024"), QStringLiteral("--to"), QStringLiteral("29/02/2024"),
               QStringLiteral("--step"), QStringLiteral("annee"), QStringLiteral("--param"),
               QStringLiteral("4")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QStringLiteral("periode\t11\t11 manquants\n2024\t15\t0\nCumul\t\t29\n"
                                    "Total\t15\t0\n"));

    const QStringList base{QStringLiteral("--from"), QStringLiteral("01/01/2024"),
                           QStringLiteral("--to"), QStringLiteral("31/01/2024"),
                           QStringLiteral("--step"), QStringLiteral("mois")};
    const struct
    {
        QStringList arguments;
        int exitCode;
        QString message;
    } errors[] = {
        {QStringList{QStringLiteral("--station"), QStringLiteral("99")} + base, 1,
         QStringLiteral("Station inconnue : 99\n")},
        {QStringList{QStringLiteral("--station"), QStringLiteral("11;DROP TABLE PLUVIO_11")} +
             base,
         2, QStringLiteral("Code de station invalide : 11;DROP TABLE PLUVIO_11\n")},
        {base, 2, QStringLiteral("Indiquez la station (--station CODE[,CODE…]).\n")},
        {{QStringLiteral("--station"), QStringLiteral("11"), QStringLiteral("--from"),
          QStringLiteral("31/02/2024"), QStringLiteral("--to"), QStringLiteral("01/03/2024"),
          QStringLiteral("--step"), QStringLiteral("mois")},
         2, QStringLiteral("Date de début invalide : 31/02/2024 (attendu : JJ/MM/AAAA)\n")},
        {{QStringLiteral("--station"), QStringLiteral("11"), QStringLiteral("--from"),
          QStringLiteral("02/03/2024"), QStringLiteral("--to"), QStringLiteral("01/03/2024"),
          QStringLiteral("--step"), QStringLiteral("mois")},
         2, QStringLiteral("La date de fin précède la date de début.\n")},
        {{QStringLiteral("--station"), QStringLiteral("11"), QStringLiteral("--from"),
          QStringLiteral("01/03/2024"), QStringLiteral("--to"), QStringLiteral("01/03/2024"),
          QStringLiteral("--step"), QStringLiteral("semaine")},
         2, QStringLiteral("Pas invalide : semaine (attendu : jour, mois ou annee)\n")},
        {QStringList{QStringLiteral("--station"), QStringLiteral("11"),
                     QStringLiteral("--day-start"), QStringLiteral("7")} +
             base,
         2, QStringLiteral("Début de journée invalide : 7 (attendu : 0 ou 6)\n")},
    };
    for (const auto &e : errors) {
        SCOPED_TRACE(e.arguments.join(QLatin1Char(' ')).toStdString());
        r = suivi(e.arguments);
        EXPECT_EQ(r.exitCode, e.exitCode);
        EXPECT_EQ(r.err, e.message);
        EXPECT_TRUE(r.out.isEmpty());
    }
}

// The screen: stations typed, step and window chosen, the table filled on "Calculer" with
// incomplete periods in italics and the summary rows last.
TEST_P(FollowUpDatabase, Screen)
{
    if (!ready())
        return;
    ASSERT_TRUE(EcrireParametre(QStringLiteral("SuiviDebutJournee"), QStringLiteral("0")));
    SuiviPrecipitations screen;
    screen.resize(1366, 768);
    screen.show();
    auto *stations = screen.findChild<QLineEdit *>(QStringLiteral("TxtStations"));
    ASSERT_TRUE(stations);
    stations->setText(QStringLiteral("11, 12"));
    screen.findChild<QDateEdit *>(QStringLiteral("DtpDebut"))->setDate(QDate(2023, 12, 25));
    screen.findChild<QDateEdit *>(QStringLiteral("DtpFin"))->setDate(QDate(2024, 3, 5));
    auto *step = screen.findChild<QComboBox *>(QStringLiteral("CboPas"));
    EXPECT_EQ(step->currentText(), QStringLiteral("Mois"));
    QTest::mouseClick(screen.findChild<QPushButton *>(QStringLiteral("BtnCalculer")),
                      Qt::LeftButton);
    auto *view = screen.findChild<QTableView *>(QStringLiteral("SprSuivi"));
    const QAbstractItemModel *model = view->model();
    ASSERT_EQ(model->rowCount(), 6);
    ASSERT_EQ(model->columnCount(), 5);
    EXPECT_EQ(model->headerData(1, Qt::Horizontal).toString(), QStringLiteral("11"));
    EXPECT_EQ(model->index(2, 0).data().toString(), QStringLiteral("02/2024"));
    EXPECT_EQ(model->index(2, 1).data().toString(), QStringLiteral("33,0"));
    EXPECT_EQ(model->index(2, 3).data().toString(), QStringLiteral("8,4"));
    EXPECT_EQ(model->index(1, 2).data().toString(), QStringLiteral("1"));
    EXPECT_TRUE(model->index(1, 1).data(Qt::FontRole).value<QFont>().italic());
    EXPECT_FALSE(model->index(2, 1).data(Qt::FontRole).value<QFont>().italic());
    EXPECT_EQ(model->index(4, 0).data().toString(), QStringLiteral("Cumul"));
    EXPECT_EQ(model->index(5, 1).data().toString(), QStringLiteral("75,0"));
    if (qEnvironmentVariableIsSet("PLX_SCREENSHOT_DIR"))
        screen.grab().save(qEnvironmentVariable("PLX_SCREENSHOT_DIR") +
                           QStringLiteral("/suivi.png"));

    // The day start is kept for the next opening.
    screen.findChild<QComboBox *>(QStringLiteral("CboDebutJournee"))->setCurrentIndex(1);
    {
        SuiviPrecipitations next;
        EXPECT_EQ(next.findChild<QComboBox *>(QStringLiteral("CboDebutJournee"))
                      ->currentData()
                      .toInt(),
                  6);
    }

    // A typed code that is not one is refused with a message, the table kept.
    stations->setText(QStringLiteral("11'--"));
    EXPECT_FALSE(screen.Actualiser());
    EXPECT_EQ(model->rowCount(), 6);
}

INSTANTIATE_TEST_SUITE_P(Engines, FollowUpDatabase, PLX_ENGINES, PLX_ENGINE_NAME);

// The normal of a period is that of the days it covers: whole months and years in full, a
// month cut by the window prorated, a month without normal leaving its period (and the
// total) without one; the cumul takes the complete periods only.
TEST(FollowUpNormals, PeriodsCutAndMissingMonths)
{
    FollowUpTable table;
    table.stations = {QStringLiteral("1"), QStringLiteral("2")};
    const auto period = [](const QDate &first, const QDate &last) {
        FollowUpPeriod p;
        p.first = first;
        p.last = last;
        return p;
    };
    // A year step over 15/02/2024 → 31/12/2025: the first year is cut.
    table.periods = {period(QDate(2024, 2, 15), QDate(2024, 12, 31)),
                     period(QDate(2025, 1, 1), QDate(2025, 12, 31))};
    FollowUpCell complete;
    complete.complete = true;
    table.cells = {{FollowUpCell{}, FollowUpCell{}}, {complete, complete}};
    std::array<double, 12> tens{};
    tens.fill(10.0);
    std::array<double, 12> noJune = tens;
    noJune[5] = std::nan("");
    const FollowUpNormals normals = followUpNormals(table, {tens, noJune});
    // 2024 is a leap year: 15 of February's 29 days, then ten whole months.
    EXPECT_NEAR(normals.periods[0][0], 10.0 * 15 / 29 + 100.0, 1e-9);
    EXPECT_DOUBLE_EQ(normals.periods[1][0], 120.0);
    EXPECT_DOUBLE_EQ(normals.cumul[0], 120.0);
    EXPECT_NEAR(normals.total[0], 10.0 * 15 / 29 + 220.0, 1e-9);
    EXPECT_TRUE(std::isnan(normals.periods[1][1]));
    EXPECT_TRUE(std::isnan(normals.total[1]));

    EXPECT_DOUBLE_EQ(percentOfNormal(33.0, 29.0), 100.0 * 33 / 29);
    EXPECT_TRUE(std::isnan(percentOfNormal(33.0, 0.0)));
    EXPECT_TRUE(std::isnan(percentOfNormal(std::nan(""), 29.0)));
    EXPECT_TRUE(followUpHasNormals(1, FollowUpStep::Month));
    EXPECT_TRUE(followUpHasNormals(3, FollowUpStep::Year));
    EXPECT_FALSE(followUpHasNormals(1, FollowUpStep::Day));
    EXPECT_FALSE(followUpHasNormals(4, FollowUpStep::Month)) << "free parameters are means";
}

// On the screen: the station's published normals beside each month's sum with the share
// of it, the partial months prorated; the stations of a saved list.
TEST_P(FollowUpDatabase, ScreenNormalsAndSavedList)
{
    if (!ready())
        return;
    session().login = QStringLiteral("ADMIN");
    session().isAdmin = true;
    exec(QStringLiteral("INSERT INTO PLUVIOMETRE_NORMALES (CodePluviometre, Mois, Titre) "
                        "VALUES (11, -1, 'Normales 1991-2020')"));
    const double monthly[12] = {31, 29, 62, 60, 50, 40, 30, 20, 60, 80, 90, 62};
    for (int m = 1; m <= 12; ++m)
        exec(QStringLiteral("INSERT INTO PLUVIOMETRE_NORMALES (CodePluviometre, Mois, Valeur) "
                            "VALUES (11, %1, %2)")
                 .arg(sqlNumber(m), sqlNumber(monthly[m - 1])));
    const SavedListResult list =
        createSavedListFromCodes(QStringLiteral("Deux stations"), {12, 11}, false);
    ASSERT_TRUE(list.ok) << list.error.toStdString();

    SuiviPrecipitations screen;
    screen.resize(1366, 768);
    screen.show();
    auto *stations = screen.findChild<QLineEdit *>(QStringLiteral("TxtStations"));
    auto *compare = screen.findChild<QCheckBox *>(QStringLiteral("ChkNormales"));
    auto *step = screen.findChild<QComboBox *>(QStringLiteral("CboPas"));
    ASSERT_TRUE(stations && compare && step);
    stations->setText(QStringLiteral("11"));
    screen.findChild<QDateEdit *>(QStringLiteral("DtpDebut"))->setDate(QDate(2023, 12, 25));
    screen.findChild<QDateEdit *>(QStringLiteral("DtpFin"))->setDate(QDate(2024, 3, 5));
    EXPECT_TRUE(compare->isEnabled());
    QTest::mouseClick(compare, Qt::LeftButton, {}, QPoint(5, compare->height() / 2));
    ASSERT_TRUE(compare->isChecked());
    ASSERT_TRUE(screen.Actualiser()) << messages.join('\n').toStdString();
    const QAbstractItemModel *model =
        screen.findChild<QTableView *>(QStringLiteral("SprSuivi"))->model();
    ASSERT_EQ(model->columnCount(), 5);
    EXPECT_EQ(model->headerData(3, Qt::Horizontal).toString(), QStringLiteral("Normale"));
    EXPECT_EQ(model->headerData(4, Qt::Horizontal).toString(), QStringLiteral("% normale"));
    const auto row = [&](int r) {
        QStringList cells;
        for (int c = 0; c < 5; ++c)
            cells << model->index(r, c).data().toString();
        return cells.join(QLatin1Char('|'));
    };
    // December: 7 of 31 days; January: one day missing; February: 28 + 5 mm on the leap
    // day; March: 5 of 31 days.
    EXPECT_EQ(row(0), QStringLiteral("12/2023|7,0|0|14,0|50 %"));
    EXPECT_EQ(row(1), QStringLiteral("01/2024|30,0|1|31,0|97 %"));
    EXPECT_EQ(row(2), QStringLiteral("02/2024|33,0|0|29,0|114 %"));
    EXPECT_EQ(row(3), QStringLiteral("03/2024|5,0|0|10,0|50 %"));
    EXPECT_EQ(row(4), QStringLiteral("Cumul|33,0|43|29,0|114 %"));
    EXPECT_EQ(row(5), QStringLiteral("Total|75,0|1|84,0|89 %"));
    ASSERT_TRUE(screen.normals());
    EXPECT_EQ(screen.normals()->titles, QStringList{QStringLiteral("Normales 1991-2020")});
    if (qEnvironmentVariableIsSet("PLX_SCREENSHOT_DIR"))
        screen.grab().save(qEnvironmentVariable("PLX_SCREENSHOT_DIR") +
                           QStringLiteral("/suivi-normales.png"));

    // No normals by day.
    step->setCurrentIndex(0);
    EXPECT_FALSE(compare->isEnabled());
    ASSERT_TRUE(screen.Actualiser());
    EXPECT_FALSE(screen.normals());
    step->setCurrentIndex(1);

    // A saved list: its stations in code order, shown in the field.
    SuiviPrecipitations fromList;
    auto *lists = fromList.findChild<QComboBox *>(QStringLiteral("CboListe"));
    ASSERT_TRUE(lists);
    const int index = lists->findData(list.code);
    ASSERT_GE(index, 2);
    lists->setCurrentIndex(index);
    emit lists->activated(index);
    EXPECT_EQ(fromList.findChild<QLineEdit *>(QStringLiteral("TxtStations"))->text(),
              QStringLiteral("11,12"));
    fromList.findChild<QDateEdit *>(QStringLiteral("DtpDebut"))->setDate(QDate(2024, 2, 1));
    fromList.findChild<QDateEdit *>(QStringLiteral("DtpFin"))->setDate(QDate(2024, 2, 29));
    ASSERT_TRUE(fromList.Actualiser()) << messages.join('\n').toStdString();
    EXPECT_EQ(fromList.table().stations, (QStringList{QStringLiteral("11"), QStringLiteral("12")}));
}
