#include "base/messages.h"
#include "config/connectionprofile.h"
#include "config/machinesettings.h"
#include "config/settings.h"
#include "config/verifierconnexion.h"
#include "db/accesbase.h"
#include "db/dialect.h"
#include "db/sqltext.h"
#include "support/legacypgserver.h"
#include "support/testdatabases.h"

#include <QFile>
#include <QTcpServer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

namespace ms = plx::machinesettings;

// A private machine store, no login, no connection; everything restored afterwards.
class SettingsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_savedFile = qgetenv("PLX_SETTINGS_FILE");
        m_savedProfile = plx::runProfile();
        qputenv("PLX_SETTINGS_FILE", iniPath().toUtf8());
        plx::AccesBase::instance().Deconnecter();
        plx::setCurrentLogin(QString());
        m_savedHandler = plx::setMessageHandler([this](plx::MessageKind kind, const QString &text) {
            m_messages << plx::messageTitle(kind) + QStringLiteral(": ") + text;
            return false;
        });
    }
    void TearDown() override
    {
        plx::setMessageHandler(m_savedHandler);
        plx::setCurrentLogin(QString());
        plx::AccesBase::instance().Deconnecter();
        plx::runProfile() = m_savedProfile;
        if (m_savedFile.isNull())
            qunsetenv("PLX_SETTINGS_FILE");
        else
            qputenv("PLX_SETTINGS_FILE", m_savedFile);
    }

    QString iniPath() const { return m_dir.filePath(QStringLiteral("machine.ini")); }
    void writeIni(const QByteArray &content) const
    {
        QFile file(iniPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }

    QTemporaryDir m_dir;
    QStringList m_messages;

private:
    QByteArray m_savedFile;
    plx::ConnectionProfile m_savedProfile;
    plx::MessageHandler m_savedHandler;
};

TEST_F(SettingsTest, MachineStoreBeforeLogin)
{
    EXPECT_EQ(ms::applicationKeyPath(), "SOFTWARE\\VELMORA\\PLXReader6");
    EXPECT_EQ(ms::suiteKeyPath(), "SOFTWARE\\VELMORA\\KELDA6");
    ASSERT_TRUE(plx::EcrireParametre(QStringLiteral("CheminModeles"), QStringLiteral(" /home/u/Modèles ")));
    EXPECT_EQ(plx::LireParametre(QStringLiteral("CheminModeles")), "/HOME/U/MODÈLES");
    EXPECT_EQ(plx::LireParametre(QStringLiteral("cheminmodeles"), {}, true), "/home/u/Modèles");
    // Written again under another spelling: the same value, not a second one.
    ASSERT_TRUE(plx::EcrireParametre(QStringLiteral("CHEMINMODELES"), QStringLiteral("/srv")));
    EXPECT_EQ(plx::LireParametre(QStringLiteral("CheminModeles"), {}, true), "/srv");

    ASSERT_TRUE(plx::EcrireParametre(QStringLiteral("TraceLog"), QString()));
    EXPECT_EQ(ms::read({}, QStringLiteral("TraceLog")), " ");
    EXPECT_EQ(plx::LireParametre(QStringLiteral("TraceLog")), "");

    // An explicit key path is used as given; LastProject lives under the suite key.
    const QString other = QStringLiteral("SOFTWARE\\VELMORA\\HVX6");
    ASSERT_TRUE(plx::EcrireParametre(QStringLiteral("Couleur"), QStringLiteral("bleu"), other));
    EXPECT_EQ(plx::LireParametre(QStringLiteral("Couleur")), "");
    EXPECT_EQ(plx::LireParametre(QStringLiteral("Couleur"), other), "BLEU");
    ASSERT_TRUE(plx::EcrireParametre(QStringLiteral("LastProject"), QStringLiteral("Bassin Sud")));
    EXPECT_EQ(ms::read(ms::suiteKeyPath(), QStringLiteral("LastProject")), "Bassin Sud");
    EXPECT_FALSE(ms::read(ms::applicationKeyPath(), QStringLiteral("LastProject")).has_value());
    EXPECT_EQ(plx::LireParametre(QStringLiteral("LastProject"), {}, true), "Bassin Sud");

    // It holds the database password.
    ASSERT_TRUE(plx::EcrireParametre(QStringLiteral("PassBase"), QStringLiteral("Secret")));
    EXPECT_EQ(QFile::permissions(iniPath()) & ~(QFile::ReadUser | QFile::WriteUser),
              QFile::ReadOwner | QFile::WriteOwner);

    qputenv("PLX_SETTINGS_FILE", "/dev/null/plx/machine.ini");
    EXPECT_FALSE(plx::EcrireParametre(QStringLiteral("LastUser"), QStringLiteral("x")));
    EXPECT_EQ(plx::LireParametre(QStringLiteral("LastUser")), "");
}

