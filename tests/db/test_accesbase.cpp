#include "db/accesbase.h"
#include "db/recordset.h"
#include "db/sqltext.h"
#include "db/transaction.h"
#include "support/testdatabases.h"

#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace plx;

namespace {

class AccesBaseTest : public ::testing::TestWithParam<QString>
{
protected:
    void SetUp() override
    {
        m_scratch = std::make_unique<plxtest::ScratchDatabase>(GetParam());
        ASSERT_TRUE(m_scratch->connect(db));
        ASSERT_TRUE(db.Execute(QStringLiteral(
            "CREATE TABLE mesures (id integer, nom varchar(50), v real, d timestamp)")));
    }
    void TearDown() override { db.Deconnecter(); }

    bool insert(int id, const QVariant &nom, const QVariant &v, const QVariant &d)
    {
        return db.Execute(QStringLiteral("INSERT INTO mesures (id, nom, v, d) VALUES (%1, %2, %3, %4)")
                              .arg(sqlNumber(id), db.engineLiteral(nom), db.engineLiteral(v),
                                   db.engineLiteral(d)));
    }
    int count(const QString &where = QStringLiteral("1=1"))
    {
        const RecordTable t = db.ExtraireRecords(QStringLiteral("SELECT count(*) FROM mesures WHERE ") + where);
        return t.ok() && t.rowCount() == 1 ? t.at(0, 0).toInt() : -1;
    }

    AccesBase &db = AccesBase::instance();
    std::unique_ptr<plxtest::ScratchDatabase> m_scratch;
};

ConnectionProfile profileOf(const QString &kind, const QString &database, const QString &port = {},
                            const QString &user = {}, const QString &password = {})
{
    ConnectionProfile profile;
    profile.kind = kind;
    profile.database = database;
    profile.server = port.isEmpty() ? QString() : QStringLiteral("127.0.0.1");
    profile.port = port;
    profile.user = user;
    profile.password = password;
    return profile;
}

QDateTime wallClock(int y, int m, int d, int h = 0, int mi = 0, int s = 0)
{
    return QDateTime(QDate(y, m, d), QTime(h, mi, s), Qt::UTC);
}

} // namespace

// Values come back with their type, NULL kept apart from '', and date-times exactly as
// written: a spring-forward night in Paris, a time of day on 30/12/1899 (where Paris used
// local mean time) and a 19th-century date all broke zone-converting drivers.
TEST_P(AccesBaseTest, ValuesRoundTrip)
{
    ASSERT_TRUE(insert(1, QStringLiteral("O'Brien"), 0.1, wallClock(2024, 3, 31, 2, 30)));
    ASSERT_TRUE(insert(2, QString(""), QVariant(), wallClock(1899, 12, 30, 7, 30)));
    ASSERT_TRUE(insert(3, QVariant(), 12.5, wallClock(1868, 1, 1)));

    const RecordTable t = db.ExtraireRecords(QStringLiteral("SELECT id, nom, v, d FROM mesures ORDER BY id"));
    ASSERT_TRUE(t.ok()) << t.error().toStdString();
    ASSERT_EQ(t.rowCount(), 3);
    EXPECT_EQ(t.columnNames().join(','), QStringLiteral("id,nom,v,d"));
    EXPECT_EQ(t.columnIndex(QStringLiteral("NOM")), 1);

    EXPECT_EQ(t.at(0, 0).toLongLong(), 1);
    EXPECT_EQ(t.at(0, 1).toString(), QStringLiteral("O'Brien"));
    EXPECT_EQ(t.at(0, 2).toDouble(), 0.1) << "a 4-byte real must read back as its shortest text";
    EXPECT_EQ(t.at(0, 3).toDateTime(), wallClock(2024, 3, 31, 2, 30));

    EXPECT_FALSE(t.at(1, 1).isNull());
    EXPECT_EQ(t.at(1, 1).toString(), QString());
    EXPECT_TRUE(t.at(1, 2).isNull());
    EXPECT_EQ(t.at(1, 3).toDateTime(), wallClock(1899, 12, 30, 7, 30));
    EXPECT_EQ(t.text(1, 3), QStringLiteral("07:30:00"));

    EXPECT_TRUE(t.at(2, 1).isNull());
    EXPECT_EQ(t.text(2, 1), QString());
    EXPECT_EQ(t.text(2, 2), QStringLiteral("12.5"));
    EXPECT_EQ(t.text(2, 3), QStringLiteral("01/01/1868"));

    const RecordTable agg = db.ExtraireRecords(QStringLiteral("SELECT max(d), count(*) FROM mesures"));
    ASSERT_TRUE(agg.ok());
    EXPECT_EQ(agg.at(0, 0).toDateTime(), wallClock(2024, 3, 31, 2, 30));
}

