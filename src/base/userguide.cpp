#include "base/userguide.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace plx {

namespace {

struct ScreenPage
{
    const char *className;
    const char *page;
};

// A screen's class name → its page. Screens of one family share a page.
const ScreenPage kScreenPages[] = {
    {"ListePluviometres", "liste-pluviometres.html"},
    {"FichePluviometre", "fiche-pluviometre.html"},
    {"Validation", "validation.html"},
    {"HistoriqueModifications", "historique-modifications.html"},
    {"EditionGraphique", "graphique-chronique.html"},
    {"EditionGraphiqueAnnee", "graphique-annuel.html"},
    {"EditionGraphiqueAnnuaire", "graphique-annuaire.html"},
    {"EditionGraphiqueCompNormale", "graphique-normales.html"},
    {"EditionGraphiqueSuperposePluvio", "graphique-superposition.html"},
    {"EditionGraphiquePluvioPiezo", "graphique-pluie-piezometrie.html"},
    {"FrmImpression", "impression.html"},
    {"JournalEvenements", "journal.html"},
    {"SituationReseau", "situation-reseau.html"},
    {"SuiviPrecipitations", "suivi-precipitations.html"},
    {"BulletinsPluvio", "bulletins.html"},
    {"ListeInterventions", "interventions.html"},
    {"ImporterDonnees", "import.html"},
    {"ValidationControls", "controles.html"},
    {"QualityPanel", "controles.html"},
    {"Administration", "administration.html"},
    {"ReferenceTable", "referentiels.html"},
    {"BassinsVersants", "referentiels.html"},
};

QString &guideFolderOverride()
{
    static QString folder;
    return folder;
}

bool holdsGuide(const QString &folder)
{
    return !folder.isEmpty() && QFileInfo(QDir(folder).filePath(QStringLiteral("index.html"))).isFile();
}

} // namespace

QString guidePageForScreen(const QString &className)
{
    QString name = className;
    const qsizetype colons = name.lastIndexOf(QLatin1String("::"));
    if (colons >= 0)
        name = name.mid(colons + 2);
    for (const ScreenPage &entry : kScreenPages) {
        if (name == QLatin1String(entry.className))
            return QString::fromLatin1(entry.page);
    }
    return QStringLiteral("index.html");
}

QStringList guideScreenPages()
{
    QStringList pages;
    for (const ScreenPage &entry : kScreenPages) {
        const QString page = QString::fromLatin1(entry.page);
        if (!pages.contains(page))
            pages << page;
    }
    return pages;
}

QString guideFolder()
{
    if (!guideFolderOverride().isEmpty())
        return holdsGuide(guideFolderOverride()) ? guideFolderOverride() : QString();
    QStringList candidates;
    if (QCoreApplication::instance()) {
        const QDir programDir(QCoreApplication::applicationDirPath());
        candidates << programDir.filePath(QStringLiteral("../share/plxreader/guide"))
                   << programDir.filePath(QStringLiteral("guide"));
    }
#ifdef PLX_BUILD_GUIDE_DIR
    // Run from the build tree (the client, the tests): the guide the build assembled.
    candidates << QStringLiteral(PLX_BUILD_GUIDE_DIR);
#endif
    for (const QString &candidate : candidates) {
        if (holdsGuide(candidate))
            return QDir::cleanPath(QFileInfo(candidate).absoluteFilePath());
    }
    return QString();
}

void setGuideFolder(const QString &folder)
{
    guideFolderOverride() = folder;
}

QString helpPageLocation(const QString &fichierAide, const QString &page)
{
    const QString path = fichierAide.trimmed();
    const bool index = page.isEmpty() || page == QLatin1String("index.html");
    if (path.isEmpty()) {
        const QString folder = guideFolder();
        return folder.isEmpty() ? QString()
                                : QDir(folder).filePath(index ? QStringLiteral("index.html") : page);
    }
    const bool web = path.startsWith(QLatin1String("HTTP"), Qt::CaseInsensitive);
    const bool endsWithSeparator =
        path.endsWith(QLatin1Char('/')) || (!web && path.endsWith(QLatin1Char('\\')));
    const QString base = endsWithSeparator ? path : path + QLatin1Char('/');
    if (web)
        return base + (index ? QStringLiteral("docs_PLX_help.htm") : page);
    if (!index && QFileInfo(base + page).isFile())
        return base + page;
    return base + QStringLiteral("docs_PLX_help_.htm");
}

} // namespace plx