TEST_F(SettingsTest, HandEditedStore)
{
    // Keys typed in another case, padding, a value with commas, an empty group.
    writeIni("[SOFTWARE%5CVELMORA%5CPLXReader6]\r\n"
             "loglevel=3\r\n"
             "CHEMINEDITION=  /srv/Sorties  \r\n"
             "Liste=a, b\r\n"
             "[software%5Cvelmora%5Ckelda6]\r\n"
             "lastproject=Nord\r\n");
    EXPECT_EQ(plx::LireParametre(QStringLiteral("LogLevel")), "3");
    EXPECT_EQ(plx::LireParametre(QStringLiteral("CheminEdition"), {}, true), "/srv/Sorties");
    EXPECT_EQ(plx::LireParametre(QStringLiteral("Liste"), {}, true), "a, b");
    EXPECT_EQ(plx::LireParametre(QStringLiteral("LastProject"), {}, true), "Nord");
}

// With a user logged in, on each engine.
class UserSettingsTest : public SettingsTest, public ::testing::WithParamInterface<QString>
{
protected:
    void SetUp() override
    {
        SettingsTest::SetUp();
        m_db = std::make_unique<plxtest::ScratchDatabase>(GetParam());
        ASSERT_TRUE(m_db->connect());
        const bool sqlite = GetParam() == QLatin1String("sqlite");
        const plx::ColumnTypes types = plx::columnTypes(sqlite ? "ACCESS" : "POSTGRESQL");
        ASSERT_TRUE(db().Execute(QStringLiteral("CREATE TABLE UTILISATEURS_PARAMETRES (login %1, "
                                                "parametre %1, valeur %1, datemaj %2)")
                                     .arg(types.textOfLength(255), types.dateTime)));
    }
    void TearDown() override
    {
        SettingsTest::TearDown();
        m_db.reset();
    }

    static plx::AccesBase &db() { return plx::AccesBase::instance(); }
    // "login=valeur" rows of one key, NULL shown as <null>.
    static QStringList rows(const QString &key)
    {
        const plx::RecordTable table = db().ExtraireRecords(
            QStringLiteral("SELECT login, valeur FROM UTILISATEURS_PARAMETRES WHERE parametre = %1 "
                           "ORDER BY login")
                .arg(plx::sqlQuote(key)));
        EXPECT_TRUE(table.ok()) << table.error().toStdString();
        QStringList result;
        for (int r = 0; r < table.rowCount(); ++r)
            result << table.text(r, 0) + QLatin1Char('=')
                          + (table.at(r, 1).isNull() ? QStringLiteral("<null>") : table.text(r, 1));
        return result;
    }

    std::unique_ptr<plxtest::ScratchDatabase> m_db;
};

