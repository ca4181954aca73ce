#include "documentfixtures.h"

#include "outputs/documenttemplate.h"
#include "outputs/officesuite.h"
#include "outputs/outputnames.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace plx;
using namespace plxtest;

namespace {

// A station sheet in both formats: a title, a value across runs, a chart and the table.
struct SampleReport
{
    BookmarkTable table;
    DocumentFill fill;
    SampleReport()
    {
        table.add(QStringLiteral("NOM_PLUVIO"), QStringLiteral("Saint-Brieuc – Trémuson"));
        table.add(QStringLiteral("CODE_PLUVIO"), QStringLiteral("22168001"));
        fill.bookmarks = &table;
        fill.chart = [](const QString &) -> std::optional<ReportPicture> {
            ReportPicture p;
            p.png = pngOfSize(800, 400);
            p.pixels = QSize(800, 400);
            return p;
        };
        fill.measures.headings = {QStringLiteral("Date"), QStringLiteral("Pluie (mm)")};
        fill.measures.rows = {
            {{QStringLiteral("01/03/2024"), QStringLiteral("12,4")}, QStringLiteral("V")},
            {{QStringLiteral("02/03/2024"), QStringLiteral("0,8")}, QString()}};
    }
};

void writeSampleTemplates(const QString &docx, const QString &odt)
{
    writeDocx(
        docx,
        QStringLiteral(
            "<w:p><w:pPr><w:pStyle w:val=\"Titre1\"/></w:pPr><w:r><w:t "
            "xml:space=\"preserve\">Fiche de </w:t></w:r>"
            "<w:bookmarkStart w:id=\"1\" "
            "w:name=\"NOM_PLUVIO\"/><w:r><w:rPr><w:b/></w:rPr><w:t>NOM</w:t></w:r>"
            "<w:r><w:t>_PLUVIO</w:t></w:r><w:bookmarkEnd w:id=\"1\"/></w:p>"
            "<w:p><w:r><w:rPr><w:i/></w:rPr><w:t xml:space=\"preserve\">Code station : </w:t></w:r>"
            "<w:bookmarkStart w:id=\"2\" w:name=\"CODE_PLUVIO\"/><w:bookmarkEnd w:id=\"2\"/></w:p>"
            "<w:p><w:bookmarkStart w:id=\"3\" w:name=\"GRAPHIQUE_ANNEE\"/><w:bookmarkEnd "
            "w:id=\"3\"/></w:p>"
            "<w:p><w:bookmarkStart w:id=\"4\" w:name=\"TAB_MESURES\"/><w:bookmarkEnd "
            "w:id=\"4\"/></w:p>"));
    writeOdt(
        odt,
        QStringLiteral("<text:h text:outline-level=\"1\">Fiche de <text:bookmark-start "
                       "text:name=\"NOM_PLUVIO\"/>"
                       "<text:span text:style-name=\"T1\">NOM</text:span>_PLUVIO<text:bookmark-end "
                       "text:name=\"NOM_PLUVIO\"/></text:h>"
                       "<text:p>Code station : <text:bookmark text:name=\"CODE_PLUVIO\"/></text:p>"
                       "<text:p><text:bookmark text:name=\"GRAPHIQUE_ANNEE\"/></text:p>"
                       "<text:p><text:bookmark text:name=\"TAB_MESURES\"/></text:p>"),
        QStringLiteral("<style:style style:name=\"T1\" style:family=\"text\">"
                       "<style:text-properties fo:font-weight=\"bold\"/></style:style>"));
}

QString readText(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll());
}

} // namespace

