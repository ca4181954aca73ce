#include "base/messages.h"
#include "config/connectionprofile.h"
#include "config/connectionswitch.h"
#include "config/databasesproperties.h"
#include "config/machinesettings.h"
#include "config/settings.h"
#include "config/widgets/frmconnexion.h"
#include "db/accesbase.h"
#include "support/findchild.h"
#include "support/testdatabases.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <map>

using plxtest::child;

namespace {

using plx::ConnectionSwitch;
using plx::FrmConnexion;

const QString kMissingFields = QStringLiteral(
    "ERREUR: Certaines informations de connexion ne sont pas correctement renseignées.");
const QString kFailedPostgres = QStringLiteral(
    "ERREUR: La connexion à la base de données (POSTGRESQL) n'a pas fonctionné. Vérifiez le "
    "paramétrage dans l'administration du logiciel.");

const char *const kProfileKeys[] = {
    "Base",     "TypeBase", "ServeurBase", "PortServeurBase",   "UserBase",
    "PassBase", "BaseSav",  "TypeBaseSav", "ConnexionAutomatic"};

// A private machine store whose profile is a SQLite file; messages recorded; the run
// profile and connection restored afterwards.
class FrmConnexionTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_savedFile = qgetenv("PLX_SETTINGS_FILE");
        m_savedProfile = plx::runProfile();
        qputenv("PLX_SETTINGS_FILE", m_dir.filePath(QStringLiteral("machine.ini")).toUtf8());
        plx::setCurrentLogin(QString());
        m_savedHandler = plx::setMessageHandler([this](plx::MessageKind kind, const QString &text) {
            messages << plx::messageTitle(kind) + QStringLiteral(": ") + text;
            return false;
        });
        m_sqlite.connect(); // creates the file: a profile never creates it
        plx::AccesBase::instance().Deconnecter();
        set("Base", sqlitePath());
        set("TypeBase", QStringLiteral("ACCESS"));
        set("ConnexionAutomatic", QStringLiteral("OUI"));
    }
    void TearDown() override
    {
        plx::setMessageHandler(m_savedHandler);
        plx::AccesBase::instance().Deconnecter();
        plx::runProfile() = m_savedProfile;
        if (m_savedFile.isNull())
            qunsetenv("PLX_SETTINGS_FILE");
        else
            qputenv("PLX_SETTINGS_FILE", m_savedFile);
    }

    QString sqlitePath() const { return m_sqlite.profile().database; }
    static void set(const char *key, const QString &value)
    {
        plx::writeMachineValue(QString::fromLatin1(key), value);
    }
    static QString get(const char *key) { return plx::readMachineValue(QString::fromLatin1(key)); }
    static std::map<std::string, QString> profileKeys()
    {
        std::map<std::string, QString> values;
        for (const char *key : kProfileKeys)
            values[key] = get(key);
        return values;
    }

    static void type(const QWidget &w, const char *name, const QString &text)
    {
        QLineEdit *edit = child<QLineEdit>(w, name);
        edit->clear();
        QTest::keyClicks(edit, text);
    }
    static void fillServer(const QWidget &w, const QString &kind, const plx::ConnectionProfile &p,
                           const QString &password)
    {
        auto *kinds = child<QComboBox>(w, "CboTypeBase");
        kinds->setCurrentIndex(kinds->findText(kind));
        type(w, "TxtCreationServeur", p.server);
        type(w, "txtCreationPortServeur", p.port);
        type(w, "TxtCreationBase", p.database);
        type(w, "TxtCreationUser", p.user);
        type(w, "TxtCreationPassWord", password);
    }
    static void click(const QWidget &w, const char *button)
    {
        QTest::mouseClick(child<QPushButton>(w, button), Qt::LeftButton);
    }
    static bool pgAvailable()
    {
        return plxtest::testEngines().contains(QStringLiteral("postgresql"));
    }

    QStringList messages;

