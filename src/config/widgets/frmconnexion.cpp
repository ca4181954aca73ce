#include "config/widgets/frmconnexion.h"

#include "base/messages.h"
#include "base/widgets/navigator.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace plx {

namespace {

QLineEdit *lineEdit(const QString &name, QWidget *parent)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(name);
    return edit;
}

QPushButton *button(const QString &name, const QString &text, QWidget *parent)
{
    auto *push = new QPushButton(text, parent);
    push->setObjectName(name);
    // Enter belongs to the field being typed in (see the returnPressed connections).
    push->setAutoDefault(false);
    return push;
}

} // namespace

FrmConnexion::FrmConnexion(Origin origin, QWidget *parent) : QDialog(parent), m_origin(origin)
{
    setObjectName(QStringLiteral("FrmConnexion"));
    setWindowTitle(QStringLiteral("Connexion à la base de données"));
    buildUi();
    loadFields();
    loadDefinitions();
    updateButtons();
}

void FrmConnexion::buildUi()
{
    auto *layout = new QVBoxLayout(this);

    auto *bases = new QFormLayout;
    m_cboBases = new QComboBox(this);
    m_cboBases->setObjectName(QStringLiteral("cboBases"));
    m_cboBases->setToolTip(QStringLiteral("Bases définies dans le fichier databases.properties"));
    bases->addRow(QStringLiteral("Bases &définies :"), m_cboBases);
    layout->addLayout(bases);

    auto *local = new QGroupBox(QStringLiteral("Base locale (fichier)"), this);
    auto *localLayout = new QVBoxLayout(local);
    auto *fileRow = new QHBoxLayout;
    m_txtBasePiezo = lineEdit(QStringLiteral("TxtBasePiezo"), local);
    m_txtBasePiezo->setMinimumWidth(320);
    m_txtBasePiezo->setToolTip(
        QStringLiteral("Fichier de base de données : SQLite (.sqlite, .db) ou Access (.mdb, "
                       ".accdb, ou une archive .zip qui en contient un)"));
    m_cmdParcourir = button(QStringLiteral("CmdParcourir"), QStringLiteral("&Parcourir…"), local);
    fileRow->addWidget(m_txtBasePiezo, 1);
    fileRow->addWidget(m_cmdParcourir);
    localLayout->addLayout(fileRow);
    auto *useRow = new QHBoxLayout;
    useRow->addStretch(1);
    m_cmdChangementBase =
        button(QStringLiteral("CmdChangementBase"), QStringLiteral("&Utiliser cette base"), local);
    useRow->addWidget(m_cmdChangementBase);
    localLayout->addLayout(useRow);
    layout->addWidget(local);

    auto *server = new QGroupBox(QStringLiteral("Base sur un serveur"), this);
    auto *serverLayout = new QVBoxLayout(server);
    auto *fields = new QFormLayout;
    m_cboTypeBase = new QComboBox(server);
    m_cboTypeBase->setObjectName(QStringLiteral("CboTypeBase"));
    for (const DatabaseKindChoice &choice : databaseKindChoices())
        m_cboTypeBase->addItem(choice.caption, choice.kind);
    m_txtServeur = lineEdit(QStringLiteral("TxtCreationServeur"), server);
    m_txtPort = lineEdit(QStringLiteral("txtCreationPortServeur"), server);
    m_txtPort->setMaximumWidth(100);
    m_txtPort->setPlaceholderText(QStringLiteral("par défaut"));
    m_txtBase = lineEdit(QStringLiteral("TxtCreationBase"), server);
    m_txtUser = lineEdit(QStringLiteral("TxtCreationUser"), server);
    m_txtPassWord = lineEdit(QStringLiteral("TxtCreationPassWord"), server);
    m_txtPassWord->setEchoMode(QLineEdit::Password);
    fields->addRow(QStringLiteral("&Type de base :"), m_cboTypeBase);
    fields->addRow(QStringLiteral("&Serveur :"), m_txtServeur);
    fields->addRow(QStringLiteral("P&ort :"), m_txtPort);
    fields->addRow(QStringLiteral("&Base :"), m_txtBase);
    fields->addRow(QStringLiteral("Uti&lisateur :"), m_txtUser);
    fields->addRow(QStringLiteral("&Mot de passe :"), m_txtPassWord);
    serverLayout->addLayout(fields);
    auto *saveRow = new QHBoxLayout;
    saveRow->addStretch(1);
    m_cmdEnregistrer =
        button(QStringLiteral("CmdEnregistrer"), QStringLiteral("&Enregistrer"), server);
    m_cmdEnregistrer->setToolTip(
        QStringLiteral("Teste la connexion puis utilise cette base (le paramétrage précédent est "
                       "conservé si la connexion échoue)"));
    saveRow->addWidget(m_cmdEnregistrer);
    serverLayout->addLayout(saveRow);
    layout->addWidget(server);

    m_lblEtat = new QLabel(this);
    m_lblEtat->setObjectName(QStringLiteral("lblEtat"));
    m_lblEtat->setWordWrap(true);
    m_lblEtat->setMinimumHeight(m_lblEtat->fontMetrics().lineSpacing() * 2);
    m_lblEtat->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(m_lblEtat);

    auto *buttons = new QDialogButtonBox(this);
    m_cmdFermer = button(QStringLiteral("CmdFermer"), QStringLiteral("&Fermer"), this);
    buttons->addButton(m_cmdFermer, QDialogButtonBox::RejectRole);
    layout->addWidget(buttons);

    connect(m_cboBases, &QComboBox::activated, this, &FrmConnexion::chooseDefinition);
    connect(m_cmdParcourir, &QPushButton::clicked, this, &FrmConnexion::chooseAccessFile);
    connect(m_cmdChangementBase, &QPushButton::clicked, this, &FrmConnexion::useAccessFile);
    connect(m_txtBasePiezo, &QLineEdit::textChanged, this, &FrmConnexion::updateButtons);
    connect(m_txtBasePiezo, &QLineEdit::returnPressed, this, &FrmConnexion::useAccessFile);
    for (QLineEdit *edit : {m_txtServeur, m_txtPort, m_txtBase, m_txtUser, m_txtPassWord})
        connect(edit, &QLineEdit::returnPressed, this, &FrmConnexion::save);
    connect(m_cmdEnregistrer, &QPushButton::clicked, this, &FrmConnexion::save);
    connect(m_cmdFermer, &QPushButton::clicked, this, &FrmConnexion::reject);

    setTabOrder(m_cboBases, m_txtBasePiezo);
    setTabOrder(m_txtBasePiezo, m_cmdParcourir);
    setTabOrder(m_cmdParcourir, m_cmdChangementBase);
    setTabOrder(m_cmdChangementBase, m_cboTypeBase);
    setTabOrder(m_cboTypeBase, m_txtServeur);
    setTabOrder(m_txtServeur, m_txtPort);
    setTabOrder(m_txtPort, m_txtBase);
    setTabOrder(m_txtBase, m_txtUser);
    setTabOrder(m_txtUser, m_txtPassWord);
    setTabOrder(m_txtPassWord, m_cmdEnregistrer);
    setTabOrder(m_cmdEnregistrer, m_cmdFermer);
}

