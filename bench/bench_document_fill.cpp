// Filling a station sheet: a word-processing template with 200 text bookmarks, a chart
// (2400 x 1200 PNG with its SVG) and a year of daily measurements (366 rows x 5 columns)
// in TAB_MESURES, in both formats. Next to it, in the same run:
//   - the filled package read and written back unchanged, the floor of any filler that
//     keeps every entry;
//   - the filled main part streamed token by token through QXmlStreamReader into
//     QXmlStreamWriter, the floor of any filler that edits the XML (target: filling
//     within 4 times zip floor plus XML floor);
//   - the filled document's HTML page;
//   - LibreOffice's PDF conversion of the filled document, when soffice is installed, the
//     cost the PDF route adds whatever the filler does.
// Each figure is the best of three runs.
#include "outputs/documenttemplate.h"
#include "outputs/officesuite.h"
#include "outputs/zippackage.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <cstdio>
#include <functional>

using namespace plx;

namespace {

constexpr int kBookmarks = 200;
constexpr int kDays = 366;

double bestOf3(const std::function<void()> &run)
{
    double best = 1e12;
    for (int i = 0; i < 3; ++i) {
        QElapsedTimer t;
        t.start();
        run();
        best = std::min(best, t.nsecsElapsed() / 1e6);
    }
    return best;
}

void writePackage(const QString &path, const ZipPackage &p)
{
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(p.write());
}

void writeDocx(const QString &path)
{
    QString body;
    for (int i = 0; i < kBookmarks; ++i)
        body +=
            QStringLiteral("<w:p><w:r><w:t xml:space=\"preserve\">Champ %1 : </w:t></w:r>"
                           "<w:bookmarkStart w:id=\"%1\" w:name=\"CHAMP_%1\"/><w:r><w:rPr><w:b/>"
                           "</w:rPr><w:t>CHAMP</w:t></w:r><w:bookmarkEnd w:id=\"%1\"/></w:p>")
                .arg(i);
    body += QStringLiteral("<w:p><w:bookmarkStart w:id=\"900\" w:name=\"GRAPHIQUE_ANNEE\"/>"
                           "<w:bookmarkEnd w:id=\"900\"/></w:p><w:p><w:bookmarkStart w:id=\"901\" "
                           "w:name=\"TAB_MESURES\"/><w:bookmarkEnd w:id=\"901\"/></w:p>");
    ZipPackage p;
    p.set(QStringLiteral("[Content_Types].xml"),
          "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
          "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package."
          "relationships+xml\"/><Default Extension=\"xml\" ContentType=\"application/xml\"/>"
          "<Override PartName=\"/word/document.xml\" ContentType=\"application/vnd."
          "openxmlformats-officedocument.wordprocessingml.document.main+xml\"/></Types>");
    p.set(QStringLiteral("_rels/.rels"),
          "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
          "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/"
          "2006/relationships/officeDocument\" Target=\"word/document.xml\"/></Relationships>");
    p.set(QStringLiteral("word/document.xml"),
          (QStringLiteral("<w:document xmlns:w=\"http://schemas.openxmlformats.org/"
                          "wordprocessingml/2006/main\"><w:body>") +
           body +
           QStringLiteral("<w:sectPr><w:pgSz w:w=\"11906\" w:h=\"16838\"/><w:pgMar w:top=\"1417\" "
                          "w:right=\"1134\" w:bottom=\"1417\" w:left=\"1134\"/></w:sectPr>"
                          "</w:body></w:document>"))
              .toUtf8());
    writePackage(path, p);
}

void writeOdt(const QString &path)
{
    QString text;
    for (int i = 0; i < kBookmarks; ++i)
        text += QStringLiteral("<text:p>Champ %1 : <text:bookmark-start text:name=\"CHAMP_%1\"/>"
                               "CHAMP<text:bookmark-end text:name=\"CHAMP_%1\"/></text:p>")
                    .arg(i);
    text += QStringLiteral("<text:p><text:bookmark text:name=\"GRAPHIQUE_ANNEE\"/></text:p>"
                           "<text:p><text:bookmark text:name=\"TAB_MESURES\"/></text:p>");
    const QString ns =
        QStringLiteral("xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
                       "xmlns:style=\"urn:oasis:names:tc:opendocument:xmlns:style:1.0\" "
                       "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" "
                       "xmlns:fo=\"urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0\" "
                       "office:version=\"1.3\"");
    ZipPackage p;
    p.set(QStringLiteral("mimetype"), "application/vnd.oasis.opendocument.text");
    p.set(QStringLiteral("META-INF/manifest.xml"),
          "<manifest:manifest xmlns:manifest=\"urn:oasis:names:tc:opendocument:xmlns:manifest:1.0\""
          " manifest:version=\"1.3\"><manifest:file-entry manifest:full-path=\"/\" "
          "manifest:media-type=\"application/vnd.oasis.opendocument.text\"/><manifest:file-entry "
          "manifest:full-path=\"content.xml\" "
          "manifest:media-type=\"text/xml\"/></manifest:manifest>");
    p.set(QStringLiteral("content.xml"),
          (QStringLiteral("<office:document-content ") + ns +
           QStringLiteral("><office:body><office:text>") + text +
           QStringLiteral("</office:text></office:body></office:document-content>"))
              .toUtf8());
    writePackage(path, p);
}

// Every token of a part copied from a reader to a writer: no tree, no edit.
QByteArray streamCopy(const QByteArray &xml)
{
    QByteArray out;
    QXmlStreamReader reader(xml);
    QXmlStreamWriter writer(&out);
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.tokenType() != QXmlStreamReader::Invalid)
            writer.writeCurrentToken(reader);
    }
    return out;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;

    QImage chart(2400, 1200, QImage::Format_RGB32);
    chart.fill(Qt::white);
    {
        QPainter p(&chart);
        for (int i = 0; i < 365; ++i)
            p.fillRect(QRectF(100 + i * 6, 1100 - (i * 37) % 900, 5, (i * 37) % 900),
                       QColor(40, 100, 180));
    }
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    chart.save(&buffer, "PNG");

    BookmarkTable table;
    for (int i = 0; i < kBookmarks; ++i)
        table.add(QStringLiteral("CHAMP_%1").arg(i), QStringLiteral("valeur numéro %1").arg(i));
    DocumentFill fill;
    fill.bookmarks = &table;
    fill.chart = [&](const QString &) -> std::optional<ReportPicture> {
        ReportPicture r;
        r.png = png;
        r.svg = QByteArray("<svg xmlns=\"http://www.w3.org/2000/svg\"/>");
        r.pixels = chart.size();
        return r;
    };
    fill.measures.headings = {QStringLiteral("Date"), QStringLiteral("Heure"),
                              QStringLiteral("Pluie (mm)"), QStringLiteral("ETP (mm)"),
                              QStringLiteral("Validité")};
    const QDate first(2024, 1, 1);
    for (int d = 0; d < kDays; ++d) {
        const QString v = d < 300 ? QStringLiteral("V") : QString();
        fill.measures.rows.push_back(
            {{first.addDays(d).toString(QStringLiteral("dd/MM/yyyy")), QStringLiteral("06:00"),
              QString::number((d * 7) % 23) + QStringLiteral(",4"), QStringLiteral("1,2"), v},
             v});
    }

    std::printf("document fill: %d bookmarks, a %dx%d chart, %d measurement rows\n", kBookmarks,
                chart.width(), chart.height(), kDays);
    for (const QString &ext : {QStringLiteral("docx"), QStringLiteral("odt")}) {
        const QString tpl = dir.filePath(QStringLiteral("modele.") + ext);
        const QString out = dir.filePath(QStringLiteral("rempli.") + ext);
        ext == QLatin1String("docx") ? writeDocx(tpl) : writeOdt(tpl);
        QString error;
        const double fillMs = bestOf3([&] {
            if (!fillDocumentTemplate(tpl, fill, out, &error))
                std::fprintf(stderr, "%s\n", qPrintable(error));
        });
        // The floor: the filled package read and written back, nothing changed.
        const double zipMs = bestOf3([&] {
            ZipPackage p;
            p.read(out);
            writePackage(dir.filePath(QStringLiteral("copie.") + ext), p);
        });
        const double htmlMs = bestOf3(
            [&] { writeDocumentHtml(out, dir.filePath(QStringLiteral("page.htm")), &error); });
        ZipPackage filled;
        filled.read(out);
        const QString part = ext == QLatin1String("docx") ? QStringLiteral("word/document.xml")
                                                          : QStringLiteral("content.xml");
        const QByteArray xml = filled.data(part);
        qsizetype copied = 0;
        const double xmlMs = bestOf3([&] { copied = streamCopy(xml).size(); });
        std::printf("  .%-4s fill %6.1f ms | zip floor %5.1f ms + XML floor (%lld KB) %5.1f ms: "
                    "ratio %.1f (target <= 4) | HTML page %6.1f ms",
                    qPrintable(ext), fillMs, zipMs, static_cast<long long>(copied / 1024), xmlMs,
                    fillMs / (zipMs + xmlMs), htmlMs);
        if (!officesuite::executable().isEmpty()) {
            QElapsedTimer t;
            t.start();
            const QString pdf = officesuite::convert(out, QStringLiteral("pdf"),
                                                     dir.filePath(QStringLiteral("pdf")), &error);
            std::printf(" | LibreOffice PDF %6.0f ms%s", t.nsecsElapsed() / 1e6,
                        pdf.isEmpty() ? " (failed)" : "");
        }
        std::printf("\n");
    }
    return 0;
}
