#include "db/transaction.h"

#include "db/accesbase.h"

namespace plx {

Transaction::Transaction(AccesBase &db) : m_db(db)
{
    m_started = m_db.DebutTransaction(&m_error);
}

Transaction::~Transaction()
{
    if (m_started && !m_done)
        m_db.FinTransaction(false);
}

bool Transaction::exec(const QString &sql, std::source_location where)
{
    return m_started && m_db.Execute(sql, &m_error, where);
}

bool Transaction::tryExec(const QString &sql, std::source_location where)
{
    return m_started && m_db.tryExecute(sql, &m_error, where);
}

bool Transaction::commit()
{
    if (!m_started || m_done)
        return false;
    m_done = true;
    return m_db.FinTransaction(true, &m_error);
}

} // namespace plx
