#include "db/mdbimport.h"

#include "db/connectionrefusal.h"
#include "db/mdbcopy.h"
#include "db/mdbisolate.h"
#include "db/mdbprotection.h"
#include "db/mdbreader.h"
#include "db/mdbzip.h"

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QTemporaryDir>
#include <QTemporaryFile>

#include <sqlite3.h>

#include <filesystem>
#include <system_error>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace plx {

namespace {

// Page 0 of every Jet and ACE file names its engine at offset 4.
bool looksLikeAccess(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() < 4096)
        return false;
    const QByteArray head = file.read(20);
    const QByteArray engine = head.mid(4, 16);
    return head.startsWith(QByteArrayLiteral("\x00\x01\x00\x00")) &&
           (engine == QByteArrayLiteral("Standard Jet DB\0") ||
            engine == QByteArrayLiteral("Standard ACE DB\0"));
}

bool samePath(const QString &a, const QString &b)
{
    const QFileInfo ia(a);
    const QFileInfo ib(b);
    if (ia.exists() && ib.exists())
        return ia.canonicalFilePath() == ib.canonicalFilePath();
    return QDir::cleanPath(ia.absoluteFilePath()) == QDir::cleanPath(ib.absoluteFilePath());
}

std::filesystem::path nativePath(const QString &path)
{
#ifdef Q_OS_WIN
    return std::filesystem::path(path.toStdWString());
#else
    return std::filesystem::path(QFile::encodeName(path).toStdString());
#endif
}

// Flushed to disk before it replaces the previous working file.
bool syncFile(const QString &path)
{
#ifdef Q_OS_UNIX
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite))
        return false;
    return ::fsync(file.handle()) == 0;
#else
    Q_UNUSED(path);
    return true;
#endif
}

