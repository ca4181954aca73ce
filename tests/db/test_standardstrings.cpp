#include "db/accesbase.h"
#include "db/connectionrefusal.h"
#include "db/sqltext.h"
#include "support/legacypgserver.h"
#include "support/testdatabases.h"

#include <gtest/gtest.h>
#include <libpq-fe.h>

using namespace plx;

namespace {

// Texts that a backslash would let out of their quotes if backslashes escaped there.
const QStringList backslashed = {
    QStringLiteral("l'eau\\'s"),
    QStringLiteral("a\\"),
    QStringLiteral("\\"),
    QStringLiteral("\\'"),
    QStringLiteral("x\\') OR 1=1 --"),
    QStringLiteral("fin\\\\"),
    QStringLiteral("\\''\\"),
    QStringLiteral("'; DROP TABLE noms; --\\"),
    QStringLiteral("quoi ? {fn ucase('x')} \\n"),
};

// What a session that does nothing about it gets on this database.
QString plainSessionSetting(const plxtest::ScratchDatabase &scratch)
{
    PGconn *conn = PQconnectdb(plxtest::pgConninfo(scratch.serverName()).toUtf8().constData());
    QString value;
    if (PQstatus(conn) == CONNECTION_OK) {
        PGresult *result = PQexec(conn, "SHOW standard_conforming_strings");
        if (PQresultStatus(result) == PGRES_TUPLES_OK && PQntuples(result) == 1)
            value = QString::fromUtf8(PQgetvalue(result, 0, 0));
        PQclear(result);
    }
    PQfinish(conn);
    return value;
}

class StandardStringsTest : public ::testing::TestWithParam<QString>
{
};

} // namespace

// On a database kept at standard_conforming_strings = off (the default before PostgreSQL
// 9.1), "\'" ended a quoted value: the login x\') OR 1=1 -- read every user. Both engines
// that reach PostgreSQL (libpq, and psqlODBC through ODBC) now turn it on for their
// session, and every text put in SQL by the quoting helper comes back as it was.
TEST_P(StandardStringsTest, BackslashesStayInsideTheirQuotesOnALegacyDatabase)
{
    const plxtest::ScratchDatabase scratch(GetParam());
    const bool server = GetParam() != QLatin1String("sqlite");
    if (server) {
        ASSERT_TRUE(scratch.setServerDefault(QStringLiteral("standard_conforming_strings = off")));
        ASSERT_EQ(plainSessionSetting(scratch), "off") << "the legacy setting must be in force";
    }
    AccesBase db;
    ASSERT_TRUE(scratch.connect(db));
    if (server) {
        const RecordTable shown = db.ExtraireRecords(QStringLiteral("SHOW standard_conforming_strings"));
        ASSERT_TRUE(shown.ok()) << shown.error().toStdString();
        EXPECT_EQ(shown.text(0, 0), "on");
    }

    ASSERT_TRUE(db.Execute(QStringLiteral("CREATE TABLE noms (id INTEGER, nom TEXT(255))")));
    for (int i = 0; i < backslashed.size(); ++i) {
        QString error;
        EXPECT_TRUE(db.Execute(QStringLiteral("INSERT INTO noms (id, nom) VALUES (%1, %2)")
                                   .arg(sqlNumber(i), sqlQuote(backslashed[i])),
                               &error))
            << backslashed[i].toStdString() << ": " << error.toStdString();
    }
    for (int i = 0; i < backslashed.size(); ++i) {
        const RecordTable found = db.ExtraireRecords(
            QStringLiteral("SELECT id, nom FROM noms WHERE nom = %1").arg(sqlQuote(backslashed[i])));
        ASSERT_TRUE(found.ok()) << backslashed[i].toStdString() << ": " << found.error().toStdString();
        ASSERT_EQ(found.rowCount(), 1) << backslashed[i].toStdString();
        EXPECT_EQ(found.at(0, 0).toInt(), i);
        EXPECT_EQ(found.text(0, 1), backslashed[i]);
    }
    const RecordTable all = db.ExtraireRecords(QStringLiteral("SELECT count(*) FROM noms"));
    ASSERT_TRUE(all.ok()) << all.error().toStdString();
    EXPECT_EQ(all.at(0, 0).toInt(), backslashed.size());
    db.Deconnecter();
}

INSTANTIATE_TEST_SUITE_P(Engines, StandardStringsTest, PLX_ENGINES, PLX_ENGINE_NAME);

// A server that will not turn the setting on is refused, in French, and the connection is
// closed, by libpq and through psqlODBC. No real server here can refuse (any user may change
// the setting since 8.2): a stand-in speaks the protocol.
TEST(StandardStringsRefusal, AServerThatKeepsBackslashEscapesIsRefused)
{
    const QString odbcDriver = qEnvironmentVariable("PLX_TEST_ODBC_DRIVER");
    for (const bool odbc : {false, true}) {
        if (odbc && odbcDriver.isEmpty())
            continue;
        for (const auto answer : {plxtest::LegacyPgServer::Answer::Refuses,
                                  plxtest::LegacyPgServer::Answer::Ignores}) {
            plxtest::LegacyPgServer server(answer);
            SCOPED_TRACE(odbc ? "ODBC" : "libpq");
            ConnectionProfile profile;
            if (odbc) {
                profile.kind = QStringLiteral("ODBC");
                profile.database = QStringLiteral("Driver={%1};Server=127.0.0.1;Port=%2;"
                                                  "Database=ancienne;Uid=hydro;Pwd=;SSLmode=disable")
                                       .arg(odbcDriver, server.port());
            } else {
                profile.kind = QStringLiteral("POSTGRESQL");
                profile.server = QStringLiteral("127.0.0.1");
                profile.port = server.port();
                profile.database = QStringLiteral("ancienne");
                profile.user = QStringLiteral("hydro");
            }
            AccesBase db;
            QString error;
            EXPECT_FALSE(db.Connecter(profile, &error));
            EXPECT_FALSE(db.isConnected());
            EXPECT_TRUE(server.askedToTurnItOn());
            EXPECT_TRUE(server.clientLeft()) << "the connection is closed";
            EXPECT_TRUE(isConnectionRefusal(error)) << error.toStdString();
            EXPECT_TRUE(error.startsWith(QString::fromUtf8(
                "Connexion refusée : le serveur PostgreSQL n'accepte pas le réglage "
                "« standard_conforming_strings = on »")))
                << error.toStdString();
            EXPECT_TRUE(error.contains(answer == plxtest::LegacyPgServer::Answer::Refuses
                                           ? QStringLiteral("cannot be changed now")
                                           : QString::fromUtf8("le réglage reste « off »")))
                << error.toStdString();
        }
    }
}
