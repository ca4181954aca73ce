#include "imports/readerfeed.h"

#include "imports/readertext.h"

namespace plx {

namespace {
// Device messages are whole sentences; after "Ligne N : " they continue the sentence.
QString continued(QString why)
{
    if (why.size() > 1 && why.at(0).isUpper() && !why.at(1).isUpper())
        why[0] = why.at(0).toLower();
    return why;
}
} // namespace

bool ReaderFeed::station(const ImportedStation &station)
{
    if (m_stations.contains(station.number))
        return !m_stopped;
    m_stations.insert(station.number);
    return keep(m_sink.station(station));
}

ReadResult ReaderFeed::finish(const LineReader &lines) const
{
    ReadResult result;
    result.linesRead = lines.lineNumber();
    if (lines.failed()) {
        result.error = readertext::lineMessage(lines.lineNumber() + 1, continued(lines.error()));
        return result;
    }
    result.cancelled = m_stopped;
    result.ok = !m_stopped;
    return result;
}

ReadResult ReaderFeed::failure(qint64 line, const QString &why, qint64 linesRead)
{
    ReadResult result;
    result.linesRead = linesRead;
    result.error = readertext::lineMessage(line, continued(why));
    return result;
}

ReadResult ReaderFeed::noFirstLine(const LineReader &lines)
{
    ReadResult result;
    if (lines.failed())
        result.error = readertext::lineMessage(1, continued(lines.error()));
    else
        result.error = QStringLiteral("Le fichier est vide.");
    return result;
}

} // namespace plx
