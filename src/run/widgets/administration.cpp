#include "run/widgets/administration.h"

#include "base/messages.h"
#include "db/accesbase.h"
#include "run/runoptions.h"
#include "run/widgets/administrationbases.h"
#include "run/widgets/administrationdonnees.h"
#include "run/widgets/administrationoptions.h"
#include "session/journal.h"

#include <QCloseEvent>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTime>
#include <QVBoxLayout>

#include <algorithm>

namespace plx {

namespace {

// Options the run already holds in memory take their new value at once.
void applyToRun(const QString &key, const QString &value)
{
    RunOptions &options = runOptions();
    const std::pair<const char *, QString *> folders[] = {
        {"CheminEdition", &options.cheminEdition},
        {"CheminModeles", &options.cheminModeles},
        {"CheminExport", &options.cheminExport},
        {"CheminPhotos", &options.cheminPhotos},
        {"CheminDocuments", &options.cheminDocuments}};
    for (const auto &[name, field] : folders) {
        if (key == QLatin1String(name))
            *field = withTrailingSeparator(value);
    }
    // Cleared report folders go back to their defaults, as at login.
    if (value.trimmed().isEmpty() && key == QLatin1String("CheminEdition"))
        options.cheminEdition = defaultOutputFolder();
    if (value.trimmed().isEmpty() && key == QLatin1String("CheminModeles"))
        options.cheminModeles = defaultTemplateFolder();
    if (key == QLatin1String("FichierAide"))
        options.fichierAide = value;
    if (key == QLatin1String("LogLevel")) {
        const int level = value.isEmpty() ? 2 : value.toInt();
        setJournalLogLevel(level);
        AccesBase::instance().NiveauTrace(level);
    }
}

} // namespace

Administration::Administration(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Administration"));
    setWindowTitle(QStringLiteral("Administration[*]"));

    auto *layout = new QVBoxLayout(this);
    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("TabAdministration"));
    layout->addWidget(m_tabs, 1);

    const FolderChooser chooser = [this](const QString &title, const QString &start) {
        return chooseFolder(title, start);
    };
    auto options = [&](std::vector<OptionSpec> specs) {
        auto *page = new OptionsPage(std::move(specs), chooser);
        page->onSaved = applyToRun;
        return page;
    };
    addPage(options(pathOptions()), QStringLiteral("&Chemins"), QStringLiteral("PageChemins"));
    addPage(new AdministrationDonnees, QStringLiteral("&Données"), QStringLiteral("PageDonnees"));
    addPage(options(exportOptions()), QStringLiteral("E&xports"), QStringLiteral("PageExports"));
    addPage(options(journalNetworkOptions()), QStringLiteral("&Journal et réseau"),
            QStringLiteral("PageJournal"));
    addPage(new AdministrationBases(chooser), QStringLiteral("&Bases de données"),
            QStringLiteral("PageBases"));
    addPage(options(ftpOptions()), QStringLiteral("&FTP"), QStringLiteral("PageFtp"));

    auto *bottom = new QHBoxLayout;
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("lblEtat"));
    bottom->addWidget(m_status, 1);
    m_save = new QPushButton(QStringLiteral("&Enregistrer"), this);
    m_save->setObjectName(QStringLiteral("CmdEnregistrer"));
    m_save->setToolTip(QStringLiteral("Enregistre les modifications de tous les onglets"));
    bottom->addWidget(m_save);
    layout->addLayout(bottom);
    connect(m_save, &QPushButton::clicked, this, [this] { declencheEnregistrer(); });

    reload();
}

void Administration::addPage(AdministrationPage *page, const QString &title,
                             const QString &objectName)
{
    page->setObjectName(objectName);
    m_tabs->addTab(page, title);
    m_pages.push_back(page);
    connect(page, &AdministrationPage::modifiedChanged, this, &Administration::updateState);
}

QSize Administration::sizeHint() const
{
    return QWidget::sizeHint().expandedTo(QSize(880, 520));
}

void Administration::setFolderChooser(FolderChooser chooser)
{
    m_folderChooser = std::move(chooser);
}

QString Administration::chooseFolder(const QString &title, const QString &start)
{
    if (m_folderChooser)
        return m_folderChooser(title, start);
    return QFileDialog::getExistingDirectory(this, title, start);
}

bool Administration::isModified() const
{
    return std::any_of(m_pages.begin(), m_pages.end(),
                       [](const AdministrationPage *p) { return p->isModified(); });
}

void Administration::updateState()
{
    const bool modified = isModified();
    m_save->setEnabled(modified && !m_saving);
    if (modified)
        m_status->setText(QStringLiteral("Modifications non enregistrées"));
    for (int i = 0; i < m_tabs->count(); ++i) {
        // A mark on the tabs holding changes, so none is forgotten.
        const auto *page = static_cast<AdministrationPage *>(m_tabs->widget(i));
        QString text = m_tabs->tabText(i);
        if (text.endsWith(QLatin1String(" *")))
            text.chop(2);
        m_tabs->setTabText(i, page->isModified() ? text + QStringLiteral(" *") : text);
    }
    setWindowModified(modified);
}

void Administration::reload()
{
    for (AdministrationPage *page : m_pages)
        page->load();
    m_status->clear();
    updateState();
}

bool Administration::declencheEnregistrer()
{
    if (m_saving)
        return false;
    // Every tab is checked first: nothing is written while a typed value is wrong.
    for (AdministrationPage *page : m_pages) {
        if (!page->validate()) {
            m_tabs->setCurrentWidget(page);
            return false;
        }
    }
    m_saving = true;
    updateState();
    bool ok = true;
    for (AdministrationPage *page : m_pages) {
        if (page->isModified() && !page->save()) {
            m_tabs->setCurrentWidget(page);
            ok = false;
            break;
        }
    }
    m_saving = false;
    updateState();
    if (ok)
        m_status->setText(QStringLiteral("Enregistré à %1")
                              .arg(QTime::currentTime().toString(QStringLiteral("HH:mm:ss"))));
    return ok;
}

void Administration::DeclenchePoubelle()
{
    if (!isModified())
        return;
    if (showMessage(MessageKind::Question,
                    QStringLiteral("Voulez-vous abandonner les modifications non enregistrées ?")))
        reload();
}

void Administration::closeEvent(QCloseEvent *event)
{
    if (isModified() &&
        !showMessage(MessageKind::Question,
                     QStringLiteral("Les modifications de l'administration n'ont pas été "
                                    "enregistrées. Voulez-vous fermer la fenêtre sans les "
                                    "enregistrer ?"))) {
        event->ignore();
        return;
    }
    event->accept();
}

} // namespace plx
