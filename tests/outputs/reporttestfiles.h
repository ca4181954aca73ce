#pragma once

// Small templates for the report tests, written with QuaZip: a .docx and an .odt whose
// bookmarks hold "[NAME]" placeholders, and a reader of one part of a produced file.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>

#include <quazip/quazip.h>
#include <quazip/quazipfile.h>

#include <utility>
#include <vector>

namespace dispatchtest {

using Parts = std::vector<std::pair<QString, QByteArray>>;

inline bool writeZip(const QString &path, const Parts &parts)
{
    QuaZip zip(path);
    if (!zip.open(QuaZip::mdCreate))
        return false;
    for (const auto &[name, data] : parts) {
        QuaZipFile file(&zip);
        // The ODF mimetype part goes first and uncompressed.
        const bool stored = name == QLatin1String("mimetype");
        if (!file.open(QIODevice::WriteOnly, QuaZipNewInfo(name), nullptr, 0,
                       stored ? 0 : Z_DEFLATED, stored ? 0 : Z_DEFAULT_COMPRESSION))
            return false;
        file.write(data);
        file.close();
    }
    zip.close();
    return zip.getZipError() == ZIP_OK;
}

// A word-processing document whose paragraphs each hold one bookmark around "[NAME]".
inline bool writeDocx(const QString &path, const QStringList &bookmarks)
{
    QByteArray body;
    int id = 0;
    for (const QString &name : bookmarks) {
        body += "<w:p><w:r><w:t xml:space=\"preserve\">" + name.toUtf8() +
                " : </w:t></w:r><w:bookmarkStart w:id=\"" + QByteArray::number(id) +
                "\" w:name=\"" + name.toUtf8() + "\"/><w:r><w:t>[" + name.toUtf8() +
                "]</w:t></w:r><w:bookmarkEnd w:id=\"" + QByteArray::number(id) + "\"/></w:p>";
        ++id;
    }
    const Parts parts{
        {QStringLiteral("[Content_Types].xml"),
         "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
         "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
         "<Default Extension=\"rels\" "
         "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
         "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
         "<Default Extension=\"png\" ContentType=\"image/png\"/>"
         "<Override PartName=\"/word/document.xml\" ContentType=\"application/"
         "vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml\"/>"
         "</Types>"},
        {QStringLiteral("_rels/.rels"),
         "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
         "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
         "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
         "relationships/officeDocument\" Target=\"word/document.xml\"/></Relationships>"},
        {QStringLiteral("word/_rels/document.xml.rels"),
         "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
         "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
         "</Relationships>"},
        {QStringLiteral("word/document.xml"),
         "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
         "<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\" "
         "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
         "<w:body>" +
             body +
             "<w:sectPr><w:pgSz w:w=\"11906\" w:h=\"16838\"/><w:pgMar w:top=\"1134\" "
             "w:right=\"1134\" w:bottom=\"1134\" w:left=\"1134\"/></w:sectPr>"
             "</w:body></w:document>"},
    };
    return writeZip(path, parts);
}

// The office-suite twin: start/end bookmarks around "[NAME]".
inline bool writeOdt(const QString &path, const QStringList &bookmarks)
{
    QByteArray body;
    for (const QString &name : bookmarks)
        body += "<text:p>" + name.toUtf8() + " : <text:bookmark-start text:name=\"" +
                name.toUtf8() + "\"/>[" + name.toUtf8() + "]<text:bookmark-end text:name=\"" +
                name.toUtf8() + "\"/></text:p>";
    const Parts parts{
        {QStringLiteral("mimetype"), "application/vnd.oasis.opendocument.text"},
        {QStringLiteral("META-INF/manifest.xml"),
         "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
         "<manifest:manifest xmlns:manifest=\"urn:oasis:names:tc:opendocument:xmlns:manifest:1.0\" "
         "manifest:version=\"1.2\">"
         "<manifest:file-entry manifest:full-path=\"/\" "
         "manifest:media-type=\"application/vnd.oasis.opendocument.text\"/>"
         "<manifest:file-entry manifest:full-path=\"content.xml\" "
         "manifest:media-type=\"text/xml\"/>"
         "</manifest:manifest>"},
        {QStringLiteral("content.xml"),
         "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
         "<office:document-content "
         "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
         "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" office:version=\"1.2\">"
         "<office:body><office:text>" +
             body + "</office:text></office:body></office:document-content>"},
    };
    return writeZip(path, parts);
}

// One part of a zip file ("word/document.xml", "content.xml"); empty when absent.
inline QByteArray zipPart(const QString &path, const QString &part)
{
    QuaZip zip(path);
    if (!zip.open(QuaZip::mdUnzip) || !zip.setCurrentFile(part))
        return {};
    QuaZipFile file(&zip);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

// The parts of a zip file.
inline QStringList zipNames(const QString &path)
{
    QuaZip zip(path);
    if (!zip.open(QuaZip::mdUnzip))
        return {};
    return zip.getFileNameList();
}

} // namespace dispatchtest