class Database
{
public:
    explicit Database(const QString &path)
    {
        const QByteArray name = QFile::encodeName(path);
        if (sqlite3_open_v2(name.constData(), &m_db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
            close();
    }
    ~Database() { close(); }
    Database(const Database &) = delete;
    Database &operator=(const Database &) = delete;

    sqlite3 *get() const { return m_db; }
    bool exec(const char *sql)
    {
        return m_db && sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
    }
    QString error() const
    {
        return m_db ? QString::fromUtf8(sqlite3_errmsg(m_db))
                    : QStringLiteral("ouverture impossible");
    }
    bool close()
    {
        const bool ok = !m_db || sqlite3_close(m_db) == SQLITE_OK;
        m_db = nullptr;
        return ok;
    }

private:
    sqlite3 *m_db = nullptr;
};

// What the libmdb side hands back, across the process boundary.
struct CopyOutcome
{
    bool ok = false;
    QString error;
    bool jet3 = false;
    MdbCopyReport report;
};

QByteArray serialize(const CopyOutcome &outcome)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << outcome.ok << outcome.error << outcome.jet3 << outcome.report.tables
        << outcome.report.rows << outcome.report.unreadableColumns << outcome.report.warnings;
    return bytes;
}

bool deserialize(const QByteArray &bytes, CopyOutcome *outcome)
{
    QDataStream in(bytes);
    in >> outcome->ok >> outcome->error >> outcome->jet3 >> outcome->report.tables >>
        outcome->report.rows >> outcome->report.unreadableColumns >> outcome->report.warnings;
    return in.status() == QDataStream::Ok;
}

// Reads the Access file and writes every table into the (empty) SQLite file at
// temporaryPath, in one transaction.
CopyOutcome copyIntoSqlite(const QString &readPath, const QString &readName,
                           const QString &temporaryPath, const QString &codePage,
                           const MdbProgress &progress)
{
    CopyOutcome outcome;
    MdbReader reader;
    if (!reader.open(readPath, codePage)) {
        outcome.error = QStringLiteral("La base Access « %1 » ne peut pas être lue : %2.")
                            .arg(readName, reader.errorString());
        return outcome;
    }
    outcome.jet3 = reader.isJet3();
    Database db(temporaryPath);
    if (!db.get()) {
        outcome.error =
            QStringLiteral("Le fichier de travail ne peut pas être créé : %1").arg(db.error());
        return outcome;
    }
    // A failed copy throws the file away, so durability comes from the final sync.
    db.exec("PRAGMA journal_mode=MEMORY");
    db.exec("PRAGMA synchronous=OFF");
    if (!db.exec("BEGIN")) {
        outcome.error =
            QStringLiteral("Le fichier de travail ne peut pas être écrit : %1").arg(db.error());
        return outcome;
    }
    QString error;
    if (!copyAccessTables(reader, db.get(), progress, &outcome.report, &error)) {
        db.exec("ROLLBACK");
        outcome.error = error;
        return outcome;
    }
    if (outcome.report.tables.isEmpty() && !reader.tableNames().isEmpty()) {
        db.exec("ROLLBACK");
        outcome.error = QStringLiteral("Aucune table de la base Access « %1 » n'a pu être lue : "
                                       "le fichier est sans doute endommagé.")
                            .arg(readName);
        return outcome;
    }
    if (reader.tableNames().isEmpty() && reader.linkedTableNames().isEmpty())
        outcome.report.warnings << QStringLiteral("La base Access ne contient aucune table.");
    if (!db.exec("COMMIT")) {
        outcome.error =
            QStringLiteral("Le fichier de travail ne peut pas être écrit : %1").arg(db.error());
        db.exec("ROLLBACK");
        return outcome;
    }
    if (!db.close()) {
        outcome.error = QStringLiteral("Le fichier de travail ne peut pas être fermé.");
        return outcome;
    }
    outcome.ok = true;
    return outcome;
}

CopyOutcome copyInChild(const QString &readPath, const QString &readName,
                        const QString &temporaryPath, const MdbImportOptions &options)
{
    const auto job = [&](const IsolatedReport &report) {
        const MdbProgress childProgress = [&report](qint64 done, qint64 total) {
            report(done, total);
            return true; // the parent cancels by killing the child
        };
        return serialize(
            copyIntoSqlite(readPath, readName, temporaryPath, options.codePage, childProgress));
    };
    const IsolatedRun run = runIsolated(job, options.progress, options.stallSeconds);
    CopyOutcome outcome;
    switch (run.status) {
    case IsolatedRun::Finished:
        if (!deserialize(run.payload, &outcome))
            outcome.error =
                QStringLiteral("La lecture de la base Access « %1 » a échoué.").arg(readName);
        break;
    case IsolatedRun::Cancelled:
        outcome.error = QStringLiteral("Import annulé.");
        break;
    case IsolatedRun::Stalled:
        outcome.error = QStringLiteral("La lecture de la base Access « %1 » n'avance plus depuis "
                                       "%2 secondes : le fichier est sans doute endommagé.")
                            .arg(readName)
                            .arg(options.stallSeconds);
        break;
    case IsolatedRun::Crashed:
        outcome.error = QStringLiteral("La lecture de la base Access « %1 » s'est interrompue : "
                                       "le fichier est sans doute endommagé.")
                            .arg(readName);
        break;
    case IsolatedRun::Unavailable:
        outcome =
            copyIntoSqlite(readPath, readName, temporaryPath, options.codePage, options.progress);
        break;
    }
    return outcome;
}

QString buildNotice(const MdbImportResult &result, const QString &sourceName,
                    const QString &zipName, const QString &sqlitePath, const QString &codePage)
{
    QStringList lines;
    QString origin = QStringLiteral("Le fichier Access « %1 »").arg(sourceName);
    if (!zipName.isEmpty())
        origin += QStringLiteral(" (extrait de l'archive « %1 »)").arg(zipName);
    lines << QStringLiteral("%1 a été copié dans le fichier de travail « %2 » : %3 table(s), "
                            "%4 ligne(s). Le programme travaille sur cette copie ; le fichier "
                            "d'origine n'est jamais modifié.")
                 .arg(origin, QDir::toNativeSeparators(sqlitePath))
                 .arg(result.tables.size())
                 .arg(result.rows);
    if (!codePage.isEmpty())
        lines << QStringLiteral("Fichier Access 97 ou plus ancien : textes lus avec la page de "
                                "codes %1.")
                     .arg(codePage);
    if (!result.unreadableColumns.isEmpty())
        lines << QStringLiteral("Colonnes illisibles (valeurs laissées vides ou copiées en "
                                "binaire brut) : %1.")
                     .arg(result.unreadableColumns.join(QLatin1String(", ")));
    lines << result.warnings;
    return lines.join(QLatin1Char('\n'));
}

MdbImportResult failure(const QString &error)
{
    MdbImportResult result;
    result.error = error;
    return result;
}

} // namespace

