#include "cli/summarycommands.h"

#include "cli/commands.h"
#include "db/accesbase.h"
#include "measures/historique.h"
#include "measures/measurementtable.h"

#include <QDate>

namespace plx::cli {

namespace {

QString line(const QStringList &cells)
{
    QStringList texts;
    for (const QString &cell : cells)
        texts << cellText(cell);
    return texts.join(QLatin1Char('\t')) + QLatin1Char('\n');
}

} // namespace

// plx summary --station CODE [BASE]: the historical summary grid of the record screen,
// header line first, the rows of hidden parameters left out.
int summaryCommand(const QStringList &arguments)
{
    Options options = parseOptions(arguments);
    QString code;
    const qsizetype station = options.positional.indexOf(QStringLiteral("--station"));
    if (station >= 0 && station + 1 < options.positional.size()) {
        code = options.positional[station + 1];
        options.positional.remove(station, 2);
    }
    if (!options.error.isEmpty() || !options.hasDatabase || code.isEmpty() ||
        !options.positional.isEmpty()) {
        print(stderr, options.error.isEmpty() ? usage() : options.error + QLatin1Char('\n'));
        return 2;
    }
    if (measurementTableName(code).isEmpty()) {
        print(stderr, QStringLiteral("Code de station invalide : %1\n").arg(code));
        return 2;
    }
    if (!connectDatabase(options))
        return 1;

    const int year = QDate::currentDate().year();
    QStringList headers;
    for (const HistoriqueHeader &header : historiqueHeaders(year))
        headers << header.text;
    QString out = line(headers);
    for (const HistoriqueRow &row : computeHistorique(AccesBase::instance(), code, year)) {
        if (!row.hidden)
            out += line(QStringList(row.cells.begin(), row.cells.end()));
    }
    print(stdout, out);
    return 0;
}

} // namespace plx::cli
