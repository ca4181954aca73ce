#pragma once

#include "quality/qualitythresholds.h"

#include <QDialog>

#include <vector>

class QDoubleSpinBox;
class QWidget;

namespace plx {

class AccesBase;

// The quality-control thresholds of one station, one field per threshold with its unit,
// the defaults a button away. "Enregistrer" stores them (only what departs from the
// defaults); a failure is shown and leaves the dialog open, nothing lost.
class QualityThresholdsDialog : public QDialog
{
    Q_OBJECT

public:
    QualityThresholdsDialog(AccesBase &db, const QString &code, const QString &stationName,
                            QWidget *parent = nullptr);

    QualityThresholds thresholds() const;
    void setThresholds(const QualityThresholds &thresholds);

    void accept() override;

private:
    AccesBase &m_db;
    QString m_code;
    std::vector<QDoubleSpinBox *>
        m_fields; // owned by the dialog, in qualityThresholdFields() order
};

// Shows the dialog for the station; true when the thresholds were saved.
bool editQualityThresholds(QWidget *parent, AccesBase &db, const QString &code);

} // namespace plx