// The HTML page of a filled document holds the values, the heading, bold text, the table
// with its shading and the picture written beside the page, for both formats.
TEST(DocumentOutputs, writesOneHtmlPagePerDocument)
{
    QTemporaryDir dir;
    const QString docxTemplate = dir.filePath(QStringLiteral("fiche.docx"));
    const QString odtTemplate = dir.filePath(QStringLiteral("fiche.odt"));
    writeSampleTemplates(docxTemplate, odtTemplate);
    SampleReport report;
    for (const QString &tpl : {docxTemplate, odtTemplate}) {
        SCOPED_TRACE(tpl.toStdString());
        const QString ext = QFileInfo(tpl).suffix();
        const QString filled = dir.filePath(QStringLiteral("fiche_22168001.") + ext);
        QString error;
        ASSERT_TRUE(fillDocumentTemplate(tpl, report.fill, filled, &error)) << error.toStdString();
        const QString page = dir.filePath(QStringLiteral("page ") + ext + QStringLiteral(".htm"));
        ASSERT_TRUE(writeDocumentHtml(filled, page, &error)) << error.toStdString();
        const QString html = readText(page);
        EXPECT_TRUE(html.startsWith(QLatin1String("<!DOCTYPE html>")));
        EXPECT_TRUE(html.contains(QLatin1String("<meta charset=\"utf-8\">")));
        EXPECT_TRUE(html.contains(QStringLiteral("Saint-Brieuc – Trémuson"))) << html.toStdString();
        EXPECT_TRUE(html.contains(QLatin1String("Code station : 22168001")));
        EXPECT_TRUE(html.contains(QLatin1String("<strong>Saint-Brieuc")))
            << "the first run's bold is kept";
        EXPECT_FALSE(html.contains(QLatin1String("PLUVIO"))) << "no leftover bookmark text";
        EXPECT_TRUE(html.contains(QLatin1String("<th"))) << html.toStdString();
        EXPECT_TRUE(html.contains(QLatin1String("12,4")));
        EXPECT_TRUE(html.contains(QLatin1String("background-color:#e2efda")));
        // The picture sits in a folder named after the page, referenced relatively.
        const QString folder = QStringLiteral("page ") + ext + QStringLiteral("_fichiers");
        EXPECT_TRUE(html.contains(QStringLiteral("src=\"page%20") + ext +
                                  QStringLiteral("_fichiers/image1.png\"")))
            << html.toStdString();
        QFile picture(QDir(dir.path()).filePath(folder + QStringLiteral("/image1.png")));
        ASSERT_TRUE(picture.open(QIODevice::ReadOnly));
        EXPECT_TRUE(picture.readAll().startsWith("\x89PNG"));
    }
    EXPECT_TRUE(
        readText(dir.filePath(QStringLiteral("page docx.htm"))).contains(QLatin1String("<h1>")))
        << "the French heading style id Titre1 makes a heading";

    QString error;
    EXPECT_FALSE(writeDocumentHtml(dir.filePath(QStringLiteral("absent.odt")),
                                   dir.filePath(QStringLiteral("x.htm")), &error));
    EXPECT_EQ(error, QStringLiteral("Impossible de trouver le fichier ") +
                         dir.filePath(QStringLiteral("absent.odt")));
}

// Report names: the folder, the template name, "_" and a suffix made safe for every
// file system.
TEST(DocumentOutputs, sanitisesReportNames)
{
    EXPECT_EQ(reportOutputPath(QStringLiteral("/srv/editions"), QStringLiteral("fiche"),
                               QStringLiteral("22168001 01/03/2024 12:30"), QStringLiteral(".pdf")),
              QStringLiteral("/srv/editions/fiche_22168001 01-03-2024 12-30.pdf"));
    EXPECT_EQ(reportOutputPath(QStringLiteral("C:\\Editions\\"), QStringLiteral("annuaire"),
                               QStringLiteral("a*b?c\"d<e>f|g\\h\tfin. "), QStringLiteral("odt")),
              QStringLiteral("C:\\Editions\\annuaire_a-b-c-d-e-f-g-h-fin.odt"));
    EXPECT_EQ(reportOutputPath(QStringLiteral("/tmp/"), QStringLiteral("modèle/station"),
                               QStringLiteral("Trémuson"), QStringLiteral(".htm")),
              QStringLiteral("/tmp/modèle-station_Trémuson.htm"));
}