TEST_P(UserSettingsTest, UserTableAfterLogin)
{
    const QString key = QStringLiteral("CheminEdition");
    // Connected but nobody logged in yet: the machine store.
    ASSERT_TRUE(plx::EcrireParametre(key, QStringLiteral("/Sorties/Été")));
    EXPECT_TRUE(rows(key).isEmpty());

    plx::setCurrentLogin(QStringLiteral("dupont"));
    EXPECT_EQ(plx::LireParametre(key), "/SORTIES/ÉTÉ");
    EXPECT_EQ(rows(key), QStringList{"dupont=/Sorties/Été"}); // the copied value keeps its case

    ASSERT_TRUE(ms::write({}, key, QStringLiteral("/ailleurs")));
    EXPECT_EQ(plx::LireParametre(key), "/Sorties/Été");
    plx::clearUserSettingsCache();
    EXPECT_EQ(plx::LireParametre(key), "/Sorties/Été");

    // Written through the cache and the table; one row whatever the spelling.
    ASSERT_TRUE(plx::EcrireParametre(QStringLiteral("CHEMINEDITION"), QStringLiteral("/Mes Sorties")));
    EXPECT_EQ(plx::LireParametre(key), "/Mes Sorties");
    EXPECT_EQ(rows(QStringLiteral("CHEMINEDITION")), QStringList{"dupont=/Mes Sorties"});
    EXPECT_TRUE(rows(key).isEmpty());
    EXPECT_EQ(ms::read({}, key), "/ailleurs");

    ASSERT_TRUE(plx::EcrireParametre(QStringLiteral("Legende"), QString()));
    ASSERT_TRUE(plx::EcrireParametre(QStringLiteral("Legende"), QString()));
    EXPECT_EQ(rows(QStringLiteral("Legende")), QStringList{"dupont=<null>"});
    plx::clearUserSettingsCache();
    EXPECT_EQ(plx::LireParametre(QStringLiteral("Legende")), "");

    // Profile keys stay on the machine.
    ASSERT_TRUE(plx::EcrireParametre(QStringLiteral("LastUser"), QStringLiteral("dupont")));
    EXPECT_TRUE(rows(QStringLiteral("LastUser")).isEmpty());
    EXPECT_EQ(plx::LireParametre(QStringLiteral("LastUser"), {}, true), "dupont");

    // Another user is seeded from the machine store, not from dupont's value; the same
    // login in capitals is dupont.
    plx::setCurrentLogin(QStringLiteral("martin"));
    EXPECT_EQ(plx::LireParametre(key), "/AILLEURS");
    plx::setCurrentLogin(QStringLiteral("DUPONT"));
    EXPECT_EQ(plx::LireParametre(QStringLiteral("cheminedition")), "/Mes Sorties");

    // Disconnected: back to the machine store.
    db().Deconnecter();
    EXPECT_EQ(plx::LireParametre(key), "/AILLEURS");
}

TEST_P(UserSettingsTest, QuotesChangeNothing)
{
    const QString key = QStringLiteral("Option");
    plx::setCurrentLogin(QStringLiteral("dupont"));
    ASSERT_TRUE(plx::EcrireParametre(key, QStringLiteral("a")));
    plx::setCurrentLogin(QStringLiteral("martin"));
    ASSERT_TRUE(plx::EcrireParametre(key, QStringLiteral("b")));

    plx::setCurrentLogin(QStringLiteral("x' OR '1'='1"));
    ASSERT_TRUE(plx::EcrireParametre(key, QStringLiteral("c")));
    plx::clearUserSettingsCache();
    EXPECT_EQ(plx::LireParametre(key), "c");
    EXPECT_EQ(rows(key), (QStringList{"dupont=a", "martin=b", "x' OR '1'='1=c"}));

    plx::setCurrentLogin(QStringLiteral("dupont"));
    const QString quotedKey = QStringLiteral("Option' OR parametre <> '");
    ASSERT_TRUE(plx::EcrireParametre(quotedKey, QStringLiteral("l'eau")));
    plx::clearUserSettingsCache();
    EXPECT_EQ(plx::LireParametre(quotedKey), "l'eau");
    EXPECT_EQ(plx::LireParametre(key), "a");
    EXPECT_EQ(rows(key), (QStringList{"dupont=a", "martin=b", "x' OR '1'='1=c"}));
}

// The run profile is connected by the check; the label names the database in use.
TEST_P(UserSettingsTest, VerifierConnexionConnects)
{
    db().Deconnecter();
    plx::runProfile() = m_db->profile();
    QStringList states, labels;
    ASSERT_TRUE(plx::VerifierConnexion([&](const QString &t) { states << t; },
                                       [&](const QString &t) { labels << t; }));
    EXPECT_TRUE(m_messages.isEmpty()) << m_messages.join('\n').toStdString();
    EXPECT_EQ(states.value(0), "Connexion Base");
    EXPECT_EQ(states.last(), QString::fromUtf8("Mise à jour de l'information de la base utilisée"));
    const plx::ConnectionProfile &p = m_db->profile();
    EXPECT_EQ(labels, QStringList{p.server.isEmpty() ? p.database : p.server + '/' + p.database});
}

