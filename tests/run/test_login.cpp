#include "test_login_support.h"

#include "db/connectionrefusal.h"
#include "outputs/sampletemplates.h"
#include "run/runoptions.h"
#include "run/widgets/login.h"
#include "schema/schemaupgrade.h"
#include "schema/usertables.h"
#include "session/journal.h"
#include "session/session.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QCheckBox>
#include <QPushButton>
#include <QTimer>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

namespace {

using plxtest::LoginWorld;

class LoginScreenTest : public ::testing::TestWithParam<QString>
{
protected:
    void SetUp() override { m_world = std::make_unique<LoginWorld>(GetParam()); }
    void TearDown() override
    {
        m_login.reset();
        m_world.reset();
    }

    // A login screen started as the program starts it.
    plx::Login &start(const plx::LoginStart &how = {})
    {
        m_login = std::make_unique<plx::Login>();
        m_spy = std::make_unique<QSignalSpy>(m_login.get(), &plx::Login::loggedIn);
        m_login->show();
        m_login->demarrer(how);
        return *m_login;
    }

    template <typename T> T *child(const char *name)
    {
        T *widget = m_login->findChild<T *>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }

    // Types into the two fields and presses Enter in the password field.
    void typeAndEnter(const QString &login, const QString &password)
    {
        QLineEdit *name = child<QLineEdit>("Txt_Nom");
        QLineEdit *pass = child<QLineEdit>("Txt_MotPass");
        name->clear();
        pass->clear();
        QTest::keyClicks(name, login);
        QTest::keyClicks(pass, password);
        QTest::keyClick(pass, Qt::Key_Return);
    }

    int logins() const { return m_spy ? int(m_spy->count()) : 0; }
    QStringList &messages() { return m_world->messages; }

