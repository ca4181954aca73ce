#include "documentfixtures.h"

#include "outputs/documenttemplate.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace plx;
using namespace plxtest;

namespace {

QString w(const char *local)
{
    return QStringLiteral("w:") + QLatin1String(local);
}

// The text of a paragraph's w:t elements.
QString runText(XmlNode *p)
{
    QString out;
    for (XmlNode *t : elements(p, w("t")))
        out += t->textContent();
    return out;
}

struct Filled
{
    QStringList progress;
    BookmarkTable table;
    DocumentFill fill;
    Filled()
    {
        fill.bookmarks = &table;
        fill.progress = [this](const QString &text) { progress << text; };
    }
};

} // namespace

// Bookmarks as Word writes them: across runs (formatting of the first run kept), collapsed,
// across two paragraphs (value inserted at the start, the rest kept), a name carrying a
// suffix, a name the table lacks, Word's hidden bookmark; a template's content type.
TEST(DocumentTemplate, fillsWordBookmarksInEveryShape)
{
    QTemporaryDir dir;
    const QString tpl = dir.filePath(QStringLiteral("fiche.dotx"));
    writeDocx(
        tpl,
        QStringLiteral(
            // three runs inside the bookmark, a nested bookmark marker among them
            "<w:p><w:r><w:t xml:space=\"preserve\">Station : </w:t></w:r>"
            "<w:bookmarkStart w:id=\"1\" w:name=\"NOM_PLUVIO\"/>"
            "<w:r><w:rPr><w:b/><w:color w:val=\"1F4E79\"/></w:rPr><w:t>Ancien</w:t></w:r>"
            "<w:bookmarkStart w:id=\"9\" w:name=\"_GoBack\"/><w:bookmarkEnd w:id=\"9\"/>"
            "<w:r><w:rPr><w:i/></w:rPr><w:t xml:space=\"preserve\"> nom </w:t></w:r>"
            "<w:r><w:t>ici</w:t></w:r>"
            "<w:bookmarkEnd w:id=\"1\"/><w:r><w:t xml:space=\"preserve\"> (fin)</w:t></w:r></w:p>"
            // collapsed, after an italic run
            "<w:p><w:r><w:rPr><w:i/></w:rPr><w:t xml:space=\"preserve\">Code : </w:t></w:r>"
            "<w:bookmarkStart w:id=\"2\" w:name=\"CODE_PLUVIO\"/><w:bookmarkEnd w:id=\"2\"/></w:p>"
            // two paragraphs
            "<w:p><w:bookmarkStart w:id=\"3\" w:name=\"COMMENTAIRE\"/>"
            "<w:r><w:t>Premier paragraphe</w:t></w:r></w:p>"
            "<w:p><w:r><w:t>Second</w:t></w:r><w:bookmarkEnd w:id=\"3\"/></w:p>"
            // suffix and unknown
            "<w:p><w:bookmarkStart w:id=\"4\" w:name=\"COMMUNE2\"/><w:r><w:t>x</w:t></w:r>"
            "<w:bookmarkEnd w:id=\"4\"/><w:r><w:t xml:space=\"preserve\"> / </w:t></w:r>"
            "<w:bookmarkStart w:id=\"5\" w:name=\"INCONNU\"/><w:r><w:t>texte du modèle</w:t></w:r>"
            "<w:bookmarkEnd w:id=\"5\"/></w:p>"
            "<w:p><w:r><w:t>&lt;fin &amp; suite&gt;</w:t></w:r>"
            // the same name again, as LibreOffice's export writes some: filled once
            "<w:bookmarkStart w:id=\"6\" w:name=\"CODE_PLUVIO\"/><w:bookmarkEnd "
            "w:id=\"6\"/></w:p>"
            // a start between paragraphs: the value opens the next paragraph
            "<w:bookmarkStart w:id=\"7\" w:name=\"RESEAU\"/><w:p><w:pPr><w:jc w:val=\"center\"/>"
            "</w:pPr><w:r><w:rPr><w:u w:val=\"single\"/></w:rPr><w:t>existant</w:t></w:r>"
            "<w:bookmarkEnd w:id=\"7\"/></w:p>"
            // an end written before its start loses nothing
            "<w:p><w:bookmarkEnd w:id=\"8\"/><w:r><w:t>garde</w:t></w:r>"
            "<w:bookmarkStart w:id=\"8\" w:name=\"DEPARTEMENT\"/></w:p><w:p><w:r><w:t>dernier</w:t>"
            "</w:r></w:p>"),
        1134, 1134, true);

    Filled f;
    f.table.add(QStringLiteral("NOM_PLUVIO"), QStringLiteral("Saint-Brieuc <Aéroport> & co"));
    f.table.add(QStringLiteral("CODE_PLUVIO"), QStringLiteral("22168001"));
    f.table.add(QStringLiteral("COMMENTAIRE"), QStringLiteral("ligne 1\nligne 2"));
    f.table.add(QStringLiteral("COMMUNE"), QStringLiteral("Trémuson"));
    f.table.add(QStringLiteral("RESEAU"), QStringLiteral("Réseau départemental "));
    f.table.add(QStringLiteral("DEPARTEMENT"), QStringLiteral("22"));
    const QString out = dir.filePath(QStringLiteral("fiche.docx"));
    QString error;
    ASSERT_TRUE(fillDocumentTemplate(tpl, f.fill, out, &error)) << error.toStdString();

    XmlDocument doc = readPart(out, QStringLiteral("word/document.xml"));
    XmlNode *root = doc.root();
    auto para = [&](const char *name) {
        return paragraphOf(root, w("bookmarkStart"), w("name"), QLatin1String(name), w("p"));
    };

    XmlNode *p1 = para("NOM_PLUVIO");
    ASSERT_TRUE(p1);
    EXPECT_EQ(runText(p1), QStringLiteral("Station : Saint-Brieuc <Aéroport> & co (fin)"));
    // The value took the first run's formatting (bold, colour), not the second's italic.
    std::vector<XmlNode *> runs = elements(p1, w("r"));
    ASSERT_EQ(runs.size(), 3u);
    ASSERT_TRUE(runs[1]->child(w("rPr")));
    EXPECT_TRUE(runs[1]->child(w("rPr"))->child(w("b")));
    EXPECT_FALSE(runs[1]->child(w("rPr"))->child(w("i")));
    // Both bookmarks stay; the value sits between start and end.
    EXPECT_EQ(elements(p1, w("bookmarkStart")).size(), 2u);
    EXPECT_EQ(elements(p1, w("bookmarkEnd")).size(), 2u);
    EXPECT_EQ(runs[1]->previousSibling()->name(), w("bookmarkStart"));

    XmlNode *p2 = para("CODE_PLUVIO");
    EXPECT_EQ(runText(p2), QStringLiteral("Code : 22168001"));
    EXPECT_TRUE(elements(p2, w("r")).back()->child(w("rPr"))->child(w("i")))
        << "a collapsed bookmark takes the formatting of the run before it";

    XmlNode *p3 = para("COMMENTAIRE");
    EXPECT_EQ(runText(p3), QStringLiteral("ligne 1ligne 2Premier paragraphe"));
    EXPECT_EQ(elements(p3, w("br")).size(), 1u);
    EXPECT_EQ(runText(p3->nextSibling()), QStringLiteral("Second"));

    XmlNode *p4 = para("COMMUNE2");
    EXPECT_EQ(runText(p4), QStringLiteral("Trémuson / "));
    EXPECT_EQ(runText(p4->nextSibling()), QStringLiteral("<fin & suite>"));
    EXPECT_EQ(runText(root).count(QStringLiteral("22168001")), 1);
    std::vector<XmlNode *> paragraphs = elements(root, w("body")).front()->childElements(w("p"));
    ASSERT_GE(paragraphs.size(), 3u);
    EXPECT_EQ(runText(paragraphs.back()), QStringLiteral("dernier"));
    EXPECT_EQ(runText(paragraphs[paragraphs.size() - 2]), QStringLiteral("garde22"));
    XmlNode *opened = paragraphs[paragraphs.size() - 3];
    EXPECT_EQ(runText(opened), QStringLiteral("Réseau départemental existant"));
    EXPECT_EQ(opened->childElements().at(1)->name(), w("r")) << "after the paragraph's properties";
    EXPECT_TRUE(elements(opened, w("r")).front()->child(w("rPr"))->child(w("u")));

    // Word's hidden bookmark is not the template's: no progress line for it.
    EXPECT_EQ(f.progress, QStringList({QStringLiteral("Remplissage des signets: NOM_PLUVIO"),
                                       QStringLiteral("Remplissage des signets: CODE_PLUVIO"),
                                       QStringLiteral("Remplissage des signets: COMMENTAIRE"),
                                       QStringLiteral("Remplissage des signets: COMMUNE2"),
                                       QStringLiteral("Remplissage des signets: INCONNU"),
                                       QStringLiteral("Remplissage des signets: RESEAU"),
                                       QStringLiteral("Remplissage des signets: DEPARTEMENT")}));

    ZipPackage filled;
    ASSERT_TRUE(filled.read(out));
    const QString types = QString::fromUtf8(filled.data(QStringLiteral("[Content_Types].xml")));
    EXPECT_TRUE(types.contains(QLatin1String("wordprocessingml.document.main+xml")));
    EXPECT_FALSE(types.contains(QLatin1String("template.main")));
    EXPECT_EQ(filled.data(QStringLiteral("docProps/custom-untouched.bin")),
              QByteArray("\x01\x02keep me\x00\x03", 12));
}

