#include "imports/importreader.h"

#include "imports/csvreader.h"
#include "imports/ecadreader.h"
#include "imports/ghcnreader.h"
#include "imports/knmireader.h"
#include "imports/meteofrancereader.h"
#include "imports/radomereader.h"
#include "imports/readertext.h"

#include "imports/gzipdevice.h"

#include <QBuffer>
#include <QFileInfo>

namespace plx {

QString importFormatKey(ImportFormat format)
{
    switch (format) {
    case ImportFormat::MeteoFranceQ:
        return QStringLiteral("meteofrance-q");
    case ImportFormat::MeteoFranceH:
        return QStringLiteral("meteofrance-h");
    case ImportFormat::Radome:
        return QStringLiteral("radome");
    case ImportFormat::Knmi:
        return QStringLiteral("knmi");
    case ImportFormat::Ghcn:
        return QStringLiteral("ghcn");
    case ImportFormat::Ecad:
        return QStringLiteral("ecad");
    case ImportFormat::Csv:
        return QStringLiteral("csv");
    }
    return {};
}

std::optional<ImportFormat> importFormatFromKey(const QString &key)
{
    for (ImportFormat format :
         {ImportFormat::MeteoFranceQ, ImportFormat::MeteoFranceH, ImportFormat::Radome,
          ImportFormat::Knmi, ImportFormat::Ghcn, ImportFormat::Ecad, ImportFormat::Csv})
        if (importFormatKey(format) == key.trimmed().toLower())
            return format;
    return std::nullopt;
}

QString importFormatCaption(ImportFormat format)
{
    switch (format) {
    case ImportFormat::MeteoFranceQ:
        return QStringLiteral("Météo-France quotidien (Q)");
    case ImportFormat::MeteoFranceH:
        return QStringLiteral("Météo-France horaire (H)");
    case ImportFormat::Radome:
        return QStringLiteral("Météo-France RADOME horaire");
    case ImportFormat::Knmi:
        return QStringLiteral("KNMI (Pays-Bas), quotidien ou horaire");
    case ImportFormat::Ghcn:
        return QStringLiteral("NOAA GHCN-Daily (.dly)");
    case ImportFormat::Ecad:
        return QStringLiteral("ECA&D (RR_STAID)");
    case ImportFormat::Csv:
        return QStringLiteral("CSV / texte, colonnes à associer");
    }
    return {};
}

std::unique_ptr<ImportReader> createImportReader(ImportFormat format, const CsvMapping *mapping)
{
    switch (format) {
    case ImportFormat::MeteoFranceQ:
        return std::make_unique<MeteoFranceReader>(false);
    case ImportFormat::MeteoFranceH:
        return std::make_unique<MeteoFranceReader>(true);
    case ImportFormat::Radome:
        return std::make_unique<RadomeReader>();
    case ImportFormat::Knmi:
        return std::make_unique<KnmiReader>();
    case ImportFormat::Ghcn:
        return std::make_unique<GhcnReader>();
    case ImportFormat::Ecad:
        return std::make_unique<EcadReader>();
    case ImportFormat::Csv:
        // Without a mapping, the reader guesses one from the file's first lines.
        return std::make_unique<CsvReader>(mapping ? std::optional<CsvMapping>(*mapping)
                                                   : std::nullopt);
    }
    return nullptr;
}

namespace {

QList<QByteArrayView> headLines(const QByteArray &head, int count)
{
    QList<QByteArrayView> lines;
    QByteArrayView rest(head);
    if (rest.startsWith("\xEF\xBB\xBF"))
        rest = rest.sliced(3);
    while (!rest.isEmpty() && lines.size() < count) {
        const qsizetype lf = rest.indexOf('\n');
        QByteArrayView line = lf < 0 ? rest : rest.first(lf);
        if (line.endsWith('\r'))
            line.chop(1);
        lines.append(line);
        rest = lf < 0 ? QByteArrayView() : rest.sliced(lf + 1);
    }
    return lines;
}

bool containsWord(QByteArrayView text, const char *word)
{
    return text.indexOf(QByteArrayView(word)) >= 0;
}

// A GHCN-Daily line: an 11-character station id, year, month, a 4-letter element, then
// 31 groups of value (5) and three flags.
bool isGhcnLine(QByteArrayView line)
{
    if (line.size() < 21 + 8)
        return false;
    for (int i = 0; i < 11; ++i)
        if (!QChar::isLetterOrNumber(uchar(line[i])))
            return false;
    for (int i = 11; i < 17; ++i)
        if (line[i] < '0' || line[i] > '9')
            return false;
    for (int i = 17; i < 21; ++i)
        if (!((line[i] >= 'A' && line[i] <= 'Z') || (line[i] >= '0' && line[i] <= '9')))
            return false;
    const std::optional<int> first = readertext::parseInt(line.sliced(21, 5));
    return first.has_value();
}

} // namespace

std::optional<ImportFormat> detectImportFormat(const QByteArray &rawHead, const QString &fileName)
{
    QByteArray head = rawHead;
    if (head.size() >= 2 && uchar(head[0]) == 0x1f && uchar(head[1]) == 0x8b) {
        // The first bytes of a .gz: what they inflate to (the cut at the end is expected).
        QByteArray copy = rawHead;
        auto buffer = std::make_unique<QBuffer>(&copy);
        buffer->open(QIODevice::ReadOnly);
        GzipDevice gzip(std::move(buffer));
        head.clear();
        if (gzip.open(QIODevice::ReadOnly)) {
            char chunk[16384];
            for (qint64 n; head.size() < 256 * 1024 && (n = gzip.read(chunk, sizeof chunk)) > 0;)
                head.append(chunk, n);
        }
    }
    const QList<QByteArrayView> lines = headLines(head, 200);
    if (!lines.isEmpty()) {
        const QByteArrayView first = lines.first();
        const QByteArray upper = first.toByteArray().toUpper();
        if (first.contains(';') && containsWord(upper, "NUM_POSTE")) {
            if (containsWord(upper, "AAAAMMJJHH"))
                return ImportFormat::MeteoFranceH;
            if (containsWord(upper, "AAAAMMJJ"))
                return ImportFormat::MeteoFranceQ;
        }
        if (first.contains(',') && containsWord(first, "numer_sta") && containsWord(first, "rr1"))
            return ImportFormat::Radome;
        if (isGhcnLine(first))
            return ImportFormat::Ghcn;
    }
    bool knmiText = false;
    for (QByteArrayView line : lines) {
        const QByteArray upper = line.toByteArray().toUpper();
        if (containsWord(upper, "EUROPEAN CLIMATE ASSESSMENT") ||
            (containsWord(upper, "SOUID") && containsWord(upper, "Q_RR")))
            return ImportFormat::Ecad;
        if (containsWord(upper, "KNMI") || containsWord(upper, "KONINKLIJK NEDERLANDS"))
            knmiText = true;
        // KNMI's data header: "# STN,YYYYMMDD,..." (automatic stations) or
        // "STN,YYYYMMDD,   RD" (precipitation stations).
        QByteArrayView bare = readertext::trimmed(line);
        if (bare.startsWith('#'))
            bare = readertext::trimmed(bare.sliced(1));
        if (bare.startsWith("STN,") && containsWord(upper, "YYYYMMDD") &&
            (knmiText || containsWord(upper, "RH") || containsWord(upper, "RD")))
            return ImportFormat::Knmi;
    }
    const QString name = QFileInfo(fileName).fileName();
    if (name.endsWith(QLatin1String(".dly"), Qt::CaseInsensitive))
        return ImportFormat::Ghcn;
    if (name.startsWith(QLatin1String("RR_STAID"), Qt::CaseInsensitive))
        return ImportFormat::Ecad;
    if (name.startsWith(QLatin1String("RADOMEH"), Qt::CaseInsensitive))
        return ImportFormat::Radome;
    return std::nullopt;
}

} // namespace plx
