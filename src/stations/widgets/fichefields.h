#pragma once

#include "stations/stationrecord.h"

#include <QWidget>

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace plx {

// The station part of the record: the descriptive fields, grouped, with their combos
// filled from the reference tables. Reads and shows a StationRecord; knows nothing of
// saving.
class FicheFields : public QWidget
{
    Q_OBJECT

public:
    explicit FicheFields(QWidget *parent = nullptr);

    // Communes, countries, contacts and projections from the database.
    void fillCombos();
    void showRecord(const StationRecord &record);
    // The record as typed, based on base (its code and the columns no field shows); nullopt
    // after a message naming the field when a date or a number does not read.
    std::optional<StationRecord> typedRecord(const StationRecord &base) const;
    void setEditable(bool editable);
    // The site name as typed (for questions about a station never saved).
    QString typedName() const;
    // Shows the referent contact's name ("" hides the line).
    void showReferent(std::optional<int> codeContact);
    QString contactName(int codeContact) const;

signals:
    // The user changed a field.
    void edited();

private:
    void chooseDeclarationCommune();
    void showDeclarationCommune();
    static void select(QComboBox *combo, const QVariant &value);

    QLineEdit *m_code = nullptr;
    QLineEdit *m_nom = nullptr;
    QLineEdit *m_identifiant = nullptr;
    QLineEdit *m_idInternational = nullptr;
    QLineEdit *m_dateCreation = nullptr;
    QLineEdit *m_dateFermeture = nullptr;
    QLineEdit *m_x = nullptr;
    QLineEdit *m_y = nullptr;
    QComboBox *m_projection = nullptr;
    QLineEdit *m_z = nullptr;
    QComboBox *m_communes = nullptr;
    QComboBox *m_pays = nullptr;
    QLineEdit *m_adresse = nullptr;
    QPushButton *m_declaration = nullptr;
    QComboBox *m_contacts = nullptr;
    QLabel *m_referent = nullptr;
    QLineEdit *m_carteIgn = nullptr;
    QLineEdit *m_carteGeologique = nullptr;
    QLineEdit *m_parcelle = nullptr;
    QLineEdit *m_section = nullptr;
    QPlainTextEdit *m_commentaire = nullptr;
    QString m_declarationCode;
    bool m_showing = false; // filling the fields is not an edit
};

} // namespace plx
