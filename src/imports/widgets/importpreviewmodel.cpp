#include "imports/widgets/importpreviewmodel.h"

#include "base/locale.h"

#include <QBrush>
#include <QColor>

namespace plx {

QString previewValidity(const ImportedRow &row)
{
    if (row.doubtful)
        return QStringLiteral("douteuse");
    return row.validite.isNull() ? QString() : QString(row.validite);
}

ImportPreviewModel::ImportPreviewModel(QObject *parent)
    : QAbstractTableModel(parent), m_valueHeadings{
                                       QStringLiteral("Pluie"),  QStringLiteral("Pl Efficace"),
                                       QStringLiteral("Etp"),    QStringLiteral("Param1"),
                                       QStringLiteral("Param2"), QStringLiteral("Param3")}
{
}

void ImportPreviewModel::setValueHeadings(const QStringList &headings)
{
    for (int i = 0; i < 6 && i < headings.size(); ++i)
        m_valueHeadings[i] = headings[i];
    emit headerDataChanged(Qt::Horizontal, ColPremiereValeur, ColPremiereValeur + 5);
}

void ImportPreviewModel::setLines(const QList<PreviewLine> &lines)
{
    beginResetModel();
    m_lines = lines;
    endResetModel();
}

bool ImportPreviewModel::hasValues(int i) const
{
    for (const PreviewLine &line : m_lines) {
        if (line.row.hasValue(i))
            return true;
    }
    return false;
}

int ImportPreviewModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_lines.size());
}

int ImportPreviewModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ImportPreviewModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_lines.size())
        return {};
    const PreviewLine &line = m_lines[index.row()];
    const ImportedRow &row = line.row;
    const bool refused = !line.refusal.isEmpty();
    const int column = index.column();
    if (role == Qt::ForegroundRole && refused)
        return QBrush(QColor(0xA0, 0x20, 0x20));
    if (role == Qt::BackgroundRole && refused)
        return QBrush(QColor(0xFB, 0xE3, 0xE0));
    if (role == Qt::BackgroundRole && row.doubtful && column == ColValidite)
        return QBrush(QColor(0xFF, 0xF1, 0xC8));
    if (role == Qt::ToolTipRole && refused)
        return line.refusal;
    if (role == Qt::TextAlignmentRole) {
        if (column == ColLigne || (column >= ColPremiereValeur && column < ColValidite))
            return int(Qt::AlignRight | Qt::AlignVCenter);
        if (column == ColValidite)
            return int(Qt::AlignCenter);
        return {};
    }
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return {};
    const bool display = role == Qt::DisplayRole;
    switch (column) {
    case ColFichier:
        return line.source;
    case ColLigne:
        return display ? QVariant(QString::number(row.line)) : QVariant(row.line);
    case ColStation: {
        if (line.station.isEmpty()) {
            // Not in the register (nor to be created): the file's own number says which.
            return display && !row.station.isEmpty() ? QStringLiteral("n° %1").arg(row.station)
                                                     : row.station;
        }
        const QString name = m_stationNames.value(line.station);
        return display && !name.isEmpty() ? line.station + QStringLiteral(" – ") + name
                                          : line.station;
    }
    case ColDate:
        if (!row.date.isValid())
            return {};
        return display ? QVariant(formatDate(row.date)) : QVariant(row.date);
    case ColHeure:
        if (!row.time.isValid())
            return {};
        return row.time.toString(QStringLiteral("HH:mm"));
    case ColValidite:
        return previewValidity(row);
    case ColMotif:
        return line.refusal;
    default:
        break;
    }
    const int i = column - ColPremiereValeur;
    if (i < 0 || i >= 6 || !row.hasValue(i))
        return {};
    const double value = row.values[size_t(i)];
    return display ? QVariant(formatNumber(value)) : QVariant(value);
}

QVariant ImportPreviewModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case ColFichier:
        return QStringLiteral("Fichier");
    case ColLigne:
        return QStringLiteral("Ligne");
    case ColStation:
        return QStringLiteral("Station");
    case ColDate:
        return QStringLiteral("Date");
    case ColHeure:
        return QStringLiteral("Heure");
    case ColValidite:
        return QStringLiteral("Validité");
    case ColMotif:
        return QStringLiteral("Motif du refus");
    default:
        break;
    }
    const int i = section - ColPremiereValeur;
    return i >= 0 && i < 6 ? m_valueHeadings.value(i) : QVariant();
}

} // namespace plx
