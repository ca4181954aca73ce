#include "config/databasesproperties.h"
#include "config/passwordcipher.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class DatabasesPropertiesTest : public ::testing::Test
{
protected:
    const QString m_missing = QStringLiteral("/nonexistent-plx/folder/databases.properties");

    QString path() const { return m_dir.filePath(QStringLiteral("databases.properties")); }
    void writeBytes(const QByteArray &bytes) const
    {
        QFile file(path());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    QByteArray readBytes() const
    {
        QFile file(path());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private:
    QTemporaryDir m_dir;
};

TEST(PasswordCipher, RoundTripsAndRefusesForeignText)
{
    for (const QString &password : {QString(), QStringLiteral("s3cret"), QStringLiteral("aaaaaaaa"),
                                    QStringLiteral("pâté €=@/ 中文 😀"),
                                    QStringLiteral(" spaces kept ")}) {
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
    writeBytes("prod=postgres@pgsrv:5432/pluvio\r\n"
               "prod.user=hydro\r\n"
               "prod.pwd=" + plx::encipherPassword("pw").toLatin1() + "\r\n"
               "local=access@/home/u/plx.sqlite\r\n"
               "local.user=\r\n"
               "local.pwd=\r\n"
               "xe=oracle_xe@orasrv/XE\r\n"
               "xe.user=scott\r\n"
               "xe.pwd=" + plx::encipherPassword("tiger").toLatin1() + "\r\n");
    const auto defs = plx::LireDefinitionsBases(path());
    ASSERT_EQ(defs.size(), 3u);
    EXPECT_EQ(defs[0].name, "prod");
    EXPECT_EQ(defs[0].kind, "POSTGRESQL");
    EXPECT_EQ(defs[0].server, "pgsrv:5432");
    EXPECT_EQ(defs[0].host(), "pgsrv");
    EXPECT_EQ(defs[0].port(), "5432");
    EXPECT_EQ(defs[0].database, "pluvio");
    EXPECT_EQ(defs[0].account, "hydro");
    EXPECT_EQ(defs[0].password, "pw");
    EXPECT_FALSE(defs[0].passwordUnreadable);

    EXPECT_TRUE(defs[1].isAccess());
    EXPECT_EQ(defs[1].database, "/home/u/plx.sqlite");
    EXPECT_EQ(defs[1].server, "");

    EXPECT_EQ(defs[2].kind, "ORACLE_XE");
    EXPECT_EQ(defs[2].host(), "orasrv");
    EXPECT_EQ(defs[2].port(), "");
    EXPECT_EQ(defs[2].database, "XE");
    EXPECT_EQ(defs[2].password, "tiger");

    EXPECT_TRUE(plx::LireDefinitionsBases(m_missing).empty());
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
    const auto defs = plx::LireDefinitionsBases(path());
    ASSERT_EQ(defs.size(), 3u);
    EXPECT_EQ(defs[0].name, "a");
    EXPECT_EQ(defs[0].server, "h1:5433");
    EXPECT_EQ(defs[0].account, "ua");
    EXPECT_TRUE(defs[0].passwordUnreadable);
    EXPECT_EQ(defs[0].password, "");
    EXPECT_EQ(defs[1].name, "old.users");
    EXPECT_EQ(defs[1].account, "admin");
    EXPECT_EQ(defs[2].name, "b");
    EXPECT_EQ(defs[2].kind, "POSTGRESQL");
    EXPECT_EQ(defs[2].database, "");

    // Written by a Windows workstation: CP1252, not UTF-8.
    writeBytes("\xc9t\xe9=access@C:\\Donn\xe9""es\\pluvio \x80.mdb\r\n");
    const auto ansi = plx::LireDefinitionsBases(path());
    ASSERT_EQ(ansi.size(), 1u);
    EXPECT_EQ(ansi[0].name, QStringLiteral("Été"));
    EXPECT_EQ(ansi[0].database, QString::fromUtf8("C:\\Données\\pluvio €.mdb"));

    writeBytes(QByteArray("\xef\xbb\xbfloc=access@/tmp/r\xc3\xa9seau.sqlite\n"));
    const auto utf8 = plx::LireDefinitionsBases(path());
    ASSERT_EQ(utf8.size(), 1u);
    EXPECT_EQ(utf8[0].name, "loc");
    EXPECT_EQ(utf8[0].database, QString::fromUtf8("/tmp/réseau.sqlite"));

    writeBytes(QByteArray(4096, '\0'));
    EXPECT_TRUE(plx::LireDefinitionsBases(path()).empty());
}

TEST_F(DatabasesPropertiesTest, WriteReadRoundTrip)
{
    writeBytes("keep=postgres@srv:5432/base\nkeep.user=u\nkeep.pwd=0BADF00D\n");
    auto defs = plx::LireDefinitionsBases(path());
    ASSERT_EQ(defs.size(), 1u);
    ASSERT_TRUE(defs[0].passwordUnreadable);

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
    plx::DatabaseDefinition unnamed;
    unnamed.kind = QStringLiteral("ORACLE");
    defs.push_back(unnamed);

    QString error;
    ASSERT_TRUE(plx::EcrireDefinitionsBases(path(), defs, &error)) << error.toStdString();
    const QByteArray bytes = readBytes();
    EXPECT_EQ(bytes.count("\r\n"), 9);
    EXPECT_EQ(bytes.count('\n'), 9);
    EXPECT_TRUE(bytes.contains("=postgres@pg.example:5432/pluvio\r\n"));
    EXPECT_TRUE(bytes.contains("demo=access@/home/u/data/plx.sqlite\r\n"));
    EXPECT_TRUE(bytes.contains("keep.pwd=0BADF00D\r\n")); // kept for whoever can read it
    EXPECT_FALSE(bytes.contains("p'w"));

    const auto back = plx::LireDefinitionsBases(path());
    ASSERT_EQ(back.size(), 3u);
    EXPECT_EQ(back[0].name, "keep");
    EXPECT_TRUE(back[0].passwordUnreadable);
    EXPECT_EQ(back[1].name, QStringLiteral("Réseau Est"));
    EXPECT_EQ(back[1].kind, "POSTGRESQL");
    EXPECT_EQ(back[1].host(), "pg.example");
    EXPECT_EQ(back[1].port(), "5432");
    EXPECT_EQ(back[1].database, "pluvio");
    EXPECT_EQ(back[1].password, QStringLiteral("p'w=d@/€中"));
    EXPECT_EQ(back[2].kind, "ACCESS");
    EXPECT_EQ(back[2].database, "/home/u/data/plx.sqlite");

    // A folder that cannot be written: failure, the old file untouched.
    EXPECT_FALSE(plx::EcrireDefinitionsBases(m_missing, defs, &error));
    EXPECT_FALSE(error.isEmpty());
}

} // namespace
