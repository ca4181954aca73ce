#include "stations/widgets/fichefields.h"

#include "base/locale.h"
#include "base/messages.h"
#include "db/accesbase.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace plx {

namespace {

QLineEdit *lineEdit(QWidget *parent, const char *name, int maxLength = 0)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    if (maxLength > 0)
        edit->setMaxLength(maxLength);
    return edit;
}

QComboBox *comboBox(QWidget *parent, const char *name)
{
    auto *combo = new QComboBox(parent);
    combo->setObjectName(QLatin1String(name));
    combo->setEditable(false);
    combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    combo->setMinimumContentsLength(18);
    return combo;
}

// Rows of a two-column statement as combo items (text, data), after an empty item.
void fill(QComboBox *combo, const QString &sql,
          const std::function<QString(const RecordTable &, int)> &label)
{
    const QVariant current = combo->currentData();
    combo->clear();
    combo->addItem(QString(), QVariant());
    const RecordTable rows = AccesBase::instance().ExtraireRecords(sql);
    for (int r = 0; rows.ok() && r < rows.rowCount(); ++r) {
        const QVariant key = rows.at(r, rows.columnCount() - 1);
        const QVariant data =
            key.typeId() == QMetaType::Double || key.typeId() == QMetaType::LongLong
                ? QVariant(key.toInt())
                : QVariant(rows.text(r, rows.columnCount() - 1));
        combo->addItem(label(rows, r), data);
    }
    combo->setCurrentIndex(std::max(0, combo->findData(current)));
}

QString text(QLineEdit *edit)
{
    return edit->text().trimmed();
}

QString numberText(std::optional<double> value)
{
    return value ? formatNumber(*value) : QString();
}

QString dateText(const QDate &date)
{
    return date.isValid() ? formatDate(date) : QString();
}

} // namespace

FicheFields::FicheFields(QWidget *parent) : QWidget(parent)
{
    m_code = lineEdit(this, "TxtCodePluviometre");
    m_code->setReadOnly(true);
    m_code->setToolTip(QStringLiteral("Code interne, attribué au premier enregistrement"));
    m_nom = lineEdit(this, "TxtNomSite", 255);
    m_identifiant = lineEdit(this, "TxtIdentifiant", 17);
    m_idInternational = lineEdit(this, "TxtIdInternetional", 20);
    m_dateCreation = lineEdit(this, "TxtDateCreation", 10);
    m_dateFermeture = lineEdit(this, "txtDateFermeture", 10);
    for (QLineEdit *date : {m_dateCreation, m_dateFermeture})
        date->setPlaceholderText(QStringLiteral("JJ/MM/AAAA"));
    m_x = lineEdit(this, "TxtX");
    m_y = lineEdit(this, "TxtY");
    m_z = lineEdit(this, "TxtZ");
    m_projection = comboBox(this, "CboTypeProjection");
    m_communes = comboBox(this, "CboCommunes");
    m_pays = comboBox(this, "cboPays");
    m_adresse = lineEdit(this, "TxtAdresse", 255);
    m_declaration = new QPushButton(this);
    m_declaration->setObjectName(QStringLiteral("CmdCommuneDeclaration"));
    m_declaration->setFlat(true);
    m_declaration->setStyleSheet(QStringLiteral("text-align: left; text-decoration: underline"));
    m_contacts = comboBox(this, "cboContacts");
    m_referent = new QLabel(this);
    m_referent->setObjectName(QStringLiteral("lblReferent"));
    m_carteIgn = lineEdit(this, "TxtCarteIGN", 50);
    m_carteGeologique = lineEdit(this, "TxtCarteGeologique", 50);
    m_parcelle = lineEdit(this, "txtParcelle", 255);
    m_section = lineEdit(this, "TxtSection", 255);
    m_commentaire = new QPlainTextEdit(this);
    m_commentaire->setObjectName(QStringLiteral("TxtCommentaire"));
    m_commentaire->setTabChangesFocus(true);

    auto *identification = new QGroupBox(QStringLiteral("Identification"), this);
    auto *idForm = new QFormLayout(identification);
    idForm->addRow(QStringLiteral("C&ode interne :"), m_code);
    idForm->addRow(QStringLiteral("&Nom du site :"), m_nom);
    idForm->addRow(QStringLiteral("&Identifiant :"), m_identifiant);
    idForm->addRow(QStringLiteral("Identifiant in&ternational :"), m_idInternational);
    idForm->addRow(QStringLiteral("Date de c&réation :"), m_dateCreation);
    idForm->addRow(QStringLiteral("Date de &fermeture :"), m_dateFermeture);

    auto *location = new QGroupBox(QStringLiteral("Localisation"), this);
    auto *locForm = new QFormLayout(location);
    locForm->addRow(QStringLiteral("&X :"), m_x);
    locForm->addRow(QStringLiteral("&Y :"), m_y);
    locForm->addRow(QStringLiteral("&Projection :"), m_projection);
    locForm->addRow(QStringLiteral("Altitude (&Z, m) :"), m_z);
    locForm->addRow(QStringLiteral("Co&mmune :"), m_communes);
    locForm->addRow(QStringLiteral("P&ays :"), m_pays);
    locForm->addRow(QStringLiteral("Adr&esse :"), m_adresse);
    locForm->addRow(QStringLiteral("Commune de déclaration :"), m_declaration);

    auto *management = new QGroupBox(QStringLiteral("Gestion"), this);
    auto *manForm = new QFormLayout(management);
    manForm->addRow(QStringLiteral("Propri&étaire / contact :"), m_contacts);
    manForm->addRow(QStringLiteral("Référent :"), m_referent);

    auto *maps = new QGroupBox(QStringLiteral("Cartes et cadastre"), this);
    auto *mapForm = new QFormLayout(maps);
    mapForm->addRow(QStringLiteral("Carte I&GN :"), m_carteIgn);
    mapForm->addRow(QStringLiteral("Carte géo&logique :"), m_carteGeologique);
    mapForm->addRow(QStringLiteral("Par&celle :"), m_parcelle);
    mapForm->addRow(QStringLiteral("&Section :"), m_section);

    auto *comment = new QGroupBox(QStringLiteral("Commentaire"), this);
    auto *commentLayout = new QVBoxLayout(comment);
    commentLayout->addWidget(m_commentaire);

    auto *grid = new QGridLayout(this);
    grid->addWidget(identification, 0, 0);
    grid->addWidget(location, 0, 1, 2, 1);
    grid->addWidget(management, 1, 0);
    grid->addWidget(maps, 2, 0);
    grid->addWidget(comment, 2, 1);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(2, 1);

    for (QLineEdit *edit : findChildren<QLineEdit *>())
        connect(edit, &QLineEdit::textEdited, this, &FicheFields::edited);
    for (QComboBox *combo : {m_projection, m_communes, m_pays, m_contacts}) {
        connect(combo, &QComboBox::currentIndexChanged, this, [this] {
            if (!m_showing)
                emit edited();
        });
    }
    connect(m_commentaire, &QPlainTextEdit::textChanged, this, [this] {
        if (!m_showing)
            emit edited();
    });
    connect(m_declaration, &QPushButton::clicked, this, &FicheFields::chooseDeclarationCommune);
    showDeclarationCommune();
}

