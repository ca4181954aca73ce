#include "db/accesbase.h"
#include "db/sqltext.h"
#include "outputs/reportdispatcher.h"
#include "outputs/reportsource.h"
#include "reporttestfiles.h"
#include "session/session.h"
#include "support/schemadatabasetest.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace plx;

namespace {

class FakeSource : public ReportSource
{
public:
    explicit FakeSource(QString code) : m_code(std::move(code)) {}
    QString reportStationCode() const override { return m_code; }

private:
    QString m_code;
};

void touch(const QString &path)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
}

} // namespace

// A report needs a station, a template folder and the template itself; each missing piece
// stops the run with its own message before anything is read or written.
TEST(ReportDispatcher, MissingStationFolderOrTemplateStopWithTheirMessage)
{
    QTemporaryDir folder;
    ReportRequest request;
    request.db = &AccesBase::instance();
    request.templateName = QStringLiteral("Fiche");
    request.editionFolder = folder.filePath(QStringLiteral("editions"));

    ReportResult result = runReport(request, FakeSource(QString()));
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.error, QStringLiteral("Aucun pluviometre n'est sélectionné dans la liste. "
                                           "Vous ne pourrez pas utiliser les modèles."));

    result = runReport(request, FakeSource(QStringLiteral("7")));
    EXPECT_EQ(result.error, QStringLiteral("Le chemin des modèles n'est pas défini. Vérifier le "
                                           "paramètre chemin_modeles dans l'administration du "
                                           "logiciel."));

    request.templateFolder = folder.path();
    result = runReport(request, FakeSource(QStringLiteral("7")));
    EXPECT_EQ(result.error,
              QStringLiteral("Impossible de trouver le fichier ") +
                  QDir::toNativeSeparators(folder.filePath(QStringLiteral("Fiche.docx"))));
    // A folder written with its separator keeps it, without doubling it.
    request.templateFolder = folder.path() + QLatin1Char('/');
    request.kind = TemplateKind::Spreadsheet;
    result = runReport(request, FakeSource(QStringLiteral("7")));
    EXPECT_EQ(result.error,
              QStringLiteral("Impossible de trouver le fichier ") +
                  QDir::toNativeSeparators(folder.filePath(QStringLiteral("Fiche.xlsx"))));

    request.templatePath = folder.filePath(QStringLiteral("fiche.txt"));
    touch(request.templatePath);
    result = runReport(request, FakeSource(QStringLiteral("7")));
    EXPECT_EQ(result.error, QStringLiteral("Format de modèle inconnu : fiche.txt (.docx, .dotx, "
                                           ".dot, .odt, .ott, .xlsx, .ods ou .xls attendu)."));
    EXPECT_FALSE(QDir(request.editionFolder).exists()) << "nothing written";
}

// Workbooks: .xlsx, then .ods, then the legacy .xls. Documents: each route its formats,
// .docx before .dotx before .dot, .odt before .ott; with both routes on, each route that
// has the template produces a document, and a template only the other route reads is
// missing for this one.
TEST(ReportDispatcher, TemplateLookupFollowsTheFormatsOrderAndTheRoutes)
{
    QTemporaryDir folder;
    for (const char *name :
         {"Bilan.xls", "Bilan.ods", "Fiche.dotx", "Fiche.dot", "Fiche.ott", "Releve.odt"})
        touch(folder.filePath(QLatin1String(name)));
    ReportRequest request;
    request.templateFolder = folder.path();
    request.kind = TemplateKind::Spreadsheet;
    request.templateName = QStringLiteral("Bilan");
    QString error;
    EXPECT_EQ(findReportTemplates(request, &error),
              QStringList{folder.filePath(QStringLiteral("Bilan.ods"))});
    touch(folder.filePath(QStringLiteral("Bilan.xlsx")));
    EXPECT_EQ(findReportTemplates(request, &error),
              QStringList{folder.filePath(QStringLiteral("Bilan.xlsx"))});

    request.kind = TemplateKind::Document;
    request.templateName = QStringLiteral("Fiche");
    request.routes = ReportRoutes{true, false};
    EXPECT_EQ(findReportTemplates(request, &error),
              QStringList{folder.filePath(QStringLiteral("Fiche.dotx"))});
    request.routes = ReportRoutes{true, true};
    EXPECT_EQ(findReportTemplates(request, &error),
              (QStringList{folder.filePath(QStringLiteral("Fiche.dotx")),
                           folder.filePath(QStringLiteral("Fiche.ott"))}));

    request.templateName = QStringLiteral("Releve");
    EXPECT_EQ(findReportTemplates(request, &error),
              QStringList{folder.filePath(QStringLiteral("Releve.odt"))});
    request.routes = ReportRoutes{true, false};
    EXPECT_TRUE(findReportTemplates(request, &error).isEmpty());
    EXPECT_EQ(error, QStringLiteral("Impossible de trouver le fichier ") +
                         QDir::toNativeSeparators(folder.filePath(QStringLiteral("Releve.docx"))));
}

namespace {

class ReportDispatcherTest : public plxtest::SchemaDatabaseTest
{
protected:
    void SetUp() override
    {
        SchemaDatabaseTest::SetUp();
        if (!ready())
            return;
        session().login = QStringLiteral("REF");
        session().isAdmin = true;
        QString error;
        ASSERT_TRUE(AccesBase::instance().Execute(
            QStringLiteral("INSERT INTO PLUVIOMETRES (CodePluviometre, Nom, Identifiant) VALUES "
                           "(7, 'Istres', '13047/001')"),
            &error))
            << error.toStdString();
        templates = m_dir.filePath(QStringLiteral("modeles"));
        editions = m_dir.filePath(QStringLiteral("editions"));
        ASSERT_TRUE(QDir().mkpath(templates));
        const QStringList bookmarks{QStringLiteral("NOM_PLUVIO"), QStringLiteral("CODE_PLUVIO")};
        ASSERT_TRUE(dispatchtest::writeDocx(QDir(templates).filePath(QStringLiteral("Fiche.docx")),
                                            bookmarks));
        ASSERT_TRUE(dispatchtest::writeOdt(QDir(templates).filePath(QStringLiteral("Fiche.odt")),
                                           bookmarks));
    }

