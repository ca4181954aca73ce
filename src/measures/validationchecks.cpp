#include "measures/validationchecks.h"

#include "base/locale.h"

#include <cmath>

namespace plx {

namespace {

constexpr int kPluie = kPluieColumn - kPluieColumn;
constexpr int kPluieEfficace = kPluieEfficaceColumn - kPluieColumn;
constexpr int kEtp = kEtpColumn - kPluieColumn;

QString positiveMessage()
{
    return QStringLiteral("La valeur de la pluie doit être positive.");
}

QString modifiedMessage(const QString &first)
{
    return first + QLatin1Char('\r') + QStringLiteral("Votre saisie a été modifiée.");
}

// An empty date or time cell is no more valid than a wrong one; the typed text is kept
// non-null so that the cell shows what was typed and the row stays red.
QString keptText(const QString &text)
{
    return text.isNull() ? QStringLiteral("") : text;
}

void changed(MeasureRow &row)
{
    row.obtention = QLatin1Char('M');
    row.dirty = true;
}

void updateRed(MeasureRow &row)
{
    row.red = !row.typedDate.isNull() || !row.typedHeure.isNull();
}

// The rules of the rainfall columns. A comparison needs both values: with either cell
// empty there is nothing to compare, and clearing rainfall must not refill it from the
// effective rainfall.
void checkRainfall(MeasureRow &row, int i, QStringList &messages)
{
    const auto pluie = [&] { return row.value(kPluie); };
    const auto efficace = [&] { return row.value(kPluieEfficace); };
    if (i == kPluie) {
        if (pluie() && *pluie() < 0) {
            messages << positiveMessage();
            row.setValue(kPluie, std::fabs(*pluie()));
        }
        if (pluie() && efficace() && *pluie() < *efficace()) {
            messages << modifiedMessage(QStringLiteral(
                "La valeur de la pluie doit être supérieure à la valeur de la pluie efficace."));
            row.setValue(kPluie, efficace());
        }
    } else if (i == kPluieEfficace) {
        if (efficace() && *efficace() < 0) {
            messages << positiveMessage();
            row.setValue(kPluieEfficace, std::nullopt);
        }
        if (pluie() && efficace() && *efficace() > *pluie()) {
            messages << modifiedMessage(QStringLiteral(
                "La valeur de pluie efficace doit être inférieure à la valeur de la pluie."));
            row.setValue(kPluieEfficace, pluie());
        }
    } else if (i == kEtp) {
        const std::optional<double> etp = row.value(kEtp);
        if (etp && *etp < 0) {
            messages << positiveMessage();
            row.setValue(kEtp, std::nullopt);
        }
    }
}

} // namespace

QStringList applyCellText(MeasureRow &row, int column, const QString &text)
{
    QStringList messages;
    switch (column) {
    case kDateColumn:
        if (const std::optional<QDate> date = parseDate(text)) {
            row.date = *date;
            row.typedDate = QString();
        } else {
            row.date = QDate();
            row.typedDate = keptText(text);
        }
        updateRed(row);
        changed(row);
        return messages;
    case kHeureColumn:
        if (const std::optional<QTime> time = parseTime(text)) {
            row.heure = *time;
            row.typedHeure = QString();
        } else {
            row.heure = QTime();
            row.typedHeure = keptText(text);
        }
        updateRed(row);
        changed(row);
        return messages;
    default:
        break;
    }
    if (column < kPluieColumn || column >= kPluieColumn + kMeasuredValues)
        return messages;

    const int i = column - kPluieColumn;
    if (text.trimmed().isEmpty()) {
        row.setValue(i, std::nullopt);
    } else {
        const std::optional<double> value = parseNumber(text);
        if (!value) {
            messages
                << QStringLiteral("La valeur saisie n'est pas un nombre : %1").arg(text.trimmed());
            return messages;
        }
        row.setValue(i, *value);
    }
    checkRainfall(row, i, messages);
    changed(row);
    return messages;
}

void toggleRupture(MeasureRow &row)
{
    row.rupture = !row.rupture;
    row.red = false;
    changed(row);
}

MeasureRow insertedRow()
{
    MeasureRow row;
    changed(row);
    return row;
}

} // namespace plx
