#pragma once

#include "db/sqldialect.h"

#include <QString>

namespace plx {

// Turns the Access-flavoured SQL the screens write into the SQL of one engine.
// Works on tokens: string literals, quoted identifiers and comments are never rewritten.
class SqlTranslator
{
public:
    explicit SqlTranslator(SqlDialect target) : m_target(target) {}

    SqlDialect target() const { return m_target; }
    QString translate(const QString &accessSql) const;

private:
    SqlDialect m_target;
};

} // namespace plx