    std::unique_ptr<LoginWorld> m_world;
    std::unique_ptr<plx::Login> m_login;
    std::unique_ptr<QSignalSpy> m_spy;
};

TEST_P(LoginScreenTest, FirstStartOnAnEmptyDatabaseLetsTheAdministratorIn)
{
    plx::Login &login = start();
    ASSERT_TRUE(login.isDatabaseConnected()) << messages().join('\n').toStdString();
    // The user tables are made as soon as the screen has connected.
    for (const char *table : {"UTILISATEURS", "UTILISATEURS_HABILITATIONS", "UTILISATEURS_STATIONS"})
        EXPECT_TRUE(plx::AccesBase::instance().tableExists(QString::fromLatin1(table))) << table;
    EXPECT_FALSE(child<QLabel>("lblUtilisee")->text().isEmpty());
    EXPECT_TRUE(child<QLabel>("CtlVersion")->text().contains(QStringLiteral("6.0.0")));
    EXPECT_EQ(login.focusWidget(), child<QLineEdit>("Txt_Nom")) << "nobody remembered: the name first";

    // Lower-case login and password: the stored "ADMIN"/"PLUIE" match, the stored spelling wins.
    typeAndEnter(QStringLiteral("admin"), QStringLiteral("pluie"));
    ASSERT_EQ(logins(), 1) << messages().join('\n').toStdString();
    EXPECT_TRUE(messages().isEmpty()) << messages().join('\n').toStdString();
    EXPECT_EQ(plx::session().login, "ADMIN");
    EXPECT_EQ(plx::currentLogin(), "ADMIN");
    EXPECT_TRUE(plx::session().isAdmin);
    EXPECT_TRUE(plx::session().hasRight(QStringLiteral("PLUVIO_DATA_MODIF")));
    EXPECT_EQ(child<QLabel>("lblEtat")->text(), "Chargement de liste des stations");

    // What the sequence leaves behind: workstation values, schema, options, journal, statistic.
    EXPECT_EQ(LoginWorld::machine("LastUser"), "ADMIN");
    EXPECT_EQ(LoginWorld::machine("ConnexionAutomatic"), "NON");
    EXPECT_EQ(LoginWorld::machine("LastProject", plx::machinesettings::suiteKeyPath()), "PLXReader");
    EXPECT_EQ(plx::readSchemaVersion(plx::AccesBase::instance()), PLX_VERSION);
    EXPECT_EQ(plx::runOptions().moisDebutAnneeHydro, "09");
    const plx::RecordTable stat = LoginWorld::query(QStringLiteral(
        "SELECT login, evenement, module, version, dateStat FROM statistiques_utilisateurs"));
    ASSERT_EQ(stat.rowCount(), 1);
    EXPECT_EQ(stat.text(0, 0), "ADMIN");
    EXPECT_EQ(stat.text(0, 1), "LOGIN");
    EXPECT_EQ(stat.text(0, 2), "PLXReader");
    EXPECT_EQ(stat.text(0, 3), "6.0.0");
    EXPECT_TRUE(stat.at(0, 4).toDateTime().isValid());
    const plx::RecordTable journal = LoginWorld::query(
        QStringLiteral("SELECT utilisateur FROM JOURNAL WHERE description = 'Login'"));
    ASSERT_EQ(journal.rowCount(), 1);
    EXPECT_EQ(journal.text(0, 0), "ADMIN");
    if (GetParam() == QLatin1String("postgresql")) {
        const plx::RecordTable name = LoginWorld::query(QStringLiteral(
            "SELECT application_name FROM pg_stat_activity WHERE pid = pg_backend_pid()"));
        ASSERT_EQ(name.rowCount(), 1);
        EXPECT_EQ(name.text(0, 0), "PLXREADER/ADMIN");
    }
}

TEST_P(LoginScreenTest, RefusalsSayWhyAndLetTheUserRetry)
{
    plx::Login &login = start();
    ASSERT_TRUE(login.isDatabaseConnected());
    QLineEdit *name = child<QLineEdit>("Txt_Nom");
    QLineEdit *pass = child<QLineEdit>("Txt_MotPass");

    typeAndEnter(QStringLiteral("ADMIN"), QStringLiteral("PLUI"));
    EXPECT_EQ(messages(), QStringList{"ERREUR: Mot de passe erronné"});
    EXPECT_EQ(login.focusWidget(), pass);
    EXPECT_EQ(pass->selectedText(), "PLUI");
    EXPECT_FALSE(child<QLabel>("lblEtat")->isVisible());

    messages().clear();
    typeAndEnter(QStringLiteral("PERSONNE"), QStringLiteral("PLUIE"));
    EXPECT_EQ(messages(), QStringList{"ERREUR: Utilisateur inconnu"});
    EXPECT_EQ(login.focusWidget(), name);
    EXPECT_EQ(name->selectedText(), "PERSONNE");

    // Crafted logins are values, never SQL: each one is just an unknown user.
    const QString forged = QStringLiteral(
        "x' UNION SELECT 'PWD',null,null,'1','1',null,null,null,null,null,'ADMIN' FROM UTILISATEURS --");
    for (const QString &attack : {QStringLiteral("' OR '1'='1"), forged}) {
        messages().clear();
        typeAndEnter(attack, QStringLiteral("PWD"));
        EXPECT_EQ(messages(), QStringList{"ERREUR: Utilisateur inconnu"}) << attack.toStdString();
    }
    EXPECT_EQ(logins(), 0);
    EXPECT_FALSE(plx::session().loggedIn());
    EXPECT_EQ(plx::currentLogin(), "");

    messages().clear();
    typeAndEnter(QStringLiteral("ADMIN"), QStringLiteral("PLUIE"));
    EXPECT_EQ(logins(), 1) << messages().join('\n').toStdString();
}

// On a database kept at standard_conforming_strings = off (the default before PostgreSQL
// 9.1), "\'" ended the quoted login: x\') OR 1=1 -- read the administrator's row (only the
// password comparison stood in the way) and a\ broke the statement. Both are unknown users
// now, and a login holding \' is itself.
TEST_P(LoginScreenTest, BackslashesInALoginStayInsideItsQuotes)
{
    if (GetParam() == QLatin1String("postgresql")) {
        ASSERT_TRUE(m_world->database().setServerDefault(
            QStringLiteral("standard_conforming_strings = off")));
    }
    plx::Login &login = start();
    ASSERT_TRUE(login.isDatabaseConnected()) << messages().join('\n').toStdString();
    for (const QString &attack : {QStringLiteral("x\\') OR 1=1 --"), QStringLiteral("a\\")}) {
        messages().clear();
        typeAndEnter(attack, QStringLiteral("PLUIE"));
        EXPECT_EQ(messages(), QStringList{"ERREUR: Utilisateur inconnu"}) << attack.toStdString();
    }
    EXPECT_EQ(logins(), 0);

    LoginWorld::addUser(QStringLiteral("l'eau\\'s"), QStringLiteral("p\\'w"));
    messages().clear();
    typeAndEnter(QStringLiteral("l'eau\\'s"), QStringLiteral("P\\'W"));
    ASSERT_EQ(logins(), 1) << messages().join('\n').toStdString();
    EXPECT_EQ(plx::session().login, "l'eau\\'s");
}

TEST_P(LoginScreenTest, UsersRightsScopeAndContactAreLoaded)
{
    ASSERT_TRUE(m_world->connect());
    ASSERT_TRUE(plx::ensureDefaultUserTables(plx::AccesBase::instance()).ok);
    const plx::SchemaUpgradeReport schema = plx::upgradeSchema(QStringLiteral(PLX_VERSION));
    ASSERT_TRUE(schema.ok) << schema.error.toStdString();
    // Two logins that differ only by case: the exact spelling is preferred.
    LoginWorld::addUser(QStringLiteral("Dupont"), QStringLiteral("un"));
    LoginWorld::addUser(QStringLiteral("DUPONT"), QStringLiteral("deux"));
    LoginWorld::exec(QStringLiteral("UPDATE UTILISATEURS SET codeIntervenant = 12, codeContact = 7, "
                                    "metadata = '1', filtrePluvio = 'F1' WHERE login = 'Dupont'"));
    LoginWorld::exec(QStringLiteral("INSERT INTO CONTACTS (codeContact, nom) VALUES (7, 'Jeanne Dupont')"));
    LoginWorld::exec(QStringLiteral("INSERT INTO UTILISATEURS_HABILITATIONS (login, habilitation) "
                                    "VALUES ('DUPONT', 'pluvio_data_modif')"));
    LoginWorld::exec(QStringLiteral("INSERT INTO UTILISATEURS_HABILITATIONS (login, habilitation) "
                                    "VALUES ('dupont', 'PIEZO_ALL')"));
    LoginWorld::exec(QStringLiteral("INSERT INTO UTILISATEURS_STATIONS (login, typeStation, identifiant) "
                                    "VALUES ('Dupont', 'PLUVIO', '3')"));
    plx::AccesBase::instance().Deconnecter();

    plx::Login &login = start();
    ASSERT_TRUE(login.isDatabaseConnected());
    typeAndEnter(QStringLiteral("Dupont"), QStringLiteral("UN"));
    ASSERT_EQ(logins(), 1) << messages().join('\n').toStdString();
    const plx::UserSession &user = plx::session();
    EXPECT_EQ(user.login, "Dupont");
    EXPECT_EQ(user.codeIntervenant, "12");
    EXPECT_EQ(user.codeContact, "7");
    EXPECT_EQ(user.displayName, "Jeanne Dupont");
    EXPECT_FALSE(user.isAdmin);
    EXPECT_TRUE(user.metaData);
    EXPECT_EQ(user.filtrePluvio, "F1");
    // Rights rows are matched without regard to case; a family's _ALL holds its rights.
    EXPECT_TRUE(user.hasRight(QStringLiteral("PLUVIO_DATA_MODIF")));
    EXPECT_FALSE(user.hasRight(QStringLiteral("PLUVIO_FICHE_MODIF")));
    EXPECT_TRUE(user.hasRight(QStringLiteral("PIEZO_EXPORT")));
    EXPECT_FALSE(user.hasRight(QStringLiteral("PIEZO_FORBIDEN")));
    // The scope condition is valid SQL on the engine and keeps the user's stations only.
    ASSERT_TRUE(user.hasStationScope);
    EXPECT_FALSE(user.stationScopeClause().isEmpty());
    LoginWorld::query(QStringLiteral("SELECT count(*) FROM PLUVIOMETRES") + user.stationScopeClause());

    // The other spelling is another user with its own password.
    plx::clearSession();
    typeAndEnter(QStringLiteral("DUPONT"), QStringLiteral("un"));
    EXPECT_EQ(messages(), QStringList{"ERREUR: Mot de passe erronné"});
    typeAndEnter(QStringLiteral("dupont"), QStringLiteral("deux"));
    ASSERT_EQ(logins(), 2) << messages().join('\n').toStdString();
    EXPECT_EQ(plx::session().login, "DUPONT");
    // Per-user rows are matched without regard to case, as Access matched them.
    EXPECT_TRUE(plx::session().hasRight(QStringLiteral("PIEZO_EXPORT")));
}

TEST_P(LoginScreenTest, AutomaticLoginStartsWithoutTheUser)
{
    ASSERT_TRUE(m_world->connect());
    ASSERT_TRUE(plx::ensureDefaultUserTables(plx::AccesBase::instance()).ok);
    LoginWorld::addUser(QStringLiteral("VISITEUR"), QVariant()); // NULL password = empty
    plx::AccesBase::instance().Deconnecter();
    LoginWorld::setMachine("ConnexionAutomatic", QStringLiteral("OUI"));
    LoginWorld::setMachine("LastUser", QStringLiteral("VISITEUR"));

    plx::Login &login = start();
    EXPECT_TRUE(child<QCheckBox>("ChkAutomatic")->isChecked());
    EXPECT_EQ(child<QLineEdit>("Txt_Nom")->text(), "VISITEUR");
    EXPECT_EQ(login.focusWidget(), child<QLineEdit>("Txt_MotPass")) << "a name is there: the password next";
    QTRY_COMPARE(logins(), 1);
    EXPECT_EQ(plx::session().login, "VISITEUR");
    EXPECT_EQ(LoginWorld::machine("ConnexionAutomatic"), "OUI");

    // The password is never remembered: a user who has one is asked for it.
    m_login.reset();
    plx::clearSession();
    plx::AccesBase::instance().Deconnecter();
    LoginWorld::setMachine("LastUser", QStringLiteral("ADMIN"));
    start();
    QTRY_COMPARE(messages(), QStringList{"ERREUR: Mot de passe erronné"});
    EXPECT_EQ(logins(), 0);
}

INSTANTIATE_TEST_SUITE_P(Engines, LoginScreenTest, ::testing::ValuesIn(plxtest::loginEngines()),
                         PLX_ENGINE_NAME);

class LoginStartTest : public LoginScreenTest
{
};

TEST_P(LoginStartTest, ACommandLineDatabaseLogsInAsAdministratorWithoutAsking)
{
    // A SQLite file given on the command line, with an unusable stored profile.
    const plx::ConnectionProfile scratch = m_world->database().profile();
    LoginWorld::setMachine("Base", m_world->folder() + QStringLiteral("/absent.sqlite"));
    LoginWorld::setMachine("LastUser", QStringLiteral("MARIE"));
    plx::CommandLineDatabase commandLine;
    ASSERT_TRUE(commandLine.prepare(QStringLiteral("  \"%1\" ").arg(scratch.database)))
        << commandLine.error().toStdString();
    EXPECT_EQ(commandLine.database(), scratch.database);
    plx::LoginStart how;
    how.database = commandLine.database();
    how.fromCommandLine = true;
    how.asAdministrator = true;
    start(how);
    QTRY_COMPARE(logins(), 1);
    EXPECT_TRUE(messages().isEmpty()) << messages().join('\n').toStdString();
    EXPECT_EQ(plx::session().login, "ADMIN");
    EXPECT_TRUE(plx::session().isAdmin);
    EXPECT_TRUE(plx::session().fromCommandLine);
    EXPECT_EQ(plx::runProfile().database, scratch.database);
    // A one-off database does not change the workstation's remembered user.
    EXPECT_EQ(LoginWorld::machine("LastUser"), "MARIE");

    plx::CommandLineDatabase missing;
    EXPECT_FALSE(missing.prepare(QStringLiteral("\"/nulle/part/base.mdb\"")));
    EXPECT_EQ(missing.error(), "Le fichier de base de données « /nulle/part/base.mdb » est introuvable.");
}

TEST_P(LoginStartTest, OptionsAreLoadedWithTheirRules)
{
    LoginWorld::setMachine("MoisDebutAnneeHydro", QStringLiteral("3"));
    LoginWorld::setMachine("CheminModeles", QStringLiteral("/srv/Modèles"));
    LoginWorld::setMachine("CheminEdition", QStringLiteral("/srv/Editions/"));
    LoginWorld::setMachine("Affichage", QStringLiteral("ngf"));
    LoginWorld::setMachine("AffichageMasseEau", QStringLiteral("0"));
    LoginWorld::setMachine("Nommage_Fichier", QStringLiteral("2"));
    start();
    typeAndEnter(QStringLiteral("ADMIN"), QStringLiteral("PLUIE"));
    ASSERT_EQ(logins(), 1) << messages().join('\n').toStdString();
    const plx::RunOptions &options = plx::runOptions();
    EXPECT_EQ(options.moisDebutAnneeHydro, "03");
    EXPECT_EQ(options.hydroStartMonth(), 3);
    EXPECT_EQ(options.cheminModeles, "/srv/Modèles/");
    EXPECT_EQ(options.cheminEdition, "/srv/Editions/");
    EXPECT_EQ(options.cheminExport, "");
    EXPECT_TRUE(options.altitudesNgf);
    EXPECT_FALSE(options.affichageMasseEau);
    EXPECT_EQ(options.nommageFichier, 2);
    // Both quality families empty: both are switched on, for this user.
    EXPECT_EQ(options.donneesPhysicoChimique, "OUI");
    EXPECT_EQ(plx::LireParametre(QStringLiteral("donneesHydroBio")), "OUI");
}

TEST_P(LoginStartTest, AnEmptyTemplatesFolderReceivesTheSampleTemplates)
{
    const QString templates = m_world->folder() + QStringLiteral("/Modèles");
    ASSERT_TRUE(QDir().mkpath(templates));
    LoginWorld::setMachine("CheminModeles", templates);
    start();
    typeAndEnter(QStringLiteral("ADMIN"), QStringLiteral("PLUIE"));
    ASSERT_EQ(logins(), 1) << messages().join('\n').toStdString();
    EXPECT_EQ(QDir(templates).entryList(QDir::Files).size(), plx::sampleTemplateNames().size());
    // An unset outputs folder is the one in the user's data folder, ready for use.
    EXPECT_EQ(plx::runOptions().cheminEdition, plx::defaultOutputFolder());
    EXPECT_TRUE(QDir(plx::defaultOutputFolder()).exists());
    EXPECT_TRUE(
        plx::defaultOutputFolder().endsWith(QStringLiteral("editions") + QDir::separator()));
}

TEST_P(LoginStartTest, AFailedConnectionWaitsForAnotherDatabase)
{
    const QString good = m_world->database().profile().database;
    LoginWorld::setMachine("Base", m_world->folder() + QStringLiteral("/absent.sqlite"));
    plx::Login &login = start();
    EXPECT_FALSE(login.isDatabaseConnected());
    ASSERT_EQ(messages().size(), 1);
    EXPECT_TRUE(messages().first().startsWith(
        QStringLiteral("ERREUR: La connexion à la base de données (ACCESS) n'a pas fonctionné.")));
    EXPECT_FALSE(child<QPushButton>("CmdValider")->isEnabled());
    typeAndEnter(QStringLiteral("ADMIN"), QStringLiteral("PLUIE"));
    EXPECT_EQ(logins(), 0);

    // The connection screen, opened from here, switches to a working file.
    QTimer::singleShot(0, [good] {
        auto *screen = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        ASSERT_NE(screen, nullptr);
        auto *file = screen->findChild<QLineEdit *>(QStringLiteral("TxtBasePiezo"));
        ASSERT_NE(file, nullptr);
        file->setText(good);
        auto *use = screen->findChild<QPushButton *>(QStringLiteral("CmdChangementBase"));
        ASSERT_NE(use, nullptr);
        use->click();
        if (screen->isVisible()) // a failed switch must not leave the test waiting
            screen->reject();
    });
    QTest::mouseClick(child<QPushButton>("CmdConnexion"), Qt::LeftButton);
    ASSERT_TRUE(login.isDatabaseConnected()) << messages().join('\n').toStdString();
    EXPECT_EQ(child<QLabel>("lblUtilisee")->text(), good);
    EXPECT_EQ(LoginWorld::machine("Base"), good);
    typeAndEnter(QStringLiteral("ADMIN"), QStringLiteral("PLUIE"));
    EXPECT_EQ(logins(), 1) << messages().join('\n').toStdString();
}

// A password-protected Access file opened to 0 tables, through an empty working copy. The
// client now says what the file is and makes no copy.
TEST_P(LoginStartTest, AProtectedAccessFileSaysSoAndGetsNoWorkingCopy)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("reseau.mdb"));
    ASSERT_TRUE(QFile::copy(plxtest::testDataPath(QStringLiteral("mdb/protectedJet4.mdb")), file));
    LoginWorld::setMachine("Base", file);
    plx::Login &login = start();
    EXPECT_FALSE(login.isDatabaseConnected());
    EXPECT_EQ(messages(), QStringList{QString(QStringLiteral("ERREUR: ")
                                              + plx::protectedAccessFileRefusal(QStringLiteral("reseau.mdb")))});
    EXPECT_TRUE(messages().value(0).startsWith(
        QStringLiteral("ERREUR: Ce fichier Access est protégé par un mot de passe : « reseau.mdb »")));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"reseau.mdb"});
    typeAndEnter(QStringLiteral("ADMIN"), QStringLiteral("PLUIE"));
    EXPECT_EQ(logins(), 0);
}

TEST_P(LoginStartTest, EscapeEndsTheProgram)
{
    plx::Login &login = start();
    QSignalSpy quit(&login, &plx::Login::quitRequested);
    QTest::keyClick(child<QLineEdit>("Txt_MotPass"), Qt::Key_Escape);
    EXPECT_EQ(quit.count(), 1);
    EXPECT_EQ(logins(), 0);
}

// Start-up paths that do not depend on the engine.
INSTANTIATE_TEST_SUITE_P(Sqlite, LoginStartTest, ::testing::Values(QStringLiteral("sqlite")),
                         PLX_ENGINE_NAME);

} // namespace
