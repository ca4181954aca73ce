#include "outputs/officesuite.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>

#include <memory>

#ifdef Q_OS_UNIX
#include <csignal>
#include <unistd.h>
#endif

namespace plx::officesuite {

namespace {

QStringList usualPlaces()
{
    QStringList places;
#if defined(Q_OS_WIN)
    for (const char *var : {"ProgramFiles", "ProgramFiles(x86)", "ProgramW6432"}) {
        const QString root = qEnvironmentVariable(var);
        if (!root.isEmpty())
            places << root + QStringLiteral("/LibreOffice/program/soffice.exe");
    }
#elif defined(Q_OS_MACOS)
    places << QStringLiteral("/Applications/LibreOffice.app/Contents/MacOS/soffice");
#else
    places << QStringLiteral("/usr/lib/libreoffice/program/soffice")
           << QStringLiteral("/usr/local/lib/libreoffice/program/soffice")
           << QStringLiteral("/snap/bin/libreoffice");
    const QDir opt(QStringLiteral("/opt"));
    for (const QString &dir : opt.entryList({QStringLiteral("libreoffice*")}, QDir::Dirs))
        places << opt.filePath(dir + QStringLiteral("/program/soffice"));
#endif
    return places;
}

// One soffice run: a private profile, the process group killed on timeout or cancel (the
// launcher script starts soffice.bin as a child that would otherwise live on).
struct RunResult
{
    bool started = false;
    bool finished = false;
    bool cancelled = false;
    bool timedOut = false;
    int exitCode = -1;
    QString output;
};

RunResult runSoffice(const QString &program, const QStringList &arguments, const Tick &tick,
                     int timeoutMs)
{
    RunResult result;
    QTemporaryDir profile;
    if (!profile.isValid())
        return result;
    QStringList args{QStringLiteral("--headless"),
                     QStringLiteral("--norestore"),
                     QStringLiteral("--nologo"),
                     QStringLiteral("--nodefault"),
                     QStringLiteral("--nolockcheck"),
                     QStringLiteral("-env:UserInstallation=") +
                         QUrl::fromLocalFile(profile.path()).toString()};
    args += arguments;

    QProcess process;
    process.setProgram(program);
    process.setArguments(args);
    process.setProcessChannelMode(QProcess::MergedChannels);
#ifdef Q_OS_UNIX
    process.setChildProcessModifier([] { ::setpgid(0, 0); });
#endif
    process.start();
    if (!process.waitForStarted(15000))
        return result;
    result.started = true;

    QElapsedTimer clock;
    clock.start();
    while (!process.waitForFinished(100)) {
        if (process.state() == QProcess::NotRunning)
            break;
        const bool goOn = !tick || tick();
        result.cancelled = !goOn;
        result.timedOut = goOn && clock.elapsed() > timeoutMs;
        if (result.cancelled || result.timedOut) {
#ifdef Q_OS_UNIX
            ::kill(-pid_t(process.processId()), SIGKILL);
#endif
            process.kill();
            process.waitForFinished(5000);
            result.output = QString::fromLocal8Bit(process.readAll());
            return result;
        }
    }
    result.finished = process.exitStatus() == QProcess::NormalExit;
    result.exitCode = process.exitCode();
    result.output = QString::fromLocal8Bit(process.readAll()).trimmed();
    return result;
}

void setError(QString *error, const QString &text)
{
    if (error)
        *error = text;
}

QString seconds(int ms)
{
    return QString::number((ms + 999) / 1000);
}

} // namespace

QString executable()
{
    // A deployment (or a test) may name the program; a name that is not there counts as
    // LibreOffice missing rather than falling back to another copy.
    if (qEnvironmentVariableIsSet("PLX_SOFFICE")) {
        const QString forced = qEnvironmentVariable("PLX_SOFFICE");
        const QFileInfo info(forced);
        return info.isFile() && info.isExecutable() ? info.absoluteFilePath() : QString();
    }
    for (const char *name : {"soffice", "libreoffice"}) {
        const QString found = QStandardPaths::findExecutable(QString::fromLatin1(name));
        if (!found.isEmpty())
            return found;
    }
    for (const QString &place : usualPlaces()) {
        const QFileInfo info(place);
        if (info.isFile() && info.isExecutable())
            return info.absoluteFilePath();
    }
    return {};
}

QString missingMessage()
{
    return QStringLiteral("LibreOffice est introuvable sur ce poste. Il est nécessaire pour "
                          "produire un PDF, imprimer un document ou lire un modèle .xls ou "
                          ".dot : installez LibreOffice (Writer et Calc) puis recommencez.");
}

QString convert(const QString &source, const QString &targetExtension, const QString &outFolder,
                QString *error, const Tick &tick, int timeoutMs)
{
    const QFileInfo input(source);
    if (!input.isFile()) {
        setError(error, QStringLiteral("Impossible de trouver le fichier ") + source);
        return {};
    }
    const QString program = executable();
    if (program.isEmpty()) {
        setError(error, missingMessage());
        return {};
    }
    const QString ext =
        targetExtension.startsWith(QLatin1Char('.')) ? targetExtension.mid(1) : targetExtension;
    if (!QDir().mkpath(outFolder)) {
        setError(error, QStringLiteral("Impossible de créer le dossier ") + outFolder);
        return {};
    }
    // Converted in a private folder first: a failed run leaves nothing in outFolder, and
    // a file already there cannot pass for this run's result.
    auto scratch = std::make_unique<QTemporaryDir>(
        QDir(outFolder).filePath(QStringLiteral(".plx-conversion-XXXXXX")));
    if (!scratch->isValid())
        scratch = std::make_unique<QTemporaryDir>();
    if (!scratch->isValid()) {
        setError(error, QStringLiteral("Impossible de créer un dossier temporaire pour la "
                                       "conversion."));
        return {};
    }
    const RunResult run =
        runSoffice(program,
                   {QStringLiteral("--convert-to"), ext, QStringLiteral("--outdir"),
                    scratch->path(), input.absoluteFilePath()},
                   tick, timeoutMs);
    const QString what = input.fileName();
    if (!run.started) {
        setError(error, QStringLiteral("Impossible de lancer LibreOffice (") + program +
                            QStringLiteral(")."));
        return {};
    }
    if (run.cancelled) {
        setError(error, QStringLiteral("Conversion de ") + what + QStringLiteral(" annulée."));
        return {};
    }
    if (run.timedOut) {
        setError(error, QStringLiteral("LibreOffice n'a pas terminé la conversion de ") + what +
                            QStringLiteral(" en ") + seconds(timeoutMs) +
                            QStringLiteral(" secondes : conversion abandonnée."));
        return {};
    }
    const QString produced =
        QDir(scratch->path()).filePath(input.completeBaseName() + QLatin1Char('.') + ext);
    if (run.exitCode != 0 || !QFileInfo(produced).isFile() || QFileInfo(produced).size() == 0) {
        QString text = QStringLiteral("La conversion de ") + what + QStringLiteral(" en ") +
                       ext.toUpper() + QStringLiteral(" par LibreOffice a échoué.");
        const QString firstLine = run.output.section(QLatin1Char('\n'), 0, 0).trimmed();
        if (!firstLine.isEmpty())
            text += QStringLiteral(" (") + firstLine + QStringLiteral(")");
        setError(error, text);
        return {};
    }
    const QString target = QDir(outFolder).filePath(QFileInfo(produced).fileName());
    QFile::remove(target);
    if (!QFile::rename(produced, target)) {
        setError(error, QStringLiteral("Impossible d'écrire le fichier ") + target);
        return {};
    }
    return target;
}

QString modernTemplate(const QString &templatePath, QString *error, const Tick &tick)
{
    const QFileInfo info(templatePath);
    const QString suffix = info.suffix().toLower();
    QString target;
    if (suffix == QLatin1String("xls"))
        target = QStringLiteral("xlsx");
    else if (suffix == QLatin1String("dot") || suffix == QLatin1String("doc"))
        target = QStringLiteral("docx");
    else
        return templatePath;
    if (!info.isFile()) {
        setError(error, QStringLiteral("Impossible de trouver le fichier ") + templatePath);
        return {};
    }
    // Keyed by path and modification time: an edited template is converted again.
    const QByteArray key = info.absoluteFilePath().toUtf8() + '|' +
                           QByteArray::number(info.lastModified().toMSecsSinceEpoch()) + '|' +
                           QByteArray::number(info.size());
    const QString hash = QString::fromLatin1(
        QCryptographicHash::hash(key, QCryptographicHash::Sha1).toHex().left(16));
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::CacheLocation) +
                           QStringLiteral("/modeles/") + hash;
    const QString cached =
        folder + QLatin1Char('/') + info.completeBaseName() + QLatin1Char('.') + target;
    if (QFileInfo(cached).isFile())
        return cached;
    return convert(templatePath, target, folder, error, tick);
}

