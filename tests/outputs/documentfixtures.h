#pragma once

// Small word-processing templates written by the tests themselves, and readers of the
// filled packages' XML.

#include "outputs/xmltree.h"
#include "outputs/zippackage.h"

#include <QBuffer>
#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QString>

#include <gtest/gtest.h>

namespace plxtest {

inline const char *kWordNs = "http://schemas.openxmlformats.org/wordprocessingml/2006/main";

// A .docx (or .dotx) whose body is bodyXml, on an A4 page with the given side margins
// (twips).
inline void writeDocx(const QString &path, const QString &bodyXml, int leftMargin = 1134,
                      int rightMargin = 1134, bool asTemplate = false)
{
    plx::ZipPackage p;
    const QString mainType =
        asTemplate
            ? QStringLiteral("application/"
                             "vnd.openxmlformats-officedocument.wordprocessingml.template.main+xml")
            : QStringLiteral(
                  "application/"
                  "vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml");
    p.set(QStringLiteral("[Content_Types].xml"),
          (QStringLiteral(
               "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
               "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
               "<Default Extension=\"rels\" "
               "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
               "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
               "<Override PartName=\"/word/document.xml\" ContentType=\"") +
           mainType + QStringLiteral("\"/></Types>"))
              .toUtf8());
    p.set(QStringLiteral("_rels/.rels"),
          "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
          "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
          "<Relationship Id=\"rId1\" "
          "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
          "officeDocument\" Target=\"word/document.xml\"/>"
          "</Relationships>");
    p.set(QStringLiteral("word/document.xml"),
          (QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
                          "<w:document xmlns:w=\"") +
           QLatin1String(kWordNs) + QStringLiteral("\"><w:body>") + bodyXml +
           QStringLiteral("<w:sectPr><w:pgSz w:w=\"11906\" w:h=\"16838\"/>"
                          "<w:pgMar w:top=\"1417\" w:right=\"%1\" w:bottom=\"1417\" w:left=\"%2\" "
                          "w:header=\"708\" w:footer=\"708\" w:gutter=\"0\"/></w:sectPr>"
                          "</w:body></w:document>")
               .arg(rightMargin)
               .arg(leftMargin))
              .toUtf8());
    p.set(QStringLiteral("docProps/custom-untouched.bin"),
          QByteArray("\x01\x02keep me\x00\x03", 12));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(p.write());
}

inline const char *kOdfRoot =
    "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
    "xmlns:style=\"urn:oasis:names:tc:opendocument:xmlns:style:1.0\" "
    "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" "
    "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
    "xmlns:draw=\"urn:oasis:names:tc:opendocument:xmlns:drawing:1.0\" "
    "xmlns:fo=\"urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0\" "
    "xmlns:xlink=\"http://www.w3.org/1999/xlink\" "
    "xmlns:svg=\"urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0\" office:version=\"1.3\"";

// An .odt (or .ott) whose text is textXml, on an A4 page with the given side margins.
inline void writeOdt(const QString &path, const QString &textXml,
                     const QString &automaticStyles = {},
                     const QString &margin = QStringLiteral("2cm"), bool asTemplate = false)
{
    plx::ZipPackage p;
    const QString mime = asTemplate
                             ? QStringLiteral("application/vnd.oasis.opendocument.text-template")
                             : QStringLiteral("application/vnd.oasis.opendocument.text");
    p.set(QStringLiteral("mimetype"), mime.toLatin1());
    p.set(QStringLiteral("META-INF/manifest.xml"),
          (QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
                          "<manifest:manifest "
                          "xmlns:manifest=\"urn:oasis:names:tc:opendocument:xmlns:manifest:1.0\" "
                          "manifest:version=\"1.3\">"
                          "<manifest:file-entry manifest:full-path=\"/\" manifest:media-type=\"") +
           mime +
           QStringLiteral("\"/>"
                          "<manifest:file-entry manifest:full-path=\"content.xml\" "
                          "manifest:media-type=\"text/xml\"/>"
                          "<manifest:file-entry manifest:full-path=\"styles.xml\" "
                          "manifest:media-type=\"text/xml\"/>"
                          "</manifest:manifest>"))
              .toUtf8());
    p.set(QStringLiteral("content.xml"),
          (QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?><office:document-content ") +
           QLatin1String(kOdfRoot) + QStringLiteral("><office:automatic-styles>") +
           automaticStyles +
           QStringLiteral("</office:automatic-styles><office:body><office:text>") + textXml +
           QStringLiteral("</office:text></office:body></office:document-content>"))
              .toUtf8());
    p.set(QStringLiteral("styles.xml"),
          (QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?><office:document-styles ") +
           QLatin1String(kOdfRoot) +
           QStringLiteral(
               "><office:automatic-styles><style:page-layout style:name=\"pm1\">"
               "<style:page-layout-properties fo:page-width=\"21cm\" fo:page-height=\"29.7cm\" "
               "fo:margin-top=\"2cm\" fo:margin-bottom=\"2cm\" fo:margin-left=\"%1\" "
               "fo:margin-right=\"%1\"/>"
               "</style:page-layout></office:automatic-styles><office:master-styles>"
               "<style:master-page style:name=\"Standard\" style:page-layout-name=\"pm1\"/>"
               "</office:master-styles></office:document-styles>")
               .arg(margin))
              .toUtf8());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(p.write());
}

// A part of a produced package, parsed.
inline plx::XmlDocument readPart(const QString &package, const QString &part)
{
    plx::ZipPackage p;
    plx::XmlDocument doc;
    EXPECT_TRUE(p.read(package)) << package.toStdString();
    EXPECT_TRUE(plx::parseXml(p.data(part), &doc)) << part.toStdString();
    return doc;
}

inline std::vector<plx::XmlNode *> elements(plx::XmlNode *root, const QString &name)
{
    std::vector<plx::XmlNode *> out;
    root->forEachElement([&](plx::XmlNode *e) {
        if (e->name() == name)
            out.push_back(e);
    });
    return out;
}

// The paragraph holding a bookmark start (OOXML) or bookmark (ODF) of that name.
inline plx::XmlNode *paragraphOf(plx::XmlNode *root, const QString &marker, const QString &nameAttr,
                                 const QString &name, const QString &paragraph)
{
    for (plx::XmlNode *e : elements(root, marker)) {
        if (e->attribute(nameAttr) == name)
            return e->ancestor(paragraph);
    }
    return nullptr;
}

inline QByteArray pngOfSize(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor(30, 90, 160));
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png;
}

} // namespace plxtest