// ODF: a point bookmark, a start/end pair across a styled span (its style kept), a pair
// over two paragraphs, spaces that the format would collapse; a template's package type.
TEST(DocumentTemplate, fillsOpenDocumentBookmarks)
{
    QTemporaryDir dir;
    const QString tpl = dir.filePath(QStringLiteral("fiche.ott"));
    writeOdt(tpl,
             QStringLiteral("<text:p>Code : <text:bookmark text:name=\"CODE_PLUVIO\"/> fin</text:p>"
                            "<text:p>Nom : <text:bookmark-start text:name=\"NOM_PLUVIO\"/>"
                            "<text:span text:style-name=\"T1\">ancien</text:span> nom"
                            "<text:bookmark-end text:name=\"NOM_PLUVIO\"/>.</text:p>"
                            "<text:h text:outline-level=\"1\"><text:bookmark-start "
                            "text:name=\"RESEAU\"/>Titre</text:h>"
                            "<text:p>suite<text:bookmark-end text:name=\"RESEAU\"/></text:p>"),
             QStringLiteral("<style:style style:name=\"T1\" style:family=\"text\">"
                            "<style:text-properties fo:font-weight=\"bold\"/></style:style>"),
             QStringLiteral("2cm"), true);
    Filled f;
    f.table.add(QStringLiteral("CODE_PLUVIO"), QStringLiteral("22168001"));
    f.table.add(QStringLiteral("NOM_PLUVIO"), QStringLiteral("Saint  Brieuc"));
    f.table.add(QStringLiteral("RESEAU"), QStringLiteral("Réseau départemental"));
    const QString out = dir.filePath(QStringLiteral("fiche.odt"));
    QString error;
    ASSERT_TRUE(fillDocumentTemplate(tpl, f.fill, out, &error)) << error.toStdString();

    XmlDocument doc = readPart(out, QStringLiteral("content.xml"));
    std::vector<XmlNode *> paras = elements(doc.root(), QStringLiteral("text:p"));
    ASSERT_EQ(paras.size(), 3u);
    EXPECT_EQ(paras[0]->textContent(), QStringLiteral("Code : 22168001 fin"));
    EXPECT_EQ(paras[0]->childElements(QStringLiteral("text:bookmark")).size(), 1u);

    // "Saint  Brieuc": the second space as text:s, inside a span of the first text's style.
    EXPECT_EQ(paras[1]->textContent(), QStringLiteral("Nom : Saint Brieuc."));
    std::vector<XmlNode *> spans = elements(paras[1], QStringLiteral("text:span"));
    ASSERT_EQ(spans.size(), 1u);
    EXPECT_EQ(spans[0]->attribute(QStringLiteral("text:style-name")), QStringLiteral("T1"));
    EXPECT_EQ(elements(spans[0], QStringLiteral("text:s")).size(), 1u);
    EXPECT_EQ(spans[0]->previousSibling()->name(), QStringLiteral("text:bookmark-start"));
    EXPECT_EQ(spans[0]->nextSibling()->name(), QStringLiteral("text:bookmark-end"));

    std::vector<XmlNode *> headings = elements(doc.root(), QStringLiteral("text:h"));
    ASSERT_EQ(headings.size(), 1u);
    EXPECT_EQ(headings[0]->textContent(), QStringLiteral("Réseau départementalTitre"));
    EXPECT_EQ(paras[2]->textContent(), QStringLiteral("suite"));

    ZipPackage filled;
    ASSERT_TRUE(filled.read(out));
    EXPECT_EQ(filled.names().first(), QStringLiteral("mimetype"));
    EXPECT_EQ(filled.data(QStringLiteral("mimetype")),
              QByteArray("application/vnd.oasis.opendocument.text"));
    EXPECT_FALSE(filled.data(QStringLiteral("META-INF/manifest.xml")).contains("text-template"));
    // ODF readers find the type at a fixed offset: the first entry, stored uncompressed.
    QFile raw(out);
    ASSERT_TRUE(raw.open(QIODevice::ReadOnly));
    EXPECT_EQ(raw.read(38 + 8).mid(30),
              QByteArray("mimetypeapplication/vnd.oasis.opendocument.text").left(16));
}

