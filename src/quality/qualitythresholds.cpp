#include "quality/qualitythresholds.h"

#include "db/accesbase.h"
#include "db/sqltext.h"
#include "db/transaction.h"
#include "schema/qualitythresholdstable.h"
#include "schema/schemacatalog.h"
#include "stations/stationcodes.h"

#include <cmath>

namespace plx {

const std::vector<QualityThresholdField> &qualityThresholdFields()
{
    using T = QualityThresholds;
    const QString mm = QStringLiteral("mm");
    const QString days = QStringLiteral("jours");
    const QString times = QStringLiteral("×");
    static const std::vector<QualityThresholdField> fields{
        {QStringLiteral("max_journalier"), QStringLiteral("Maximum journalier"), mm, &T::maxDaily,
         1, 0, 5000},
        {QStringLiteral("max_horaire"), QStringLiteral("Maximum horaire"), mm, &T::maxHourly, 1, 0,
         1000},
        {QStringLiteral("max_etp"), QStringLiteral("Maximum journalier de l'ETP"), mm,
         &T::maxEtpDaily, 1, 0, 100},
        {QStringLiteral("pic_quantile"), QStringLiteral("Pic : quantile du mois"), QString(),
         &T::spikeQuantile, 3, 0.5, 0.999},
        {QStringLiteral("pic_facteur"), QStringLiteral("Pic : facteur"), times, &T::spikeFactor, 2,
         1, 100},
        {QStringLiteral("pic_plancher_jour"), QStringLiteral("Pic : plancher journalier"), mm,
         &T::spikeFloorDaily, 1, 0, 1000},
        {QStringLiteral("pic_plancher_horaire"), QStringLiteral("Pic : plancher horodaté"), mm,
         &T::spikeFloorTimed, 1, 0, 1000},
        {QStringLiteral("bloque_nombre"), QStringLiteral("Valeur bloquée : répétitions"),
         QStringLiteral("valeurs"), &T::stuckRun, 0, 2, 1000},
        {QStringLiteral("bloque_minimum"), QStringLiteral("Valeur bloquée : valeur minimale"), mm,
         &T::stuckMinimum, 1, 0, 1000},
        {QStringLiteral("zeros_minimum"), QStringLiteral("Zéros : durée minimale"), days,
         &T::zeroRunMinDays, 0, 1, 366},
        {QStringLiteral("zeros_facteur"), QStringLiteral("Zéros : facteur"), times,
         &T::zeroRunFactor, 2, 1, 100},
        {QStringLiteral("zeros_mois_humide"),
         QStringLiteral("Zéros : part de jours pluvieux du mois"), QString(), &T::wetMonthShare, 2,
         0, 1},
        {QStringLiteral("cumul_lacune"), QStringLiteral("Cumul : jours sans mesure"), days,
         &T::accumulationGapDays, 0, 1, 366},
        {QStringLiteral("cumul_facteur"), QStringLiteral("Cumul : facteur"), times,
         &T::accumulationFactor, 2, 1, 100},
        {QStringLiteral("cumul_plancher"), QStringLiteral("Cumul : plancher"), mm,
         &T::accumulationFloor, 1, 0, 1000},
        {QStringLiteral("journalier_tolerance"), QStringLiteral("Journalier : tolérance"), mm,
         &T::dailyTolerance, 1, 0, 100},
        {QStringLiteral("journalier_part"), QStringLiteral("Journalier : tolérance relative"),
         QString(), &T::dailyToleranceShare, 2, 0, 1},
        {QStringLiteral("voisins_rayon"), QStringLiteral("Voisins : rayon"), QStringLiteral("km"),
         &T::neighbourRadiusKm, 1, 0.1, 1000},
        {QStringLiteral("voisins_nombre"), QStringLiteral("Voisins : nombre maximal"),
         QStringLiteral("stations"), &T::neighbourCount, 0, 1, 100},
        {QStringLiteral("voisins_minimum"), QStringLiteral("Voisins : nombre minimal"),
         QStringLiteral("stations"), &T::neighbourMinimum, 0, 1, 100},
        {QStringLiteral("isole_plancher"), QStringLiteral("Valeur isolée : plancher"), mm,
         &T::isolatedFloor, 1, 0, 1000},
        {QStringLiteral("isole_rapport"), QStringLiteral("Valeur isolée : rapport aux voisins"),
         times, &T::isolatedRatio, 1, 1, 1000},
        {QStringLiteral("voisins_secs"), QStringLiteral("Voisins secs : moyenne sous"), mm,
         &T::dryMean, 1, 0, 1000},
        {QStringLiteral("voisins_humides"),
         QStringLiteral("Événement manqué : moyenne des voisins"), mm, &T::wetMean, 1, 0, 1000},
        {QStringLiteral("historique_annees"), QStringLiteral("Historique lu (0 : tout)"),
         QStringLiteral("ans"), &T::historyYears, 0, 0, 1000},
    };
    return fields;
}

QualityThresholdsRead loadQualityThresholds(AccesBase &db, const QString &code)
{
    QualityThresholdsRead read;
    const QString key = normalisedStationCode(code);
    if (key.isEmpty()) {
        read.error = QStringLiteral("Code de station invalide : %1").arg(code);
        return read;
    }
    if (!db.tableExists(QStringLiteral("SEUILS_CONTROLES"))) {
        read.ok = true;
        return read;
    }
    const RecordTable rows = db.ExtraireRecords(
        QStringLiteral("SELECT Cle, Valeur FROM SEUILS_CONTROLES WHERE CodePluviometre=") + key);
    if (!rows.ok()) {
        read.error = rows.error();
        return read;
    }
    for (int r = 0; r < rows.rowCount(); ++r) {
        const QString name = rows.text(r, 0).trimmed();
        bool isNumber = false;
        const double value = rows.at(r, 1).toDouble(&isNumber);
        // A value another version wrote out of range is ignored rather than trusted.
        for (const QualityThresholdField &field : qualityThresholdFields()) {
            if (field.key.compare(name, Qt::CaseInsensitive) == 0 && isNumber &&
                std::isfinite(value) && value >= field.minimum && value <= field.maximum)
                read.thresholds.*field.member = value;
        }
    }
    read.ok = true;
    return read;
}

bool saveQualityThresholds(AccesBase &db, const QString &code, const QualityThresholds &t,
                           QString *error)
{
    const QString key = normalisedStationCode(code);
    if (key.isEmpty()) {
        if (error)
            *error = QStringLiteral("Code de station invalide : %1").arg(code);
        return false;
    }
    // The table before the transaction: a failing CREATE would abort it on PostgreSQL.
    if (!ensureQualityThresholdsTable(db, error))
        return false;
    const QualityThresholds defaults;
    Transaction transaction(db);
    bool ok = transaction.started() &&
              transaction.exec(
                  QStringLiteral("DELETE FROM SEUILS_CONTROLES WHERE CodePluviometre=") + key);
    for (const QualityThresholdField &field : qualityThresholdFields()) {
        const double value = t.*field.member;
        if (!ok || value == defaults.*field.member || !std::isfinite(value))
            continue;
        ok = transaction.exec(
            QStringLiteral("INSERT INTO SEUILS_CONTROLES (CodePluviometre, Cle, Valeur) VALUES (") +
            key + QStringLiteral(", ") + sqlQuote(field.key) + QStringLiteral(", ") +
            sqlNumber(value) + QLatin1Char(')'));
    }
    ok = ok && transaction.commit();
    if (!ok && error)
        *error = transaction.error();
    return ok;
}

} // namespace plx
