#include "measures/measurerow.h"

#include "base/locale.h"

namespace plx {

void MeasureRow::setValue(int i, std::optional<double> v)
{
    if (v) {
        values[size_t(i)] = *v;
        present = quint8(present | (1u << i));
    } else {
        values[size_t(i)] = 0;
        present = quint8(present & ~(1u << i));
    }
}

QDateTime MeasureRow::instant() const
{
    // Labelled UTC like every wall-clock value of the program: no zone may move it.
    return QDateTime(date, heure.isValid() ? heure : QTime(0, 0), Qt::UTC);
}

QDateTime MeasureRow::loadedInstant() const
{
    return QDateTime(loadedDate, loadedHeure.isValid() ? loadedHeure : QTime(0, 0), Qt::UTC);
}

QString cellText(const MeasureRow &row, int column)
{
    switch (column) {
    case kMarkColumn:
        return row.marked ? QStringLiteral("X") : QStringLiteral(" ");
    case kDateColumn:
        return row.typedDate.isNull() ? formatDate(row.date) : row.typedDate;
    case kHeureColumn:
        return row.typedHeure.isNull() ? formatTime(row.heure) : row.typedHeure;
    case kRuptureColumn:
        return row.rupture ? QStringLiteral("R") : QString();
    case kObtentionColumn:
        return row.obtention.isNull() ? QString() : QString(row.obtention);
    case kLoadedDateColumn:
        return formatDate(row.loadedDate);
    case kLoadedHeureColumn:
        return row.hasLoadedKey() ? formatTime(row.loadedHeure) : QString();
    default:
        break;
    }
    if (column >= kPluieColumn && column < kPluieColumn + kMeasuredValues) {
        const int i = column - kPluieColumn;
        return row.hasValue(i) ? formatNumber(row.values[size_t(i)]) : QString();
    }
    return QString();
}

QString validationColumnName(int column, const QStringList &labels)
{
    switch (column) {
    case kDateColumn:
    case kLoadedDateColumn:
        return QStringLiteral("Date");
    case kHeureColumn:
    case kLoadedHeureColumn:
        return QStringLiteral("Heure");
    case kPluieColumn:
        return QStringLiteral("Pluie");
    case kPluieEfficaceColumn:
        return QStringLiteral("Pl Efficace");
    case kEtpColumn:
        return QStringLiteral("Etp");
    case kValeur1Column:
    case kValeur2Column:
    case kValeur3Column: {
        const int id = column - kValeur1Column + 1;
        return id <= labels.size() ? labels.at(id - 1)
                                   : QStringLiteral("Param") + QString::number(id);
    }
    case kRuptureColumn:
        return QStringLiteral("Rupture");
    case kObtentionColumn:
        return QStringLiteral("Obtention");
    default:
        return QString();
    }
}

} // namespace plx
