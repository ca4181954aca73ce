#include "run/widgets/login.h"

#include "config/connectionprofile.h"
#include "config/settings.h"
#include "config/verifierconnexion.h"
#include "config/widgets/frmconnexion.h"
#include "db/accesbase.h"
#include "run/loginsequence.h"
#include "schema/usertables.h"

#include <QApplication>
#include <QCheckBox>
#include <QCoreApplication>
#include <QFormLayout>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QShowEvent>
#include <QTimer>
#include <QVBoxLayout>

namespace plx {

namespace {

QLabel *makeLabel(QWidget *parent, const char *name, const QString &text = {})
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

void scaleFont(QWidget *widget, double factor, bool bold)
{
    QFont font = widget->font();
    font.setPointSizeF(font.pointSizeF() * factor);
    font.setBold(bold);
    widget->setFont(font);
}

// A quieter text colour than the window text, from the palette (dark themes included).
void soften(QWidget *widget)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, palette.color(QPalette::PlaceholderText));
    widget->setPalette(palette);
}

// A long path shown whole would widen the dialog: elided in the middle, whole in the
// tooltip. text() keeps the whole path.
class ElidedLabel : public QLabel
{
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        const QString shown =
            fontMetrics().elidedText(text(), Qt::ElideMiddle, contentsRect().width());
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(contentsRect(), int(alignment()), shown);
    }
    QSize minimumSizeHint() const override
    {
        return QSize(fontMetrics().averageCharWidth() * 12, QLabel::minimumSizeHint().height());
    }
};

} // namespace