// Without LibreOffice, every route that needs it says so in French; a missing source is
// named; modern templates pass through untouched.
TEST(DocumentOutputs, saysWhenLibreOfficeIsMissing)
{
    QTemporaryDir dir;
    const QString doc = dir.filePath(QStringLiteral("a.odt"));
    writeOdt(doc, QStringLiteral("<text:p>x</text:p>"));
    const QByteArray saved = qgetenv("PLX_SOFFICE");
    const bool wasSet = qEnvironmentVariableIsSet("PLX_SOFFICE");
    qputenv("PLX_SOFFICE", dir.filePath(QStringLiteral("pas-de-soffice")).toUtf8());
    QString error;
    EXPECT_TRUE(officesuite::executable().isEmpty());
    EXPECT_TRUE(officesuite::convert(doc, QStringLiteral("pdf"), dir.path(), &error).isEmpty());
    EXPECT_EQ(error, officesuite::missingMessage());
    EXPECT_TRUE(officesuite::missingMessage().contains(QLatin1String("LibreOffice")));
    EXPECT_FALSE(officesuite::print(doc, QString(), &error));
    EXPECT_EQ(error, officesuite::missingMessage());
    const QString dot = dir.filePath(QStringLiteral("ancien.dot"));
    QFile(dot).open(QIODevice::WriteOnly);
    EXPECT_TRUE(officesuite::modernTemplate(dot, &error).isEmpty());
    EXPECT_EQ(error, officesuite::missingMessage());
    if (wasSet)
        qputenv("PLX_SOFFICE", saved);
    else
        qunsetenv("PLX_SOFFICE");

    EXPECT_EQ(officesuite::modernTemplate(doc, &error), doc);
    EXPECT_TRUE(officesuite::convert(dir.filePath(QStringLiteral("absent.odt")),
                                     QStringLiteral("pdf"), dir.path(), &error)
                    .isEmpty());
    EXPECT_EQ(error, QStringLiteral("Impossible de trouver le fichier ") +
                         dir.filePath(QStringLiteral("absent.odt")));
}

