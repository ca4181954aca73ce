#pragma once

#include <QString>

#include <atomic>
#include <thread>

namespace plxtest {

// A stand-in for a PostgreSQL server that will not turn standard_conforming_strings on,
// which no real server here can be made to do (the setting is changeable by any user since
// 8.2). It speaks just enough of the wire protocol for libpq, on 127.0.0.1, for one
// connection (libpq's, or psqlODBC's, which uses libpq): no authentication,
// standard_conforming_strings reported and shown "off", and the statement that turns it on
// answered as chosen. Other statements succeed doing nothing.
class LegacyPgServer
{
public:
    enum class Answer {
        Refuses,  // an error, as a server that cannot change it
        Ignores, // "SET" without reporting the change: still off
    };
    explicit LegacyPgServer(Answer answer);
    ~LegacyPgServer();
    LegacyPgServer(const LegacyPgServer &) = delete;
    LegacyPgServer &operator=(const LegacyPgServer &) = delete;

    QString port() const { return QString::number(m_port); }
    // The client asked for standard_conforming_strings.
    bool askedToTurnItOn() const { return m_asked; }
    // The client closed the connection (waits up to a few seconds for it).
    bool clientLeft() const;

private:
    void serve();
    void talk(int client);

    Answer m_answer;
    int m_listener = -1;
    quint16 m_port = 0;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_asked{false};
    std::atomic<bool> m_left{false};
    std::thread m_thread;
};

} // namespace plxtest