// Pictures fill the page width less the margins and keep their proportions; the chart's
// vector version rides along; a photo path that cannot be read is reported and the other
// bookmarks are still filled.
TEST(DocumentTemplate, scalesPicturesToThePageWidth)
{
    QTemporaryDir dir;
    const QString photo = dir.filePath(QStringLiteral("22168001_site.png"));
    {
        QFile f(photo);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(pngOfSize(300, 400));
    }
    DocumentFill fill;
    BookmarkTable table;
    table.add(QStringLiteral("PHOTO_SITE"), photo);
    table.add(QStringLiteral("PHOTO_REPERE"), dir.filePath(QStringLiteral("absent.png")));
    table.add(QStringLiteral("NOM_PLUVIO"), QStringLiteral("Trémuson"));
    fill.bookmarks = &table;
    QStringList requested;
    fill.chart = [&](const QString &name) -> std::optional<ReportPicture> {
        requested << name;
        ReportPicture p;
        p.png = pngOfSize(1600, 800);
        p.pixels = QSize(1600, 800);
        p.svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"160\" height=\"80\"/>";
        return p;
    };
    QStringList progress;
    fill.progress = [&](const QString &t) { progress << t; };

    // Word: margins of 2 cm and 3 cm leave 11906 - 1134 - 1701 twips.
    const QString docx = dir.filePath(QStringLiteral("photos.docx"));
    writeDocx(
        docx,
        QStringLiteral(
            "<w:p><w:bookmarkStart w:id=\"1\" w:name=\"GRAPHIQUE_ANNEE2\"/>"
            "<w:r><w:t>[graphique]</w:t></w:r><w:bookmarkEnd w:id=\"1\"/></w:p>"
            "<w:p><w:bookmarkStart w:id=\"2\" "
            "w:name=\"PHOTO_SITE\"/><w:bookmarkEnd w:id=\"2\"/></w:p>"
            "<w:p><w:bookmarkStart w:id=\"3\" "
            "w:name=\"PHOTO_REPERE\"/><w:bookmarkEnd w:id=\"3\"/></w:p>"
            "<w:p><w:bookmarkStart w:id=\"4\" "
            "w:name=\"NOM_PLUVIO\"/><w:bookmarkEnd w:id=\"4\"/></w:p>"
            // in a cell: the cell's width less Word's cell margins
            "<w:tbl><w:tr><w:tc><w:tcPr><w:tcW w:w=\"4000\" w:type=\"dxa\"/></w:tcPr>"
            "<w:p><w:bookmarkStart w:id=\"5\" w:name=\"PHOTO_SITE_2\"/><w:bookmarkEnd w:id=\"5\"/>"
            "</w:p></w:tc></w:tr></w:tbl><w:p/>"),
        1134, 1701);
    const QString out = dir.filePath(QStringLiteral("photos-out.docx"));
    QString error;
    ASSERT_TRUE(fillDocumentTemplate(docx, fill, out, &error)) << error.toStdString();
    EXPECT_EQ(requested, QStringList{QStringLiteral("GRAPHIQUE_ANNEE")});
    EXPECT_TRUE(progress.contains(QStringLiteral("PHOTO_REPERE - = ERREUR")))
        << progress.join(QLatin1Char('|')).toStdString();

    XmlDocument doc = readPart(out, QStringLiteral("word/document.xml"));
    std::vector<XmlNode *> extents = elements(doc.root(), QStringLiteral("wp:extent"));
    ASSERT_EQ(extents.size(), 3u);
    const qint64 width = qint64(11906 - 1134 - 1701) * 635;
    EXPECT_EQ(extents[0]->attribute(QStringLiteral("cx")).toLongLong(), width);
    EXPECT_EQ(extents[0]->attribute(QStringLiteral("cy")).toLongLong(), width / 2);
    EXPECT_EQ(extents[1]->attribute(QStringLiteral("cx")).toLongLong(), width);
    EXPECT_EQ(extents[1]->attribute(QStringLiteral("cy")).toLongLong(), width * 4 / 3);
    EXPECT_EQ(extents[2]->attribute(QStringLiteral("cx")).toLongLong(), (4000 - 2 * 108) * 635);
    EXPECT_EQ(runText(doc.root()), QStringLiteral("Trémuson"))
        << "the chart's placeholder text is gone";

    // Each picture is a relationship of the document, stored in the package, typed.
    ZipPackage filled;
    ASSERT_TRUE(filled.read(out));
    XmlDocument rels;
    ASSERT_TRUE(parseXml(filled.data(QStringLiteral("word/_rels/document.xml.rels")), &rels));
    std::vector<XmlNode *> blips = elements(doc.root(), QStringLiteral("a:blip"));
    ASSERT_EQ(blips.size(), 3u);
    auto target = [&](const QString &id) {
        for (XmlNode *r : rels.root()->childElements())
            if (r->attribute(QStringLiteral("Id")) == id)
                return QStringLiteral("word/") + r->attribute(QStringLiteral("Target"));
        return QString();
    };
    EXPECT_TRUE(
        filled.data(target(blips[0]->attribute(QStringLiteral("r:embed")))).startsWith("\x89PNG"));
    std::vector<XmlNode *> svgs = elements(doc.root(), QStringLiteral("asvg:svgBlip"));
    ASSERT_EQ(svgs.size(), 1u);
    EXPECT_TRUE(
        filled.data(target(svgs[0]->attribute(QStringLiteral("r:embed")))).startsWith("<svg"));
    const QByteArray types = filled.data(QStringLiteral("[Content_Types].xml"));
    EXPECT_TRUE(types.contains("Extension=\"png\"") && types.contains("Extension=\"svg\""));

    // ODF: 21 cm less two 2.5 cm margins.
    const QString odt = dir.filePath(QStringLiteral("photos.odt"));
    writeOdt(odt,
             QStringLiteral(
                 "<text:p><text:bookmark text:name=\"GRAPHIQUE_TOTAL\"/></text:p>"
                 "<text:p><text:bookmark text:name=\"PHOTO_SITE\"/></text:p>"
                 "<table:table table:name=\"T\"><table:table-column table:style-name=\"c1\"/>"
                 "<table:table-column table:style-name=\"c2\" table:number-columns-repeated=\"2\"/>"
                 "<table:table-row><table:table-cell><text:p/></table:table-cell>"
                 "<table:table-cell table:number-columns-spanned=\"2\"><text:p>"
                 "<text:bookmark text:name=\"PHOTO_SITE_2\"/></text:p></table:table-cell>"
                 "<table:covered-table-cell/></table:table-row></table:table>"
                 // relative widths over the margins' 16 cm, less 2 x 0.1 cm padding
                 "<table:table table:name=\"R\" table:style-name=\"r\">"
                 "<table:table-column table:style-name=\"r1\"/><table:table-column "
                 "table:style-name=\"r3\"/><text:soft-page-break/><table:table-row>"
                 "<table:table-cell/><table:table-cell table:style-name=\"rc\"><text:p>"
                 "<text:bookmark text:name=\"PHOTO_SITE_3\"/></text:p></table:table-cell>"
                 "</table:table-row></table:table>"),
             QStringLiteral(
                 "<style:style style:name=\"c1\" style:family=\"table-column\">"
                 "<style:table-column-properties style:column-width=\"6cm\"/></style:style>"
                 "<style:style style:name=\"c2\" style:family=\"table-column\">"
                 "<style:table-column-properties style:column-width=\"30mm\"/></style:style>"
                 "<style:style style:name=\"r\" style:family=\"table\">"
                 "<style:table-properties table:align=\"margins\"/></style:style>"
                 "<style:style style:name=\"r1\" style:family=\"table-column\">"
                 "<style:table-column-properties style:rel-column-width=\"1000*\"/></style:style>"
                 "<style:style style:name=\"r3\" style:family=\"table-column\">"
                 "<style:table-column-properties style:rel-column-width=\"3000*\"/></style:style>"
                 "<style:style style:name=\"rc\" style:family=\"table-cell\">"
                 "<style:table-cell-properties fo:padding=\"1mm\"/></style:style>"),
             QStringLiteral("25mm"));
    const QString odtOut = dir.filePath(QStringLiteral("photos-out.odt"));
    ASSERT_TRUE(fillDocumentTemplate(odt, fill, odtOut, &error)) << error.toStdString();
    XmlDocument content = readPart(odtOut, QStringLiteral("content.xml"));
    std::vector<XmlNode *> frames = elements(content.root(), QStringLiteral("draw:frame"));
    ASSERT_EQ(frames.size(), 4u);
    EXPECT_EQ(frames[0]->attribute(QStringLiteral("svg:width")), QStringLiteral("16.000cm"));
    EXPECT_EQ(frames[0]->attribute(QStringLiteral("svg:height")), QStringLiteral("8.000cm"));
    EXPECT_EQ(frames[1]->attribute(QStringLiteral("svg:height")), QStringLiteral("21.333cm"));
    // In the cell spanning two 3 cm columns, less its padding.
    EXPECT_EQ(frames[2]->attribute(QStringLiteral("svg:width")), QStringLiteral("5.800cm"));
    EXPECT_EQ(frames[3]->attribute(QStringLiteral("svg:width")), QStringLiteral("11.800cm"));
    std::vector<XmlNode *> images = frames[0]->childElements(QStringLiteral("draw:image"));
    ASSERT_EQ(images.size(), 2u);
    EXPECT_EQ(images[0]->attribute(QStringLiteral("draw:mime-type")),
              QStringLiteral("image/svg+xml"));
    EXPECT_EQ(images[1]->attribute(QStringLiteral("draw:mime-type")), QStringLiteral("image/png"));
    ZipPackage odtFilled;
    ASSERT_TRUE(odtFilled.read(odtOut));
    const QString href = images[1]->attribute(QStringLiteral("xlink:href"));
    EXPECT_TRUE(odtFilled.data(href).startsWith("\x89PNG"));
    EXPECT_TRUE(odtFilled.data(QStringLiteral("META-INF/manifest.xml")).contains(href.toUtf8()));
}

