#include "run/widgets/administrationdonnees.h"

#include "base/messages.h"
#include "config/settings.h"
#include "db/accesbase.h"
#include "db/sqltext.h"
#include "db/transaction.h"
#include "run/runoptions.h"
#include "schema/periodes.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QVBoxLayout>

namespace plx {

namespace {

QString monthCaption(int month)
{
    // "01 - janvier": the number first, as the option stores it.
    const QString name = QLocale(QLocale::French, QLocale::France).standaloneMonthName(month);
    return QStringLiteral("%1 - %2").arg(month, 2, 10, QLatin1Char('0')).arg(name);
}

void setError(QString *error, const QString &text)
{
    if (error)
        *error = text;
}

} // namespace

std::optional<std::array<ParameterLabel, 3>> readParameterLabels(AccesBase &db, QString *error)
{
    const RecordTable rows = db.ExtraireRecords(QStringLiteral(
        "SELECT id, libelle FROM PARAMETRAGE_DATA WHERE projet='PLX' AND id IN (1, 2, 3)"));
    if (!rows.ok()) {
        setError(error, rows.error());
        return std::nullopt;
    }
    std::array<ParameterLabel, 3> labels{};
    for (int r = 0; r < rows.rowCount(); ++r) {
        const int id = qRound(rows.text(r, 0).toDouble());
        if (id < 1 || id > 3 || labels[id - 1].hasRow)
            continue;
        labels[id - 1] = {true, rows.text(r, 1).trimmed()};
    }
    return labels;
}

bool writeParameterLabels(AccesBase &db, const std::array<ParameterLabel, 3> &before,
                          const std::array<ParameterLabel, 3> &after, QString *error)
{
    if (before == after)
        return true;
    Transaction transaction(db);
    if (!transaction.started()) {
        setError(error, transaction.error());
        return false;
    }
    for (int i = 0; i < 3; ++i) {
        if (before[i] == after[i])
            continue;
        const QString id = sqlNumber(i + 1);
        // Rows another client wrote as 'plx' go too: one label per parameter.
        if (!transaction.exec(
                QStringLiteral("DELETE FROM PARAMETRAGE_DATA WHERE ucase(projet)='PLX' "
                               "AND id=") +
                id)) {
            setError(error, transaction.error());
            return false;
        }
        if (!after[i].hasRow)
            continue;
        const QString label =
            after[i].label.isEmpty() ? QStringLiteral("null") : sqlQuote(after[i].label);
        if (!transaction.exec(QStringLiteral("INSERT INTO PARAMETRAGE_DATA (id, libelle, projet) "
                                             "VALUES (%1, %2, 'PLX')")
                                  .arg(id, label))) {
            setError(error, transaction.error());
            return false;
        }
    }
    if (!transaction.commit()) {
        setError(error, transaction.error());
        return false;
    }
    return true;
}

AdministrationDonnees::AdministrationDonnees(QWidget *parent) : AdministrationPage(parent)
{
    auto *layout = new QVBoxLayout(this);

    auto *year = new QFormLayout;
    m_month = new QComboBox(this);
    m_month->setObjectName(QStringLiteral("MoisDebutAnneeHydro"));
    for (int month = 1; month <= 12; ++month)
        m_month->addItem(monthCaption(month),
                         QStringLiteral("%1").arg(month, 2, 10, QLatin1Char('0')));
    m_month->setToolTip(
        QStringLiteral("Commun à tous les utilisateurs : le calendrier des périodes "
                       "est mis à jour à l'enregistrement"));
    year->addRow(QStringLiteral("Début de l'année &hydrologique :"), m_month);
    layout->addLayout(year);

    auto *group = new QGroupBox(QStringLiteral("Libellés des paramètres libres"), this);
    group->setObjectName(QStringLiteral("GrpParametres"));
    auto *grid = new QGridLayout(group);
    for (int i = 0; i < 3; ++i) {
        const QString n = QString::number(i + 1);
        auto *caption = new QLabel(QStringLiteral("Paramètre &%1 :").arg(n), group);
        m_shown[i] = new QCheckBox(QStringLiteral("Affiché"), group);
        m_shown[i]->setObjectName(QStringLiteral("ChkParametre") + n);
        m_shown[i]->setToolTip(QStringLiteral("Décoché : le paramètre n'est pas affiché"));
        m_labels[i] = new QLineEdit(group);
        m_labels[i]->setObjectName(QStringLiteral("LibelleParametre") + n);
        m_labels[i]->setMaxLength(255);
        m_labels[i]->setPlaceholderText(QStringLiteral("Param") + n);
        caption->setBuddy(m_labels[i]);
        grid->addWidget(caption, i, 0);
        grid->addWidget(m_labels[i], i, 1);
        grid->addWidget(m_shown[i], i, 2);
        connect(m_labels[i], &QLineEdit::textChanged, this, [this] { markModified(); });
        connect(m_shown[i], &QCheckBox::toggled, this, [this] {
            updateLabelFields();
            markModified();
        });
    }
    grid->setColumnStretch(1, 1);
    layout->addWidget(group);
    layout->addStretch(1);

    connect(m_month, &QComboBox::currentIndexChanged, this, [this] { markModified(); });
}

void AdministrationDonnees::updateLabelFields()
{
    for (int i = 0; i < 3; ++i)
        m_labels[i]->setEnabled(m_labelsReadable && m_shown[i]->isChecked());
}

std::array<ParameterLabel, 3> AdministrationDonnees::typedLabels() const
{
    std::array<ParameterLabel, 3> labels{};
    for (int i = 0; i < 3; ++i) {
        const QString text = m_labels[i]->text().trimmed();
        if (!m_shown[i]->isChecked())
            labels[i] = {true, QString()};
        else if (!text.isEmpty())
            labels[i] = {true, text};
    }
    return labels;
}

void AdministrationDonnees::load()
{
    m_loading = true;
    AccesBase &db = AccesBase::instance();
    m_loadedMonth = readHydroStartMonth(db);
    m_month->setCurrentIndex(qBound(0, m_loadedMonth.toInt() - 1, 11));

    QString error;
    const auto labels = readParameterLabels(db, &error);
    m_labelsReadable = labels.has_value();
    m_loadedLabels = labels.value_or(std::array<ParameterLabel, 3>{});
    for (int i = 0; i < 3; ++i) {
        const ParameterLabel &l = m_loadedLabels[i];
        m_shown[i]->setChecked(!l.hasRow || !l.label.isEmpty());
        m_shown[i]->setEnabled(m_labelsReadable);
        m_labels[i]->setText(l.label);
    }
    const QString tip =
        m_labelsReadable
            ? QString()
            : QStringLiteral("La table PARAMETRAGE_DATA n'a pas pu être lue : %1").arg(error);
    for (QLineEdit *edit : m_labels)
        edit->setToolTip(tip);
    updateLabelFields();
    m_loading = false;
    setModified(false);
}

bool AdministrationDonnees::validate()
{
    return true;
}

bool AdministrationDonnees::save()
{
    AccesBase &db = AccesBase::instance();
    const QString month = m_month->currentData().toString();
    if (month != m_loadedMonth) {
        QString error;
        if (!writeHydroStartMonth(db, month, currentLogin(), &error)) {
            showMessage(MessageKind::Erreur,
                        QStringLiteral("Le mois de début de l'année hydrologique n'a pas pu être "
                                       "enregistré : %1")
                            .arg(error));
            return false;
        }
        runOptions().moisDebutAnneeHydro = month;
        m_loadedMonth = month;
    }

    if (m_labelsReadable) {
        const std::array<ParameterLabel, 3> labels = typedLabels();
        QString error;
        if (!writeParameterLabels(db, m_loadedLabels, labels, &error)) {
            showMessage(
                MessageKind::Erreur,
                QStringLiteral("Les libellés des paramètres n'ont pas pu être enregistrés : %1")
                    .arg(error));
            return false;
        }
        m_loadedLabels = labels;
    }
    setModified(false);
    return true;
}

} // namespace plx
