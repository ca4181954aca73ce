#include "db/mdbdate.h"
#include "db/mdbimport.h"
#include "db/mdbisolate.h"
#include "db/mdbkeys.h"
#include "support/testdatabases.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QUuid>
#include <QVariant>

#if __has_include(<quazip/quazip.h>)
#include <quazip/quazip.h>
#include <quazip/quazipfile.h>
#else
// The test target does not carry QuaZip's include folder; the core library links it.
#include <QuaZip-Qt6-1.4/quazip/quazip.h>
#include <QuaZip-Qt6-1.4/quazip/quazipfile.h>
#endif

#include <sqlite3.h>

#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <thread>
#include <utility>

using namespace plx;

namespace {

// Reads an imported file back through the sqlite3 C API, independently of the code under test.
class Sqlite
{
public:
    explicit Sqlite(const QString &path)
    {
        sqlite3_open_v2(QFile::encodeName(path).constData(), &m_db,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    }
    ~Sqlite() { sqlite3_close(m_db); }
    sqlite3 *get() const { return m_db; }

    QList<QVariantList> rows(const QString &sql) const
    {
        QList<QVariantList> result;
        sqlite3_stmt *stmt = nullptr;
        const QByteArray text = sql.toUtf8();
        if (sqlite3_prepare_v2(m_db, text.constData(), -1, &stmt, nullptr) != SQLITE_OK) {
            ADD_FAILURE() << sql.toStdString() << ": " << sqlite3_errmsg(m_db);
            return result;
        }
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            QVariantList row;
            for (int c = 0; c < sqlite3_column_count(stmt); ++c) {
                switch (sqlite3_column_type(stmt, c)) {
                case SQLITE_NULL:
                    row << QVariant();
                    break;
                case SQLITE_INTEGER:
                    row << qint64(sqlite3_column_int64(stmt, c));
                    break;
                case SQLITE_FLOAT:
                    row << sqlite3_column_double(stmt, c);
                    break;
                case SQLITE_BLOB:
                    row << QByteArray(static_cast<const char *>(sqlite3_column_blob(stmt, c)),
                                      sqlite3_column_bytes(stmt, c));
                    break;
                default:
                    row << QString::fromUtf8(
                        reinterpret_cast<const char *>(sqlite3_column_text(stmt, c)));
                }
            }
            result << row;
        }
        sqlite3_finalize(stmt);
        return result;
    }
    QVariant value(const QString &sql) const
    {
        const QList<QVariantList> all = rows(sql);
        return all.isEmpty() || all.first().isEmpty() ? QVariant() : all.first().first();
    }
    bool exec(const QString &sql) const
    {
        return sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, nullptr) == SQLITE_OK;
    }
    // Declared type of each column, by name.
    QMap<QString, QString> types(const QString &table) const
    {
        QMap<QString, QString> result;
        for (const QVariantList &row : rows(QStringLiteral("PRAGMA table_info(\"%1\")").arg(table)))
            result.insert(row.at(1).toString(), row.at(2).toString());
        return result;
    }

private:
    sqlite3 *m_db = nullptr;
};

QByteArray fileHash(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

void writeZip(const QString &path, const QList<std::pair<QString, QByteArray>> &entries)
{
    QuaZip zip(path);
    ASSERT_TRUE(zip.open(QuaZip::mdCreate));
    for (const auto &[name, bytes] : entries) {
        QuaZipFile out(&zip);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly, QuaZipNewInfo(name)));
        out.write(bytes);
        out.close();
    }
    zip.close();
}

const QString weirdTable = QStringLiteral("19 MB 01 BEZAHLT ???");

} // namespace