void FrmConnexion::loadFields()
{
    showForm(ConnectionSwitch::loadForm());
}

void FrmConnexion::loadDefinitions()
{
    m_cboBases->clear();
    m_cboBases->addItem(QString());
    const QString path = databasesPropertiesPath();
    m_definitions = LireDefinitionsBases(path);
    for (const DatabaseDefinition &definition : m_definitions)
        m_cboBases->addItem(definition.name);
    m_cboBases->setEnabled(!m_definitions.empty());
    if (m_definitions.empty())
        m_cboBases->setToolTip(
            path.isEmpty() ? QStringLiteral("Aucun fichier databases.properties n'est paramétré")
                           : QStringLiteral("Aucune base définie dans %1").arg(path));
}

ConnectionForm FrmConnexion::form() const
{
    ConnectionForm f;
    f.accessPath = m_txtBasePiezo->text().trimmed();
    f.kind = m_cboTypeBase->currentData().toString();
    f.server = m_txtServeur->text().trimmed();
    f.port = m_txtPort->text().trimmed();
    f.database = m_txtBase->text().trimmed();
    f.user = m_txtUser->text().trimmed();
    f.password = m_txtPassWord->text();
    return f;
}

void FrmConnexion::showForm(const ConnectionForm &f)
{
    m_txtBasePiezo->setText(f.accessPath);
    selectKind(f.kind);
    m_txtServeur->setText(f.server);
    m_txtPort->setText(f.port);
    m_txtBase->setText(f.database);
    m_txtUser->setText(f.user);
    m_txtPassWord->setText(f.password);
}

void FrmConnexion::selectKind(const QString &kind)
{
    // Two captions share "ORACLE": the first one is the plain Oracle entry.
    const int index = m_cboTypeBase->findData(kind.toUpper());
    m_cboTypeBase->setCurrentIndex(index < 0 ? 0 : index);
}