void FicheFields::fillCombos()
{
    m_showing = true;
    fill(m_communes,
         QStringLiteral("SELECT Nom, NumDept , CodeCommune FROM Communes ORDER BY Nom ASC"),
         [](const RecordTable &rows, int r) {
             return rows.text(r, 0) + QStringLiteral(" - ") + rows.text(r, 1);
         });
    const auto first = [](const RecordTable &rows, int r) { return rows.text(r, 0); };
    fill(m_pays, QStringLiteral("SELECT Nom, CodePays FROM pays ORDER BY CodePays ASC, Nom ASC"),
         first);
    fill(m_contacts,
         QStringLiteral(
             "SELECT iif(Contacts.Nom is null, iif(contacts.raisonSocial is null, Communes.nom, "
             "contacts.raisonsocial), contacts.nom), CodeContact FROM Contacts LEFT JOIN Communes "
             "ON Contacts.CodeCommune = Communes.CodeCommune ORDER BY iif(Contacts.Nom is null, "
             "iif(contacts.raisonSocial is null, Communes.nom, contacts.raisonsocial), "
             "contacts.nom) asc"),
         first);
    fill(m_projection,
         QStringLiteral(
             "SELECT Libelle, Code FROM Codes_Sandre WHERE Champ='PLUVIOMETRES.TYPEPROJECTION'"),
         first);
    m_showing = false;
}

void FicheFields::select(QComboBox *combo, const QVariant &value)
{
    if (value.isNull() || value.toString().isEmpty()) {
        combo->setCurrentIndex(0);
        return;
    }
    int index = combo->findData(value);
    if (index < 0) {
        // A code the reference table lacks is shown as itself, so that saving keeps it.
        combo->addItem(value.toString(), value);
        index = combo->count() - 1;
    }
    combo->setCurrentIndex(index);
}