bool print(const QString &document, const QString &printer, QString *error, const Tick &tick)
{
    const QFileInfo input(document);
    if (!input.isFile()) {
        setError(error, QStringLiteral("Impossible de trouver le fichier ") + document);
        return false;
    }
    const QString program = executable();
    if (program.isEmpty()) {
        setError(error, missingMessage());
        return false;
    }
    QStringList args;
    if (printer.isEmpty())
        args << QStringLiteral("-p");
    else
        args << QStringLiteral("-pt") << printer;
    args << input.absoluteFilePath();
    const int timeoutMs = 120000;
    const RunResult run = runSoffice(program, args, tick, timeoutMs);
    if (!run.started) {
        setError(error, QStringLiteral("Impossible de lancer LibreOffice (") + program +
                            QStringLiteral(")."));
        return false;
    }
    if (run.cancelled) {
        setError(error, QStringLiteral("Impression annulée."));
        return false;
    }
    if (run.timedOut) {
        setError(error, QStringLiteral("LibreOffice n'a pas terminé l'impression de ") +
                            input.fileName() + QStringLiteral(" en ") + seconds(timeoutMs) +
                            QStringLiteral(" secondes : impression abandonnée."));
        return false;
    }
    if (run.exitCode != 0) {
        setError(error, QStringLiteral("L'impression de ") + input.fileName() +
                            QStringLiteral(" par LibreOffice a échoué."));
        return false;
    }
    return true;
}

} // namespace plx::officesuite