void FrmConnexion::updateButtons()
{
    m_cmdChangementBase->setEnabled(!m_busy && !m_txtBasePiezo->text().trimmed().isEmpty());
}

void FrmConnexion::showState(const QString &text)
{
    m_lblEtat->setText(text);
    // Connecting blocks: let the label paint, but no click may start a second switch.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void FrmConnexion::setScreenCloser(std::function<bool()> closer)
{
    m_screenCloser = std::move(closer);
}

bool FrmConnexion::closeScreens()
{
    if (m_screenCloser)
        return m_screenCloser();
    if (m_origin != Origin::MainWindow)
        return true;
    Navigator *navigator = navigatorFor(parentWidget());
    return !navigator || navigator->closeAllScreens();
}

void FrmConnexion::chooseAccessFile()
{
    const QString current = m_txtBasePiezo->text().trimmed();
    const QString start = current.isEmpty() ? QString() : QFileInfo(current).absolutePath();
    const QString path =
        QFileDialog::getOpenFileName(this, QStringLiteral("Choisir la base de données"), start,
                                     QStringLiteral("Bases (*.sqlite *.db *.mdb *.accdb *.zip)"));
    if (!path.isEmpty())
        m_txtBasePiezo->setText(QDir::toNativeSeparators(path));
}

void FrmConnexion::useAccessFile()
{
    if (m_txtBasePiezo->text().trimmed().isEmpty())
        return;
    const ConnectionForm f = form();
    run([f](ConnectionSwitch &s) { return s.switchToAccess(f); });
}

void FrmConnexion::save()
{
    const ConnectionForm f = form();
    run([f](ConnectionSwitch &s) { return s.saveServer(f); });
}

void FrmConnexion::changementBase()
{
    run([](ConnectionSwitch &s) { return s.changementBase(); });
}

void FrmConnexion::chooseDefinition(int index)
{
    if (index <= 0 || m_busy)
        return;
    ConnectionForm f = form();
    bool passwordUnreadable = false;
    if (!ConnectionSwitch::fillFromDefinition(m_definitions, m_cboBases->itemText(index), &f,
                                              &passwordUnreadable))
        return;
    showForm(f);
    const auto chosen =
        std::find_if(m_definitions.begin(), m_definitions.end(), [&](const DatabaseDefinition &d) {
            return d.name == m_cboBases->itemText(index);
        });
    if (chosen->isAccess()) {
        useAccessFile();
        return;
    }
    if (passwordUnreadable) {
        // The file was written with another key: the password must come from the user.
        showState(QStringLiteral("Mot de passe à saisir"));
        showMessage(MessageKind::Aide,
                    QStringLiteral("Le mot de passe de la base « %1 » n'a pas pu être lu dans le "
                                   "fichier databases.properties. Merci de le saisir puis "
                                   "d'enregistrer.")
                        .arg(chosen->name));
        m_txtPassWord->setFocus();
        return;
    }
    save();
}

void FrmConnexion::run(const std::function<ConnectionSwitch::Result(ConnectionSwitch &)> &step)
{
    if (m_busy)
        return;
    m_busy = true;
    const QList<QWidget *> inputs{m_cboBases,    m_txtBasePiezo,   m_cmdParcourir, m_cboTypeBase,
                                  m_txtServeur,  m_txtPort,        m_txtBase,      m_txtUser,
                                  m_txtPassWord, m_cmdEnregistrer, m_cmdFermer};
    for (QWidget *w : inputs)
        w->setEnabled(false);
    updateButtons();
    QApplication::setOverrideCursor(Qt::WaitCursor);

    ConnectionSwitch::Hooks hooks;
    hooks.showState = [this](const QString &text) { showState(text); };
    hooks.closeScreens = [this] { return closeScreens(); };
    hooks.beforeSwitch = [this] { emit aboutToChangeBase(); };
    ConnectionSwitch connectionSwitch(m_origin, std::move(hooks));
    m_lastResult = step(connectionSwitch);

    QApplication::restoreOverrideCursor();
    for (QWidget *w : inputs)
        w->setEnabled(true);
    m_cboBases->setEnabled(!m_definitions.empty());
    m_busy = false;
    updateButtons();

    switch (m_lastResult) {
    case ConnectionSwitch::Result::Switched:
        emit baseChanged();
        accept();
        break;
    case ConnectionSwitch::Result::NotConnected:
        // The new profile is stored: the login screen shows it, and the user may fix it here.
        emit baseChanged();
        break;
    default:
        break;
    }
}

void FrmConnexion::reject()
{
    if (!m_busy)
        QDialog::reject();
}

} // namespace plx
