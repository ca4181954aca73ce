#pragma once

#include "imports/importedrow.h"
#include "imports/importreader.h"
#include "imports/importsource.h"

#include <QBuffer>
#include <QByteArray>
#include <QList>
#include <QString>

#include <cmath>
#include <vector>

namespace plxtest {

// Keeps everything a reader sends; stops after stopAfter rows when set.
struct CollectingSink : plx::ImportSink
{
    QList<plx::ImportedStation> stations;
    std::vector<plx::ImportedRow> rows;
    QList<plx::RefusedLine> refusals;
    long stopAfter = -1;

    bool station(const plx::ImportedStation &s) override
    {
        stations.append(s);
        return true;
    }
    bool row(const plx::ImportedRow &r) override
    {
        rows.push_back(r);
        return stopAfter < 0 || long(rows.size()) < stopAfter;
    }
    bool refused(const plx::RefusedLine &line) override
    {
        refusals.append(line);
        return true;
    }
    double total(int parameter = 0) const
    {
        double sum = 0;
        for (const plx::ImportedRow &r : rows)
            if (r.hasValue(parameter))
                sum += r.values[size_t(parameter)];
        return std::round(sum * 10) / 10;
    }
    QString refusalsText() const
    {
        QString text;
        for (const plx::RefusedLine &r : refusals)
            text += QString::number(r.line) + QLatin1String(": ") + r.reason + QLatin1Char('\n');
        return text;
    }
};

inline QString importData(const QString &name)
{
    return QStringLiteral(PLX_TEST_DATA "/imports/") + name;
}

// Reads bytes as if they were a file of the format.
inline plx::ReadResult readBytes(plx::ImportFormat format, const QByteArray &bytes,
                                 CollectingSink &sink, const plx::CsvMapping *mapping = nullptr)
{
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    auto reader = plx::createImportReader(format, mapping);
    return reader->read(buffer, sink);
}

// Reads every source of a file (plain, .gz, archive) with one reader.
inline plx::ReadResult readPath(plx::ImportFormat format, const QString &path, CollectingSink &sink,
                                const plx::CsvMapping *mapping = nullptr)
{
    QString error;
    const QList<plx::ImportSource> sources = plx::listImportSources(path, &error);
    plx::ReadResult total;
    total.ok = !sources.isEmpty();
    total.error = error;
    auto reader = plx::createImportReader(format, mapping);
    for (const plx::ImportSource &source : sources) {
        auto device = source.open(&error);
        if (!device)
            return plx::ReadResult{false, false, error, 0};
        const plx::ReadResult one = reader->read(*device, sink);
        total.linesRead += one.linesRead;
        if (!one.ok)
            return one;
    }
    return total;
}

} // namespace plxtest
