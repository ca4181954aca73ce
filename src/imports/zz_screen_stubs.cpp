// TEMPORARY: stand-ins for the readers and the import engine, so that the import screen
// builds and its tests run before those land. Delete this file once they are merged.

#include "imports/csvmapping.h"
#include "imports/importreader.h"
#include "imports/importrun.h"
#include "imports/importsource.h"

#include <QFile>
#include <QFileInfo>

class QWidget;

namespace plx {

namespace {

const char *const kKeys[] = {"meteofrance-q", "meteofrance-h", "radome", "knmi",
                             "ghcn",          "ecad",          "csv"};

class StubReader : public ImportReader
{
public:
    StubReader(ImportFormat format, const CsvMapping *mapping) : m_format(format)
    {
        if (mapping)
            m_mapping = *mapping;
    }
    ImportFormat format() const override { return m_format; }
    QString timeConvention() const override
    {
        return m_format == ImportFormat::Csv
                   ? QStringLiteral("Instants lus tels que le fichier les donne.")
                   : QStringLiteral("Cumul du jour J de 06 h UTC à 06 h UTC le lendemain.");
    }
    ReadResult read(QIODevice &device, ImportSink &sink) override
    {
        ReadResult result;
        const bool csv = m_format == ImportFormat::Csv;
        const int header = csv ? m_mapping.headerLines : 1;
        const QChar sep = csv ? m_mapping.separator : QLatin1Char(';');
        QString lastStation;
        while (!device.atEnd()) {
            const QString line = QString::fromUtf8(device.readLine()).trimmed();
            ++result.linesRead;
            if (result.linesRead <= header || line.isEmpty())
                continue;
            const QStringList f = line.split(sep);
            ImportedRow row;
            row.line = result.linesRead;
            bool ok = false;
            if (csv) {
                const QDateTime at =
                    QDateTime::fromString(f.value(m_mapping.dateColumn), m_mapping.dateFormat);
                row.date = at.date();
                if (at.time() != QTime(0, 0))
                    row.time = at.time();
                const int vc = m_mapping.valueColumns[0] >= 0 ? m_mapping.valueColumns[0] : 1;
                QString v = f.value(vc);
                v.replace(m_mapping.decimal, QLatin1Char('.'));
                const double value = v.toDouble(&ok);
                if (ok)
                    row.setValue(0, value);
            } else {
                row.station = f.value(0);
                if (row.station != lastStation) {
                    lastStation = row.station;
                    ImportedStation s;
                    s.number = row.station;
                    s.name = f.value(1);
                    s.latitude = f.value(2).toDouble();
                    s.longitude = f.value(3).toDouble();
                    if (!sink.station(s)) {
                        result.cancelled = true;
                        return result;
                    }
                }
                row.date = QDate::fromString(f.value(5), QStringLiteral("yyyyMMdd"));
                const double value = f.value(6).toDouble(&ok);
                if (ok)
                    row.setValue(0, value);
                if (f.value(7) == QLatin1String("1") || f.value(7) == QLatin1String("0"))
                    row.validite = QLatin1Char('V');
                row.doubtful = f.value(7) == QLatin1String("2");
            }
            bool going;
            if (!row.date.isValid())
                going = sink.refused({row.line, QStringLiteral("date inexistante")});
            else if (!ok)
                going = sink.refused({row.line, QStringLiteral("valeur non numérique")});
            else
                going = sink.row(row);
            if (!going) {
                result.cancelled = true;
                return result;
            }
        }
        if (result.linesRead == 0) {
            result.error = QStringLiteral("Le fichier est vide.");
            return result;
        }
        result.ok = true;
        return result;
    }

private:
    ImportFormat m_format;
    CsvMapping m_mapping;
};

class StubSink : public ImportSink
{
public:
    StubSink(ImportReport &report, const ImportOptions &options, const QString &source,
             const ImportProgress &progress)
        : m_report(report), m_options(options), m_source(source), m_progress(progress)
    {
    }
    bool station(const ImportedStation &) override { return true; }
    bool row(const ImportedRow &row) override
    {
        ++m_report.read;
        ++m_report.written;
        if (m_report.preview.size() < m_options.previewRows) {
            PreviewLine p;
            p.source = m_source;
            p.station = m_options.station.isEmpty() ? row.station : m_options.station;
            p.row = row;
            m_report.preview << p;
        }
        return !m_progress || m_progress(m_report.read, 0);
    }
    bool refused(const RefusedLine &line) override
    {
        ++m_report.read;
        ++m_report.refused;
        m_report.refusedLines << qMakePair(m_source, line);
        if (m_report.preview.size() < m_options.previewRows) {
            PreviewLine p;
            p.source = m_source;
            p.row.line = line.line;
            p.refusal = line.reason;
            m_report.preview << p;
        }
        return !m_progress || m_progress(m_report.read, 0);
    }

private:
    ImportReport &m_report;
    const ImportOptions &m_options;
    QString m_source;
    ImportProgress m_progress;
};

} // namespace

QString importFormatKey(ImportFormat format)
{
    return QString::fromLatin1(kKeys[int(format)]);
}

std::optional<ImportFormat> importFormatFromKey(const QString &key)
{
    for (int i = 0; i < 7; ++i) {
        if (key == QLatin1String(kKeys[i]))
            return ImportFormat(i);
    }
    return std::nullopt;
}

QString importFormatCaption(ImportFormat format)
{
    static const char *const captions[] = {"Météo-France quotidien (Q)",
                                           "Météo-France horaire (H)",
                                           "Météo-France RADOME",
                                           "KNMI",
                                           "GHCN-Daily",
                                           "ECA&D",
                                           "CSV / texte (correspondance des colonnes)"};
    return QString::fromUtf8(captions[int(format)]);
}

std::unique_ptr<ImportReader> createImportReader(ImportFormat format, const CsvMapping *mapping)
{
    return std::make_unique<StubReader>(format, mapping);
}

std::optional<ImportFormat> detectImportFormat(const QByteArray &head, const QString &)
{
    if (head.startsWith("NUM_POSTE;NOM_USUEL;LAT;LON;ALTI;AAAAMMJJ;"))
        return ImportFormat::MeteoFranceQ;
    return std::nullopt;
}

QList<ImportSource> listImportSources(const QString &path, QString *error)
{
    if (!QFileInfo::exists(path)) {
        if (error)
            *error = QStringLiteral("Le fichier %1 n'existe pas.").arg(path);
        return {};
    }
    ImportSource source;
    source.name = QFileInfo(path).fileName();
    source.open = [path](QString *error) -> std::unique_ptr<QIODevice> {
        auto file = std::make_unique<QFile>(path);
        if (!file->open(QIODevice::ReadOnly)) {
            if (error)
                *error = file->errorString();
            return nullptr;
        }
        return file;
    };
    return {source};
}

QString existingValuesKey(ExistingValues choice)
{
    switch (choice) {
    case ExistingValues::Keep:
        return QStringLiteral("keep");
    case ExistingValues::Replace:
        return QStringLiteral("replace");
    case ExistingValues::Unvalidated:
        break;
    }
    return QStringLiteral("unvalidated");
}

std::optional<ExistingValues> existingValuesFromKey(const QString &key)
{
    for (ExistingValues v :
         {ExistingValues::Keep, ExistingValues::Replace, ExistingValues::Unvalidated}) {
        if (existingValuesKey(v) == key)
            return v;
    }
    return std::nullopt;
}

ImportReport runImport(AccesBase &, const QList<ImportSource> &sources, ImportReader &reader,
                       const ImportOptions &options, const ImportProgress &progress)
{
    ImportReport report;
    for (const ImportSource &source : sources) {
        QString error;
        std::unique_ptr<QIODevice> device = source.open(&error);
        if (!device) {
            report.error = error;
            return report;
        }
        StubSink sink(report, options, source.name, progress);
        const ReadResult r = reader.read(*device, sink);
        if (r.cancelled) {
            report.cancelled = true;
            report.written = 0;
            return report;
        }
        if (!r.ok) {
            report.error = source.name + QStringLiteral(" : ") + r.error;
            report.written = 0;
            return report;
        }
    }
    if (options.dryRun == false && options.createStations)
        report.createdStations << QStringLiteral("13001009");
    report.ok = true;
    return report;
}

CsvMapping CsvMapping::guess(const QList<QByteArray> &firstLines)
{
    CsvMapping m;
    const QByteArray first = firstLines.value(0);
    if (first.count(',') > first.count(';'))
        m.separator = QLatin1Char(',');
    m.decimal = QLatin1Char('.');
    if (firstLines.value(1).contains('.') && firstLines.value(1).indexOf('.') < 4) {
        m.dateColumn = 0;
        m.dateFormat = QStringLiteral("dd.MM.yyyy HH:mm");
        m.valueColumns[0] = 1;
    }
    return m;
}

QStringList savedCsvMappings()
{
    return {};
}

bool loadCsvMapping(const QString &, CsvMapping &)
{
    return false;
}

bool saveCsvMapping(const CsvMapping &)
{
    return true;
}

bool editCsvMapping(QWidget *, const QList<QByteArray> &, CsvMapping &mapping)
{
    if (mapping.dateColumn < 0) {
        mapping.dateColumn = 0;
        mapping.dateFormat = QStringLiteral("dd.MM.yyyy HH:mm");
        mapping.valueColumns[0] = 1;
    }
    return true;
}

} // namespace plx
