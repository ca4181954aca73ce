#include "cli/commands.h"

#include "cli/exportcommand.h"
#include "cli/followupcommand.h"
#include "cli/historycommands.h"
#include "cli/loginoption.h"
#include "cli/options.h"
#include "cli/qccommand.h"
#include "cli/rowwriter.h"
#include "cli/schemacommands.h"
#include "cli/situationcommand.h"
#include "cli/stationcommands.h"
#include "cli/statscommands.h"
#include "cli/summarycommands.h"
#include "cli/validatecommands.h"
#include "db/accesbase.h"
#include "db/mdbimport.h"
#include "db/sqltext.h"
#include "session/session.h"

#include <QDateTime>
#include <QTextStream>

#include <cmath>
#include <cstdio>

namespace plx::cli {

void print(FILE *stream, const QString &text)
{
    std::fputs(text.toUtf8().constData(), stream);
}

QString takeValue(Options &options, const char *name)
{
    const qsizetype at = options.positional.indexOf(QLatin1String(name));
    if (at < 0 || at + 1 >= options.positional.size())
        return QString();
    const QString value = options.positional[at + 1];
    options.positional.remove(at, 2);
    return value;
}

bool takeFlag(Options &options, const char *name)
{
    return options.positional.removeAll(QLatin1String(name)) > 0;
}

int usageError(const Options &options)
{
    print(stderr, options.error.isEmpty() ? usage() : options.error + QLatin1Char('\n'));
    return 2;
}

bool confirmed(const QString &question)
{
    print(stdout, question + QStringLiteral(" (o/n) "));
    std::fflush(stdout);
    QTextStream in(stdin);
    const QString answer = in.readLine().trimmed().toLower();
    return answer == QLatin1String("o") || answer == QLatin1String("oui");
}

int fail(const QString &message, int code)
{
    print(stderr, message.simplified() + QLatin1Char('\n'));
    return code;
}

QString numberCell(double value)
{
    if (std::isnan(value))
        return QString();
    QString text = QString::number(value, 'f', 4);
    while (text.endsWith(QLatin1Char('0')))
        text.chop(1);
    if (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    if (text == QLatin1String("-0"))
        text = QStringLiteral("0");
    return text;
}

bool stationVisible(AccesBase &db, const QString &code, QString *error)
{
    const QString scope = session().stationScopeCondition();
    const RecordTable rows = db.ExtraireRecords(
        QStringLiteral("SELECT count(*) FROM PLUVIOMETRES WHERE CodePluviometre=") +
        sqlNumber(qint64(code.toDouble())) +
        (scope.isEmpty() ? QString() : QStringLiteral(" AND ") + scope));
    if (!rows.ok()) {
        *error = rows.error();
        return false;
    }
    return rows.rowCount() == 1 && rows.at(0, 0).toLongLong() > 0;
}

QString cellText(const QVariant &value)
{
    if (value.isNull())
        return QString();
    if (value.typeId() == QMetaType::QDateTime) {
        const QDateTime dt = value.toDateTime();
        return dt.time() == QTime(0, 0) ? dt.toString(QStringLiteral("dd/MM/yyyy"))
                                        : dt.toString(QStringLiteral("dd/MM/yyyy HH:mm:ss"));
    }
    if (value.typeId() == QMetaType::Double)
        return QString::number(value.toDouble(), 'g', QLocale::FloatingPointShortest);
    QString text = value.toString();
    text.replace(QLatin1Char('\t'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    return text;
}

bool connectDatabase(const Options &options)
{
    QString error;
    if (!AccesBase::instance().Connecter(options.profile, &error)) {
        print(stderr, QStringLiteral("Connexion impossible : %1\n").arg(error));
        return false;
    }
    if (!AccesBase::instance().connectionNotice().isEmpty())
        print(stderr, AccesBase::instance().connectionNotice() + QLatin1Char('\n'));
    return logInGivenUser(); // --user/--password: that user's rights apply
}

namespace {

bool returnsRows(const QString &sql)
{
    const QString head = sql.trimmed().left(8).toUpper();
    return head.startsWith(QLatin1String("SELECT")) || head.startsWith(QLatin1String("WITH"));
}

int sqlCommand(const QStringList &arguments)
{
    const Options options = parseOptions(arguments);
    if (!options.error.isEmpty() || !options.hasDatabase || options.positional.size() != 1) {
        print(stderr, options.error.isEmpty() ? usage() : options.error + QLatin1Char('\n'));
        return 2;
    }
    if (!connectDatabase(options))
        return 1;
    const QString sql = options.positional.first();
    AccesBase &db = AccesBase::instance();
    if (!returnsRows(sql)) {
        QString error;
        const bool ok = db.Execute(sql, &error);
        print(ok ? stdout : stderr, ok ? QStringLiteral("True\n") : error + QLatin1Char('\n'));
        return ok ? 0 : 1;
    }
    // Rows go out as they are read, through one large buffer: a million rows never sit
    // in memory at once.
    RowWriter writer(stdout);
    QString error;
    const bool ok = db.readRecords(
        sql,
        [&writer](const QVariant *values, int count) {
            writer.row(values, count);
            return true;
        },
        &error);
    if (!ok) {
        // A statement refused before any row went out prints nothing on stdout.
        if (!writer.started())
            writer.discard();
        writer.flush();
        print(stderr, error + QLatin1Char('\n'));
        return 1;
    }
    writer.flush();
    return 0;
}

int convertMdbCommand(const QStringList &arguments)
{
    if (arguments.size() != 2) {
        print(stderr, usage());
        return 2;
    }
    const MdbImportResult result = importAccessFile(arguments[0], arguments[1]);
    if (!result.ok) {
        print(stderr, result.error + QLatin1Char('\n'));
        return 1;
    }
    print(stdout, QStringLiteral("%1 table(s), %2 ligne(s) copiées dans %3\n")
                      .arg(result.tables.size())
                      .arg(result.rows)
                      .arg(arguments[1]));
    if (!result.unreadableColumns.isEmpty())
        print(stderr, QStringLiteral("Colonnes illisibles, laissées vides : %1\n")
                          .arg(result.unreadableColumns.join(QStringLiteral(", "))));
    return 0;
}

} // namespace

QString usage()
{
    return QStringLiteral(
        "Utilisation : plx COMMANDE [OPTIONS]\n"
        "\n"
        "Base de données (une au choix) :\n"
        "  --db FICHIER        fichier SQLite, ou Access (.mdb, .accdb, ZIP en contenant un)\n"
        "  --pg \"CONNINFO\"     serveur PostgreSQL (chaîne de connexion libpq)\n"
        "  --odbc \"CHAÎNE\"     chaîne de connexion ODBC\n"
        "  --user NOM --password MDP   utilisateur de la base (ses droits s'appliquent)\n"
        "\n"
        "Commandes :\n"
        "  sql [BASE] \"REQUÊTE\"          exécute une requête (syntaxe Access) : les lignes\n"
        "                                séparées par des tabulations, ou True\n"
        "  convert-mdb ENTRÉE SORTIE     copie un fichier Access dans un fichier SQLite\n"
        "  init --db FICHIER [--demo]    crée une base au schéma courant (--demo : avec le\n"
        "                                réseau de démonstration)\n"
        "  upgrade [BASE] [--force]      met le schéma de la base à jour, étape par étape\n"
        "  station list [BASE]           liste les pluviomètres visibles\n"
        "  station show [BASE] --station CODE\n"
        "                                affiche la fiche d'un pluviomètre\n"
        "  station delete [BASE] --station CODE [--yes]\n"
        "                                supprime un pluviomètre, ses mesures et ses lignes liées\n"
        "  station renumber [BASE] --station CODE --to NOUVEAU\n"
        "                                donne un autre code interne à un pluviomètre\n"
        "  summary [BASE] --station CODE résumé historique des mesures d'une station\n"
        "  stats [BASE] --station CODE [--param 1..6] [--mode EDITION|CUMUL_MENSUEL|CUMUL_ANNUEL]\n"
        "        [--year civil|hydro] [--cumul] [--selected-year AAAA] [--validated-only]\n"
        "                                courbes du graphique annuel (statistiques), en tableau\n"
        "  stats [BASE] --mode NORMALES --station CODE [--param 1..3] [--internal]\n"
        "        [--year civil|hydro] [--selected-year AAAA] [--validated-only]\n"
        "                                mois de l'année comparés aux normales (ou aux\n"
        "                                statistiques internes), en tableau\n"
        "  suivi [BASE] --station CODE[,CODE…] --from JJ/MM/AAAA --to JJ/MM/AAAA\n"
        "        --step jour|mois|annee [--param 1..6] [--day-start 0|6] [--validated-only]\n"
        "                                suivi des précipitations : une ligne par période, par\n"
        "                                station la somme (la moyenne pour les paramètres 4 à\n"
        "                                6) et les jours sans valeur, puis les lignes Cumul\n"
        "                                (périodes complètes seules) et Total (toute la\n"
        "                                fenêtre) ; --day-start 6 : journée de 06 h à 06 h\n"
        "  validate [BASE] --station CODE --until \"JJ/MM/AAAA hh:mm:ss\"\n"
        "                                valide les mesures jusqu'à cet instant (après la\n"
        "                                dernière mesure validée)\n"
        "  devalidate [BASE] --station CODE [--yes]\n"
        "                                dévalide toutes les mesures de la station\n"
        "  history [BASE] --station CODE [--from JJ/MM/AAAA --to JJ/MM/AAAA] [--user LOGIN]\n"
        "        [--kind SAISIE|VALIDATION|DEVALIDATION|SUPPRESSION|IMPORT|CORRECTION|ANNULATION]\n"
        "                                historique des modifications des mesures, le plus\n"
        "                                récent d'abord\n"
        "  export [BASE] --station CODE [--from JJ/MM/AAAA --to JJ/MM/AAAA]\n"
        "        --out FICHIER.xlsx|.csv|.ods\n"
        "                                écrit les mesures de la station comme l'export de\n"
        "                                l'écran de validation (sans dates : tout l'historique)\n"
        "  chart [BASE] --station CODE --screen chronique|annee|annuaire|normales\n"
        "        --out FICHIER.png|.svg|.pdf\n"
        "        [--param CHIFFRES] [--horizon S|D|M|T|A|H] [--visualisation HISTO|COURBE]\n"
        "        [--cumul] [--from JJ/MM/AAAA --to JJ/MM/AAAA] [--size 1600x900]\n"
        "        [--mode EDITION|CUMUL_MENSUEL|CUMUL_ANNUEL] [--year civil|hydro]\n"
        "        [--selected-year AAAA] [--internal] (normales : statistiques internes)\n"
        "        [--total-param CHIFFRES] [--total-horizon S|D|M|T|A|H]\n"
        "        [--total-visualisation HISTO|COURBE|CUMUL] (annuaire : chronique du bas)\n"
        "                                dessine le graphique d'une station (chronique, année,\n"
        "                                annuaire ou normales) dans une image, sans écran\n"
        "  chart [BASE] --screen superposition|pluviopiezo --stations 11,12 [--piezos CODE,...]\n"
        "        --out FICHIER.png|.svg|.pdf [--param CHIFFRES] [--horizon S|D|M|T|A|H]\n"
        "        [--visualisation HISTO|COURBE|CUMUL] [--rain-down] [--from JJ/MM/AAAA\n"
        "        --to JJ/MM/AAAA] [--size 1600x900]\n"
        "                                superpose des pluviomètres (et des piézomètres)\n"
        "  report [BASE] --station CODE[,CODE...] --template MODELE\n"
        "        --out FICHIER.docx|.odt|.xlsx|.ods|.pdf|.htm [--screen annee|annuaire|chronique]\n"
        "                                remplit un modèle (document ou classeur) pour chaque\n"
        "                                station (plusieurs : le code avant l'extension) ;\n"
        "                                --screen : les graphiques de cet écran ; le PDF\n"
        "                                demande LibreOffice\n"
        "  situation [BASE] --date JJ/MM/AAAA [--stations CODE,...]\n"
        "                                dernière valeur, dernière validation de chaque\n"
        "                                station avant la date (signalée au-delà de 90 jours)\n"
        "  qc [BASE] --station CODE --from JJ/MM/AAAA --to JJ/MM/AAAA [--rules REGLE,...]\n"
        "                                contrôles qualité des mesures de la période : une\n"
        "                                ligne par valeur suspecte (instant, paramètre, valeur,\n"
        "                                règle, gravité, explication) ; règles : plage, pic,\n"
        "                                bloque, zeros, cumul, journalier, voisins (toutes par\n"
        "                                défaut)\n"
        "  --help                        affiche cette aide\n");
}

int run(const QString &command, const QStringList &givenArguments)
{
    QStringList arguments = givenArguments;
    // plx history --user LOGIN filters on the login; with --password it logs in as usual.
    if (command == QLatin1String("history") && !arguments.contains(QLatin1String("--password"))) {
        for (QString &argument : arguments) {
            if (argument == QLatin1String("--user"))
                argument = QStringLiteral("--user-filter");
        }
    }
    if (!takeLoginArguments(arguments))
        return 2;
    if (command == QLatin1String("sql"))
        return sqlCommand(arguments);
    if (command == QLatin1String("convert-mdb"))
        return convertMdbCommand(arguments);
    if (command == QLatin1String("init"))
        return initCommand(arguments);
    if (command == QLatin1String("upgrade"))
        return upgradeCommand(arguments);
    if (command == QLatin1String("station"))
        return stationCommand(arguments);
    if (command == QLatin1String("summary"))
        return summaryCommand(arguments);
    if (command == QLatin1String("stats"))
        return statsCommand(arguments);
    if (command == QLatin1String("suivi"))
        return followUpCommand(arguments);
    if (command == QLatin1String("validate"))
        return validateCommand(arguments);
    if (command == QLatin1String("devalidate"))
        return devalidateCommand(arguments);
    if (command == QLatin1String("history"))
        return historyCommand(arguments);
    if (command == QLatin1String("export"))
        return exportCommand(arguments);
    if (command == QLatin1String("situation"))
        return situationCommand(arguments);
    if (command == QLatin1String("qc"))
        return qcCommand(arguments);
    print(stderr, QStringLiteral("Commande inconnue : %1\n\n").arg(command) + usage());
    return 2;
}

} // namespace plx::cli
