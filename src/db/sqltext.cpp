#include "db/sqltext.h"

#include <QLocale>

namespace plx {

QString sqlQuote(const QString &value)
{
    QString quoted = value;
    quoted.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

QString sqlNumber(double value)
{
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

QString sqlNumber(qint64 value)
{
    return QString::number(value);
}

} // namespace plx
