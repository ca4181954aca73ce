#include "db/accesbase.h"
#include "db/sqltext.h"
#include "run/demonetwork.h"
#include "run/loginsequence.h"
#include "schema/schemacatalog.h"
#include "session/session.h"
#include "stations/widgets/stationsublist.h"

#include <QColor>
#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QTabWidget>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace plx;

namespace {

void run(const QString &sql)
{
    QString error;
    ASSERT_TRUE(AccesBase::instance().Execute(sql, &error)) << sql.toStdString() << "\n"
                                                            << error.toStdString();
}

// What the demo network leaves empty: code lists, documents, pictures, interventions.
void addExamples(const QString &code, const QString &folder)
{
    const std::pair<const char *, std::vector<std::pair<int, const char *>>> lists[] = {
        {"LIEN_PIEZO_INTERVENANTS.TYPEINTERVENANT",
         {{0, "Gestionnaire"}, {1, "Propriétaire"}, {3, "Agence de l'eau"}}},
        {"MODES_MESURES.METHODE", {{1, "Automatique"}, {2, "Manuelle"}}},
        {"MODES_MESURES.PERIODICITE", {{1, "Horaire"}, {2, "Journalière"}}}};
    for (const auto &[champ, codes] : lists) {
        for (const auto &[value, label] : codes)
            run(QStringLiteral("INSERT INTO CODES_SANDRE (Champ, Code, Libelle, Commentaire) "
                               "VALUES (%1, %2, %3, %4)")
                    .arg(sqlQuote(QString::fromUtf8(champ)), sqlNumber(value),
                         sqlQuote(QString::fromUtf8(label)),
                         QString::fromUtf8(champ).endsWith(QStringLiteral("PERIODICITE"))
                             ? sqlQuote(QStringLiteral("relevé à 6 h UTC"))
                             : QStringLiteral("NULL")));
    }
    run(QStringLiteral("INSERT INTO MODES_MESURES_PLUVIO (CodePluviometre, DateDebut, Methode, "
                       "Periodicite, Commentaires) VALUES (%1, #01/01/2025#, 1, 2, 'Relevé "
                       "automatique quotidien')")
            .arg(code));
    run(QStringLiteral("INSERT INTO PLUVIOMETRE_DOCUMENTS (CodePluviometre, CodeDocument, "
                       "Emplacement, MotCle, Titre) VALUES (%1, 1, '/srv/docs/plan-acces.pdf', "
                       "'ACCES', 'Plan d''accès au site')")
            .arg(code));
    QImage picture(640, 420, QImage::Format_RGB32);
    picture.fill(QColor(70, 120, 160));
    const QString path = QDir(folder).filePath(QStringLiteral("site.png"));
    ASSERT_TRUE(picture.save(path));
    run(QStringLiteral("INSERT INTO PLUVIOMETRE_PHOTO (CodePluviometre, PhotoSite, PhotoCarte) "
                       "VALUES (%1, %2, '/srv/photos/carte.jpg')")
            .arg(code, sqlQuote(path)));
    run(QStringLiteral("INSERT INTO EVENEMENTS_PLUVIO (CodePluviometre, Numero, DateEvenement, "
                       "heureEvenement, type, ChgtPiles, Volt, Commentaires, probleme, solution, "
                       "dateCloture) VALUES (%1, 1, #03/12/2025#, #12/30/1899 09:30:00#, "
                       "'Visite', 'O', 12.6, 'Nettoyage de l''entonnoir', 'Augets encrassés', "
                       "'Nettoyage', #03/12/2025#)")
            .arg(code));
}

} // namespace

// With PLX_SCREENSHOTS=<folder>, draws every tab of a demo station into that folder.
TEST(SubListScreenshots, EveryTab)
{
    const QString out = qEnvironmentVariable("PLX_SCREENSHOTS");
    if (out.isEmpty())
        GTEST_SKIP() << "set PLX_SCREENSHOTS to a folder to draw the tabs";
    QTemporaryDir dir;
    QString error;
    ASSERT_TRUE(createDemoNetwork(dir.filePath(QStringLiteral("demo.sqlite")), &error))
        << error.toStdString();
    const ScopedConnectionKind kind(AccesBase::instance());
    const RecordTable t = AccesBase::instance().ExtraireRecords(
        QStringLiteral("SELECT min(CodePluviometre) FROM PLUVIOMETRES"));
    ASSERT_TRUE(t.ok() && t.rowCount() == 1);
    const QString code = sqlNumber(t.at(0, 0).toDouble());
    addExamples(code, dir.path());

    QTabWidget tabs;
    for (StationSubList *tab : createStationSubLists(&tabs)) {
        tabs.addTab(tab, tab->title());
        tab->setEditable(true);
        tab->setStationCode(code);
    }
    tabs.resize(1366, 560);
    tabs.show();
    QDir().mkpath(out);
    for (int i = 0; i < tabs.count(); ++i) {
        tabs.setCurrentIndex(i);
        QCoreApplication::processEvents();
        EXPECT_TRUE(
            tabs.grab().save(QDir(out).filePath(QStringLiteral("sousliste_%1.png").arg(i))));
    }
    AccesBase::instance().Deconnecter();
}