TEST(MdbImport, CopiesAJet4DatabaseFromAZipWithCountsTypesAndKeys)
{
    const QString zip = plxtest::testDataPath(QStringLiteral("mdb/Comptoir.zip"));
    const QByteArray before = fileHash(zip);
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("comptoir.sqlite"));

    const MdbImportResult result = importAccessFile(zip, target);
    ASSERT_TRUE(result.ok) << result.error.toStdString();
    EXPECT_EQ(fileHash(zip), before);

    // The figures mdb-count gives for the same file.
    const QList<std::pair<QString, qint64>> counts = {
        {QStringLiteral("Catégories"), 8},  {QStringLiteral("Clients"), 91},
        {QStringLiteral("Commandes"), 830}, {QStringLiteral("Détails commandes"), 2155},
        {QStringLiteral("Employés"), 9},    {QStringLiteral("Fournisseurs"), 29},
        {QStringLiteral("Produits"), 77},   {QStringLiteral("Messagers"), 3}};
    QStringList names;
    for (const auto &[table, count] : counts)
        names << table;
    EXPECT_EQ(result.tables, names);
    EXPECT_EQ(result.rows, 3202);
    EXPECT_TRUE(result.unreadableColumns.isEmpty()) << result.notice.toStdString();
    EXPECT_TRUE(result.notice.contains(QStringLiteral("Comptoir.zip")));
    EXPECT_TRUE(result.notice.contains(QStringLiteral("jamais modifié")));

    Sqlite db(target);
    for (const auto &[table, count] : counts)
        EXPECT_EQ(db.value(QStringLiteral("SELECT count(*) FROM \"%1\"").arg(table)).toLongLong(),
                  count)
            << table.toStdString();

    const QMap<QString, QString> orders = db.types(QStringLiteral("Commandes"));
    EXPECT_EQ(orders.value(QStringLiteral("N° commande")), QStringLiteral("INTEGER"));
    EXPECT_EQ(orders.value(QStringLiteral("Date commande")), QStringLiteral("DATETIME TEXT"));
    EXPECT_EQ(orders.value(QStringLiteral("À livrer avant")), QStringLiteral("DATETIME TEXT"));
    EXPECT_EQ(orders.value(QStringLiteral("Port")), QStringLiteral("REAL"));
    EXPECT_EQ(orders.value(QStringLiteral("Code client")), QStringLiteral("TEXT"));
    EXPECT_EQ(db.types(QStringLiteral("Employés")).value(QStringLiteral("Photo")),
              QStringLiteral("BLOB"));
    EXPECT_EQ(db.types(QStringLiteral("Produits")).value(QStringLiteral("Indisponible")),
              QStringLiteral("INTEGER"));

    const QVariantList order =
        db.rows(QStringLiteral(
                    "SELECT \"Date commande\", Port, \"Ville livraison\", \"Région livraison\" "
                    "FROM Commandes WHERE \"N° commande\" = 10249"))
            .value(0);
    ASSERT_EQ(order.size(), 4);
    EXPECT_EQ(order.at(0).toString(), QStringLiteral("1996-07-05 00:00:00"));
    EXPECT_DOUBLE_EQ(order.at(1).toDouble(), 58.05); // Currency
    EXPECT_EQ(order.at(2).toString(), QStringLiteral("Münster"));
    EXPECT_TRUE(order.at(3).isNull());
    // Currency with four decimals, and a single-precision 0.05 stored as 0.05.
    const QVariantList line =
        db.rows(
              QStringLiteral("SELECT \"Prix unitaire\", \"Remise (%)\" FROM \"Détails commandes\" "
                             "WHERE \"N° commande\" = 10650 AND \"Réf produit\" = 53"))
            .value(0);
    ASSERT_EQ(line.size(), 2);
    EXPECT_DOUBLE_EQ(line.at(0).toDouble(), 23.4286);
    EXPECT_EQ(line.at(1).toDouble(), 0.05);
    EXPECT_EQ(db.value(QStringLiteral("SELECT \"Date de naissance\" FROM \"Employés\" "
                                      "WHERE \"N° employé\" = 1"))
                  .toString(),
              QStringLiteral("1948-12-08 00:00:00"));
    EXPECT_EQ(db.value(QStringLiteral("SELECT length(Photo) FROM \"Employés\" "
                                      "WHERE \"N° employé\" = 1"))
                  .toLongLong(),
              21626);
    // Yes/no as 1/0.
    EXPECT_EQ(db.rows(QStringLiteral("SELECT Indisponible, count(*) FROM Produits GROUP BY 1")),
              (QList<QVariantList>{{qint64(0), qint64(69)}, {qint64(1), qint64(8)}}));

    // Access's composite primary key is kept as a unique index.
    EXPECT_FALSE(db.exec(QStringLiteral("INSERT INTO \"Détails commandes\" (\"N° commande\", "
                                        "\"Réf produit\") VALUES (10650, 53)")));
    EXPECT_EQ(
        db.value(QStringLiteral("SELECT \"unique\" FROM pragma_index_list('Détails commandes') "
                                "WHERE name = 'PK_Détails commandes'"))
            .toLongLong(),
        1);
    // The autonumber still numbers new rows.
    ASSERT_TRUE(
        db.exec(QStringLiteral("INSERT INTO Commandes (\"Code client\") VALUES ('VINET')")));
    EXPECT_EQ(sqlite3_last_insert_rowid(db.get()), 11078);
}