QIcon Login::programIcon()
{
    // A rain drop, drawn rather than shipped: it stays sharp at every size.
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        const double s = size;
        QPainterPath drop;
        drop.moveTo(s * 0.5, s * 0.06);
        drop.cubicTo(s * 0.62, s * 0.30, s * 0.86, s * 0.46, s * 0.86, s * 0.62);
        drop.arcTo(QRectF(s * 0.14, s * 0.28, s * 0.72, s * 0.68), 0, -180);
        drop.cubicTo(s * 0.14, s * 0.48, s * 0.38, s * 0.30, s * 0.5, s * 0.06);
        QLinearGradient fill(0, 0, 0, s);
        fill.setColorAt(0, QColor(0x4f, 0xa3, 0xe0));
        fill.setColorAt(1, QColor(0x1c, 0x5d, 0x99));
        painter.setPen(Qt::NoPen);
        painter.setBrush(fill);
        painter.drawPath(drop);
        painter.setBrush(QColor(255, 255, 255, 110));
        painter.drawEllipse(QRectF(s * 0.32, s * 0.56, s * 0.14, s * 0.2));
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

Login::Login(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Login"));
    setWindowTitle(QStringLiteral("PLXReader - Connexion"));
    setWindowIcon(programIcon());
    buildUi();
}

void Login::buildUi()
{
    // Header: the program's mark, name and purpose.
    auto *icon = new QLabel(this);
    icon->setPixmap(programIcon().pixmap(48, 48));
    auto *title = new QLabel(QStringLiteral("PLXReader"), this);
    scaleFont(title, 1.8, true);
    auto *subtitle = new QLabel(QStringLiteral("Gestion des réseaux de pluviomètres"), this);
    soften(subtitle);
    auto *titles = new QVBoxLayout;
    titles->setSpacing(0);
    titles->addWidget(title);
    titles->addWidget(subtitle);
    auto *header = new QHBoxLayout;
    header->setSpacing(14);
    header->addWidget(icon, 0, Qt::AlignTop);
    header->addLayout(titles, 1);

    auto *line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);

    m_txtNom = new QLineEdit(this);
    m_txtNom->setObjectName(QStringLiteral("Txt_Nom"));
    m_txtNom->setPlaceholderText(QStringLiteral("Identifiant"));
    m_txtMotPass = new QLineEdit(this);
    m_txtMotPass->setObjectName(QStringLiteral("Txt_MotPass"));
    m_txtMotPass->setEchoMode(QLineEdit::Password);
    m_txtMotPass->setPlaceholderText(QStringLiteral("Mot de passe"));
    m_chkAutomatic = new QCheckBox(QStringLiteral("Se souvenir de moi"), this);
    m_chkAutomatic->setObjectName(QStringLiteral("ChkAutomatic"));
    m_chkAutomatic->setToolTip(QStringLiteral("Se connecter automatiquement avec cet "
                                              "utilisateur au prochain démarrage"));

    auto *form = new QFormLayout;
    form->setFieldGrowthPolicy(QFormLayout::ExpandingFieldsGrow);
    form->setHorizontalSpacing(12);
    form->setVerticalSpacing(8);
    auto *nameLabel = new QLabel(QStringLiteral("&Utilisateur"), this);
    nameLabel->setBuddy(m_txtNom);
    auto *passwordLabel = new QLabel(QStringLiteral("&Mot de passe"), this);
    passwordLabel->setBuddy(m_txtMotPass);
    form->addRow(nameLabel, m_txtNom);
    form->addRow(passwordLabel, m_txtMotPass);
    form->addRow(QString(), m_chkAutomatic);

    m_lblEtat = makeLabel(this, "lblEtat");
    m_lblEtat->setWordWrap(true);
    m_lblEtat->setMinimumHeight(m_lblEtat->fontMetrics().height() * 2);
    m_lblEtat->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    soften(m_lblEtat);

    // The database in use, with the button that changes it.
    auto *databaseCaption = new QLabel(QStringLiteral("Base de données :"), this);
    soften(databaseCaption);
    m_lblUtilisee = new ElidedLabel(this);
    m_lblUtilisee->setObjectName(QStringLiteral("lblUtilisee"));
    m_lblUtilisee->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_lblUtilisee->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_cmdConnexion = new QPushButton(QStringLiteral("&Changer de base…"), this);
    m_cmdConnexion->setObjectName(QStringLiteral("CmdConnexion"));
    m_cmdConnexion->setToolTip(QStringLiteral("Choisir la base de données ou le serveur"));
    auto *database = new QGridLayout;
    database->setHorizontalSpacing(8);
    database->addWidget(databaseCaption, 0, 0);
    database->addWidget(m_lblUtilisee, 0, 1);
    database->addWidget(m_cmdConnexion, 0, 2);
    database->setColumnStretch(1, 1);

    m_ctlVersion = makeLabel(this, "CtlVersion", QStringLiteral("Version ") + programVersion());
    soften(m_ctlVersion);
    m_cmdValider = new QPushButton(QStringLiteral("Se &connecter"), this);
    m_cmdValider->setObjectName(QStringLiteral("CmdValider"));
    m_cmdValider->setDefault(true);
    m_cmdQuitter = new QPushButton(QStringLiteral("&Quitter"), this);
    m_cmdQuitter->setObjectName(QStringLiteral("CmdQuitter"));
    m_cmdQuitter->setAutoDefault(false);
    m_cmdConnexion->setAutoDefault(false);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_ctlVersion, 1, Qt::AlignBottom);
    buttons->addWidget(m_cmdQuitter);
    buttons->addWidget(m_cmdValider);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(28, 24, 28, 20);
    layout->setSpacing(14);
    layout->addLayout(header);
    layout->addWidget(line);
    layout->addLayout(form);
    layout->addWidget(m_lblEtat);
    layout->addLayout(database);
    layout->addLayout(buttons);
    setMinimumWidth(480);

    setTabOrder(m_txtNom, m_txtMotPass);
    setTabOrder(m_txtMotPass, m_chkAutomatic);
    setTabOrder(m_chkAutomatic, m_cmdValider);
    setTabOrder(m_cmdValider, m_cmdQuitter);
    setTabOrder(m_cmdQuitter, m_cmdConnexion);

    // Enter in a field reaches the default button: one start, never two.
    connect(m_cmdValider, &QPushButton::clicked, this, &Login::startLogin);
    connect(m_cmdQuitter, &QPushButton::clicked, this, &Login::reject);
    connect(m_cmdConnexion, &QPushButton::clicked, this, &Login::openConnectionScreen);
}

