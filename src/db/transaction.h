#pragma once

#include <QString>

#include <source_location>

namespace plx {

class AccesBase;

// A transaction that rolls back unless commit() is called: a multi-statement change
// that must not half-happen.
class Transaction
{
public:
    explicit Transaction(AccesBase &db);
    ~Transaction();
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;

    bool started() const { return m_started; }
    const QString &error() const { return m_error; }

    // where: the caller, for the statement observer (see AccesBase).
    bool exec(const QString &sql, std::source_location where = std::source_location::current());
    // A statement allowed to fail without aborting the transaction.
    bool tryExec(const QString &sql,
                 std::source_location where = std::source_location::current());
    bool commit();

private:
    AccesBase &m_db;
    QString m_error;
    bool m_started = false;
    bool m_done = false;
};

} // namespace plx