TEST(MdbImport, KeepsNamesExactlyAndReplacesThePreviousCopy)
{
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("copie.sqlite"));
    const MdbImportResult first =
        importAccessFile(plxtest::testDataPath(QStringLiteral("mdb/DateTestDatabase.mdb")), target);
    ASSERT_TRUE(first.ok) << first.error.toStdString();

    const QString source = plxtest::testDataPath(QStringLiteral("mdb/weirdObjectNames.mdb"));
    const QByteArray before = fileHash(source);
    const MdbImportResult result = importAccessFile(source, target);
    ASSERT_TRUE(result.ok) << result.error.toStdString();
    EXPECT_EQ(fileHash(source), before);
    EXPECT_EQ(result.tables, QStringList{weirdTable});
    EXPECT_EQ(result.rows, 1);

    Sqlite db(target);
    EXPECT_EQ(db.rows(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table'")),
              QList<QVariantList>{{weirdTable}});
    EXPECT_EQ(db.value(QStringLiteral("SELECT TextField FROM \"%1\" WHERE ID = 1").arg(weirdTable)),
              QVariant(QStringLiteral("foo")));
    // Only the target itself is left in the folder, no temporary file beside it.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"copie.sqlite"});
}

TEST(MdbImport, ReadsDatesBefore1900AndTimesOfDayExactly)
{
    QTemporaryDir dir;
    const QString dates = dir.filePath(QStringLiteral("dates.sqlite"));
    const MdbImportResult result =
        importAccessFile(plxtest::testDataPath(QStringLiteral("mdb/DateTestDatabase.mdb")), dates);
    ASSERT_TRUE(result.ok) << result.error.toStdString();
    EXPECT_TRUE(result.unreadableColumns.isEmpty());
    {
        Sqlite db(dates);
        EXPECT_EQ(db.types(QStringLiteral("DateTest")).value(QStringLiteral("DateCol")),
                  QStringLiteral("DATETIME TEXT"));
        const QList<QVariantList> rows = db.rows(QStringLiteral(
            "SELECT IDCol, DateTimeCol, DateCol, TimeCol FROM DateTest ORDER BY IDCol"));
        ASSERT_EQ(rows.size(), 6);
        // libmdb 1.0 itself prints all of these as "1900-01-00 00:00:00".
        EXPECT_EQ(rows.at(1), (QVariantList{qint64(2), "9999-01-01 00:00:00", "9999-01-01 00:00:00",
                                            "9999-01-01 00:00:00"}));
        EXPECT_EQ(rows.at(2), (QVariantList{qint64(3), "1898-01-01 00:00:00", "1899-01-01 00:00:00",
                                            "1900-01-01 00:00:00"}));
        EXPECT_EQ(rows.at(3), (QVariantList{qint64(4), "0632-01-01 00:00:00", "0633-01-01 00:00:00",
                                            "0634-01-01 00:00:00"}));
        EXPECT_EQ(db.value(QStringLiteral("SELECT LongTextCol FROM DateTest WHERE IDCol = 6")),
                  QVariant(QStringLiteral("New line\r\nin field")));
    }

    // A Jet 3 file with times of day, and negative values whose fraction still runs forward.
    const QString codes = dir.filePath(QStringLiteral("codes.sqlite"));
    const MdbImportResult jet3 = importAccessFile(
        plxtest::testDataPath(QStringLiteral("mdb/testIndexCodesV1997.mdb")), codes);
    ASSERT_TRUE(jet3.ok) << jet3.error.toStdString();
    Sqlite db(codes);
    const QList<std::pair<QString, QVariant>> expected = {{"row0", "1899-12-30 00:00:00"},
                                                          {"row10", "1899-12-30 00:00:30"},
                                                          {"row21", "1899-12-30 05:15:07"},
                                                          {"row18", "1899-12-31 02:24:00"},
                                                          {"row19", "1899-12-29 02:24:00"},
                                                          {"row14", "1899-09-27 10:19:15"},
                                                          {"row4", "1805-06-12 00:00:00"},
                                                          {"row11", "4103-12-19 08:18:03"},
                                                          {"row12", QVariant()}};
    for (const auto &[name, value] : expected)
        EXPECT_EQ(db.value(QStringLiteral("SELECT data FROM Table6 WHERE name = '%1'").arg(name)),
                  value)
            << name.toStdString();

    // The conversion at its edges: rounding across midnight, Access's limits.
    EXPECT_EQ(accessDateTimeText(0.3125), QStringLiteral("1899-12-30 07:30:00"));
    EXPECT_EQ(accessDateTimeText(-0.5), QStringLiteral("1899-12-30 12:00:00"));
    EXPECT_EQ(accessDateTimeText(-1.25), QStringLiteral("1899-12-29 06:00:00"));
    EXPECT_EQ(accessDateTimeText(45000.999999), QStringLiteral("2023-03-16 00:00:00"));
    EXPECT_EQ(accessDateTimeText(-1.9999999), QStringLiteral("1899-12-30 00:00:00"));
    EXPECT_EQ(accessDateTimeText(2958465.99998843), QStringLiteral("9999-12-31 23:59:59"));
    EXPECT_EQ(accessDateTimeText(-657434.0), QStringLiteral("0100-01-01 00:00:00"));
    EXPECT_TRUE(accessDateTimeText(2958466.0).isNull());
    EXPECT_TRUE(accessDateTimeText(-657435.0).isNull());
    EXPECT_TRUE(accessDateTimeText(std::nan("")).isNull());
    // Access 2019's extended date-time text form.
    EXPECT_EQ(accessExtendedDateTimeText(
                  QByteArrayView("0000000000000737954:0000000819123456789:7\0", 42)),
              QStringLiteral("2021-06-14 22:45:12"));
    EXPECT_EQ(
        accessExtendedDateTimeText(QByteArrayView("0000000000000036323:0000000459001234567:7")),
        QStringLiteral("0100-06-14 12:45:00"));
    EXPECT_TRUE(accessExtendedDateTimeText(QByteArrayView("2021-06-14 22:45:12")).isNull());
}

