#include "outputs/csvgrid.h"

#include "outputs/gridcell.h"
#include "outputs/odsgrid.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace plx {

namespace {

QString field(const QString &text)
{
    if (!text.contains(QLatin1Char(';')) && !text.contains(QLatin1Char('"')) &&
        !text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r')))
        return text;
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

} // namespace

QByteArray gridCsv(const XlsxGrid &grid)
{
    QString text;
    auto line = [&](const QStringList &fields) {
        text += fields.join(QLatin1Char(';'));
        text += QStringLiteral("\r\n");
    };
    QStringList headings;
    for (const QString &heading : grid.headings)
        headings << field(heading);
    line(headings);
    for (const auto &row : grid.rows) {
        QStringList fields;
        for (const QVariant &value : row)
            fields << field(frenchCellText(gridCellOf(value)));
        line(fields);
    }
    return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
}

bool exportGridToCsv(const XlsxGrid &grid, const QString &path, QString *error)
{
    auto fail = [&](const QString &why) {
        if (error)
            *error = gridWriteError(path, why);
        return false;
    };
    if (!QFileInfo(path).absoluteDir().exists())
        return fail(QStringLiteral("le dossier n'existe pas."));
    const QByteArray bytes = gridCsv(grid);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return fail(file.errorString());
    if (!file.commit())
        return fail(file.errorString());
    return true;
}

bool exportGrid(const XlsxGrid &grid, const QString &path, QString *error)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("csv"))
        return exportGridToCsv(grid, path, error);
    if (suffix == QLatin1String("ods"))
        return exportGridToOds(grid, path, error);
    return exportGridToXlsx(grid, path, error);
}

} // namespace plx
