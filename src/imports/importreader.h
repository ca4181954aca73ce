#pragma once

#include "imports/importedrow.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

class QIODevice;

namespace plx {

enum class ImportFormat { MeteoFranceQ, MeteoFranceH, Radome, Knmi, Ghcn, Ecad, Csv };

// The command line's names: "meteofrance-q", "meteofrance-h", "radome", "knmi", "ghcn",
// "ecad", "csv"; and the screen's French captions.
QString importFormatKey(ImportFormat format);
std::optional<ImportFormat> importFormatFromKey(const QString &key);
QString importFormatCaption(ImportFormat format);

// The outcome of reading one file. A file that cannot be read as its format (wrong
// separator, truncated archive, empty file...) fails as a whole with a French message
// naming the line; lines that only lack a usable record go to the sink as refused.
struct ReadResult
{
    bool ok = false;
    bool cancelled = false;
    QString error;
    qint64 linesRead = 0;
};

class CsvMapping; // imports/csvmapping.h: the generic reader's column mapping

class ImportReader
{
public:
    virtual ~ImportReader() = default;
    virtual ImportFormat format() const = 0;
    // How the source dates its values, in a French sentence for the screen and the report
    // (e.g. the daily RR dated D covers 06 UTC D to 06 UTC D+1).
    virtual QString timeConvention() const = 0;
    // Reads the whole device (already decompressed), sending to the sink as it goes.
    virtual ReadResult read(QIODevice &device, ImportSink &sink) = 0;
};

// The reader of a format; the generic CSV reader needs its mapping.
std::unique_ptr<ImportReader> createImportReader(ImportFormat format,
                                                 const CsvMapping *mapping = nullptr);

// The format a file's first bytes (and its name) show; nullopt when none is recognised
// (the screen then proposes the generic reader with its mapping).
std::optional<ImportFormat> detectImportFormat(const QByteArray &head, const QString &fileName);

} // namespace plx
