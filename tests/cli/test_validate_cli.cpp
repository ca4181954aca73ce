#include "config/connectionprofile.h"
#include "db/accesbase.h"
#include "base/locale.h"
#include "measures/measurementtable.h"
#include "measures/validationchecks.h"
#include "measures/validationstore.h"
#include "session/session.h"
#include "measures/validationdata.h"
#include "schema/usertables.h"
#include "support/clirunner.h"
#include "support/schemadatabasetest.h"

#include <QProcess>

using namespace plx;

namespace {

using plxtest::CliResult;

const QString kCode = QStringLiteral("12");

// plx validate and plx devalidate against the scratch database of the fixture, which the
// tool opens beside the test's own connection.
class ValidateCli : public plxtest::SchemaDatabaseTest
{
protected:
    void SetUp() override
    {
        SchemaDatabaseTest::SetUp();
        if (!ready())
            return;
        AccesBase &db = AccesBase::instance();
        ASSERT_TRUE(CreateMeasurementTable(db, kCode, false));
        for (const auto &[date, validite] :
             {std::pair{"15/06/2023", "V"}, std::pair{"01/03/2024", ""},
              std::pair{"02/03/2024", ""}, std::pair{"03/03/2024", "C"}})
            plxtest::insertMeasure(db, kCode, QLatin1String(date), QStringLiteral("06:00:00"), 1,
                                   validite);
    }

    QStringList database() const
    {
        const ConnectionProfile &profile = runProfile();
        if (profile.kind == QLatin1String("POSTGRESQL"))
            return {QStringLiteral("--pg"), plxtest::pgConninfo(profile.database)};
        return {QStringLiteral("--db"), profile.database};
    }
    CliResult plx(const QString &command, const QStringList &arguments,
                  const QByteArray &input = {})
    {
        QProcess process;
        process.start(QStringLiteral(PLX_CLI_PATH), QStringList{command} + database() + arguments);
        process.write(input);
        process.closeWriteChannel();
        process.waitForFinished(60000);
        return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError())};
    }
    // The Validite of each record, in instant order.
    QStringList validity()
    {
        QStringList codes;
        for (const QString &row : plxtest::storedMeasures(AccesBase::instance(), kCode))
            codes << row.section(QLatin1Char('|'), 3, 3);
        return codes;
    }
};

} // namespace