TEST(MdbImport, Jet3TextFollowsTheChosenCodePage)
{
    QTemporaryDir dir;
    const QString codes = dir.filePath(QStringLiteral("codes.sqlite"));
    const MdbImportResult result = importAccessFile(
        plxtest::testDataPath(QStringLiteral("mdb/testIndexCodesV1997.mdb")), codes);
    ASSERT_TRUE(result.ok) << result.error.toStdString();
    EXPECT_EQ(result.tables.size(), 29);
    EXPECT_EQ(result.rows, 1536);
    EXPECT_TRUE(result.notice.contains(QStringLiteral("CP1252")));
    {
        Sqlite db(codes);
        // 0x80 and 0x9C are € and œ in CP1252 only.
        EXPECT_EQ(db.value(QStringLiteral("SELECT data FROM Table14 WHERE name = 'row128'")),
                  QVariant(QStringLiteral("a€a")));
        EXPECT_EQ(db.value(QStringLiteral("SELECT data FROM Table14 WHERE name = 'row156'")),
                  QVariant(QStringLiteral("aœa")));
        // Replication ids as Access shows them (libmdb 1.0 drops the fourth dash).
        EXPECT_EQ(db.value(QStringLiteral("SELECT data FROM Table13 WHERE name = 'row0'")),
                  QVariant(QStringLiteral("{8E39276A-BCA8-4AC4-891E-49911D8438DD}")));
    }

    const QString source = plxtest::testDataPath(QStringLiteral("mdb/charsetGBK.mdb"));
    const QString chinese = dir.filePath(QStringLiteral("gbk.sqlite"));
    MdbImportOptions gbk;
    gbk.codePage = QStringLiteral("GBK");
    ASSERT_TRUE(importAccessFile(source, chinese, gbk).ok);
    EXPECT_EQ(Sqlite(chinese).value(QStringLiteral("SELECT field1 FROM table1")),
              QVariant(QStringLiteral("GBK编码")));
    ASSERT_TRUE(importAccessFile(source, chinese).ok);
    EXPECT_NE(Sqlite(chinese).value(QStringLiteral("SELECT field1 FROM table1")),
              QVariant(QStringLiteral("GBK编码")));

    MdbImportOptions unknown;
    unknown.codePage = QStringLiteral("PAS-UNE-PAGE");
    const MdbImportResult refused = importAccessFile(source, chinese, unknown);
    EXPECT_FALSE(refused.ok);
    EXPECT_TRUE(refused.error.contains(QStringLiteral("PAS-UNE-PAGE")));
}

