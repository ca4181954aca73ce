#include "config/connectionprofile.h"
#include "db/accesbase.h"
#include "db/connectionrefusal.h"
#include "db/mdbimport.h"
#include "db/mdbprotection.h"
#include "db/mdbzip.h"
#include "support/testdatabases.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#if __has_include(<quazip/quazip.h>)
#include <quazip/quazip.h>
#include <quazip/quazipfile.h>
#else
#include <QuaZip-Qt6-1.4/quazip/quazip.h>
#include <QuaZip-Qt6-1.4/quazip/quazipfile.h>
#endif

#include <gtest/gtest.h>

#include <random>

using namespace plx;

namespace {

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A copy of a test file in dir, so that what the program leaves beside it can be listed.
QString copyInto(const QTemporaryDir &dir, const QString &relative)
{
    const QString target = dir.filePath(QFileInfo(relative).fileName());
    EXPECT_TRUE(QFile::copy(plxtest::testDataPath(relative), target)) << relative.toStdString();
    return target;
}

QStringList filesIn(const QTemporaryDir &dir)
{
    return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

void zipOne(const QString &zipPath, const QString &entryName, const QByteArray &bytes)
{
    QuaZip zip(zipPath);
    ASSERT_TRUE(zip.open(QuaZip::mdCreate));
    QuaZipFile out(&zip);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly, QuaZipNewInfo(entryName)));
    out.write(bytes);
    out.close();
    zip.close();
}

const QString lead = QString::fromUtf8("Ce fichier Access est protégé par un mot de passe : ");

} // namespace

// The password mark of page 0, decoded as Jet writes it: password.mdb was protected in
// Access itself (UCanAccess's test file); the others were made by tools/protect-mdb.py
// from files that open (tests/data/SOURCES.md).
TEST(AccessProtection, ReadsThePasswordMarkOfEveryVersion)
{
    const QList<std::pair<QString, AccessProtection>> files = {
        {QStringLiteral("mdb/password.mdb"), AccessProtection::Password},
        {QStringLiteral("mdb/protectedJet3.mdb"), AccessProtection::Password},
        {QStringLiteral("mdb/protectedJet4.mdb"), AccessProtection::Password},
        {QStringLiteral("mdb/charsetGBK.mdb"), AccessProtection::None},
        {QStringLiteral("mdb/testIndexCodesV1997.mdb"), AccessProtection::None},
        {QStringLiteral("mdb/weirdObjectNames.mdb"), AccessProtection::None},
        {QStringLiteral("mdb/DateTestDatabase.mdb"), AccessProtection::None}};
    for (const auto &[file, expected] : files)
        EXPECT_EQ(accessFileProtection(plxtest::testDataPath(file)), expected) << file.toStdString();

    QString entry;
    const QByteArray ace = readAccessEntryStart(plxtest::testDataPath(QStringLiteral("mdb/encryptedAce.zip")),
                                                accessHeaderSize, &entry);
    EXPECT_EQ(entry, "encryptedAce.accdb");
    EXPECT_EQ(accessProtection(ace), AccessProtection::Encrypted);
    const QByteArray comptoir = readAccessEntryStart(plxtest::testDataPath(QStringLiteral("mdb/Comptoir.zip")),
                                                     accessHeaderSize);
    ASSERT_EQ(comptoir.size(), accessHeaderSize);
    EXPECT_EQ(accessProtection(comptoir), AccessProtection::None);

    // Short or foreign bytes are not protected files (the import says what they are), and
    // noise behind a Jet header decodes without undefined behaviour.
    EXPECT_EQ(accessProtection(comptoir.left(accessHeaderSize - 1)), AccessProtection::None);
    EXPECT_EQ(accessProtection(QByteArray(4096, 'x')), AccessProtection::None);
    std::mt19937 random(1234);
    for (int run = 0; run < 200; ++run) {
        QByteArray noise = comptoir;
        for (qsizetype i = 0x18; i < noise.size(); ++i)
            noise[i] = char(random() & 0xff);
        noise[0x14] = char(run % 7);
        accessProtection(noise);
    }
}