MdbImportResult importAccessFile(const QString &accessPath, const QString &sqlitePath,
                                 const MdbImportOptions &options)
{
    const QFileInfo source(accessPath);
    const QString shownPath = QDir::toNativeSeparators(accessPath);
    if (!source.exists() || !source.isFile())
        return failure(QStringLiteral("Le fichier « %1 » est introuvable.").arg(shownPath));
    if (!source.isReadable())
        return failure(QStringLiteral("Le fichier « %1 » ne peut pas être lu (droits d'accès).")
                           .arg(shownPath));
    if (sqlitePath.isEmpty() || samePath(accessPath, sqlitePath))
        return failure(QStringLiteral("Le fichier de travail doit être distinct du fichier "
                                      "Access."));

    QStringList warnings;
    QString readPath = accessPath;
    QString readName = source.fileName();
    QString zipName;
    QTemporaryDir extractDir; // private (0700), removed on return
    if (looksLikeZip(accessPath)) {
        if (!extractDir.isValid())
            return failure(QStringLiteral("Impossible de créer un dossier temporaire pour "
                                          "extraire l'archive « %1 ».")
                               .arg(readName));
        MdbZipEntry entry;
        QString error;
        if (!extractAccessEntry(accessPath, extractDir.path(), &entry, &error))
            return failure(error);
        zipName = readName;
        readPath = entry.extractedPath;
        readName = entry.entryName;
        if (!entry.ignored.isEmpty())
            warnings << QStringLiteral("L'archive contient plusieurs bases Access : seule « %1 » "
                                       "est lue (ignorées : %2).")
                            .arg(entry.entryName, entry.ignored.join(QLatin1String(", ")));
    }
    if (!looksLikeAccess(readPath))
        return failure(QStringLiteral("Le fichier « %1 » n'est pas une base Access "
                                      "(.mdb ou .accdb).")
                           .arg(readName));
    // Refused before anything is written: no working file, not even an empty one.
    if (accessFileProtection(readPath) != AccessProtection::None)
        return failure(protectedAccessFileRefusal(readName, zipName));

    const QFileInfo target(sqlitePath);
    const QDir targetDir = target.absoluteDir();
    if (!targetDir.exists())
        return failure(QStringLiteral("Le dossier « %1 » n'existe pas.")
                           .arg(QDir::toNativeSeparators(targetDir.path())));
    // Written beside the target, then renamed over it: the previous working file stays
    // intact until the new one is complete.
    QTemporaryFile temporary(
        targetDir.filePath(QStringLiteral(".%1.XXXXXX.part").arg(target.fileName())));
    if (!temporary.open())
        return failure(
            QStringLiteral("Impossible de créer le fichier de travail dans « %1 » : %2")
                .arg(QDir::toNativeSeparators(targetDir.path()), temporary.errorString()));
    temporary.close();
    const QString temporaryPath = temporary.fileName();

    const CopyOutcome outcome = copyInChild(readPath, readName, temporaryPath, options);
    if (!outcome.ok)
        return failure(outcome.error);
    if (!syncFile(temporaryPath))
        return failure(QStringLiteral("Le fichier de travail ne peut pas être écrit sur le "
                                      "disque."));
    QFile::setPermissions(temporaryPath, target.exists() ? QFile::permissions(sqlitePath)
                                                         : QFile::ReadOwner | QFile::WriteOwner |
                                                               QFile::ReadGroup | QFile::ReadOther);
    std::error_code renameError;
    std::filesystem::rename(nativePath(temporaryPath), nativePath(target.absoluteFilePath()),
                            renameError);
    if (renameError)
        return failure(QStringLiteral("Le fichier de travail « %1 » ne peut pas être remplacé : %2")
                           .arg(QDir::toNativeSeparators(sqlitePath),
                                QString::fromLocal8Bit(renameError.message().c_str())));
    temporary.setAutoRemove(false);

    MdbImportResult result;
    result.ok = true;
    result.tables = outcome.report.tables;
    result.rows = outcome.report.rows;
    result.unreadableColumns = outcome.report.unreadableColumns;
    result.warnings = warnings + outcome.report.warnings;
    result.notice = buildNotice(result, readName, zipName, sqlitePath,
                                outcome.jet3 ? options.codePage : QString());
    return result;
}

QString accessProtectionRefusal(const QString &accessPath)
{
    const QString fileName = QFileInfo(accessPath).fileName();
    if (!looksLikeZip(accessPath)) {
        return accessFileProtection(accessPath) == AccessProtection::None
                   ? QString()
                   : protectedAccessFileRefusal(fileName);
    }
    QString entry;
    const QByteArray start = readAccessEntryStart(accessPath, accessHeaderSize, &entry);
    return accessProtection(start) == AccessProtection::None
               ? QString()
               : protectedAccessFileRefusal(entry, fileName);
}

} // namespace plx
