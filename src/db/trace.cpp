#include "db/trace.h"

#include <QDateTime>
#include <QDir>
#include <QStandardPaths>
#include <QTextStream>

#include <cstdio>

namespace plx {

void Trace::setUp(int level, const QString &applicationName, const QString &login, bool toFile)
{
    m_level = level;
    m_login = login;
    m_file.close();
    if (!toFile)
        return;
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    QDir().mkpath(folder);
    m_file.setFileName(QDir(folder).filePath(applicationName + QStringLiteral("_trace.log")));
    if (!m_file.open(QIODevice::Append | QIODevice::Text))
        std::fprintf(stderr, "trace: cannot open %s\n", qPrintable(m_file.fileName()));
}

void Trace::error(const QString &sql, const QString &error)
{
    if (m_level >= 1)
        write(QStringLiteral("ERREUR %1 | %2").arg(error, sql));
}

void Trace::statement(const QString &sql, qint64 elapsedMs, int rows)
{
    if (m_level >= 3)
        write(QStringLiteral("%1 ms, %2 ligne(s) | %3").arg(elapsedMs).arg(rows).arg(sql));
    else if (m_level >= 2)
        write(sql);
}

void Trace::write(const QString &line)
{
    if (!m_file.isOpen())
        return;
    QTextStream out(&m_file);
    out << QDateTime::currentDateTime().toString(QStringLiteral("dd/MM/yyyy hh:mm:ss.zzz")) << ' '
        << (m_login.isEmpty() ? QStringLiteral("AUTO") : m_login) << ' ' << line << '\n';
}

} // namespace plx
