#include "outputs/sampletemplates.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

// The templates are compiled into the core library, a static library: its resources are
// only linked in when something asks for them by name.
static void initSampleTemplates()
{
    Q_INIT_RESOURCE(sampletemplates);
}

namespace plx {

QStringList sampleTemplateNames()
{
    return {QStringLiteral("Fiche_station.docx"), QStringLiteral("Fiche_station.odt"),
            QStringLiteral("Synthese_annuelle.xlsx"), QStringLiteral("Synthese_annuelle.ods")};
}

SampleTemplatesResult installSampleTemplates(const QString &folder)
{
    SampleTemplatesResult result;
    if (folder.trimmed().isEmpty())
        return result;
    QDir dir(folder);
    if (dir.exists() && !dir.isEmpty())
        return result;
    if (!dir.mkpath(QStringLiteral("."))) {
        result.ok = false;
        result.error = QStringLiteral("Impossible de créer le dossier des modèles %1.")
                           .arg(QDir::toNativeSeparators(folder));
        return result;
    }
    initSampleTemplates();
    for (const QString &name : sampleTemplateNames()) {
        QFile source(QStringLiteral(":/modeles/") + name);
        QSaveFile target(dir.filePath(name));
        if (!source.open(QIODevice::ReadOnly) || !target.open(QIODevice::WriteOnly) ||
            target.write(source.readAll()) != source.size() || !target.commit()) {
            result.ok = false;
            result.error =
                QStringLiteral("Impossible d'écrire le modèle %1 : %2")
                    .arg(QDir::toNativeSeparators(dir.filePath(name)), target.errorString());
            return result;
        }
        result.installed << name;
    }
    return result;
}

} // namespace plx