void FicheFields::showRecord(const StationRecord &record)
{
    m_showing = true;
    m_code->setText(record.code);
    m_nom->setText(record.nom);
    m_identifiant->setText(record.identifiant);
    m_idInternational->setText(record.codeQualitoInter);
    m_dateCreation->setText(dateText(record.dateCreation));
    m_dateFermeture->setText(dateText(record.dateFermeture));
    m_x->setText(numberText(record.x));
    m_y->setText(numberText(record.y));
    m_z->setText(numberText(record.altitude));
    select(m_projection, record.typeProjection ? QVariant(*record.typeProjection) : QVariant());
    select(m_communes, record.codeCommune);
    select(m_pays, record.codePays);
    select(m_contacts, record.codeContact ? QVariant(*record.codeContact) : QVariant());
    m_adresse->setText(record.adresse);
    m_carteIgn->setText(record.carteIGN);
    m_carteGeologique->setText(record.carteGeologique);
    m_parcelle->setText(record.parcelle);
    m_section->setText(record.section);
    m_commentaire->setPlainText(record.commentaires);
    m_declarationCode = record.codeCommuneDeclaration;
    showDeclarationCommune();
    m_showing = false;
}

std::optional<StationRecord> FicheFields::typedRecord(const StationRecord &base) const
{
    StationRecord record = base;
    const auto date = [](QLineEdit *edit, const QString &label, QDate *out) {
        *out = QDate();
        if (text(edit).isEmpty())
            return true;
        const std::optional<QDate> parsed = parseDate(text(edit));
        if (!parsed) {
            showMessage(MessageKind::Erreur, QStringLiteral("La date de %1 n'est pas une date "
                                                            "correcte (JJ/MM/AAAA).")
                                                 .arg(label));
            edit->setFocus();
            return false;
        }
        *out = *parsed;
        return true;
    };
    const auto number = [](QLineEdit *edit, const QString &label, std::optional<double> *out) {
        *out = std::nullopt;
        if (text(edit).isEmpty())
            return true;
        *out = parseNumber(text(edit));
        if (!*out) {
            showMessage(MessageKind::Erreur, QStringLiteral("%1 doit être un nombre.").arg(label));
            edit->setFocus();
            return false;
        }
        return true;
    };
    if (!date(m_dateCreation, QStringLiteral("création"), &record.dateCreation) ||
        !date(m_dateFermeture, QStringLiteral("fermeture"), &record.dateFermeture) ||
        !number(m_x, QStringLiteral("X"), &record.x) ||
        !number(m_y, QStringLiteral("Y"), &record.y) ||
        !number(m_z, QStringLiteral("L'altitude"), &record.altitude))
        return std::nullopt;
    record.nom = text(m_nom);
    record.identifiant = text(m_identifiant);
    record.codeQualitoInter = text(m_idInternational);
    const QVariant projection = m_projection->currentData();
    record.typeProjection =
        projection.isNull() ? std::nullopt : std::optional<int>(projection.toInt());
    const QVariant contact = m_contacts->currentData();
    record.codeContact = contact.isNull() ? std::nullopt : std::optional<int>(contact.toInt());
    record.codeCommune = m_communes->currentData().toString();
    record.codePays = m_pays->currentData().toString();
    record.adresse = text(m_adresse);
    record.carteIGN = text(m_carteIgn);
    record.carteGeologique = text(m_carteGeologique);
    record.parcelle = text(m_parcelle);
    record.section = text(m_section);
    record.commentaires = m_commentaire->toPlainText().trimmed();
    record.codeCommuneDeclaration = m_declarationCode;
    return record;
}

QString FicheFields::typedName() const
{
    return text(m_nom);
}

void FicheFields::setEditable(bool editable)
{
    for (QLineEdit *edit : findChildren<QLineEdit *>()) {
        if (edit != m_code)
            edit->setReadOnly(!editable);
    }
    for (QComboBox *combo : {m_projection, m_communes, m_pays, m_contacts})
        combo->setEnabled(editable);
    m_commentaire->setReadOnly(!editable);
    m_declaration->setEnabled(editable);
}

void FicheFields::showReferent(std::optional<int> codeContact)
{
    m_referent->setText(codeContact ? contactName(*codeContact) : QStringLiteral("Aucun"));
}

QString FicheFields::contactName(int codeContact) const
{
    const int index = m_contacts->findData(codeContact);
    return index < 0 ? QString::number(codeContact) : m_contacts->itemText(index);
}

void FicheFields::showDeclarationCommune()
{
    m_declaration->setText(AccesBase::instance().isConnected()
                               ? declarationCommuneLabel(AccesBase::instance(), m_declarationCode)
                               : QString());
}

void FicheFields::chooseDeclarationCommune()
{
    QStringList labels{QStringLiteral("(aucune)")};
    for (int i = 1; i < m_communes->count(); ++i)
        labels << m_communes->itemText(i);
    const int current = std::max(0, m_communes->findData(m_declarationCode));
    bool ok = false;
    const QString chosen = QInputDialog::getItem(this, QStringLiteral("Commune de déclaration"),
                                                 QStringLiteral("Commune de déclaration :"), labels,
                                                 current, false, &ok);
    if (!ok)
        return;
    const int index = int(labels.indexOf(chosen));
    m_declarationCode = index <= 0 ? QString() : m_communes->itemData(index).toString();
    showDeclarationCommune();
    emit edited();
}

} // namespace plx
