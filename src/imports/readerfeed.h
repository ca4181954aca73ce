#pragma once

#include "imports/importedrow.h"
#include "imports/importreader.h"
#include "imports/linereader.h"

#include <QSet>

namespace plx {

// What every reader does around its own parsing: pass items to the sink and remember a
// stop, send each station once, build the result and the messages that name a line.
class ReaderFeed
{
public:
    explicit ReaderFeed(ImportSink &sink) : m_sink(sink) {}

    bool stopped() const { return m_stopped; }
    bool row(const ImportedRow &row) { return keep(m_sink.row(row)); }
    bool refuse(qint64 line, const QString &reason) { return keep(m_sink.refused({line, reason})); }
    // A line with fewer fields than the reader needs.
    bool refuseShort(qint64 line, size_t fields, size_t needed)
    {
        return refuse(line, QStringLiteral("ligne incomplète : %1 champs au lieu d'au moins %2.")
                                .arg(fields)
                                .arg(needed));
    }
    // Sends the station the first time its number is seen; later calls do nothing.
    bool station(const ImportedStation &station);
    bool knowsStation(const QString &number) const { return m_stations.contains(number); }

    // The result once the lines are done: a read error (truncated archive...) names the
    // line it stopped at.
    ReadResult finish(const LineReader &lines) const;
    static ReadResult failure(qint64 line, const QString &why, qint64 linesRead);
    // "Le fichier est vide." or the device's error on a file that gave no line at all.
    static ReadResult noFirstLine(const LineReader &lines);

private:
    bool keep(bool goOn)
    {
        m_stopped = m_stopped || !goOn;
        return !m_stopped;
    }

    ImportSink &m_sink; // not owned
    QSet<QString> m_stations;
    bool m_stopped = false;
};

} // namespace plx