private:
    QTemporaryDir m_dir;
    plxtest::ScratchDatabase m_sqlite{QStringLiteral("sqlite")};
    QByteArray m_savedFile;
    plx::ConnectionProfile m_savedProfile;
    plx::MessageHandler m_savedHandler;
};

TEST_F(FrmConnexionTest, KindListInOrderWithTags)
{
    FrmConnexion screen(FrmConnexion::Origin::Login);
    screen.show();
    EXPECT_EQ(screen.objectName(), "FrmConnexion");
    auto *kinds = child<QComboBox>(screen, "CboTypeBase");
    const QStringList captions{"",
                               "PostGres",
                               "Oracle",
                               "Oracle DNS OC11G",
                               "Oracle DNS IC_11_2",
                               "Oracle DNS OC_11G_1",
                               "Oracle OC_11G_1",
                               "Oracle IC_11_2",
                               "Oracle XE"};
    const QStringList tags{"",        "POSTGRESQL",      "ORACLE",         "ORACLE",   "ORACLE2",
                           "ORACLE3", "ORACLE_OC_11G_1", "ORACLE_IC_11_2", "ORACLE_XE"};
    ASSERT_EQ(kinds->count(), captions.size());
    for (int i = 0; i < kinds->count(); ++i) {
        EXPECT_EQ(kinds->itemText(i), captions[i]);
        EXPECT_EQ(kinds->itemData(i).toString(), tags[i]);
    }
    EXPECT_EQ(child<QLineEdit>(screen, "TxtBasePiezo")->text(), sqlitePath());
    EXPECT_EQ(kinds->currentIndex(), 0);
    // The local-file switch needs a file.
    child<QLineEdit>(screen, "TxtBasePiezo")->clear();
    EXPECT_FALSE(child<QPushButton>(screen, "CmdChangementBase")->isEnabled());
}

