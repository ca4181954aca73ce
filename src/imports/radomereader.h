#pragma once

#include "imports/importreader.h"

#include <QHash>

namespace plx {

// Météo-France RADOME hourly files: "," separated, a header line (numer_sta, date, rr1...),
// dates as YYYYMMDDhhmmss, "mq" for a missing value and a literal "EOF" as the last line.
// rr1 is in kg/m², that is mm.
class RadomeReader : public ImportReader
{
public:
    ImportFormat format() const override { return ImportFormat::Radome; }
    QString timeConvention() const override;
    ReadResult read(QIODevice &device, ImportSink &sink) override;

    // The RADOME files name their station by number only; the network's station list
    // (weather_stations.csv: number, name, DMS latitude and longitude, altitude), when
    // given, adds the name and coordinates. A station it lacks keeps its number alone.
    void setStationList(const QHash<QString, ImportedStation> &stations) { m_stations = stations; }

private:
    QHash<QString, ImportedStation> m_stations;
};

// Reads a RADOME station list ("Numéro,Nom,Latitude,Longitude,...,Altitude" with
// coordinates as 48°26'36N / 4°24'42W) into WGS84 degrees. Lines it cannot read are left out.
QHash<QString, ImportedStation> readRadomeStationList(QIODevice &device);
// A DMS coordinate ("48°26'36N", "4°24'42W") in signed degrees.
std::optional<double> parseDmsCoordinate(const QString &text);

} // namespace plx
