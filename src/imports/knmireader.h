#pragma once

#include "imports/importreader.h"

namespace plx {

// KNMI text exports: a free-text header, then a "# STN,YYYYMMDD,..." line naming the
// comma-separated, blank-padded columns. Three layouts read alike: daily (RH, 00-24 UT),
// hourly (HH, RH; HH 1-24 is the hour ending) and the precipitation stations' daily RD
// (08 UTC the day before to 08 UTC the day). Amounts are in 0.1 mm; RH = -1 (below
// 0.05 mm) is taken as 0 mm, the dry value a hydrologist counts it as.
class KnmiReader : public ImportReader
{
public:
    ImportFormat format() const override { return ImportFormat::Knmi; }
    QString timeConvention() const override;
    ReadResult read(QIODevice &device, ImportSink &sink) override;

private:
    enum class Layout { Unknown, Daily, Hourly, Precipitation };
    Layout m_layout = Layout::Unknown;
};

} // namespace plx
