#include "outputs/officesuite.h"
#include "reporttestfiles.h"
#include "support/clirunner.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using plxtest::CliResult;
using plxtest::runPlx;

class ReportCli : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_file = m_dir.filePath(QStringLiteral("reseau.sqlite"));
        const CliResult init = runPlx({QStringLiteral("init"), QStringLiteral("--db"), m_file});
        ASSERT_EQ(init.exitCode, 0) << init.err.toStdString();
        for (const char *statement :
             {"INSERT INTO PLUVIOMETRES (CodePluviometre, Nom, Identifiant) VALUES (3, 'Istres', "
              "'ISTRES')",
              "INSERT INTO PLUVIOMETRES (CodePluviometre, Nom, Identifiant) VALUES (8, 'Aix', "
              "'AIX')"}) {
            const CliResult r = runPlx({QStringLiteral("sql"), QStringLiteral("--db"), m_file,
                                        QString::fromUtf8(statement)});
            ASSERT_EQ(r.exitCode, 0) << statement << r.err.toStdString();
        }
        m_template = m_dir.filePath(QStringLiteral("Fiche.docx"));
        ASSERT_TRUE(dispatchtest::writeDocx(
            m_template, {QStringLiteral("NOM_PLUVIO"), QStringLiteral("CODE_PLUVIO")}));
    }

    CliResult report(const QString &stations, const QString &out, QStringList extra = {})
    {
        return runPlx(QStringList{QStringLiteral("report"), QStringLiteral("--db"), m_file,
                                  QStringLiteral("--station"), stations,
                                  QStringLiteral("--template"), m_template, QStringLiteral("--out"),
                                  out} +
                      extra);
    }

    QTemporaryDir m_dir;
    QString m_file;
    QString m_template;
};

// Two stations give two files, the code before the extension, each filled for its own
// station; the files written are listed on stdout.
TEST_F(ReportCli, OneFilePerStation)
{
    const QString out = m_dir.filePath(QStringLiteral("sortie/fiche.docx"));
    QDir().mkpath(QFileInfo(out).absolutePath());
    const CliResult r = report(QStringLiteral("3,8"), out);
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.err, QString());
    const QString first = m_dir.filePath(QStringLiteral("sortie/fiche_3.docx"));
    const QString second = m_dir.filePath(QStringLiteral("sortie/fiche_8.docx"));
    EXPECT_EQ(r.out, QDir::toNativeSeparators(first) + QLatin1Char('\n') +
                         QDir::toNativeSeparators(second) + QLatin1Char('\n'));
    EXPECT_FALSE(QFileInfo::exists(out));
    const QString text3 =
        QString::fromUtf8(dispatchtest::zipPart(first, QStringLiteral("word/document.xml")));
    const QString text8 =
        QString::fromUtf8(dispatchtest::zipPart(second, QStringLiteral("word/document.xml")));
    EXPECT_TRUE(text3.contains(QStringLiteral("Istres")));
    EXPECT_FALSE(text3.contains(QStringLiteral("Aix")));
    EXPECT_TRUE(text8.contains(QStringLiteral("Aix")));

    // One station: the file named, as given.
    const QString single = m_dir.filePath(QStringLiteral("seule.docx"));
    EXPECT_EQ(report(QStringLiteral("8"), single).exitCode, 0);
    EXPECT_TRUE(QFileInfo::exists(single));
}

// Mistakes and failures: one French line on stderr, a non-zero status, nothing written.
TEST_F(ReportCli, ErrorsAreOneFrenchLine)
{
    struct Case
    {
        QString stations, out;
        QStringList extra;
        int code;
        QString err;
    };
    const QString out = m_dir.filePath(QStringLiteral("f.docx"));
    const std::vector<Case> cases{
        {QStringLiteral("3,99"), out, {}, 1, QStringLiteral("Station inconnue : 99")},
        {QStringLiteral("x"), out, {}, 2, QStringLiteral("Code de station invalide : x")},
        {QStringLiteral("3"),
         m_dir.filePath(QStringLiteral("f.xlsx")),
         {},
         2,
         QStringLiteral("Format de sortie invalide pour un document : f.xlsx (.docx, .odt, .pdf "
                        "ou .htm attendu).")},
        {QStringLiteral("3"),
         out,
         {QStringLiteral("--screen"), QStringLiteral("semaine")},
         2,
         QStringLiteral("Écran inconnu : semaine (annee, annuaire ou chronique attendu).")},
        {QStringLiteral("3"),
         out,
         {QStringLiteral("--template"), m_dir.filePath(QStringLiteral("absent.docx"))},
         1,
         QStringLiteral("Impossible de trouver le fichier ") +
             QDir::toNativeSeparators(m_dir.filePath(QStringLiteral("absent.docx")))},
    };
    for (const Case &c : cases) {
        CliResult r;
        if (c.extra.size() == 2 && c.extra.first() == QLatin1String("--template"))
            r = runPlx({QStringLiteral("report"), QStringLiteral("--db"), m_file,
                        QStringLiteral("--station"), c.stations, QStringLiteral("--template"),
                        c.extra.last(), QStringLiteral("--out"), c.out});
        else
            r = report(c.stations, c.out, c.extra);
        EXPECT_EQ(r.exitCode, c.code) << c.err.toStdString();
        EXPECT_EQ(r.err, c.err + QLatin1Char('\n'));
    }
    EXPECT_FALSE(QFileInfo::exists(m_dir.filePath(QStringLiteral("f_99.docx"))));
}