TEST(MdbImport, TakesOnlyTheAccessEntryOfAZip)
{
    QTemporaryDir dir;
    const QByteArray weird =
        fileBytes(plxtest::testDataPath(QStringLiteral("mdb/weirdObjectNames.mdb")));
    const QByteArray gbk = fileBytes(plxtest::testDataPath(QStringLiteral("mdb/charsetGBK.mdb")));
    ASSERT_FALSE(weird.isEmpty());
    const QString target = dir.filePath(QStringLiteral("copie.sqlite"));

    const QString several = dir.filePath(QStringLiteral("envoi.zip"));
    writeZip(several, {{"notes/lisezmoi.txt", "Bonjour"},
                       {"donnees/Reseau.MDB", weird},
                       {"archives/ancien.accdb", gbk}});
    const MdbImportResult first = importAccessFile(several, target);
    ASSERT_TRUE(first.ok) << first.error.toStdString();
    EXPECT_EQ(first.tables, QStringList{weirdTable});
    EXPECT_TRUE(first.notice.contains(QStringLiteral("donnees/Reseau.MDB")));
    EXPECT_TRUE(first.notice.contains(QStringLiteral("archives/ancien.accdb")));

    // An entry named to climb out of the extraction folder stays inside it.
    const QString escapee =
        QStringLiteral("evasion-%1.mdb").arg(QUuid::createUuid().toString(QUuid::WithoutBraces));
    const QString climbing = dir.filePath(QStringLiteral("evasion.zip"));
    writeZip(climbing, {{"../../" + escapee, weird}});
    const MdbImportResult second = importAccessFile(climbing, target);
    ASSERT_TRUE(second.ok) << second.error.toStdString();
    EXPECT_EQ(second.tables, QStringList{weirdTable});
    for (const QString &folder :
         {QDir::tempPath(), QFileInfo(QDir::tempPath()).absolutePath(), dir.path(),
          QFileInfo(dir.path()).absolutePath(), QDir::currentPath()})
        EXPECT_FALSE(QFileInfo::exists(QDir(folder).filePath(escapee))) << folder.toStdString();

    const QString noAccess = dir.filePath(QStringLiteral("texte.zip"));
    writeZip(noAccess, {{"lisezmoi.txt", "Bonjour"}, {"base.mdb.txt", weird}});
    const MdbImportResult none = importAccessFile(noAccess, target);
    EXPECT_FALSE(none.ok);
    EXPECT_TRUE(none.error.contains(QStringLiteral("aucune base Access")));

    const QString cut = dir.filePath(QStringLiteral("coupe.zip"));
    writeFile(cut, fileBytes(several).left(5000));
    const MdbImportResult broken = importAccessFile(cut, target);
    EXPECT_FALSE(broken.ok);
    EXPECT_FALSE(broken.error.isEmpty());

    // Failures left the last good copy in place.
    EXPECT_EQ(Sqlite(target).value(QStringLiteral("SELECT count(*) FROM \"%1\"").arg(weirdTable)),
              QVariant(qint64(1)));
}