TEST_F(FrmConnexionTest, SwitchesFromFileToServerAndBack)
{
    if (!pgAvailable())
        GTEST_SKIP() << "no PostgreSQL test server";
    plxtest::ScratchDatabase pg(QStringLiteral("postgresql"));
    const plx::ConnectionProfile &server = pg.profile();

    // From the login screen: the trial, the profile written, the connection opened.
    {
        FrmConnexion screen(FrmConnexion::Origin::Login);
        screen.show();
        int changed = 0;
        QObject::connect(&screen, &FrmConnexion::baseChanged, [&] { ++changed; });
        fillServer(screen, QStringLiteral("PostGres"), server, QStringLiteral("pw x"));
        click(screen, "CmdEnregistrer");
        ASSERT_EQ(screen.lastResult(), ConnectionSwitch::Result::Switched)
            << messages.join('\n').toStdString();
        EXPECT_EQ(changed, 1);
        EXPECT_EQ(screen.result(), QDialog::Accepted);
    }
    EXPECT_EQ(get("Base"), server.database);
    EXPECT_EQ(get("TypeBase"), "POSTGRESQL");
    EXPECT_EQ(get("ServeurBase"), server.server);
    EXPECT_EQ(get("PortServeurBase"), server.port);
    EXPECT_EQ(get("UserBase"), server.user);
    EXPECT_EQ(get("PassBase"), "pw x");
    EXPECT_EQ(get("BaseSav"), sqlitePath());
    EXPECT_EQ(get("TypeBaseSav"), "ACCESS");
    EXPECT_EQ(get("ConnexionAutomatic"), "NON");
    EXPECT_EQ(plx::runProfile().kind, "POSTGRESQL");
    EXPECT_EQ(plx::runProfile().database, server.database);
    EXPECT_TRUE(plx::AccesBase::instance().isConnected());
    EXPECT_TRUE(
        plx::AccesBase::instance().ExtraireRecords(QStringLiteral("SELECT version()")).ok());

    // From the main window: the fields show the swapped pair; the screens are asked to close
    // once, before anything is written; the logout hook still sees the old connection.
    {
        FrmConnexion screen(FrmConnexion::Origin::MainWindow);
        screen.show();
        EXPECT_EQ(child<QLineEdit>(screen, "TxtBasePiezo")->text(), sqlitePath());
        EXPECT_EQ(child<QComboBox>(screen, "CboTypeBase")->currentText(), "PostGres");
        EXPECT_EQ(child<QLineEdit>(screen, "TxtCreationBase")->text(), server.database);
        EXPECT_EQ(child<QLineEdit>(screen, "TxtCreationPassWord")->text(), "pw x");

        QStringList closerSaw;
        screen.setScreenCloser([&] {
            closerSaw << get("TypeBase");
            return true;
        });
        QString kindAtLogout;
        bool connectedAtLogout = false;
        QObject::connect(&screen, &FrmConnexion::aboutToChangeBase, [&] {
            kindAtLogout = plx::runProfile().kind;
            connectedAtLogout = plx::AccesBase::instance().isConnected();
        });
        click(screen, "CmdChangementBase");
        ASSERT_EQ(screen.lastResult(), ConnectionSwitch::Result::Switched)
            << messages.join('\n').toStdString();
        EXPECT_EQ(closerSaw, QStringList{"POSTGRESQL"});
        EXPECT_EQ(kindAtLogout, "POSTGRESQL");
        EXPECT_TRUE(connectedAtLogout);
        EXPECT_EQ(screen.result(), QDialog::Accepted);
    }
    EXPECT_EQ(get("Base"), sqlitePath());
    EXPECT_EQ(get("TypeBase"), "ACCESS");
    EXPECT_EQ(get("TypeBaseSav"), "POSTGRESQL");
    EXPECT_EQ(get("BaseSav"), server.database);
    EXPECT_EQ(get("ServeurBase"), server.server); // kept for the way back
    EXPECT_EQ(plx::runProfile().kind, "ACCESS");
    EXPECT_EQ(plx::runProfile().database, sqlitePath());
    // Back to the login screen, which opens the connection itself.
    EXPECT_FALSE(plx::AccesBase::instance().isConnected());

    // A screen that refuses to close stops the switch: nothing written.
    {
        FrmConnexion screen(FrmConnexion::Origin::MainWindow);
        screen.show();
        screen.setScreenCloser([] { return false; });
        const auto before = profileKeys();
        click(screen, "CmdEnregistrer");
        EXPECT_EQ(screen.lastResult(), ConnectionSwitch::Result::Cancelled);
        EXPECT_EQ(profileKeys(), before);
        EXPECT_NE(screen.result(), QDialog::Accepted);
    }
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
}