TEST_P(ValidateCli, ValidateAndDevalidate)
{
    if (!ready())
        return;
    const QStringList station{QStringLiteral("--station"), kCode};

    // After the last validated record (15/06/2023) up to the instant given.
    CliResult run = plx(
        QStringLiteral("validate"),
        station + QStringList{QStringLiteral("--until"), QStringLiteral("02/03/2024 06:00:00")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, QStringLiteral("2 mesure(s) validée(s) jusqu'au 02/03/2024 06:00:00 (après "
                                      "le 15/06/2023 06:00:00).\n"));
    EXPECT_EQ(validity(), (QStringList{QStringLiteral("V"), QStringLiteral("V"),
                                       QStringLiteral("V"), QStringLiteral("C")}));

    for (const char *bad : {"31/02/2024 06:00:00", "2024-03-02 06:00:00", "02/03/2024 25:00"}) {
        run = plx(QStringLiteral("validate"),
                  station + QStringList{QStringLiteral("--until"), QLatin1String(bad)});
        EXPECT_EQ(run.exitCode, 2) << bad;
        EXPECT_TRUE(run.err.startsWith(QStringLiteral("Date de validation invalide : ")))
            << run.err.toStdString();
    }
    run =
        plx(QStringLiteral("validate"), {QStringLiteral("--station"), QStringLiteral("99"),
                                         QStringLiteral("--until"), QStringLiteral("02/03/2024")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, QStringLiteral("La table de données pour ce site n'existe pas.\n"));

    // The question answered no changes nothing; --yes clears every record.
    run = plx(QStringLiteral("devalidate"), station, "n\n");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(
        run.out.contains(QStringLiteral("Etes vous sûr de vouloir dévalider tous les points ?")));
    EXPECT_EQ(validity().count(QStringLiteral("V")), 3);
    run = plx(QStringLiteral("devalidate"), station + QStringList{QStringLiteral("--yes")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, QStringLiteral("4 mesure(s) dévalidée(s).\n"));
    EXPECT_EQ(validity(), QStringList(4, QString()));

    // With nothing validated, everything up to the instant.
    run = plx(QStringLiteral("validate"),
              station + QStringList{QStringLiteral("--until"), QStringLiteral("01/03/2024 06:00")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, QStringLiteral("2 mesure(s) validée(s) jusqu'au 01/03/2024 06:00:00.\n"));
    EXPECT_EQ(validity(),
              (QStringList{QStringLiteral("V"), QStringLiteral("V"), QString(), QString()}));
}

// A user given with --user needs the right to modify data.
TEST_P(ValidateCli, UserNeedsDataRight)
{
    if (!ready())
        return;
    AccesBase &db = AccesBase::instance();
    ASSERT_TRUE(ensureDefaultUserTables(db).ok);
    ASSERT_TRUE(db.Execute(QStringLiteral("INSERT INTO UTILISATEURS (login, password, isAdmin, "
                                          "metadata) VALUES ('LECTEUR', 'lu', '0', '1')")));
    ASSERT_TRUE(
        db.Execute(QStringLiteral("INSERT INTO UTILISATEURS_HABILITATIONS (login, "
                                  "habilitation) VALUES ('LECTEUR', 'PLUVIO_FICHE_MODIF')")));
    const QStringList arguments{QStringLiteral("--station"),  kCode,
                                QStringLiteral("--user"),     QStringLiteral("lecteur"),
                                QStringLiteral("--password"), QStringLiteral("lu"),
                                QStringLiteral("--yes")};
    CliResult run = plx(QStringLiteral("devalidate"), arguments);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, QStringLiteral("Vous ne disposez pas des droits nécessaires pour modifier "
                                      "les mesures.\n"));
    EXPECT_EQ(validity().count(QStringLiteral("V")), 1);

    ASSERT_TRUE(
        db.Execute(QStringLiteral("INSERT INTO UTILISATEURS_HABILITATIONS (login, "
                                  "habilitation) VALUES ('LECTEUR', 'PLUVIO_DATA_MODIF')")));
    run = plx(QStringLiteral("devalidate"), arguments);
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(validity().count(QStringLiteral("V")), 0);
}

// plx history: the station's changes tab-separated, newest first (instant, parameter, old,
// new, old validity, new validity, kind, login, timestamp, batch), filtered by the
// measurements' period, the login and the kind.
TEST_P(ValidateCli, History)
{
    if (!ready())
        return;
    session().login = QStringLiteral("ALICE");
    LoadResult loaded = loadWindow(AccesBase::instance(), kCode, *parseDate(QStringLiteral("01/03/2024")),
                                   *parseDate(QStringLiteral("03/03/2024")));
    ASSERT_TRUE(loaded.ok);
    applyCellText(loaded.rows[0], kPluieColumn, QStringLiteral("2,5"));
    const SaveResult saved = saveRows(AccesBase::instance(), kCode, loaded.rows, -1, std::nullopt);
    ASSERT_TRUE(saved.ok) << saved.error.toStdString();
    const QStringList station{QStringLiteral("--station"), kCode};
    ASSERT_EQ(plx(QStringLiteral("validate"),
                  station + QStringList{QStringLiteral("--until"), QStringLiteral("02/03/2024 06:00")})
                  .exitCode,
              0);

    CliResult run = plx(QStringLiteral("history"), station);
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QStringList lines = run.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2) << run.out.toStdString();
    const QStringList validation = lines[0].split(QLatin1Char('\t'));
    const QStringList edit = lines[1].split(QLatin1Char('\t'));
    ASSERT_EQ(validation.size(), 10);
    ASSERT_EQ(edit.size(), 10);
    EXPECT_EQ(validation.mid(0, 8),
              (QStringList{QStringLiteral("02/03/2024 06:00:00"), QString(), QString(), QString(),
                           QString(), QString(), QStringLiteral("VALIDATION"), QStringLiteral("AUTO")}));
    EXPECT_EQ(edit.mid(0, 8),
              (QStringList{QStringLiteral("01/03/2024 06:00:00"), QStringLiteral("Pluie"),
                           QStringLiteral("1"), QStringLiteral("2.5"), QString(), QString(),
                           QStringLiteral("SAISIE"), QStringLiteral("ALICE")}));
    EXPECT_TRUE(parseDateTime(edit[8]).has_value()) << edit[8].toStdString();
    EXPECT_EQ(edit[9], saved.batch);
    EXPECT_NE(validation[9], edit[9]);

    const auto filtered = [&](const QStringList &filters) {
        const CliResult r = plx(QStringLiteral("history"), station + filters);
        EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
        return r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    };
    EXPECT_EQ(filtered({QStringLiteral("--user"), QStringLiteral("alice")}), lines.mid(1));
    EXPECT_EQ(filtered({QStringLiteral("--kind"), QStringLiteral("validation")}), lines.mid(0, 1));
    EXPECT_EQ(filtered({QStringLiteral("--from"), QStringLiteral("02/03/2024"), QStringLiteral("--to"),
                        QStringLiteral("03/03/2024")}),
              lines.mid(0, 1));
    run = plx(QStringLiteral("history"), station + QStringList{QStringLiteral("--from"),
                                                               QStringLiteral("31/02/2024")});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.err, QStringLiteral("Date invalide : 31/02/2024 (attendu JJ/MM/AAAA)\n"));
}

INSTANTIATE_TEST_SUITE_P(Engines, ValidateCli, PLX_ENGINES, PLX_ENGINE_NAME);