TEST(MdbImport, BadFilesFailWithAMessageAndLeaveTheTargetAlone)
{
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("copie.sqlite"));
    writeFile(target, "ancien contenu");

    const QByteArray codes =
        fileBytes(plxtest::testDataPath(QStringLiteral("mdb/testIndexCodesV1997.mdb")));
    QByteArray gbk = fileBytes(plxtest::testDataPath(QStringLiteral("mdb/charsetGBK.mdb")));
    ASSERT_GT(gbk.size(), 3 * 2048);
    gbk.replace(2 * 2048, 2048, QByteArray(2048, '\0')); // the page of the table list
    const QList<std::pair<QString, QByteArray>> bad = {
        {"notes.mdb", "Ceci n'est pas une base Access.\n"},
        {"vide.accdb", {}},
        {"coupe.mdb", codes.left(6 * 2048)},
        {"sans-catalogue.mdb", gbk},
        {"bruit.mdb", QByteArray(64 * 1024, '\x5a')}};
    for (const auto &[name, bytes] : bad) {
        const QString path = dir.filePath(name);
        writeFile(path, bytes);
        const MdbImportResult result = importAccessFile(path, target);
        EXPECT_FALSE(result.ok) << name.toStdString();
        EXPECT_FALSE(result.error.isEmpty()) << name.toStdString();
        EXPECT_EQ(fileBytes(path), bytes) << name.toStdString();
    }
    const MdbImportResult missing = importAccessFile(dir.filePath("absent.mdb"), target);
    EXPECT_FALSE(missing.ok);
    EXPECT_TRUE(missing.error.contains(QStringLiteral("introuvable")));
    const QString source = dir.filePath(QStringLiteral("source.mdb"));
    writeFile(source, codes);
    EXPECT_FALSE(importAccessFile(source, source).ok);
    EXPECT_EQ(fileBytes(source), codes);

    EXPECT_EQ(fileBytes(target), QByteArray("ancien contenu"));
    for (const QString &name : QDir(dir.path()).entryList(QDir::Files | QDir::Hidden))
        EXPECT_FALSE(name.endsWith(QLatin1String(".part"))) << name.toStdString();
}

