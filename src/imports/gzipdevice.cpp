#include "imports/gzipdevice.h"

#include <zlib.h>

#include <cstring>

namespace plx {

struct GzipDevice::State
{
    z_stream stream{};
    bool initialised = false;
    bool streamEnded = false; // the current member is complete
    bool finished = false;    // no more input after a complete member
    bool failed = false;
    qint64 consumed = 0;
    QByteArray input = QByteArray(64 * 1024, Qt::Uninitialized);
};

GzipDevice::GzipDevice(std::unique_ptr<QIODevice> source, QObject *parent)
    : QIODevice(parent), m_source(std::move(source)), m_state(std::make_unique<State>())
{
}

GzipDevice::~GzipDevice()
{
    if (m_state->initialised)
        inflateEnd(&m_state->stream);
}

bool GzipDevice::open(OpenMode mode)
{
    if ((mode & WriteOnly) || !m_source || !m_source->isReadable()) {
        setErrorString(QStringLiteral("L'archive gzip ne peut pas être lue."));
        return false;
    }
    if (m_state->initialised)
        inflateEnd(&m_state->stream);
    m_state = std::make_unique<State>();
    // 16 + MAX_WBITS: gzip headers only; a zlib or raw stream is not a .gz file.
    if (inflateInit2(&m_state->stream, 16 + MAX_WBITS) != Z_OK) {
        setErrorString(QStringLiteral("La décompression gzip n'a pas pu démarrer."));
        return false;
    }
    m_state->initialised = true;
    return QIODevice::open(mode | Unbuffered);
}

void GzipDevice::close()
{
    QIODevice::close();
    if (m_state->initialised)
        inflateEnd(&m_state->stream);
    m_state = std::make_unique<State>();
}

bool GzipDevice::atEnd() const
{
    return m_state->finished || m_state->failed;
}

qint64 GzipDevice::compressedPos() const
{
    return m_state->consumed;
}

qint64 GzipDevice::readData(char *data, qint64 maxSize)
{
    State &s = *m_state;
    if (s.failed)
        return -1;
    if (s.finished || maxSize <= 0)
        return 0;
    auto fail = [&](const QString &why) {
        s.failed = true;
        setErrorString(why);
        return qint64(-1);
    };
    s.stream.next_out = reinterpret_cast<Bytef *>(data);
    s.stream.avail_out = uInt(qMin<qint64>(maxSize, 1 << 30));
    while (s.stream.avail_out > 0) {
        if (s.stream.avail_in == 0) {
            const qint64 n = m_source->read(s.input.data(), s.input.size());
            if (n < 0)
                return fail(QStringLiteral("Lecture de l'archive impossible : %1")
                                .arg(m_source->errorString()));
            if (n == 0) {
                if (s.streamEnded) {
                    s.finished = true;
                    break;
                }
                // Whatever was inflated before the cut is handed over first; the error
                // comes with the next read, so a reader can name the last line it saw.
                if (s.stream.avail_out < uInt(qMin<qint64>(maxSize, 1 << 30)))
                    break;
                return fail(QStringLiteral("L'archive gzip est tronquée : le fichier s'arrête "
                                           "avant la fin des données compressées."));
            }
            s.consumed += n;
            s.stream.next_in = reinterpret_cast<Bytef *>(s.input.data());
            s.stream.avail_in = uInt(n);
        }
        if (s.streamEnded) {
            // Another member follows (concatenated gzip files are one stream); anything
            // else after a complete member (padding) is not data.
            if (*s.stream.next_in != 0x1f) {
                s.finished = true;
                break;
            }
            inflateReset(&s.stream);
            s.streamEnded = false;
        }
        const int rc = inflate(&s.stream, Z_NO_FLUSH);
        if (rc == Z_STREAM_END) {
            s.streamEnded = true;
            continue;
        }
        if (rc == Z_BUF_ERROR && s.stream.avail_in == 0)
            continue;
        if (rc != Z_OK)
            return fail(QStringLiteral("L'archive gzip est endommagée (%1).")
                            .arg(QString::fromLatin1(s.stream.msg ? s.stream.msg : "erreur zlib")));
    }
    const qint64 produced = qMin<qint64>(maxSize, 1 << 30) - s.stream.avail_out;
    return produced;
}

} // namespace plx
