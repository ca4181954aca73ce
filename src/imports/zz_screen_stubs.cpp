// TEMPORARY: a stand-in for the import engine, so that the import screen builds and its
// tests run before the engine lands. Delete this file once it is merged.

#include "imports/importreader.h"
#include "imports/importrun.h"
#include "imports/importsource.h"

#include <QIODevice>

namespace plx {

namespace {

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

} // namespace plx