// plx convert-mdb and the client's working copy both go through the import: a protected
// file is refused with the French sentence, and nothing is written beside it.
TEST(AccessProtection, ImportRefusesAProtectedFileAndWritesNothing)
{
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("copie.sqlite"));
    const QString jet4 = copyInto(dir, QStringLiteral("mdb/protectedJet4.mdb"));
    const QString zipped = dir.filePath(QStringLiteral("envoi.zip"));
    zipOne(zipped, QStringLiteral("donnees/Reseau.mdb"), fileBytes(jet4));
    const QList<std::pair<QString, QString>> cases = {
        {copyInto(dir, QStringLiteral("mdb/password.mdb")), QString::fromUtf8("« password.mdb »")},
        {copyInto(dir, QStringLiteral("mdb/protectedJet3.mdb")), QString::fromUtf8("« protectedJet3.mdb »")},
        {jet4, QString::fromUtf8("« protectedJet4.mdb »")},
        {zipped, QString::fromUtf8("« donnees/Reseau.mdb » (archive « envoi.zip »)")},
        {copyInto(dir, QStringLiteral("mdb/encryptedAce.zip")),
         QString::fromUtf8("« encryptedAce.accdb » (archive « encryptedAce.zip »)")}};
    const QStringList before = filesIn(dir);
    for (const auto &[path, named] : cases) {
        const QByteArray bytes = fileBytes(path);
        const MdbImportResult result = importAccessFile(path, target);
        EXPECT_FALSE(result.ok) << path.toStdString();
        EXPECT_TRUE(result.error.startsWith(lead + named)) << result.error.toStdString();
        EXPECT_TRUE(isConnectionRefusal(result.error));
        EXPECT_EQ(accessProtectionRefusal(path), result.error);
        EXPECT_EQ(fileBytes(path), bytes);
    }
    EXPECT_EQ(filesIn(dir), before) << "no working file, not even an empty or partial one";

    // The file it was made from still imports.
    const MdbImportResult open =
        importAccessFile(plxtest::testDataPath(QStringLiteral("mdb/weirdObjectNames.mdb")), target);
    ASSERT_TRUE(open.ok) << open.error.toStdString();
    EXPECT_EQ(open.tables, QStringList{QStringLiteral("19 MB 01 BEZAHLT ???")});
    EXPECT_TRUE(accessProtectionRefusal(plxtest::testDataPath(QStringLiteral("mdb/weirdObjectNames.mdb"))).isEmpty());
}

// The client's open path (Connecter with an ACCESS profile): the refusal comes back as the
// error, no working copy is made, and one made before the file was protected is neither
// used nor touched.
TEST(AccessProtection, ConnecterRefusesAProtectedFileWithoutAWorkingCopy)
{
    QTemporaryDir dir;
    const QString protectedFile = copyInto(dir, QStringLiteral("mdb/protectedJet4.mdb"));
    ConnectionProfile profile;
    profile.kind = QStringLiteral("ACCESS");
    profile.database = protectedFile;
    AccesBase db;
    QString error;
    EXPECT_FALSE(db.Connecter(profile, &error));
    EXPECT_FALSE(db.isConnected());
    EXPECT_EQ(error, protectedAccessFileRefusal(QStringLiteral("protectedJet4.mdb")));
    EXPECT_EQ(filesIn(dir), QStringList{QStringLiteral("protectedJet4.mdb")});

    const QString earlierCopy = dir.filePath(QStringLiteral("protectedJet4.plx.sqlite"));
    ASSERT_TRUE(importAccessFile(plxtest::testDataPath(QStringLiteral("mdb/weirdObjectNames.mdb")),
                                 earlierCopy)
                    .ok);
    const QByteArray copyBytes = fileBytes(earlierCopy);
    EXPECT_FALSE(db.Connecter(profile, &error));
    EXPECT_TRUE(error.startsWith(lead)) << error.toStdString();
    EXPECT_EQ(fileBytes(earlierCopy), copyBytes);

    // An unprotected file still opens through its working copy.
    profile.database = copyInto(dir, QStringLiteral("mdb/weirdObjectNames.mdb"));
    ASSERT_TRUE(db.Connecter(profile, &error)) << error.toStdString();
    EXPECT_TRUE(db.tableExists(QStringLiteral("19 MB 01 BEZAHLT ???")));
    EXPECT_TRUE(QFileInfo::exists(dir.filePath(QStringLiteral("weirdObjectNames.plx.sqlite"))));
    db.Deconnecter();
}