void Login::setState(const QString &text)
{
    m_lblEtat->setText(text);
    m_lblEtat->setVisible(true);
    // Let the step show while the sequence goes on (user input waits).
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void Login::setDatabaseLabel(const QString &text)
{
    m_lblUtilisee->setText(text);
    m_lblUtilisee->setToolTip(text);
}

void Login::setInputsEnabled(bool enabled)
{
    for (QWidget *widget : {static_cast<QWidget *>(m_txtNom), static_cast<QWidget *>(m_txtMotPass),
                            static_cast<QWidget *>(m_chkAutomatic),
                            static_cast<QWidget *>(m_cmdValider),
                            static_cast<QWidget *>(m_cmdConnexion)})
        widget->setEnabled(enabled);
}

void Login::demarrer(const LoginStart &start)
{
    m_start = start;
    initialiseJournalAndTrace();
    if (start.database.isEmpty()) {
        loadRunProfileFromSettings();
    } else {
        ConnectionProfile &profile = runProfile();
        profile = ConnectionProfile();
        profile.kind = QStringLiteral("ACCESS");
        profile.database = start.database;
    }
    setDatabaseLabel(runProfile().database);

    m_busy = true;
    setInputsEnabled(false);
    const bool connected = VerifierConnexion([this](const QString &text) { setState(text); },
                                             [this](const QString &text) { setDatabaseLabel(text); });
    m_busy = false;
    setInputsEnabled(true);
    afterConnection(connected);
}

void Login::afterConnection(bool connected)
{
    m_connected = connected;
    m_chkAutomatic->setChecked(
        LireParametre(QStringLiteral("ConnexionAutomatic")) == QLatin1String("OUI"));
    if (!connected) {
        // Nothing to log in to until another database is chosen.
        setState(QStringLiteral("La connexion à la base de données n'a pas pu être établie. "
                                "Choisissez une autre base avec « Changer de base… »."));
        m_cmdValider->setEnabled(false);
        m_cmdConnexion->setFocus();
        return;
    }
    m_cmdValider->setEnabled(true);
    if (m_start.asAdministrator) {
        QTimer::singleShot(0, this, [this] { runSequence(true); });
        return;
    }
    setState(QStringLiteral("Initialisation des droits par défaut"));
    ensureDefaultUserTables(AccesBase::instance());
    m_lblEtat->clear();
    if (m_txtNom->text().isEmpty())
        m_txtNom->setText(LireParametre(QStringLiteral("LastUser"), {}, true));
    focusFirstEmptyField();
    if (m_chkAutomatic->isChecked() && !m_start.fromCommandLine)
        QTimer::singleShot(0, this, &Login::startLogin);
}

void Login::startLogin()
{
    runSequence(false);
}

void Login::runSequence(bool asAdministrator)
{
    if (m_busy || !m_connected)
        return;
    m_busy = true;
    setInputsEnabled(false);
    QApplication::setOverrideCursor(Qt::WaitCursor);

    LoginRequest request;
    request.login = m_txtNom->text();
    request.password = m_txtMotPass->text();
    request.remember = m_chkAutomatic->isChecked();
    request.asAdministrator = asAdministrator;
    request.fromCommandLine = m_start.fromCommandLine;
    const LoginStatus status =
        runLoginSequence(request, [this](const QString &text) { setState(text); });

    QApplication::restoreOverrideCursor();
    setInputsEnabled(true);
    m_busy = false;
    switch (status) {
    case LoginStatus::LoggedIn:
        emit loggedIn();
        return;
    case LoginStatus::UnknownUser:
        m_lblEtat->setVisible(false);
        m_txtNom->setFocus();
        m_txtNom->selectAll();
        return;
    case LoginStatus::WrongPassword:
        m_lblEtat->setVisible(false);
        m_txtMotPass->setFocus();
        m_txtMotPass->selectAll();
        return;
    case LoginStatus::Failed:
        m_lblEtat->setVisible(false);
        return;
    }
}

void Login::focusFirstEmptyField()
{
    if (!m_connected)
        return;
    if (m_txtNom->text().isEmpty())
        m_txtNom->setFocus();
    else
        m_txtMotPass->setFocus();
}

void Login::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        focusFirstEmptyField();
}

void Login::reject()
{
    // Escape while the sequence runs must not leave it half-way.
    if (m_busy)
        return;
    emit quitRequested();
}

void Login::openConnectionScreen()
{
    if (m_busy)
        return;
    FrmConnexion screen(FrmConnexion::Origin::Login, this);
    connect(&screen, &FrmConnexion::baseChanged, this, &Login::connectionChanged);
    screen.exec();
}

void Login::connectionChanged()
{
    // A database chosen here replaces the one given on the command line.
    m_start = LoginStart();
    const ConnectionProfile &profile = runProfile();
    const bool onServer = profile.kind != QLatin1String("ACCESS") && !profile.server.isEmpty();
    setDatabaseLabel(onServer ? profile.server + QLatin1Char('/') + profile.database
                              : profile.database);
    afterConnection(AccesBase::instance().isConnected());
}

} // namespace plx
