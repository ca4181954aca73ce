#pragma once

#include <QFile>
#include <QString>

namespace plx {

// The database access component's own trace: what ran, what failed, how long it took.
// Level 0 nothing, 1 errors, 2 + statements, 3 + row counts and timings.
class Trace
{
public:
    void setUp(int level, const QString &applicationName, const QString &login, bool toFile);
    void setLevel(int level) { m_level = level; }
    int level() const { return m_level; }

    void error(const QString &sql, const QString &error);
    void statement(const QString &sql, qint64 elapsedMs, int rows = -1);

private:
    void write(const QString &line);

    int m_level = 1;
    QString m_login;
    QFile m_file;
};

} // namespace plx
