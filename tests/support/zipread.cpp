#include "support/zipread.h"

#include <QXmlStreamReader>

#include <quazip/quazip.h>
#include <quazip/quazipfile.h>

namespace plxtest {

QByteArray zipEntry(const QString &archive, const QString &name)
{
    QuaZip zip(archive);
    if (!zip.open(QuaZip::mdUnzip) || !zip.setCurrentFile(name))
        return {};
    QuaZipFile file(&zip);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

QStringList zipNames(const QString &archive)
{
    QuaZip zip(archive);
    if (!zip.open(QuaZip::mdUnzip))
        return {};
    QStringList names;
    for (bool more = zip.goToFirstFile(); more; more = zip.goToNextFile())
        names << zip.getCurrentFileName();
    return names;
}

QStringList xlsxCells(const QByteArray &sheet)
{
    QStringList out;
    QXmlStreamReader xml(sheet);
    QString current;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == QLatin1String("c")) {
            const auto a = xml.attributes();
            current = a.value(QLatin1String("r")).toString() + QLatin1Char(':') +
                      a.value(QLatin1String("s")).toString() + QLatin1Char(':') +
                      a.value(QLatin1String("t")).toString() + QLatin1Char(':');
        } else if (xml.isStartElement() &&
                   (xml.name() == QLatin1String("v") || xml.name() == QLatin1String("t"))) {
            out << current + xml.readElementText();
        }
    }
    if (xml.hasError())
        out << QStringLiteral("XML error: ") + xml.errorString();
    return out;
}

QStringList odsCells(const QByteArray &content)
{
    QStringList out;
    QXmlStreamReader xml(content);
    int tables = 0;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == QLatin1String("table") && ++tables > 1)
            break;
        if (xml.isEndElement() && xml.name() == QLatin1String("table-row"))
            out << QStringLiteral("|");
        if (!xml.isStartElement() || xml.name() != QLatin1String("table-cell"))
            continue;
        const auto a = xml.attributes();
        const QString type = a.value(QLatin1String("office:value-type")).toString();
        QString value = a.value(QLatin1String("office:value")).toString();
        if (value.isEmpty())
            value = a.value(QLatin1String("office:date-value")).toString();
        if (value.isEmpty())
            value = a.value(QLatin1String("office:time-value")).toString();
        QStringList paragraphs;
        while (xml.readNextStartElement()) {
            if (xml.name() == QLatin1String("p"))
                paragraphs << xml.readElementText(QXmlStreamReader::IncludeChildElements);
            else
                xml.skipCurrentElement();
        }
        out << (type.isEmpty() ? QString()
                               : type + QLatin1Char(':') + value + QLatin1Char(':') +
                                     paragraphs.join(QLatin1Char('\n')));
    }
    if (xml.hasError())
        out << QStringLiteral("XML error: ") + xml.errorString();
    return out;
}

} // namespace plxtest
