#include "support/clirunner.h"

#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using plxtest::CliResult;
using plxtest::runPlx;

class StationCli : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_file = m_dir.filePath(QStringLiteral("stations.sqlite"));
        const CliResult init = runPlx({QStringLiteral("init"), QStringLiteral("--db"), m_file});
        ASSERT_EQ(init.exitCode, 0) << init.err.toStdString();
        for (const char *statement :
             {"INSERT INTO PLUVIOMETRES (CodePluviometre, Nom, Identifiant, DateCreation, "
              "Altitude) "
              "VALUES (3, 'Istres', 'ISTRES', #02/01/1961#, 23.5)",
              "INSERT INTO PLUVIOMETRES (CodePluviometre, Nom, Identifiant) VALUES (8, 'Aix', "
              "'AIX')",
              "INSERT INTO PLUVIOMETRE_NORMALES (CodePluviometre, Mois, Valeur) VALUES (3, 1, 50)",
              "INSERT INTO PLUVIOMETRE_NORMALES (CodePluviometre, Mois, Valeur) VALUES (8, 1, 60)",
              "INSERT INTO LIEN_PLUVIO_RESEAUX (CodePluviometre, CodeReseau) VALUES (3, 1)"})
            ASSERT_EQ(sql(QString::fromUtf8(statement)).exitCode, 0) << statement;
    }

    CliResult station(QStringList arguments)
    {
        arguments.insert(1, QStringLiteral("--db"));
        arguments.insert(2, m_file);
        return runPlx(QStringList{QStringLiteral("station")} + arguments);
    }
    CliResult sql(const QString &statement)
    {
        return runPlx({QStringLiteral("sql"), QStringLiteral("--db"), m_file, statement});
    }
    QString rows(const QString &select) { return sql(select).out; }
    // A station command answering its question with the given line.
    CliResult answered(const QStringList &arguments, const QByteArray &answer)
    {
        QProcess process;
        process.start(QStringLiteral(PLX_CLI_PATH),
                      QStringList{QStringLiteral("station"), arguments.first(),
                                  QStringLiteral("--db"), m_file} +
                          arguments.mid(1));
        process.write(answer);
        process.closeWriteChannel();
        process.waitForFinished(60000);
        return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError())};
    }

    QTemporaryDir m_dir;
    QString m_file;
};

TEST_F(StationCli, ListAndShow)
{
    const CliResult list = station({QStringLiteral("list")});
    ASSERT_EQ(list.exitCode, 0) << list.err.toStdString();
    EXPECT_EQ(list.out, QStringLiteral("Num\tIdentifiant\tNom du site\tCréation\tFermeture\n"
                                       "3\tISTRES\tIstres\t01/02/1961\t\n"
                                       "8\tAIX\tAix\t\t\n"));

    const CliResult show =
        station({QStringLiteral("show"), QStringLiteral("--station"), QStringLiteral("3")});
    ASSERT_EQ(show.exitCode, 0) << show.err.toStdString();
    EXPECT_TRUE(show.out.contains(QStringLiteral("Nom du site : Istres\n")));
    EXPECT_TRUE(show.out.contains(QStringLiteral("Date de création : 01/02/1961\n")));
    EXPECT_TRUE(show.out.contains(QStringLiteral("Altitude : 23,5\n")));

    const CliResult missing =
        station({QStringLiteral("show"), QStringLiteral("--station"), QStringLiteral("4")});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(missing.err, QStringLiteral("Impossible de charger la fiche.\n"));
    EXPECT_EQ(station({QStringLiteral("show"), QStringLiteral("--station"), QStringLiteral("x;1")})
                  .exitCode,
              2);
    EXPECT_EQ(station({QStringLiteral("bogus")}).exitCode, 2);
}

TEST_F(StationCli, DeleteNeedsConfirmationAndClearsOnlyThatStation)
{
    const QStringList deleteThree{QStringLiteral("delete"), QStringLiteral("--station"),
                                  QStringLiteral("3")};
    const CliResult refused = answered(deleteThree, "n\n");
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.err, QStringLiteral("Suppression abandonnée.\n"));
    EXPECT_TRUE(refused.out.startsWith(QStringLiteral("Etes vous sur de vouloir supprimer le "
                                                      "pluviomètre Istres")));
    EXPECT_EQ(rows(QStringLiteral("SELECT count(*) FROM PLUVIOMETRES")), QStringLiteral("2\n"));

    const CliResult deleted = answered(deleteThree, "oui\n");
    ASSERT_EQ(deleted.exitCode, 0) << deleted.err.toStdString();
    EXPECT_TRUE(deleted.out.endsWith(QStringLiteral("Le pluviomètre a été supprimé.\n")));
    EXPECT_EQ(rows(QStringLiteral("SELECT CodePluviometre FROM PLUVIOMETRES")),
              QStringLiteral("8\n"));
    EXPECT_EQ(rows(QStringLiteral("SELECT CodePluviometre FROM PLUVIOMETRE_NORMALES")),
              QStringLiteral("8\n"));
    EXPECT_EQ(rows(QStringLiteral("SELECT count(*) FROM LIEN_PLUVIO_RESEAUX")),
              QStringLiteral("0\n"));
    EXPECT_EQ(station(deleteThree + QStringList{QStringLiteral("--yes")}).exitCode, 1); // gone
    const CliResult unasked = station({QStringLiteral("delete"), QStringLiteral("--station"),
                                       QStringLiteral("8"), QStringLiteral("--yes")});
    EXPECT_EQ(unasked.out, QStringLiteral("Le pluviomètre a été supprimé.\n"));
    EXPECT_EQ(rows(QStringLiteral("SELECT count(*) FROM PLUVIOMETRE_NORMALES")),
              QStringLiteral("0\n"));
}

TEST_F(StationCli, RenumberFollowsTheCodeRules)
{
    const auto renumber = [&](const char *from, const char *to) {
        return station({QStringLiteral("renumber"), QStringLiteral("--station"),
                        QLatin1String(from), QStringLiteral("--to"), QLatin1String(to)});
    };
    const CliResult taken = renumber("3", "8");
    EXPECT_EQ(taken.exitCode, 1);
    EXPECT_EQ(taken.err,
              QStringLiteral("Le code saisi existe déjà. Merci de reessayer en saisissant "
                             "un nouveau numéro.\n"));
    EXPECT_EQ(renumber("3", "007").err,
              QStringLiteral("Le code saisi n'est pas un entier correct. Merci de reessayer.\n"));
    EXPECT_EQ(renumber("3", "100000").err,
              QStringLiteral("Le code saisi ne doit pas faire plus de 5 "
                             "caractères. Merci de reessayer.\n"));

    const CliResult moved = renumber("3", "30");
    ASSERT_EQ(moved.exitCode, 0) << moved.err.toStdString();
    EXPECT_EQ(
        rows(QStringLiteral("SELECT CodePluviometre FROM PLUVIOMETRES ORDER BY CodePluviometre")),
        QStringLiteral("8\n30\n"));
    EXPECT_EQ(rows(QStringLiteral(
                  "SELECT CodePluviometre FROM PLUVIOMETRE_NORMALES ORDER BY CodePluviometre")),
              QStringLiteral("8\n30\n"));
    EXPECT_EQ(rows(QStringLiteral("SELECT CodePluviometre FROM LIEN_PLUVIO_RESEAUX")),
              QStringLiteral("30\n"));
}

} // namespace