// TAB_MESURES becomes a table after the bookmark's paragraph: a repeated heading row,
// one row per measurement, cells shaded by validity, columns within the text width.
TEST(DocumentTemplate, writesTheMeasurementTable)
{
    QTemporaryDir dir;
    DocumentFill fill;
    fill.measures.headings = {QStringLiteral("Date"), QStringLiteral("Heure"),
                              QStringLiteral("Pluie (mm)"), QStringLiteral("Validité")};
    fill.measures.rows = {
        {{QStringLiteral("01/03/2024"), QStringLiteral("06:00"), QStringLiteral("12,4"),
          QStringLiteral("V")},
         QStringLiteral("V")},
        {{QStringLiteral("02/03/2024"), QStringLiteral("06:00"), QStringLiteral("0,2"),
          QStringLiteral("C")},
         QStringLiteral("C")},
        {{QStringLiteral("03/03/2024"), QStringLiteral("06:00"), QStringLiteral(""), QString()},
         QString()},
        {{QStringLiteral("04/03/2024"), QStringLiteral("06:00"), QStringLiteral("3"),
          QStringLiteral("D")},
         QStringLiteral("D")}};

    const QString docx = dir.filePath(QStringLiteral("mesures.docx"));
    writeDocx(
        docx,
        QStringLiteral(
            "<w:p><w:r><w:t xml:space=\"preserve\">Mesures : </w:t></w:r>"
            "<w:bookmarkStart w:id=\"1\" w:name=\"TAB_MESURES\"/><w:r><w:t>[tableau]</w:t></w:r>"
            "<w:bookmarkEnd w:id=\"1\"/></w:p>"));
    const QString out = dir.filePath(QStringLiteral("mesures-out.docx"));
    QString error;
    ASSERT_TRUE(fillDocumentTemplate(docx, fill, out, &error)) << error.toStdString();
    XmlDocument doc = readPart(out, QStringLiteral("word/document.xml"));
    XmlNode *body = doc.root()->child(w("body"));
    std::vector<XmlNode *> blocks = body->childElements();
    ASSERT_GE(blocks.size(), 4u);
    EXPECT_EQ(runText(blocks[0]), QStringLiteral("Mesures : "));
    ASSERT_EQ(blocks[1]->name(), w("tbl"));
    EXPECT_EQ(blocks[2]->name(), w("p")) << "Word needs a paragraph after a table";
    std::vector<XmlNode *> rows = blocks[1]->childElements(w("tr"));
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_TRUE(rows[0]->child(w("trPr"))->child(w("tblHeader")));
    EXPECT_EQ(runText(rows[0]), QStringLiteral("DateHeurePluie (mm)Validité"));
    EXPECT_EQ(runText(rows[1]), QStringLiteral("01/03/202406:0012,4V"));
    auto fillOf = [&](XmlNode *row) {
        XmlNode *shd = elements(row, w("shd")).empty() ? nullptr : elements(row, w("shd")).front();
        return shd ? shd->attribute(w("fill")) : QString();
    };
    EXPECT_EQ(fillOf(rows[0]), QStringLiteral("D9D9D9"));
    EXPECT_EQ(fillOf(rows[1]), QStringLiteral("E2EFDA"));
    EXPECT_EQ(fillOf(rows[2]), QStringLiteral("DDEBF7"));
    EXPECT_EQ(fillOf(rows[3]), QString()) << "not validated: no shading";
    EXPECT_EQ(fillOf(rows[4]), QStringLiteral("FCE4D6"));
    int total = 0;
    for (XmlNode *col : elements(blocks[1], w("gridCol")))
        total += col->attribute(w("w")).toInt();
    EXPECT_LE(total, 11906 - 2 * 1134);
    EXPECT_GT(total, 11906 - 2 * 1134 - 20);
    // The rain column is right-aligned, the date centred.
    std::vector<XmlNode *> cells = rows[1]->childElements(w("tc"));
    EXPECT_EQ(elements(cells[2], w("jc")).front()->attribute(w("val")), QStringLiteral("right"));
    EXPECT_EQ(elements(cells[0], w("jc")).front()->attribute(w("val")), QStringLiteral("center"));

    const QString odt = dir.filePath(QStringLiteral("mesures.odt"));
    writeOdt(odt,
             QStringLiteral("<text:p>Mesures<text:bookmark text:name=\"TAB_MESURES\"/></text:p>"
                            "<text:p>Après</text:p>"));
    const QString odtOut = dir.filePath(QStringLiteral("mesures-out.odt"));
    ASSERT_TRUE(fillDocumentTemplate(odt, fill, odtOut, &error)) << error.toStdString();
    XmlDocument content = readPart(odtOut, QStringLiteral("content.xml"));
    XmlNode *text = elements(content.root(), QStringLiteral("office:text")).front();
    std::vector<XmlNode *> odfBlocks = text->childElements();
    ASSERT_EQ(odfBlocks.size(), 3u);
    ASSERT_EQ(odfBlocks[1]->name(), QStringLiteral("table:table"));
    EXPECT_EQ(elements(odfBlocks[1], QStringLiteral("table:table-column")).size(), 4u);
    EXPECT_EQ(elements(odfBlocks[1], QStringLiteral("table:table-row")).size(), 5u);
    ASSERT_EQ(odfBlocks[1]->childElements(QStringLiteral("table:table-header-rows")).size(), 1u);
    // Each row's cell style carries its validity colour.
    std::map<QString, QString> colours;
    for (XmlNode *s : elements(content.root(), QStringLiteral("style:style"))) {
        if (XmlNode *p = s->child(QStringLiteral("style:table-cell-properties")))
            colours[s->attribute(QStringLiteral("style:name"))] =
                p->attribute(QStringLiteral("fo:background-color"));
    }
    std::vector<XmlNode *> bodyRows =
        odfBlocks[1]->childElements(QStringLiteral("table:table-row"));
    ASSERT_EQ(bodyRows.size(), 4u);
    auto colourOf = [&](XmlNode *row) {
        return colours[row->childElements().front()->attribute(QStringLiteral("table:style-name"))];
    };
    EXPECT_EQ(colourOf(bodyRows[0]), QStringLiteral("#e2efda"));
    EXPECT_EQ(colourOf(bodyRows[1]), QStringLiteral("#ddebf7"));
    EXPECT_EQ(colourOf(bodyRows[2]), QStringLiteral("transparent"));
    EXPECT_EQ(colourOf(bodyRows[3]), QStringLiteral("#fce4d6"));
}