TEST_F(FrmConnexionTest, BadSaveKeepsTheWorkingProfile)
{
    plx::ConnectionProfile inUse;
    inUse.kind = QStringLiteral("ACCESS");
    inUse.database = sqlitePath();
    ASSERT_TRUE(plx::AccesBase::instance().Connecter(inUse));
    const auto before = profileKeys();
    FrmConnexion screen(FrmConnexion::Origin::Login);
    screen.show();
    plx::ConnectionProfile typed;
    typed.server = QStringLiteral("127.0.0.1");
    typed.port = QStringLiteral("5432");
    typed.database = QStringLiteral("pluvio");
    typed.user = QStringLiteral("hydro");

    // Each required field left empty in turn (the port may stay empty).
    const char *const required[] = {"TxtCreationServeur", "TxtCreationBase", "TxtCreationUser",
                                    "TxtCreationPassWord"};
    for (const char *field : required) {
        messages.clear();
        fillServer(screen, QStringLiteral("PostGres"), typed, QStringLiteral("pw"));
        child<QLineEdit>(screen, field)->clear();
        click(screen, "CmdEnregistrer");
        EXPECT_EQ(messages, QStringList{kMissingFields}) << field;
    }
    messages.clear();
    fillServer(screen, QString(), typed, QStringLiteral("pw")); // Access entry: no server kind
    click(screen, "CmdEnregistrer");
    EXPECT_EQ(messages, QStringList{kMissingFields});

    messages.clear();
    typed.port = QStringLiteral("54a");
    fillServer(screen, QStringLiteral("PostGres"), typed, QStringLiteral("pw"));
    click(screen, "CmdEnregistrer");
    EXPECT_EQ(messages, QStringList{QStringLiteral("ERREUR: Le port du serveur doit être un nombre "
                                                   "entier compris entre 1 et 65535.")});

    // A server that does not answer: a port nobody listens on.
    QTcpServer probe;
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost));
    typed.port = QString::number(probe.serverPort());
    probe.close();
    messages.clear();
    fillServer(screen, QStringLiteral("PostGres"), typed, QStringLiteral("pw"));
    click(screen, "CmdEnregistrer");
    EXPECT_EQ(screen.lastResult(), ConnectionSwitch::Result::ConnectionFailed);
    EXPECT_EQ(messages, QStringList{kFailedPostgres});
    EXPECT_TRUE(child<QLabel>(screen, "lblEtat")->text().startsWith("Test de connexion : échec"));

    if (pgAvailable()) {
        // A real server refusing the password.
        typed.port = qEnvironmentVariable("PLX_TEST_PG_PORT");
        typed.database = QStringLiteral("postgres");
        typed.user = QStringLiteral("plx_pw");
        messages.clear();
        fillServer(screen, QStringLiteral("PostGres"), typed, QStringLiteral("wrong"));
        click(screen, "CmdEnregistrer");
        EXPECT_EQ(messages, QStringList{kFailedPostgres});
    }

    EXPECT_EQ(profileKeys(), before);
    EXPECT_NE(screen.result(), QDialog::Accepted);
    // The connection in use was never touched.
    EXPECT_TRUE(plx::AccesBase::instance().isConnected());
    EXPECT_EQ(plx::AccesBase::instance().dialect(), plx::SqlDialect::SQLite);

    // A local file that does not exist is refused too.
    messages.clear();
    type(screen, "TxtBasePiezo", sqlitePath() + QStringLiteral(".absent"));
    click(screen, "CmdChangementBase");
    EXPECT_EQ(screen.lastResult(), ConnectionSwitch::Result::Invalid);
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith("ERREUR: Le fichier de base de données est introuvable"));
    EXPECT_EQ(profileKeys(), before);
}

