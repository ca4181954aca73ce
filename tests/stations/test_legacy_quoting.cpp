#include "test_stationfixture.h"

#include "stations/listfilter.h"
#include "stations/savedlists.h"
#include "stations/stationrecord.h"

namespace {

// A scratch database at the current schema whose server (on PostgreSQL) keeps
// standard_conforming_strings off, as servers before 9.1 did: there "\'" ended a quoted
// value. The register's statements are plain SQL (ODBC is covered by the db and login
// tests), so SQLite and PostgreSQL.
class LegacyQuotingTest : public ::testing::TestWithParam<QString>, protected plxtest::MessageRecorder
{
protected:
    void SetUp() override
    {
        if (GetParam() == QLatin1String("odbc"))
            GTEST_SKIP() << "plain statements; SQLite and PostgreSQL cover them";
        m_savedProfile = plx::runProfile();
        m_db = std::make_unique<plxtest::ScratchDatabase>(GetParam());
        if (GetParam() == QLatin1String("postgresql")) {
            ASSERT_TRUE(m_db->setServerDefault(QStringLiteral("standard_conforming_strings = off")));
        }
        ASSERT_TRUE(m_db->connectAsRunProfile());
        const plx::SchemaUpgradeReport report = plx::upgradeSchema(QStringLiteral(PLX_VERSION));
        ASSERT_TRUE(report.ok) << report.error.toStdString();
        plx::clearSession();
        plx::session().login = QStringLiteral("REF");
        plx::session().isAdmin = true;
    }
    void TearDown() override
    {
        if (!m_db)
            return;
        plx::clearSession();
        plx::AccesBase::instance().Deconnecter();
        m_db.reset();
        plx::runProfile() = m_savedProfile;
    }

    std::unique_ptr<plxtest::ScratchDatabase> m_db;
    plx::ConnectionProfile m_savedProfile;
};

} // namespace

// A station name, a saved list's name and the value its filter tests, holding "\'", come
// back as typed and select what they name.
TEST_P(LegacyQuotingTest, NamesHoldingABackslashedQuoteComeBackAsTyped)
{
    plx::AccesBase &db = plx::AccesBase::instance();
    const QString name = QStringLiteral("l'eau\\'s");
    plx::StationRecord station;
    station.nom = name;
    station.identifiant = QStringLiteral("a\\");
    station.commentaires = QStringLiteral("x\\') OR 1=1 --");
    const plx::StationSaveResult saved = plx::saveStation(db, station);
    ASSERT_TRUE(saved.ok) << saved.message.toStdString();
    const std::optional<plx::StationRecord> loaded = plx::loadStation(db, station.code);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->nom, name);
    EXPECT_EQ(loaded->identifiant, station.identifiant);
    EXPECT_EQ(loaded->commentaires, station.commentaires);
    plx::StationRecord other;
    other.nom = QStringLiteral("l'eau");
    ASSERT_TRUE(plx::saveStation(db, other).ok);

    const std::vector<plx::FilterRow> rows{
        {{}, QStringLiteral("Nom du site"), QStringLiteral("="), name}};
    const plx::SavedListResult list = plx::createSavedListFromFilter(name, rows, false);
    ASSERT_TRUE(list.ok) << list.error.toStdString();
    std::optional<plx::SavedList> read = plx::readSavedList(list.code);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->label, name);
    EXPECT_EQ(plx::parseFilter(read->selectionFiltre), rows);
    const plx::ListSelection selected = plx::codesSelectedBy(read->selectionFiltre, read->requete);
    ASSERT_TRUE(selected.ok) << selected.error.toStdString();
    EXPECT_EQ(selected.codes, QSet<qint64>{station.code.toLongLong()});

    ASSERT_TRUE(plx::renameSavedList(list.code, QStringLiteral("a\\")).ok);
    read = plx::readSavedList(list.code);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->label, QStringLiteral("a\\"));
    EXPECT_TRUE(messages.isEmpty()) << messages.join(QLatin1Char('\n')).toStdString();
}

INSTANTIATE_TEST_SUITE_P(Engines, LegacyQuotingTest, PLX_ENGINES, PLX_ENGINE_NAME);