// Failures say what went wrong in French and leave the output path as it was.
TEST(DocumentTemplate, failsCleanlyWithoutTouchingTheOutput)
{
    QTemporaryDir dir;
    BookmarkTable table;
    DocumentFill fill;
    fill.bookmarks = &table;
    const QString out = dir.filePath(QStringLiteral("rapport.docx"));
    QString error;

    const QString missing = dir.filePath(QStringLiteral("absent.docx"));
    EXPECT_FALSE(fillDocumentTemplate(missing, fill, out, &error));
    EXPECT_EQ(error, QStringLiteral("Impossible de trouver le fichier ") + missing);
    EXPECT_FALSE(QFile::exists(out));

    {
        QFile previous(out);
        ASSERT_TRUE(previous.open(QIODevice::WriteOnly));
        previous.write("version précédente");
    }
    const QString broken = dir.filePath(QStringLiteral("casse.docx"));
    {
        QFile f(broken);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("ceci n'est pas un zip");
    }
    EXPECT_FALSE(fillDocumentTemplate(broken, fill, out, &error));
    EXPECT_TRUE(error.contains(QLatin1String("illisible"))) << error.toStdString();

    // A zip whose document part is not XML.
    ZipPackage bad;
    bad.set(QStringLiteral("[Content_Types].xml"),
            "<Types><Override PartName=\"/word/document.xml\" ContentType=\"application/"
            "vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml\"/></Types>");
    bad.set(QStringLiteral("word/document.xml"), "<w:document><w:body>");
    {
        QFile f(broken);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bad.write());
    }
    EXPECT_FALSE(fillDocumentTemplate(broken, fill, out, &error));
    EXPECT_TRUE(error.contains(QLatin1String("word/document.xml"))) << error.toStdString();

    const QString odt = dir.filePath(QStringLiteral("modele.odt"));
    writeOdt(odt, QStringLiteral("<text:p>x</text:p>"));
    EXPECT_FALSE(fillDocumentTemplate(odt, fill, out, &error))
        << "an .odt cannot be saved as .docx";
    EXPECT_TRUE(error.contains(QLatin1String(".odt"))) << error.toStdString();

    QFile previous(out);
    ASSERT_TRUE(previous.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(previous.readAll()), QStringLiteral("version précédente"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 3)
        << "no temporary file left behind";
}

