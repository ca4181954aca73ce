#include "db/singlestatement.h"

namespace plx {

bool holdsSeveralStatements(QStringView sql)
{
    const qsizetype n = sql.size();
    bool ended = false;
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = sql[i];
        if (c == QLatin1Char('\'') || c == QLatin1Char('"') || c == QLatin1Char('[')) {
            const QChar close = c == QLatin1Char('[') ? QLatin1Char(']') : c;
            for (++i; i < n && sql[i] != close; ++i) {
            }
            if (ended)
                return true;
            continue;
        }
        if (c == QLatin1Char('-') && i + 1 < n && sql[i + 1] == QLatin1Char('-')) {
            while (i < n && sql[i] != QLatin1Char('\n'))
                ++i;
            continue;
        }
        if (c == QLatin1Char('/') && i + 1 < n && sql[i + 1] == QLatin1Char('*')) {
            for (i += 2; i + 1 < n && !(sql[i] == QLatin1Char('*') && sql[i + 1] == QLatin1Char('/')); ++i) {
            }
            ++i;
            continue;
        }
        if (c == QLatin1Char(';'))
            ended = true;
        else if (ended && !c.isSpace())
            return true;
    }
    return false;
}

} // namespace plx
