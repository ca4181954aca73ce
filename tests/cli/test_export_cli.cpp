#include "config/connectionprofile.h"
#include "db/accesbase.h"
#include "measures/measurementtable.h"
#include "measures/validationdata.h"
#include "support/clirunner.h"
#include "support/schemadatabasetest.h"
#include "support/zipread.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

using namespace plx;

namespace {

using plxtest::CliResult;

const QString kCode = QStringLiteral("12");

// plx export against the fixture's scratch database: the validation editor's columns.
class ExportCli : public plxtest::SchemaDatabaseTest
{
protected:
    void SetUp() override
    {
        SchemaDatabaseTest::SetUp();
        if (!ready())
            return;
        AccesBase &db = AccesBase::instance();
        ASSERT_TRUE(db.Execute(QStringLiteral("INSERT INTO PLUVIOMETRES (CodePluviometre, Nom, "
                                              "Identifiant) VALUES (12, 'Istres', '01053/X')")));
        ASSERT_TRUE(CreateMeasurementTable(db, kCode, false));
        plxtest::insertMeasure(db, kCode, QStringLiteral("15/06/2023"),
                               QStringLiteral("06:00:00"), 1.5, "V");
        plxtest::insertMeasure(db, kCode, QStringLiteral("01/03/2024"),
                               QStringLiteral("06:30:00"), 12.25, nullptr, 3);
        plxtest::insertMeasure(db, kCode, QStringLiteral("02/03/2024"),
                               QStringLiteral("06:00:00"), std::nullopt, "C");
    }

    CliResult plx(const QStringList &arguments)
    {
        const ConnectionProfile &profile = runProfile();
        const QStringList database =
            profile.kind == QLatin1String("POSTGRESQL")
                ? QStringList{QStringLiteral("--pg"), plxtest::pgConninfo(profile.database)}
                : QStringList{QStringLiteral("--db"), profile.database};
        QProcess process;
        process.start(QStringLiteral(PLX_CLI_PATH),
                      QStringList{QStringLiteral("export")} + database + arguments);
        process.waitForFinished(60000);
        return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError())};
    }
};

} // namespace

// The same columns and typed cells as the screen's export, in the three formats; a period
// limits the rows; bad input gives one French line and a non-zero status.
TEST_P(ExportCli, WritesTheValidationExport)
{
    if (!ready())
        return;
    QTemporaryDir dir;
    const QString xlsx = dir.filePath(QStringLiteral("mesures.xlsx"));
    CliResult run = plx({QStringLiteral("--station"), kCode, QStringLiteral("--out"), xlsx});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, QStringLiteral("3 mesure(s) exportée(s) dans %1.\n").arg(xlsx));
    const QStringList cells =
        plxtest::xlsxCells(plxtest::zipEntry(xlsx, QStringLiteral("xl/worksheets/sheet1.xml")));
    ASSERT_GE(cells.size(), 12);
    EXPECT_EQ(cells.first(), QStringLiteral("A1:4:inlineStr:Validation_01053/X"));
    EXPECT_EQ(cells.mid(1, 10),
              (QStringList{"A2:1:inlineStr:Date", "B2:1:inlineStr:Heure", "C2:1:inlineStr:Pluie",
                           "D2:1:inlineStr:Pl Efficace", "E2:1:inlineStr:Etp",
                           "F2:1:inlineStr:Param1", "G2:1:inlineStr:Param2",
                           "H2:1:inlineStr:Param3", "I2:1:inlineStr:Rupture",
                           "J2:1:inlineStr:Obtention"}));
    EXPECT_TRUE(cells.contains(QStringLiteral("A3:2::45092"))) << cells.join('\n').toStdString();
    EXPECT_TRUE(cells.contains(QStringLiteral("B3:5::0.25")));
    EXPECT_TRUE(cells.contains(QStringLiteral("C4:::12.25")));
    EXPECT_TRUE(cells.contains(QStringLiteral("K3::inlineStr:V")));

    const QString csv = dir.filePath(QStringLiteral("mesures.csv"));
    run = plx({QStringLiteral("--station"), kCode, QStringLiteral("--from"),
               QStringLiteral("01/03/2024"), QStringLiteral("--to"), QStringLiteral("31/03/2024"),
               QStringLiteral("--out"), csv});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    QFile file(csv);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_TRUE(bytes.startsWith("\xEF\xBB\xBF" "Date;Heure;Pluie;Pl Efficace;")) << bytes.constData();
    EXPECT_TRUE(bytes.contains("\r\n01/03/2024;06:30:00;12,25;3;;;;;;A;\r\n")) << bytes.constData();
    EXPECT_TRUE(bytes.endsWith("\r\n02/03/2024;06:00:00;;;;;;;;A;C\r\n"));
    EXPECT_FALSE(bytes.contains("2023"));

    run = plx({QStringLiteral("--station"), kCode, QStringLiteral("--out"),
               dir.filePath(QStringLiteral("mesures.ods"))});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();

    for (const QStringList &bad :
         {QStringList{QStringLiteral("--station"), kCode, QStringLiteral("--out"),
                      dir.filePath(QStringLiteral("mesures.txt"))},
          QStringList{QStringLiteral("--station"), kCode, QStringLiteral("--from"),
                      QStringLiteral("31/02/2024"), QStringLiteral("--out"), xlsx},
          QStringList{QStringLiteral("--station"), QStringLiteral("99"), QStringLiteral("--out"),
                      xlsx},
          QStringList{QStringLiteral("--station"), kCode, QStringLiteral("--out"),
                      dir.filePath(QStringLiteral("absent/mesures.xlsx"))}}) {
        run = plx(bad);
        EXPECT_NE(run.exitCode, 0) << bad.join(' ').toStdString();
        EXPECT_EQ(run.err.count(QLatin1Char('\n')), 1) << run.err.toStdString();
        EXPECT_TRUE(run.out.isEmpty());
    }
}

INSTANTIATE_TEST_SUITE_P(Engines, ExportCli, PLX_ENGINES, PLX_ENGINE_NAME);