// Filled documents of both formats go through LibreOffice to PDF: their text reads back
// with the values and without the bookmarks' template text; a cancelled run stops at once.
TEST(DocumentOutputs, convertsFilledDocumentsToPdf)
{
    if (officesuite::executable().isEmpty())
        GTEST_SKIP() << "LibreOffice (soffice) is not installed: the PDF route is not exercised";
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    QTemporaryDir dir;
    const QString docxTemplate = dir.filePath(QStringLiteral("fiche.docx"));
    const QString odtTemplate = dir.filePath(QStringLiteral("fiche.odt"));
    writeSampleTemplates(docxTemplate, odtTemplate);
    SampleReport report;
    const QString outFolder = dir.filePath(QStringLiteral("editions"));
    for (const QString &tpl : {docxTemplate, odtTemplate}) {
        SCOPED_TRACE(tpl.toStdString());
        const QString ext = QFileInfo(tpl).suffix();
        const QString filled =
            dir.filePath(QStringLiteral("rempli_") + ext + QLatin1Char('.') + ext);
        QString error;
        ASSERT_TRUE(fillDocumentTemplate(tpl, report.fill, filled, &error)) << error.toStdString();
        int ticks = 0;
        const QString pdf =
            officesuite::convert(filled, QStringLiteral("pdf"), outFolder, &error, [&] {
                ++ticks;
                return true;
            });
        ASSERT_FALSE(pdf.isEmpty()) << error.toStdString();
        EXPECT_EQ(pdf, QDir(outFolder).filePath(QStringLiteral("rempli_") + ext +
                                                QStringLiteral(".pdf")));
        EXPECT_GT(ticks, 0) << "the caller's tick runs while LibreOffice works";
        QProcess text;
        text.start(QStringLiteral("pdftotext"),
                   {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
        ASSERT_TRUE(text.waitForFinished(30000));
        const QString content = QString::fromUtf8(text.readAllStandardOutput());
        EXPECT_TRUE(content.contains(QStringLiteral("Saint-Brieuc – Trémuson")))
            << content.toStdString();
        EXPECT_TRUE(content.contains(QLatin1String("22168001")));
        EXPECT_TRUE(content.contains(QLatin1String("12,4")));
        EXPECT_FALSE(content.contains(QLatin1String("_PLUVIO")));
    }
    // Only the PDFs are left in the output folder.
    EXPECT_EQ(
        QDir(outFolder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).size(),
        2);

    QString error;
    const QString cancelled =
        officesuite::convert(odtTemplate, QStringLiteral("pdf"),
                             dir.filePath(QStringLiteral("annule")), &error, [] { return false; });
    EXPECT_TRUE(cancelled.isEmpty());
    EXPECT_TRUE(error.contains(QStringLiteral("annulée"))) << error.toStdString();
}

// A legacy template is converted once: the next call finds the converted copy even
// without LibreOffice, and an edited template is converted again. A run past its time
// limit is stopped with a message.
TEST(DocumentOutputs, convertsLegacyTemplatesOnce)
{
    if (officesuite::executable().isEmpty())
        GTEST_SKIP()
            << "LibreOffice (soffice) is not installed: legacy templates are not exercised";
    QStandardPaths::setTestModeEnabled(true);
    QTemporaryDir dir;
    const QString docx = dir.filePath(QStringLiteral("ancien.docx"));
    writeDocx(docx, QStringLiteral("<w:p><w:r><w:t xml:space=\"preserve\">Code : </w:t></w:r>"
                                   "<w:bookmarkStart w:id=\"1\" w:name=\"CODE_PLUVIO\"/>"
                                   "<w:bookmarkEnd w:id=\"1\"/></w:p>"));
    QString error;
    const QString doc = officesuite::convert(docx, QStringLiteral("doc"), dir.path(), &error);
    ASSERT_FALSE(doc.isEmpty()) << error.toStdString();
    const QString dot = dir.filePath(QStringLiteral("ancien.dot"));
    ASSERT_TRUE(QFile::rename(doc, dot));

    const QString converted = officesuite::modernTemplate(dot, &error);
    ASSERT_FALSE(converted.isEmpty()) << error.toStdString();
    EXPECT_TRUE(converted.endsWith(QLatin1String("/ancien.docx")));
    EXPECT_NE(QFileInfo(converted).absolutePath(), QFileInfo(dot).absolutePath());
    // The bookmark survives the conversion and fills like any .docx.
    BookmarkTable table;
    table.add(QStringLiteral("CODE_PLUVIO"), QStringLiteral("22168001"));
    DocumentFill fill;
    fill.bookmarks = &table;
    const QString filled = dir.filePath(QStringLiteral("rempli.docx"));
    ASSERT_TRUE(fillDocumentTemplate(converted, fill, filled, &error)) << error.toStdString();
    EXPECT_TRUE(readPart(filled, QStringLiteral("word/document.xml"))
                    .root()
                    ->textContent()
                    .contains(QLatin1String("Code : 22168001")));

    // A legacy workbook the same way.
    const QString csv = dir.filePath(QStringLiteral("synthese.csv"));
    {
        QFile f(csv);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("Station,Cumul\n22168001,812.4\n");
    }
    const QString xls = officesuite::convert(csv, QStringLiteral("xls"), dir.path(), &error);
    ASSERT_FALSE(xls.isEmpty()) << error.toStdString();
    const QString xlsx = officesuite::modernTemplate(xls, &error);
    ASSERT_FALSE(xlsx.isEmpty()) << error.toStdString();
    ZipPackage workbook;
    ASSERT_TRUE(workbook.read(xlsx));
    EXPECT_TRUE(workbook.contains(QStringLiteral("xl/workbook.xml")));

    qputenv("PLX_SOFFICE", dir.filePath(QStringLiteral("pas-de-soffice")).toUtf8());
    EXPECT_EQ(officesuite::modernTemplate(dot, &error), converted) << "converted once";
    EXPECT_EQ(officesuite::modernTemplate(xls, &error), xlsx);
    QFile touched(dot);
    ASSERT_TRUE(touched.open(QIODevice::ReadWrite));
    touched.setFileTime(QDateTime::currentDateTime().addSecs(60),
                        QFileDevice::FileModificationTime);
    touched.close();
    EXPECT_TRUE(officesuite::modernTemplate(dot, &error).isEmpty())
        << "an edited template is converted again";
    qunsetenv("PLX_SOFFICE");

    const QString late = officesuite::convert(docx, QStringLiteral("pdf"),
                                              dir.filePath(QStringLiteral("lent")), &error, {}, 1);
    EXPECT_TRUE(late.isEmpty());
    EXPECT_TRUE(error.contains(QLatin1String("secondes"))) << error.toStdString();
    QDir(QStandardPaths::writableLocation(QStandardPaths::CacheLocation)).removeRecursively();
    QStandardPaths::setTestModeEnabled(false);
}
