#pragma once

#include "run/widgets/administrationpage.h"

#include <QString>

#include <array>
#include <optional>

class QCheckBox;
class QComboBox;
class QLineEdit;

namespace plx {

class AccesBase;

// The label of a free parameter in PARAMETRAGE_DATA (projet 'PLX', id 1 to 3): no row
// means the default caption ("Param1"); a row with an empty label hides the parameter.
struct ParameterLabel
{
    bool hasRow = false;
    QString label;

    bool operator==(const ParameterLabel &) const = default;
};

// The three labels; nullopt (with *error) when the table cannot be read.
std::optional<std::array<ParameterLabel, 3>> readParameterLabels(AccesBase &db,
                                                                 QString *error = nullptr);
// Writes the labels that differ from before, in one transaction.
bool writeParameterLabels(AccesBase &db, const std::array<ParameterLabel, 3> &before,
                          const std::array<ParameterLabel, 3> &after, QString *error = nullptr);

// The "Données" tab: the first month of the hydrological year (shared by every user, as
// PERIODES is) and the captions of the free parameters.
class AdministrationDonnees : public AdministrationPage
{
    Q_OBJECT

public:
    explicit AdministrationDonnees(QWidget *parent = nullptr);

    void load() override;
    bool validate() override;
    bool save() override;

private:
    std::array<ParameterLabel, 3> typedLabels() const;
    void updateLabelFields();

    // Owned by the page (Qt parent).
    QComboBox *m_month = nullptr;
    std::array<QCheckBox *, 3> m_shown{};
    std::array<QLineEdit *, 3> m_labels{};

    QString m_loadedMonth;
    std::array<ParameterLabel, 3> m_loadedLabels{};
    bool m_labelsReadable = false;
};

} // namespace plx