// A quote in a value stays inside the value; a second statement never runs; a failing
// statement gives a false flag and a text, and the connection stays usable.
TEST_P(AccesBaseTest, BadInputChangesNothing)
{
    for (const QString &hostile : {QStringLiteral("' OR '1'='1"), QStringLiteral("x'); DROP TABLE mesures; --")})
        ASSERT_TRUE(insert(7, hostile, 1.0, QVariant()));
    EXPECT_EQ(count(QStringLiteral("nom = ") + sqlQuote(QStringLiteral("' OR '1'='1"))), 1);
    EXPECT_EQ(count(QStringLiteral("nom = ") + sqlQuote(QStringLiteral("nobody' OR '1'='1"))), 0);

    QString error;
    EXPECT_FALSE(db.Execute(QStringLiteral("DELETE FROM mesures; DROP TABLE mesures"), &error));
    EXPECT_TRUE(db.tableExists(QStringLiteral("MESURES")));
    EXPECT_EQ(count(), 2);

    EXPECT_FALSE(db.Execute(QStringLiteral("INSERT INTO nowhere VALUES (1)"), &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(db.lastError(), error);
    EXPECT_TRUE(db.isMissingObjectError(error)) << error.toStdString();
    const RecordTable bad = db.ExtraireRecords(QStringLiteral("SELECT absent FROM mesures"));
    EXPECT_FALSE(bad.ok());
    EXPECT_EQ(bad.rowCount(), 0);
    EXPECT_TRUE(db.isMissingObjectError(bad.error())) << bad.error().toStdString();
    EXPECT_FALSE(db.ExtraireRecords(QStringLiteral("SELEC 1")).ok());
    EXPECT_EQ(count(), 2);
}

// Nothing half-happens: a rollback undoes every statement, a nested rollback only its
// own, and a statement allowed to fail does not poison a PostgreSQL transaction.
TEST_P(AccesBaseTest, Transactions)
{
    ASSERT_TRUE(db.DebutTransaction());
    ASSERT_TRUE(insert(1, QStringLiteral("a"), 1.0, QVariant()));
    ASSERT_TRUE(db.FinTransaction(false));
    EXPECT_EQ(count(), 0);

    ASSERT_TRUE(db.DebutTransaction());
    ASSERT_TRUE(insert(1, QStringLiteral("kept"), 1.0, QVariant()));
    ASSERT_TRUE(db.DebutTransaction());
    ASSERT_TRUE(insert(2, QStringLiteral("undone"), 1.0, QVariant()));
    ASSERT_TRUE(db.FinTransaction(false));
    EXPECT_FALSE(db.tryExecute(QStringLiteral("DROP TABLE missing_brute")));
    EXPECT_TRUE(insert(3, QStringLiteral("after failure"), 1.0, QVariant()));
    ASSERT_TRUE(db.FinTransaction(true));
    EXPECT_FALSE(db.inTransaction());
    EXPECT_EQ(count(), 2);
    EXPECT_EQ(count(QStringLiteral("id = 2")), 0);

    {
        Transaction tx(db);
        ASSERT_TRUE(tx.started());
        EXPECT_TRUE(tx.exec(QStringLiteral("DELETE FROM mesures")));
        EXPECT_FALSE(tx.tryExec(QStringLiteral("SELECT absent FROM nowhere")));
        // Leaving the scope without commit() rolls back.
    }
    EXPECT_EQ(count(), 2);
    EXPECT_FALSE(db.FinTransaction(true)) << "no transaction left open";
}

TEST_P(AccesBaseTest, RecordsetAppendsAndUpdates)
{
    auto rs = db.OuvrirRecordset(QStringLiteral("SELECT * FROM mesures where d is null"));
    ASSERT_TRUE(rs);
    EXPECT_TRUE(rs->EOF_());
    rs->addnew();
    EXPECT_TRUE(rs->setField(QStringLiteral("ID"), 5));
    EXPECT_TRUE(rs->setField(QStringLiteral("nom"), QStringLiteral("l'été")));
    EXPECT_TRUE(rs->setField(QStringLiteral("d"), wallClock(2024, 3, 5, 7, 30)));
    EXPECT_FALSE(rs->setField(QStringLiteral("absent"), 1));
    ASSERT_TRUE(rs->Update());
    rs->Close();
    ASSERT_TRUE(insert(6, QStringLiteral("other"), 2.0, wallClock(2024, 3, 5, 7, 30)));

    rs = db.OuvrirRecordset(QStringLiteral("SELECT id, nom, d FROM mesures WHERE id = 5"));
    ASSERT_TRUE(rs);
    ASSERT_FALSE(rs->EOF_());
    EXPECT_EQ(rs->field(QStringLiteral("nom")).toString(), QStringLiteral("l'été"));
    EXPECT_EQ(rs->field(QStringLiteral("d")).toDateTime(), wallClock(2024, 3, 5, 7, 30));
    rs->setField(QStringLiteral("nom"), QVariant());
    ASSERT_TRUE(rs->Update());
    rs->MoveNext();
    EXPECT_TRUE(rs->EOF_());

    EXPECT_EQ(count(QStringLiteral("nom IS NULL")), 1);
    EXPECT_EQ(count(QStringLiteral("nom = 'other'")), 1);
}

TEST_P(AccesBaseTest, RenamesTablesAndReadsTheCatalog)
{
    ASSERT_TRUE(insert(1, QStringLiteral("a"), 1.0, QVariant()));
    EXPECT_TRUE(db.columnExists(QStringLiteral("MESURES"), QStringLiteral("Nom")));
    EXPECT_FALSE(db.columnExists(QStringLiteral("mesures"), QStringLiteral("modeselect")));
    ASSERT_TRUE(db.RenommerTable(QStringLiteral("mesures"), QStringLiteral("pluvio_2")));
    EXPECT_FALSE(db.tableExists(QStringLiteral("mesures")));
    EXPECT_TRUE(db.tableExists(QStringLiteral("PLUVIO_2")));
    EXPECT_EQ(db.ExtraireRecords(QStringLiteral("SELECT nom FROM PLUVIO_2")).text(0, 0), QStringLiteral("a"));
    EXPECT_FALSE(db.RenommerTable(QStringLiteral("mesures"), QStringLiteral("pluvio_3")));
}

INSTANTIATE_TEST_SUITE_P(Engines, AccesBaseTest, PLX_ENGINES, PLX_ENGINE_NAME);

// Connections that cannot work give a false flag and a text, nothing more.
TEST(AccesBaseConnection, RefusedConnections)
{
    AccesBase db;
    QTemporaryDir dir;
    QString error;

    const ConnectionProfile missing = profileOf(QStringLiteral("ACCESS"), dir.filePath(QStringLiteral("none.sqlite")));
    EXPECT_FALSE(db.Connecter(missing, &error));
    EXPECT_FALSE(QFile::exists(missing.database)) << "a missing file must not be created";

    QFile junk(dir.filePath(QStringLiteral("junk.sqlite")));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write(QByteArray(4096, 'x'));
    junk.close();
    EXPECT_FALSE(db.Connecter(profileOf(QStringLiteral("ACCESS"), junk.fileName()), &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(db.isConnected());

    EXPECT_FALSE(db.Connecter(profileOf(QStringLiteral("DBASE"), QStringLiteral("x")), &error));
    EXPECT_TRUE(error.contains(QStringLiteral("DBASE")));

    const ConnectionProfile down = profileOf(QStringLiteral("POSTGRESQL"), QStringLiteral("plx"),
                                             QStringLiteral("1"), QStringLiteral("postgres"));
    EXPECT_FALSE(db.Connecter(down, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(db.Execute(QStringLiteral("SELECT 1")));

    if (!qEnvironmentVariableIsEmpty("PLX_TEST_PG_PORT")) {
        ConnectionProfile refused = profileOf(QStringLiteral("POSTGRESQL"), QStringLiteral("postgres"),
                                              qEnvironmentVariable("PLX_TEST_PG_PORT"),
                                              QStringLiteral("plx_pw"), QStringLiteral("wrong"));
        EXPECT_FALSE(db.Connecter(refused, &error));
        EXPECT_TRUE(error.contains(QStringLiteral("plx_pw"))) << error.toStdString();
        refused.password = QStringLiteral("secret");
        EXPECT_TRUE(db.Connecter(refused, &error)) << error.toStdString();
    }
}