    ReportRequest request(ReportAction action) const
    {
        ReportRequest r;
        r.db = &AccesBase::instance();
        r.templateName = QStringLiteral("Fiche");
        r.action = action;
        r.templateFolder = templates;
        r.editionFolder = editions;
        r.routes = ReportRoutes{true, false};
        r.author.login = QStringLiteral("REF");
        return r;
    }

    static QString documentText(const QString &path)
    {
        const QString part = path.endsWith(QLatin1String(".odt"))
                                 ? QStringLiteral("content.xml")
                                 : QStringLiteral("word/document.xml");
        return QString::fromUtf8(dispatchtest::zipPart(path, part));
    }

    QTemporaryDir m_dir;
    QString templates, editions;
};

TEST_P(ReportDispatcherTest, FillsTheStationsDocumentUnderASanitisedDatedName)
{
    if (!ready())
        return;
    const ReportResult result =
        runReport(request(ReportAction::Edit), FakeSource(QStringLiteral("7")));
    ASSERT_TRUE(result.ok) << result.error.toStdString();
    ASSERT_EQ(result.files.size(), 1);
    EXPECT_EQ(result.toOpen, result.files);
    const QFileInfo produced(result.files.first());
    EXPECT_EQ(QDir(produced.absolutePath()), QDir(editions));
    // Template name, station code, the moment without "/" or ":".
    static const QRegularExpression name(
        QStringLiteral("^Fiche_7_\\d{4}-\\d{2}-\\d{2}_\\d{6}\\.docx$"));
    EXPECT_TRUE(name.match(produced.fileName()).hasMatch()) << produced.fileName().toStdString();
    const QString text = documentText(produced.filePath());
    EXPECT_TRUE(text.contains(QStringLiteral("Istres"))) << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("[NOM_PLUVIO]"))) << "bookmark left unfilled";
    EXPECT_TRUE(result.toMail.isEmpty());
}

// Both routes on: one document per family. HTML: the page is what opens; the document it
// came from goes unless the user keeps it. Mail: the document goes to the mail client.
TEST_P(ReportDispatcherTest, RoutesAndOutputsDecideWhatIsKeptOpenedAndMailed)
{
    if (!ready())
        return;
    ReportRequest both = request(ReportAction::Edit);
    both.routes = ReportRoutes{true, true};
    ReportResult result = runReport(both, FakeSource(QStringLiteral("7")));
    ASSERT_TRUE(result.ok) << result.error.toStdString();
    ASSERT_EQ(result.files.size(), 2);
    EXPECT_TRUE(result.files[0].endsWith(QLatin1String(".docx")));
    EXPECT_TRUE(result.files[1].endsWith(QLatin1String(".odt")));
    EXPECT_TRUE(documentText(result.files[1]).contains(QStringLiteral("Istres")));

    for (const bool keep : {false, true}) {
        ReportRequest html = request(ReportAction::Html);
        html.keepFile = keep;
        result = runReport(html, FakeSource(QStringLiteral("7")));
        ASSERT_TRUE(result.ok) << result.error.toStdString();
        ASSERT_EQ(result.toOpen.size(), 1);
        EXPECT_TRUE(result.toOpen.first().endsWith(QLatin1String(".htm")));
        EXPECT_TRUE(QFileInfo::exists(result.toOpen.first()));
        EXPECT_EQ(result.files.size(), keep ? 2 : 1) << "keep=" << keep;
        for (const QString &file : std::as_const(result.files))
            EXPECT_TRUE(QFileInfo::exists(file)) << file.toStdString();
        QDir(editions).removeRecursively();
    }

    result = runReport(request(ReportAction::Mail), FakeSource(QStringLiteral("7")));
    ASSERT_TRUE(result.ok) << result.error.toStdString();
    ASSERT_EQ(result.toMail.size(), 1);
    EXPECT_TRUE(result.toMail.first().endsWith(QLatin1String(".docx")));
    EXPECT_TRUE(result.toOpen.isEmpty());
}

// Stopping before the station is read loses nothing and says nothing; an unknown station
// is the collector's error, with nothing written.
TEST_P(ReportDispatcherTest, CancelAndUnknownStationWriteNothing)
{
    if (!ready())
        return;
    int steps = 0;
    ReportResult result = runReport(request(ReportAction::Edit), FakeSource(QStringLiteral("7")),
                                    [&steps](const QString &) {
                                        ++steps;
                                        return false;
                                    });
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.cancelled);
    EXPECT_TRUE(result.error.isEmpty());
    EXPECT_EQ(steps, 1);
    EXPECT_FALSE(QDir(editions).exists() && !QDir(editions).isEmpty());

    result = runReport(request(ReportAction::Edit), FakeSource(QStringLiteral("99")));
    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(result.error.isEmpty());
    EXPECT_TRUE(result.files.isEmpty());
    EXPECT_FALSE(QDir(editions).exists() && !QDir(editions).isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Engines, ReportDispatcherTest, PLX_ENGINES, PLX_ENGINE_NAME);

} // namespace
