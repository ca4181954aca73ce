#include "measures/tabulartext.h"

namespace plx {

QList<QStringList> parseTabularText(const QString &text)
{
    QList<QStringList> cells;
    if (text.isEmpty())
        return cells;
    QString lines = text;
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
        .replace(QLatin1Char('\r'), QLatin1Char('\n'));
    // Spreadsheets end the last row with a newline too: it opens no further row.
    if (lines.endsWith(QLatin1Char('\n')))
        lines.chop(1);
    for (const QString &line : lines.split(QLatin1Char('\n')))
        cells << line.split(QLatin1Char('\t'));
    return cells;
}

QString formatTabularText(const QList<QStringList> &cells)
{
    QString text;
    for (const QStringList &row : cells)
        text += row.join(QLatin1Char('\t')) + QLatin1Char('\n');
    return text;
}

} // namespace plx