// Bookmarks of page headers are filled too, a picture there being a relationship of the
// header's own part; a control character from a database field does not break the part.
TEST(DocumentTemplate, fillsPageHeaders)
{
    QTemporaryDir dir;
    const QString photo = dir.filePath(QStringLiteral("logo.png"));
    {
        QFile f(photo);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(pngOfSize(200, 100));
    }
    BookmarkTable table;
    table.add(QStringLiteral("ORGANISME"),
              QStringLiteral("Conseil départemental\x01 des Côtes-d'Armor"));
    table.add(QStringLiteral("PHOTO_CARTE"), photo);
    DocumentFill fill;
    fill.bookmarks = &table;

    const QString docx = dir.filePath(QStringLiteral("entete.docx"));
    writeDocx(docx, QStringLiteral("<w:p><w:r><w:t>Corps</w:t></w:r></w:p>"));
    ZipPackage package;
    ASSERT_TRUE(package.read(docx));
    QByteArray types = package.data(QStringLiteral("[Content_Types].xml"));
    types.replace("</Types>",
                  "<Override PartName=\"/word/header1.xml\" ContentType=\"application/"
                  "vnd.openxmlformats-officedocument.wordprocessingml.header+xml\"/></Types>");
    package.set(QStringLiteral("[Content_Types].xml"), types);
    package.set(QStringLiteral("word/header1.xml"),
                QByteArray("<w:hdr xmlns:w=\"") + kWordNs +
                    "\"><w:p><w:bookmarkStart w:id=\"1\" w:name=\"ORGANISME\"/><w:r><w:t>ORG</w:t>"
                    "</w:r><w:bookmarkEnd w:id=\"1\"/><w:bookmarkStart w:id=\"2\" "
                    "w:name=\"PHOTO_CARTE\"/><w:bookmarkEnd w:id=\"2\"/></w:p></w:hdr>");
    {
        QFile f(docx);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(package.write());
    }
    const QString out = dir.filePath(QStringLiteral("entete-out.docx"));
    QString error;
    ASSERT_TRUE(fillDocumentTemplate(docx, fill, out, &error)) << error.toStdString();
    XmlDocument header = readPart(out, QStringLiteral("word/header1.xml"));
    EXPECT_EQ(runText(header.root()), QStringLiteral("Conseil départemental des Côtes-d'Armor"));
    std::vector<XmlNode *> blips = elements(header.root(), QStringLiteral("a:blip"));
    ASSERT_EQ(blips.size(), 1u);
    XmlDocument rels = readPart(out, QStringLiteral("word/_rels/header1.xml.rels"));
    ASSERT_EQ(rels.root()->childElements().size(), 1u);
    EXPECT_EQ(rels.root()->childElements().front()->attribute(QStringLiteral("Id")),
              blips.front()->attribute(QStringLiteral("r:embed")));
    ZipPackage filled;
    ASSERT_TRUE(filled.read(out));
    EXPECT_FALSE(filled.contains(QStringLiteral("word/_rels/document.xml.rels")));

    // ODF: the master page's header lives in styles.xml.
    const QString odt = dir.filePath(QStringLiteral("entete.odt"));
    writeOdt(odt, QStringLiteral("<text:p>Corps</text:p>"));
    ZipPackage odfPackage;
    ASSERT_TRUE(odfPackage.read(odt));
    QByteArray styles = odfPackage.data(QStringLiteral("styles.xml"));
    styles.replace(
        "style:page-layout-name=\"pm1\"/>",
        "style:page-layout-name=\"pm1\"><style:header><text:p>"
        "<text:bookmark text:name=\"ORGANISME\"/></text:p></style:header></style:master-page>");
    odfPackage.set(QStringLiteral("styles.xml"), styles);
    {
        QFile f(odt);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(odfPackage.write());
    }
    const QString odtOut = dir.filePath(QStringLiteral("entete-out.odt"));
    ASSERT_TRUE(fillDocumentTemplate(odt, fill, odtOut, &error)) << error.toStdString();
    XmlDocument odfStyles = readPart(odtOut, QStringLiteral("styles.xml"));
    EXPECT_EQ(elements(odfStyles.root(), QStringLiteral("style:header")).front()->textContent(),
              QStringLiteral("Conseil départemental des Côtes-d'Armor"));
}
