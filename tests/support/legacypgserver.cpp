#include "support/legacypgserver.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QtEndian>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

namespace plxtest {

namespace {

constexpr int waitMs = 5000;
constexpr qint32 protocol3 = 196608;       // 3.0
constexpr qint32 sslRequest = 80877103;    // answered "N": no TLS
constexpr qint32 gssencRequest = 80877104; // answered "N": no GSS encryption

bool readable(int fd, int timeoutMs)
{
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, timeoutMs) > 0;
}

bool readExact(int fd, char *buffer, qsizetype size)
{
    while (size > 0) {
        if (!readable(fd, waitMs))
            return false;
        const ssize_t got = ::read(fd, buffer, size_t(size));
        if (got <= 0)
            return false;
        buffer += got;
        size -= got;
    }
    return true;
}

bool readInt32(int fd, qint32 *value)
{
    char bytes[4];
    if (!readExact(fd, bytes, 4))
        return false;
    *value = qFromBigEndian<qint32>(bytes);
    return true;
}

void sendAll(int fd, const QByteArray &bytes)
{
    const char *data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t sent = ::send(fd, data, size_t(left), MSG_NOSIGNAL);
        if (sent <= 0)
            return;
        data += sent;
        left -= sent;
    }
}

// One backend message: its type, its length (itself included), its body.
QByteArray message(char type, const QByteArray &body)
{
    char length[4];
    qToBigEndian<qint32>(qint32(body.size() + 4), length);
    return QByteArray(1, type) + QByteArray(length, 4) + body;
}

QByteArray cString(const char *text)
{
    return QByteArray(text) + '\0';
}

QByteArray parameterStatus(const char *name, const char *value)
{
    return message('S', cString(name) + cString(value));
}

QByteArray readyForQuery()
{
    return message('Z', "I");
}

QByteArray int16(qint16 value)
{
    char bytes[2];
    qToBigEndian(value, bytes);
    return QByteArray(bytes, 2);
}

QByteArray int32(qint32 value)
{
    char bytes[4];
    qToBigEndian(value, bytes);
    return QByteArray(bytes, 4);
}

// The one-row answer of SHOW name: one text column holding value.
QByteArray shown(const char *name, const QByteArray &value)
{
    const QByteArray description = int16(1) + cString(name) + int32(0) + int16(0)
                                   + int32(25) /* text */ + int16(-1) + int32(-1) + int16(0);
    return message('T', description) + message('D', int16(1) + int32(qint32(value.size())) + value)
           + message('C', cString("SHOW"));
}

} // namespace

LegacyPgServer::LegacyPgServer(Answer answer) : m_answer(answer)
{
    m_listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t size = sizeof address;
    if (m_listener < 0 || ::bind(m_listener, reinterpret_cast<sockaddr *>(&address), size) != 0
        || ::listen(m_listener, 1) != 0
        || ::getsockname(m_listener, reinterpret_cast<sockaddr *>(&address), &size) != 0)
        return;
    m_port = ntohs(address.sin_port);
    m_thread = std::thread([this] { serve(); });
}

LegacyPgServer::~LegacyPgServer()
{
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
    if (m_listener >= 0)
        ::close(m_listener);
}

bool LegacyPgServer::clientLeft() const
{
    QElapsedTimer timer;
    timer.start();
    while (!m_left && timer.elapsed() < waitMs)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return m_left;
}

void LegacyPgServer::serve()
{
    while (!m_stop) {
        if (!readable(m_listener, 100))
            continue;
        const int client = ::accept(m_listener, nullptr, nullptr);
        if (client < 0)
            continue;
        talk(client);
        ::close(client);
        m_left = true;
        return;
    }
}

void LegacyPgServer::talk(int client)
{
    // Startup: refuse TLS and GSS encryption, then accept the startup packet as it is.
    for (;;) {
        qint32 length = 0;
        qint32 code = 0;
        if (!readInt32(client, &length) || !readInt32(client, &code) || length < 8
            || length > 10000)
            return;
        QByteArray rest(length - 8, Qt::Uninitialized);
        if (!readExact(client, rest.data(), rest.size()))
            return;
        if (code == sslRequest || code == gssencRequest) {
            sendAll(client, "N");
            continue;
        }
        if (code != protocol3)
            return;
        break;
    }
    char key[8] = {0, 0, 0, 42, 0, 0, 0, 7};
    sendAll(client, message('R', QByteArray(4, '\0')) // no password asked
                        + parameterStatus("server_version", "8.4.22")
                        + parameterStatus("server_encoding", "UTF8")
                        + parameterStatus("client_encoding", "UTF8")
                        + parameterStatus("DateStyle", "ISO, DMY")
                        + parameterStatus("integer_datetimes", "on")
                        + parameterStatus("standard_conforming_strings", "off")
                        + message('K', QByteArray(key, 8)) + readyForQuery());

    const QByteArray done = message('C', cString("SET"));
    for (;;) {
        char type = 0;
        qint32 length = 0;
        if (!readExact(client, &type, 1) || !readInt32(client, &length) || length < 4
            || length > 1000000)
            return;
        QByteArray body(length - 4, Qt::Uninitialized);
        if (!readExact(client, body.data(), body.size()))
            return;
        switch (type) {
        case 'X': // Terminate
            return;
        case 'Q': // a simple query
            if (body.startsWith("SHOW standard_conforming_strings")) {
                sendAll(client, shown("standard_conforming_strings", "off") + readyForQuery());
                break;
            }
            if (body.contains("standard_conforming_strings")) {
                m_asked = true;
                if (m_answer == Answer::Refuses) {
                    sendAll(client,
                            message('E', cString("SERROR") + cString("VERROR") + cString("C55P02")
                                             + cString("Mparameter \"standard_conforming_strings\" "
                                                       "cannot be changed now")
                                             + QByteArray(1, '\0'))
                                + readyForQuery());
                    break;
                }
            }
            sendAll(client, done + readyForQuery());
            break;
        case 'P': // the extended protocol, answered as a statement that did nothing
            sendAll(client, message('1', {}));
            break;
        case 'B':
            sendAll(client, message('2', {}));
            break;
        case 'D':
            sendAll(client, message('n', {}));
            break;
        case 'E':
            sendAll(client, done);
            break;
        case 'S':
            sendAll(client, readyForQuery());
            break;
        default:
            break;
        }
    }
}

} // namespace plxtest
