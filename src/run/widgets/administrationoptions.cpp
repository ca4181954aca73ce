#include "run/widgets/administrationoptions.h"

#include "base/messages.h"
#include "config/connectionswitch.h"
#include "config/settings.h"
#include "run/runoptions.h"

#include <QCheckBox>
#include <QDir>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>

namespace plx {

namespace {

using Type = OptionSpec::Type;
using Store = OptionSpec::Store;

bool isTicked(const QString &value, bool whenEmpty)
{
    const QString v = value.trimmed();
    if (v.isEmpty())
        return whenEmpty;
    return v == QLatin1String("1") || v.compare(QLatin1String("OUI"), Qt::CaseInsensitive) == 0;
}

OptionSpec folder(const QString &key, const QString &label, const QString &toolTip = {})
{
    OptionSpec option;
    option.key = key;
    option.label = label;
    option.type = Type::Folder;
    option.toolTip = toolTip;
    return option;
}

// A folder that falls back to a default while unset: the field shows it.
OptionSpec defaulted(OptionSpec option, const QString &defaultFolder)
{
    option.placeholder = QStringLiteral("Par défaut : ") + defaultFolder;
    option.toolTip += QStringLiteral("\nVide : ") + defaultFolder;
    return option;
}

OptionSpec text(const QString &key, const QString &label, const QString &toolTip = {})
{
    OptionSpec option;
    option.key = key;
    option.label = label;
    option.toolTip = toolTip;
    return option;
}

OptionSpec flag(const QString &key, const QString &label, bool checkedWhenEmpty,
                const QString &toolTip)
{
    OptionSpec option;
    option.key = key;
    option.label = label;
    option.type = Type::Flag;
    option.checkedWhenEmpty = checkedWhenEmpty;
    option.toolTip = toolTip;
    return option;
}

OptionSpec port(const QString &key, const QString &label, const QString &what)
{
    OptionSpec option;
    option.key = key;
    option.label = label;
    option.type = Type::Integer;
    option.minimum = 1;
    option.maximum = 65535;
    option.toolTip = QStringLiteral("Un nombre de 1 à 65535 ; vide : port par défaut");
    option.rangeMessage =
        QStringLiteral("Le port %1 doit être un nombre entier compris entre 1 et 65535.").arg(what);
    return option;
}

} // namespace

std::vector<OptionSpec> pathOptions()
{
    return {
        defaulted(folder(QStringLiteral("CheminEdition"), QStringLiteral("Dossier des édi&tions :"),
                         QStringLiteral("Dossier où sont écrits les documents et impressions "
                                        "produits")),
                  defaultOutputFolder()),
        defaulted(folder(QStringLiteral("CheminModeles"), QStringLiteral("Dossier des &modèles :"),
                         QStringLiteral("Dossier des modèles de documents et de classeurs")),
                  defaultTemplateFolder()),
        folder(QStringLiteral("CheminExport"), QStringLiteral("Dossier des export&s :")),
        folder(QStringLiteral("CheminPhotos"), QStringLiteral("Dossier des &photos :")),
        folder(QStringLiteral("CheminDocuments"), QStringLiteral("Dossier des doc&uments :")),
        folder(QStringLiteral("FichierAide"), QStringLiteral("&Aide (dossier ou adresse web) :"),
               QStringLiteral("Dossier des pages d'aide, ou adresse web commençant par http")),
    };
}

std::vector<OptionSpec> exportOptions()
{
    // "1" is what the export and report routes test; an unset exportExcel means the
    // spreadsheet application and word processor are used.
    return {
        flag(QStringLiteral("exportExcel"),
             QStringLiteral("Exporter vers le &tableur et le traitement de texte (Excel, Word)"),
             true,
             QStringLiteral("Les modèles de documents et de classeurs sont remplis avec "
                            "le tableur et le traitement de texte")),
        flag(QStringLiteral("exportCalc"),
             QStringLiteral("Exporter vers la suite bureauti&que (LibreOffice)"), false,
             QStringLiteral("Les modèles sont remplis avec la suite bureautique")),
        flag(QStringLiteral("exportCSV"), QStringLiteral("Exporter les listes au format CS&V"),
             false,
             QStringLiteral("Fichier texte séparé par des points-virgules, lisible par tout "
                            "tableur")),
    };
}

std::vector<OptionSpec> journalNetworkOptions()
{
    OptionSpec logLevel;
    logLevel.key = QStringLiteral("LogLevel");
    logLevel.label = QStringLiteral("&Niveau de journalisation (0 à 3) :");
    logLevel.type = Type::Integer;
    logLevel.store = Store::Machine; // read at start-up, before anyone logs in
    logLevel.minimum = 0;
    logLevel.maximum = 3;
    logLevel.toolTip = QStringLiteral("0 : aucun événement, 1 : erreurs, 2 : erreurs et "
                                      "informations, 3 : tous les détails ; vide : 2");
    logLevel.rangeMessage = QStringLiteral(
        "Le niveau de journalisation doit être un nombre entier compris entre 0 et 3.");
    return {
        logLevel,
        text(QStringLiteral("proxyURL"), QStringLiteral("Adresse du &proxy :"),
             QStringLiteral("Vide : pas de proxy")),
        port(QStringLiteral("proxyPort"), QStringLiteral("P&ort du proxy :"),
             QStringLiteral("du proxy")),
        text(supportAddressKey(), QStringLiteral("Adresse du &service de support :"),
             QStringLiteral("Adresse web interrogée pour vérifier la version du logiciel")),
        // Hosts only: the list and the record add the pages and the stations' coordinates.
        text(QStringLiteral("UrlServiceCarto"), QStringLiteral("Service de carto&graphie :"),
             QStringLiteral("Adresse du service de cartes de la suite (page /v1/map.html)")),
        text(QStringLiteral("UrlCarteWeb"), QStringLiteral("Carte &web d'un site :"),
             QStringLiteral("Adresse de la carte web centrée sur un pluviomètre ; vide : "
                            "https://www.google.com")),
        text(QStringLiteral("UrlFicheMeteo"), QStringLiteral("Fiches des stations &météo :"),
             QStringLiteral("Adresse des fiches publiques des stations du service météorologique ; "
                            "vide : https://donneespubliques.meteofrance.fr")),
    };
}

std::vector<OptionSpec> ftpOptions()
{
    OptionSpec password = text(QStringLiteral("FtpPassword"), QStringLiteral("&Mot de passe :"));
    password.type = Type::Password;
    return {
        text(QStringLiteral("FtpServer"), QStringLiteral("&Serveur FTP :")),
        port(QStringLiteral("FtpServerPort"), QStringLiteral("P&ort :"),
             QStringLiteral("du serveur FTP")),
        text(QStringLiteral("FtpUsername"), QStringLiteral("&Utilisateur :")),
        password,
        text(QStringLiteral("FtpRemoteFolder"), QStringLiteral("Dossier dis&tant :")),
    };
}

QString supportAddressKey()
{
    return QStringLiteral("UrlSupport");
}

OptionsPage::OptionsPage(std::vector<OptionSpec> specs, FolderChooser chooseFolder, QWidget *parent)
    : AdministrationPage(parent), m_chooseFolder(std::move(chooseFolder))
{
    auto *outer = new QVBoxLayout(this);
    auto *form = new QFormLayout;
    form->setFieldGrowthPolicy(QFormLayout::ExpandingFieldsGrow);
    outer->addLayout(form);
    outer->addStretch(1);

    m_fields.reserve(specs.size());
    for (OptionSpec &option : specs) {
        Field field;
        field.option = std::move(option);
        const OptionSpec &s = field.option;
        if (s.type == Type::Flag) {
            field.check = new QCheckBox(s.label, this);
            field.check->setObjectName(s.key);
            field.check->setToolTip(s.toolTip);
            connect(field.check, &QCheckBox::toggled, this, [this] { markModified(); });
            form->addRow(field.check);
        } else {
            field.edit = new QLineEdit(this);
            field.edit->setObjectName(s.key);
            field.edit->setToolTip(s.toolTip);
            field.edit->setPlaceholderText(s.placeholder);
            connect(field.edit, &QLineEdit::textChanged, this, [this] { markModified(); });
            if (s.type == Type::Password)
                field.edit->setEchoMode(QLineEdit::Password);
            if (s.type == Type::Integer)
                field.edit->setMaximumWidth(
                    field.edit->fontMetrics().horizontalAdvance(QStringLiteral("0000000000")));
            if (s.type == Type::Folder) {
                auto *row = new QHBoxLayout;
                row->addWidget(field.edit, 1);
                auto *pick = new QToolButton(this);
                pick->setObjectName(QStringLiteral("Cmd") + s.key);
                pick->setText(QStringLiteral("…"));
                pick->setToolTip(QStringLiteral("Choisir le dossier"));
                row->addWidget(pick);
                // A label given as text gets no buddy next to a layout: its shortcut
                // would show as a plain "&".
                auto *label = new QLabel(s.label, this);
                label->setBuddy(field.edit);
                form->addRow(label, row);
                const QString key = s.key;
                connect(pick, &QToolButton::clicked, this, [this, key] {
                    for (Field &f : m_fields) {
                        if (f.option.key == key)
                            pickFolder(f);
                    }
                });
            } else {
                form->addRow(s.label, field.edit);
            }
        }
        m_fields.push_back(std::move(field));
    }
}

QString OptionsPage::stored(const OptionSpec &option) const
{
    return option.store == Store::Machine ? readMachineValue(option.key)
                                        : LireParametre(option.key, {}, true);
}

bool OptionsPage::store(const OptionSpec &option, const QString &value) const
{
    return option.store == Store::Machine ? writeMachineValue(option.key, value)
                                        : EcrireParametre(option.key, value);
}

QString OptionsPage::current(const Field &field) const
{
    switch (field.option.type) {
    case Type::Flag:
        return field.check->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
    case Type::Password:
        return field.edit->text(); // blanks may belong to a password
    case Type::Integer: {
        bool ok = false;
        const int n = field.edit->text().trimmed().toInt(&ok);
        // Numbers are stored as the program writes them ("07" becomes "7").
        return ok ? QString::number(n) : field.edit->text().trimmed();
    }
    default:
        return field.edit->text().trimmed();
    }
}

QString OptionsPage::value(const QString &key) const
{
    for (const Field &field : m_fields) {
        if (field.option.key.compare(key, Qt::CaseInsensitive) == 0)
            return current(field);
    }
    return {};
}

void OptionsPage::load()
{
    m_loading = true;
    for (Field &field : m_fields) {
        const QString value = stored(field.option);
        if (field.check)
            field.check->setChecked(isTicked(value, field.option.checkedWhenEmpty));
        else
            field.edit->setText(value);
        field.loaded = current(field);
    }
    m_loading = false;
    setModified(false);
}

bool OptionsPage::validate()
{
    for (Field &field : m_fields) {
        if (field.option.type != Type::Integer)
            continue;
        const QString typed = field.edit->text().trimmed();
        if (typed.isEmpty())
            continue;
        bool ok = false;
        const int n = typed.toInt(&ok);
        if (!ok || n < field.option.minimum || n > field.option.maximum) {
            showMessage(MessageKind::Erreur, field.option.rangeMessage);
            field.edit->setFocus();
            field.edit->selectAll();
            return false;
        }
    }
    return true;
}

bool OptionsPage::save()
{
    for (Field &field : m_fields) {
        const QString value = current(field);
        if (value == field.loaded)
            continue;
        if (!store(field.option, value)) {
            showMessage(
                MessageKind::Erreur,
                QStringLiteral("L'option %1 n'a pas pu être enregistrée.").arg(field.option.key));
            return false;
        }
        field.loaded = value;
        if (onSaved)
            onSaved(field.option.key, value);
    }
    setModified(false);
    return true;
}

void OptionsPage::pickFolder(Field &field)
{
    if (!m_chooseFolder)
        return;
    const QString chosen =
        m_chooseFolder(QStringLiteral("Choisir le dossier"), field.edit->text().trimmed());
    if (!chosen.isEmpty())
        field.edit->setText(QDir::toNativeSeparators(chosen));
}

} // namespace plx
