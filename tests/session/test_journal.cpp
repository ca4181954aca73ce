#include "session/journal.h"

#include "db/accesbase.h"
#include "run/loginsequence.h"
#include "schema/schemaupgrade.h"
#include "session/session.h"
#include "support/testdatabases.h"

#include <gtest/gtest.h>

namespace {

using plx::AccesBase;

class JournalTest : public ::testing::TestWithParam<QString>
{
protected:
    void SetUp() override
    {
        if (GetParam() == QLatin1String("odbc"))
            GTEST_SKIP() << "the journal is engine-neutral; SQLite and PostgreSQL cover it";
        m_db = std::make_unique<plxtest::ScratchDatabase>(GetParam());
        ASSERT_TRUE(m_db->connect());
        plx::runProfile() = m_db->profile();
        if (plx::runProfile().kind == QLatin1String("ODBC"))
            plx::runProfile().kind = QStringLiteral("POSTGRESQL");
        plx::clearSession();
        m_savedLevel = plx::journalLogLevel();
        const plx::SchemaUpgradeReport report = plx::upgradeSchema(QStringLiteral(PLX_VERSION));
        ASSERT_TRUE(report.ok) << report.error.toStdString();
        ASSERT_TRUE(db().Execute(QStringLiteral("DELETE FROM JOURNAL")));
    }
    void TearDown() override
    {
        plx::setJournalLogLevel(m_savedLevel);
        plx::clearSession();
        db().Deconnecter();
        m_db.reset();
    }

    static AccesBase &db() { return AccesBase::instance(); }

    // utilisateur | niveau | projet | description | contact, oldest first.
    static QStringList rows()
    {
        const plx::RecordTable t = db().ExtraireRecords(
            QStringLiteral("SELECT utilisateur, niveau, projet, description, contact, ip, dateEvt "
                           "FROM JOURNAL ORDER BY dateEvt, description"));
        EXPECT_TRUE(t.ok()) << t.error().toStdString();
        QStringList out;
        for (int r = 0; r < t.rowCount(); ++r) {
            EXPECT_FALSE(t.text(r, 5).isEmpty()) << "no workstation address";
            EXPECT_TRUE(t.at(r, 6).toDateTime().isValid()) << "no date";
            out << QStringList{t.text(r, 0), QString::number(t.at(r, 1).toInt()), t.text(r, 2),
                               t.text(r, 3), t.text(r, 4)}
                       .join(QLatin1Char('|'));
        }
        return out;
    }

    std::unique_ptr<plxtest::ScratchDatabase> m_db;
    int m_savedLevel = 2;
};

TEST_P(JournalTest, RowsCarryTheUserTheLevelAndAShortText)
{
    plx::setJournalLogLevel(2);
    plx::journal(QStringLiteral("Démarrage"));
    plx::journal(QStringLiteral("Erreur d'écriture"), plx::JournalLevel::Error);
    plx::journal(QStringLiteral("détail ignoré"), plx::JournalLevel::Detail);
    EXPECT_EQ(rows(), (QStringList{"AUTO|2|PLXReader|Démarrage|", "AUTO|1|PLXReader|Erreur d'écriture|"}))
        << rows().join(QLatin1Char('\n')).toStdString();

    ASSERT_TRUE(db().Execute(QStringLiteral("DELETE FROM JOURNAL")));
    plx::session().login = QStringLiteral("MARIE");
    plx::session().codeContact = QStringLiteral("7");
    plx::setJournalLogLevel(3);
    // 200 characters with accents and a quote: cut at 125 characters, not bytes.
    const QString longText = QString(QStringLiteral("é'")).repeated(100);
    plx::journal(longText, plx::JournalLevel::Detail);
    ASSERT_EQ(rows().size(), 1);
    EXPECT_EQ(rows().first(), QStringLiteral("MARIE|3|PLXReader|") + longText.left(125)
                                  + QStringLiteral("|7"));

    plx::setJournalLogLevel(0);
    plx::journal(QStringLiteral("rien"), plx::JournalLevel::Error);
    EXPECT_EQ(rows().size(), 1);
}

TEST_P(JournalTest, AFailingJournalNeverBreaksTheWorkItRecords)
{
    plx::setJournalLogLevel(3);
    ASSERT_TRUE(db().Execute(QStringLiteral("CREATE TABLE T_WORK (n Long)")));
    ASSERT_TRUE(db().Execute(QStringLiteral("DROP TABLE JOURNAL")));
    // Inside a transaction: on PostgreSQL a failed statement would abort it.
    ASSERT_TRUE(db().DebutTransaction());
    ASSERT_TRUE(db().Execute(QStringLiteral("INSERT INTO T_WORK (n) VALUES (1)")));
    plx::journal(QStringLiteral("la table manque"));
    ASSERT_TRUE(db().Execute(QStringLiteral("INSERT INTO T_WORK (n) VALUES (2)")));
    ASSERT_TRUE(db().FinTransaction(true));
    const plx::RecordTable t = db().ExtraireRecords(QStringLiteral("SELECT count(*) FROM T_WORK"));
    ASSERT_TRUE(t.ok());
    EXPECT_EQ(t.at(0, 0).toInt(), 2);

    db().Deconnecter();
    plx::journal(QStringLiteral("pas de connexion")); // nothing to write to, and no crash
}

INSTANTIATE_TEST_SUITE_P(Engines, JournalTest, PLX_ENGINES, PLX_ENGINE_NAME);

} // namespace