TEST_F(FrmConnexionTest, ChoosingADefinedBase)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("databases.properties"));
    std::vector<plx::DatabaseDefinition> definitions(3);
    definitions[0].name = QStringLiteral("locale");
    definitions[0].kind = QStringLiteral("ACCESS");
    definitions[0].database = sqlitePath();
    definitions[1].name = QStringLiteral("serveur");
    definitions[1].kind = QStringLiteral("POSTGRESQL");
    definitions[1].setServer(QStringLiteral("127.0.0.1"), qEnvironmentVariable("PLX_TEST_PG_PORT"));
    definitions[1].database = QStringLiteral("postgres");
    definitions[1].account = qEnvironmentVariable("PLX_TEST_PG_USER");
    definitions[1].password = QStringLiteral("pw");
    definitions[2] = definitions[1];
    definitions[2].name = QStringLiteral("illisible");
    definitions[2].password.clear();
    definitions[2].passwordUnreadable = true;
    definitions[2].unreadablePasswordText = QStringLiteral("not-ours");
    ASSERT_TRUE(plx::EcrireDefinitionsBases(file, definitions));
    ASSERT_TRUE(plx::setDatabasesPropertiesPath(file));
    set("TypeBase", QStringLiteral("POSTGRESQL")); // so that choosing the file is a change
    set("BaseSav", QString());

    // Chosen with the keyboard, as a user does: every move of the list is a choice, so the
    // list is first put on the entry above without choosing it.
    auto choose = [](FrmConnexion &screen, const QString &name) {
        auto *bases = child<QComboBox>(screen, "cboBases");
        const int index = bases->findText(name);
        ASSERT_GT(index, 0) << name.toStdString();
        bases->setCurrentIndex(index - 1);
        QTest::keyClick(bases, Qt::Key_Down);
    };

    {
        FrmConnexion screen(FrmConnexion::Origin::Login);
        screen.show();
        auto *bases = child<QComboBox>(screen, "cboBases");
        ASSERT_EQ(bases->count(), 4);
        EXPECT_EQ(bases->itemText(1), "locale");
        choose(screen, QStringLiteral("locale"));
        EXPECT_EQ(screen.lastResult(), ConnectionSwitch::Result::Switched)
            << messages.join('\n').toStdString();
        EXPECT_EQ(get("Base"), sqlitePath());
        EXPECT_EQ(get("TypeBase"), "ACCESS");
        EXPECT_TRUE(plx::AccesBase::instance().isConnected());
    }

    {
        FrmConnexion screen(FrmConnexion::Origin::Login);
        screen.show();
        messages.clear();
        // The password of "illisible" is asked for, nothing is saved yet.
        const auto before = profileKeys();
        choose(screen, QStringLiteral("illisible"));
        ASSERT_EQ(messages.size(), 1);
        EXPECT_TRUE(messages[0].startsWith("AIDE: Le mot de passe de la base « illisible »"));
        EXPECT_TRUE(child<QLineEdit>(screen, "TxtCreationPassWord")->text().isEmpty());
        EXPECT_EQ(child<QLineEdit>(screen, "TxtCreationServeur")->text(), "127.0.0.1");
        EXPECT_EQ(profileKeys(), before);

        if (pgAvailable()) {
            messages.clear();
            choose(screen, QStringLiteral("serveur"));
            EXPECT_EQ(screen.lastResult(), ConnectionSwitch::Result::Switched)
                << messages.join('\n').toStdString();
            EXPECT_EQ(get("TypeBase"), "POSTGRESQL");
            EXPECT_EQ(get("Base"), "postgres");
            EXPECT_EQ(get("PortServeurBase"), qEnvironmentVariable("PLX_TEST_PG_PORT"));
            EXPECT_EQ(get("PassBase"), "pw");
            EXPECT_EQ(get("BaseSav"), sqlitePath());
            EXPECT_EQ(plx::AccesBase::instance().dialect(), plx::SqlDialect::PostgreSQL);
        }
    }

    // A name the file does not hold.
    messages.clear();
    plx::ConnectionForm form;
    EXPECT_FALSE(ConnectionSwitch::fillFromDefinition(definitions, QStringLiteral("autre"), &form));
    EXPECT_EQ(messages,
              QStringList{QStringLiteral("ERREUR: Impossible de retrouver le paramétrage de "
                                         "cette base. Merci de vérifier le fichier "
                                         "databases.properties")});
}

TEST_F(FrmConnexionTest, SwitchStepsInOrder)
{
    // The state texts of a switch to the local file from the login screen.
    QStringList states;
    ConnectionSwitch::Hooks hooks;
    hooks.showState = [&](const QString &text) { states << text; };
    ConnectionSwitch connectionSwitch(ConnectionSwitch::Origin::Login, hooks);
    plx::ConnectionForm form = ConnectionSwitch::loadForm();
    ASSERT_EQ(connectionSwitch.switchToAccess(form), ConnectionSwitch::Result::Switched);
    const QStringList expected{"Fermeture automatique des fenêtres ouvertes",
                               "Mise à jour du paramétrage automatique",
                               "Stockage des paramétres",
                               "Deconnexion de la base en cours d'utilisation",
                               "Fermeture de la fenêtre de login",
                               "Connexion Base"};
    ASSERT_GE(states.size(), expected.size());
    EXPECT_EQ(states.mid(0, expected.size()), expected);
    EXPECT_EQ(states.last(), "Mise à jour de l'information de la base utilisée");
}

} // namespace