TEST(MdbImport, MeasurementTablesGetAUniqueKeyWhenTheRowsAllowIt)
{
    const QStringList columns = {"Pluie", "heure", "DATECREATION"};
    EXPECT_EQ(measurementKeyColumns("PLUVIO_12", columns), (QList<int>{2, 1}));
    EXPECT_EQ(measurementKeyColumns("pluvio_0042", columns), (QList<int>{2, 1}));
    EXPECT_TRUE(measurementKeyColumns("PLUVIO_12A", columns).isEmpty());
    EXPECT_TRUE(measurementKeyColumns("COURBE_REF_PLUVIO_12", columns).isEmpty());
    EXPECT_TRUE(measurementKeyColumns("PLUVIO_12", {"DateCreation", "Pluie"}).isEmpty());

    QTemporaryDir dir;
    Sqlite db(dir.filePath(QStringLiteral("mesures.sqlite")));
    for (const char *table : {"PLUVIO_12", "PLUVIO_13"}) {
        ASSERT_TRUE(db.exec(QStringLiteral("CREATE TABLE %1 (DateCreation DATETIME TEXT, "
                                           "Heure DATETIME TEXT, Pluie REAL)")
                                .arg(table)));
        ASSERT_TRUE(db.exec(
            QStringLiteral(
                "INSERT INTO %1 VALUES ('2024-03-05 00:00:00', '1899-12-30 07:30:00', 1.5), "
                "('2024-03-05 00:00:00', '1899-12-30 08:30:00', 0.5)")
                .arg(table)));
    }
    ASSERT_TRUE(db.exec(QStringLiteral(
        "INSERT INTO PLUVIO_13 VALUES ('2024-03-05 00:00:00', '1899-12-30 07:30:00', 2)")));

    QStringList warnings;
    const QStringList key = {"DateCreation", "Heure"};
    EXPECT_TRUE(createKeyIndex(db.get(), "PK_PLUVIO_12", "PLUVIO_12", key, &warnings));
    EXPECT_TRUE(warnings.isEmpty());
    EXPECT_FALSE(db.exec(QStringLiteral(
        "INSERT INTO PLUVIO_12 VALUES ('2024-03-05 00:00:00', '1899-12-30 07:30:00', 9)")));

    EXPECT_TRUE(createKeyIndex(db.get(), "PK_PLUVIO_13", "PLUVIO_13", key, &warnings));
    ASSERT_EQ(warnings.size(), 1);
    EXPECT_TRUE(warnings.first().contains(QStringLiteral("PK_PLUVIO_13")));
    EXPECT_EQ(db.value(QStringLiteral("SELECT \"unique\" FROM pragma_index_list('PLUVIO_13') "
                                      "WHERE name = 'PK_PLUVIO_13'")),
              QVariant(qint64(0)));
}

TEST(MdbIsolation, GivesUpOnAChildThatHangsOrDiesAndForwardsProgress)
{
    const auto silent = [](qint64, qint64) { return true; };

    QList<std::pair<qint64, qint64>> seen;
    const IsolatedRun finished = runIsolated(
        [](const IsolatedReport &report) {
            report(5, 10);
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            return QByteArray("résultat");
        },
        [&seen](qint64 done, qint64 total) {
            seen << std::pair{done, total};
            return true;
        },
        10);
    EXPECT_EQ(finished.status, IsolatedRun::Finished);
    EXPECT_EQ(finished.payload, QByteArray("résultat"));
    EXPECT_TRUE(seen.contains(std::pair<qint64, qint64>{5, 10}));

    const IsolatedRun hung = runIsolated(
        [](const IsolatedReport &) {
            std::this_thread::sleep_for(std::chrono::minutes(5));
            return QByteArray();
        },
        silent, 1);
    EXPECT_EQ(hung.status, IsolatedRun::Stalled);

    const IsolatedRun died = runIsolated(
        [](const IsolatedReport &) {
            std::raise(SIGKILL);
            return QByteArray("jamais");
        },
        silent, 10);
    EXPECT_EQ(died.status, IsolatedRun::Crashed);

    const IsolatedRun cancelled = runIsolated(
        [](const IsolatedReport &) {
            std::this_thread::sleep_for(std::chrono::minutes(5));
            return QByteArray();
        },
        [](qint64, qint64) { return false; }, 10);
    EXPECT_EQ(cancelled.status, IsolatedRun::Cancelled);
}