// A PDF needs LibreOffice: produced and its text read back when it is installed, refused
// in French when it is not.
TEST_F(ReportCli, PdfThroughLibreOffice)
{
    const QString pdf = m_dir.filePath(QStringLiteral("fiche.pdf"));
    const CliResult r = report(QStringLiteral("3"), pdf);
    if (plx::officesuite::executable().isEmpty()) {
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(r.err, plx::officesuite::missingMessage() + QLatin1Char('\n'));
        GTEST_SKIP() << "LibreOffice is not installed: only its absence was checked";
    }
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    QFile file(pdf);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.read(5).startsWith("%PDF"));
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    if (!text.waitForFinished(30000) || text.exitCode() != 0)
        GTEST_SKIP() << "pdftotext is not available to read the PDF back";
    EXPECT_TRUE(QString::fromUtf8(text.readAllStandardOutput()).contains(QStringLiteral("Istres")));
}

// --screen draws that chart screen for each station of the demo network and hands its
// charts to the template: the yearbook's page goes in as a picture. A station without
// measurements still gets its sheet, without an empty chart.
TEST(ReportCliScreens, ChartScreenFillsTheChartBookmarks)
{
    QTemporaryDir dir;
    const QString db = dir.filePath(QStringLiteral("demo.sqlite"));
    CliResult r =
        runPlx({QStringLiteral("init"), QStringLiteral("--db"), db, QStringLiteral("--demo")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    r = runPlx(
        {QStringLiteral("sql"), QStringLiteral("--db"), db,
         QStringLiteral("INSERT INTO PLUVIOMETRES (CodePluviometre, Nom) VALUES (900, 'Vide')")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QString model = dir.filePath(QStringLiteral("Page.docx"));
    ASSERT_TRUE(dispatchtest::writeDocx(
        model, {QStringLiteral("NOM_PLUVIO"), QStringLiteral("GRAPHIQUE_TOTAL")}));
    const QString out = dir.filePath(QStringLiteral("page.docx"));
    const auto report = [&](const QString &stations) {
        return runPlx({QStringLiteral("report"), QStringLiteral("--db"), db,
                       QStringLiteral("--station"), stations, QStringLiteral("--template"), model,
                       QStringLiteral("--out"), out, QStringLiteral("--screen"),
                       QStringLiteral("annuaire")});
    };
    r = report(QStringLiteral("1,3"));
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    for (const char *name : {"page_1.docx", "page_3.docx"}) {
        const QStringList parts = dispatchtest::zipNames(dir.filePath(QLatin1String(name)));
        EXPECT_TRUE(std::any_of(
            parts.begin(), parts.end(),
            [](const QString &part) { return part.startsWith(QLatin1String("word/media/")); }))
            << name << ": " << parts.join(QLatin1Char(' ')).toStdString();
        const QString text = QString::fromUtf8(dispatchtest::zipPart(
            dir.filePath(QLatin1String(name)), QStringLiteral("word/document.xml")));
        EXPECT_FALSE(text.contains(QStringLiteral("[GRAPHIQUE_TOTAL]"))) << name;
    }

    r = report(QStringLiteral("900"));
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QStringList parts = dispatchtest::zipNames(out);
    EXPECT_FALSE(parts.isEmpty());
    EXPECT_FALSE(std::any_of(parts.begin(), parts.end(), [](const QString &part) {
        return part.startsWith(QLatin1String("word/media/"));
    })) << "an empty chart is left out";
}

} // namespace
