#pragma once

#include "imports/importreader.h"

namespace plx {

// ECA&D series files (RR_STAIDnnnnnn.txt): a text header naming the station (STAID), then
// "SOUID, DATE, RR, Q_RR" comma-separated rows. RR in 0.1 mm, -9999 missing; Q_RR 0
// valid (imported validated), 1 suspect (imported doubtful), 9 missing.
class EcadReader : public ImportReader
{
public:
    ImportFormat format() const override { return ImportFormat::Ecad; }
    QString timeConvention() const override;
    ReadResult read(QIODevice &device, ImportSink &sink) override;
};

} // namespace plx
