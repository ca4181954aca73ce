#pragma once

#include "imports/csvmapping.h"
#include "imports/importreader.h"

#include <optional>

namespace plx {

// Any separated text file read through a column mapping: the date (and time) columns
// with their formats, the value columns in grid order, optionally the station and a
// validity column. Without a mapping, one is guessed from the file's first lines.
// Values are taken in mm (times the mapping's scale); "NaN", "NA", "mq", "-" or an empty
// cell is a missing value.
class CsvReader : public ImportReader
{
public:
    explicit CsvReader(std::optional<CsvMapping> mapping) : m_mapping(std::move(mapping)) {}

    ImportFormat format() const override { return ImportFormat::Csv; }
    QString timeConvention() const override;
    ReadResult read(QIODevice &device, ImportSink &sink) override;
    // The mapping used by the last read (the guessed one when none was given).
    const std::optional<CsvMapping> &mapping() const { return m_used; }

private:
    std::optional<CsvMapping> m_mapping;
    std::optional<CsvMapping> m_used;
};

} // namespace plx
