#include "config/databasesproperties.h"
#include "config/passwordcipher.h"
#include "support/testdatabases.h" // printing of QString

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// name|kind|host|port|database|account|password, "?" marking an unreadable password.
QStringList describe(const std::vector<plx::DatabaseDefinition> &definitions)
{
    QStringList lines;
    for (const auto &d : definitions)
        lines << QStringList{d.name, d.kind, d.host(), d.port(), d.database, d.account,
                             d.passwordUnreadable ? QStringLiteral("?") : d.password}
                     .join('|');
    return lines;
}

class DatabasesPropertiesTest : public ::testing::Test
{
protected:
    QString path() const { return m_dir.filePath(QStringLiteral("databases.properties")); }
    void writeBytes(const QByteArray &bytes) const
    {
        QFile file(path());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    QStringList read() const { return describe(plx::LireDefinitionsBases(path())); }

    QTemporaryDir m_dir;
};

TEST(PasswordCipher, RoundTripsAndRefusesForeignText)
{
    for (const QString &password : {QString(), QStringLiteral("s3cret"), QStringLiteral("aaaaaaaa"),
                                    QStringLiteral("pâté €=@/ 中文 😀"), QStringLiteral(" padded ")}) {
        const QString text = plx::encipherPassword(password);
        if (!password.isEmpty()) {
            EXPECT_FALSE(text.contains(password)) << text.toStdString();
        }
        EXPECT_EQ(plx::decipherPassword(text), password);
        EXPECT_EQ(plx::decipherPassword(text.toLower()), password);
    }
    // A plain password that happens to be hexadecimal must not decipher to rubbish.
    for (const char *foreign : {"abc", "secret", "ABCDEF12", "00", "zz", "0123456789"})
        EXPECT_FALSE(plx::decipherPassword(QString::fromLatin1(foreign)).has_value()) << foreign;
}

TEST_F(DatabasesPropertiesTest, ThreeDefinitionForms)
{
    writeBytes("prod=postgres@pgsrv:5432/pluvio\r\nprod.user=hydro\r\nprod.pwd="
               + plx::encipherPassword("pw").toLatin1()
               + "\r\nlocal=access@/home/u/plx.sqlite\r\nlocal.user=\r\nlocal.pwd=\r\n"
                 "xe=oracle_xe@orasrv/XE\r\nxe.user=scott\r\nxe.pwd="
               + plx::encipherPassword("tiger").toLatin1() + "\r\n");
    EXPECT_EQ(read(), (QStringList{"prod|POSTGRESQL|pgsrv|5432|pluvio|hydro|pw",
                                   "local|ACCESS|||/home/u/plx.sqlite||",
                                   "xe|ORACLE_XE|orasrv||XE|scott|tiger"}));
    EXPECT_TRUE(plx::LireDefinitionsBases(m_dir.filePath("missing.properties")).empty());
}

TEST_F(DatabasesPropertiesTest, DamagedFilesParseWhatTheyCan)
{
    // LF only, CR only, blank and =-less lines, a comment, a .user line before any
    // definition, a name holding ".user" (not a .user line), a truncated last line.
    writeBytes("orphan.user=nobody\n"
               "\n   \n\r\n"
               "# shared definitions\n"
               "garbage line without equals\n"
               "=novalue\n"
               "a=postgres@h1:5433/db1\rold.users=postgres@h2/db2\r"
               "old.users.user=admin\n"
               "a.user=ua\n"
               "a.pwd=not-a-cipher\n"
               "b=postgres");
    EXPECT_EQ(read(), (QStringList{"a|POSTGRESQL|h1|5433|db1|ua|?",
                                   "old.users|POSTGRESQL|h2||db2|admin|", "b|POSTGRESQL|||||"}));

    // Written by a Windows workstation: CP1252, not UTF-8.
    writeBytes("\xc9t\xe9=access@C:\\Donn\xe9""es\\pluvio \x80.mdb\r\n");
    EXPECT_EQ(read(), QStringList{QStringLiteral("Été|ACCESS|||C:\\Données\\pluvio €.mdb||")});
    writeBytes("\xef\xbb\xbfloc=access@/tmp/r\xc3\xa9seau.sqlite\n");
    EXPECT_EQ(read(), QStringList{QStringLiteral("loc|ACCESS|||/tmp/réseau.sqlite||")});

    writeBytes(QByteArray(4096, '\0'));
    EXPECT_TRUE(read().isEmpty());
}

TEST_F(DatabasesPropertiesTest, WriteReadRoundTrip)
{
    writeBytes("keep=postgres@srv:5432/base\nkeep.user=u\nkeep.pwd=0BADF00D\n");
    auto defs = plx::LireDefinitionsBases(path());
    plx::DatabaseDefinition pg;
    pg.name = QStringLiteral("Réseau Est");
    pg.kind = QStringLiteral("POSTGRESQL");
    pg.setServer(QStringLiteral("pg.example\r"), QStringLiteral("5432"));
    pg.database = QStringLiteral("pluvio\r");
    pg.account = QStringLiteral("hydro");
    pg.password = QStringLiteral("p'w=d@/€中\r");
    defs.push_back(pg);
    plx::DatabaseDefinition access;
    access.name = QStringLiteral("demo");
    access.kind = QStringLiteral("access");
    access.database = QStringLiteral("/home/u/data/plx.sqlite");
    defs.push_back(access);
    defs.push_back(plx::DatabaseDefinition{}); // an empty grid row is left out

    QString error;
    ASSERT_TRUE(plx::EcrireDefinitionsBases(path(), defs, &error)) << error.toStdString();
    QFile file(path());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_EQ(bytes.count("\r\n"), 9);
    EXPECT_EQ(bytes.count('\n'), 9);
    EXPECT_TRUE(bytes.contains("=postgres@pg.example:5432/pluvio\r\n"));
    EXPECT_TRUE(bytes.contains("keep.pwd=0BADF00D\r\n")); // kept for whoever can read it
    EXPECT_FALSE(bytes.contains("p'w"));

    EXPECT_EQ(read(), (QStringList{"keep|POSTGRESQL|srv|5432|base|u|?",
                                   QStringLiteral("Réseau Est|POSTGRESQL|pg.example|5432|pluvio|hydro|p'w=d@/€中"),
                                   "demo|ACCESS|||/home/u/data/plx.sqlite||"}));

    // A folder that does not exist: failure with a reason.
    EXPECT_FALSE(plx::EcrireDefinitionsBases(QStringLiteral("/nonexistent-plx/databases.properties"),
                                             defs, &error));
    EXPECT_FALSE(error.isEmpty());
}

} // namespace