INSTANTIATE_TEST_SUITE_P(Engines, UserSettingsTest, PLX_ENGINES, PLX_ENGINE_NAME);

QString failureMessage(const QString &kind)
{
    return QString::fromUtf8("ERREUR: La connexion à la base de données (%1) n'a pas fonctionné. "
                             "Vérifiez le paramétrage dans l'administration du logiciel.")
        .arg(kind);
}

TEST_F(SettingsTest, VerifierConnexionFailures)
{
    QStringList states;
    const auto state = [&](const QString &t) { states << t; };
    QString label = QStringLiteral("unchanged");
    const auto database = [&](const QString &t) { label = t; };

    const QString notADatabase = m_dir.filePath(QStringLiteral("notes.sqlite"));
    {
        QFile file(notADatabase);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray("Relevés du pluviomètre, pas une base.\n").repeated(200));
    }
    plx::runProfile() = {};
    plx::runProfile().kind = QStringLiteral("ACCESS");
    plx::runProfile().database = notADatabase;
    EXPECT_FALSE(plx::VerifierConnexion(state, database));
    EXPECT_EQ(m_messages, QStringList{failureMessage("ACCESS")});
    EXPECT_EQ(states, (QStringList{"Connexion Base",
                                   QString::fromUtf8("Vérification de l'état de la connexion: ACCESS (")
                                       + notADatabase + ')'}));
    EXPECT_FALSE(plx::AccesBase::instance().isConnected());

    // A PostgreSQL server that is not running: a port nobody listens on.
    QTcpServer probe;
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost));
    const quint16 port = probe.serverPort();
    probe.close();
    m_messages.clear();
    plx::runProfile().kind = QStringLiteral("POSTGRESQL");
    plx::runProfile().server = QStringLiteral("127.0.0.1");
    plx::runProfile().port = QString::number(port);
    plx::runProfile().database = QStringLiteral("pluvio");
    plx::runProfile().user = QStringLiteral("hydro");
    EXPECT_FALSE(plx::VerifierConnexion(state, database));
    EXPECT_EQ(m_messages, QStringList{failureMessage("POSTGRESQL")});
    EXPECT_EQ(plx::runProfile().kind, "POSTGRESQL");

    // "ORACLE" connects with the variant saved in TypeBase (no Oracle here: it fails).
    ASSERT_TRUE(plx::EcrireParametre(QStringLiteral("TypeBase"), QStringLiteral("oracle_xe")));
    m_messages.clear();
    states.clear();
    plx::runProfile().kind = QStringLiteral("ORACLE");
    plx::runProfile().database = QStringLiteral("XE");
    EXPECT_FALSE(plx::VerifierConnexion(state, nullptr));
    EXPECT_EQ(m_messages, QStringList{failureMessage("ORACLE_XE")});
    EXPECT_EQ(states.value(1), QString::fromUtf8("Vérification de l'état de la connexion: ORACLE_XE (XE)"));

    // A server that keeps backslash escapes is refused on purpose: that reason is shown as it
    // is, the settings are not at fault.
    plxtest::LegacyPgServer legacy(plxtest::LegacyPgServer::Answer::Refuses);
    m_messages.clear();
    plx::runProfile().kind = QStringLiteral("POSTGRESQL");
    plx::runProfile().port = legacy.port();
    EXPECT_FALSE(plx::VerifierConnexion(state, database));
    ASSERT_EQ(m_messages.size(), 1);
    EXPECT_TRUE(m_messages[0].startsWith(QString::fromUtf8(
        "ERREUR: Connexion refusée : le serveur PostgreSQL n'accepte pas le réglage "
        "« standard_conforming_strings = on »")))
        << m_messages[0].toStdString();
    EXPECT_FALSE(plx::AccesBase::instance().isConnected());
}

} // namespace
