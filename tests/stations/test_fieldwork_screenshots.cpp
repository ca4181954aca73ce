#include "db/accesbase.h"
#include "run/demonetwork.h"
#include "schema/schemacatalog.h"
#include "session/session.h"
#include "stations/interventions.h"
#include "stations/widgets/bulletinspluvio.h"
#include "stations/widgets/fichepluviometre.h"
#include "stations/widgets/listeinterventions.h"
#include "stations/widgets/rapportintervention.h"

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QTabWidget>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// With PLX_SCREENSHOTS=<folder>, draws the bulletins and interventions screens and an
// intervention report on the demo network at 1366x768. Also checks that the demo network
// carries the field work those screens show.
TEST(FieldWorkScreenshots, DemoNetwork)
{
    const QString out = qEnvironmentVariable("PLX_SCREENSHOTS");
    if (out.isEmpty())
        GTEST_SKIP() << "set PLX_SCREENSHOTS to a folder to draw the screens";
    QTemporaryDir dir;
    QString error;
    ASSERT_TRUE(plx::createDemoNetwork(dir.filePath(QStringLiteral("demo.sqlite")), &error))
        << error.toStdString();
    const plx::ScopedConnectionKind kind(plx::AccesBase::instance());
    const plx::UserSession saved = plx::session();
    plx::session().login = QStringLiteral("ADMIN");
    plx::session().isAdmin = true;
    QDir().mkpath(out);
    const auto shoot = [&](QWidget &screen, const char *name) {
        screen.resize(1366, 768);
        screen.show();
        QCoreApplication::processEvents();
        EXPECT_TRUE(screen.grab().save(QDir(out).filePath(QString::fromLatin1(name))));
    };

    plx::ListeInterventions list;
    ASSERT_GE(list.rows().size(), 10u);
    shoot(list, "interventions.png");
    const plx::InterventionRow first = list.rows().front();

    plx::BulletinsPluvio bulletins;
    ASSERT_EQ(bulletins.bulletins().size(), 3u);
    shoot(bulletins, "bulletins.png");
    ASSERT_TRUE(plx::AccesBase::instance().Execute(
        QStringLiteral("INSERT INTO PLUVIOMETRE_BULLETINS (CodePluviometre, CodeBulletin, Titre, "
                       "Chapitre, DatePublication, Auteur) VALUES (%1, 1, 'Fiche de site "
                       "2025', 'Historique des interventions et qualité des mesures', "
                       "#01/15/2026#, 'Service hydrologie')")
            .arg(first.station)));
    plx::BulletinsPluvio forStation(QString::number(first.station));
    shoot(forStation, "bulletins_pluviometre.png");
    auto *tabs = forStation.findChild<QTabWidget *>(QStringLiteral("TabBulletins"));
    ASSERT_NE(tabs, nullptr);
    tabs->setCurrentIndex(1);
    shoot(forStation, "bulletins_pluviometre_propres.png");

    plx::FichePluviometre record;
    ASSERT_TRUE(record.ChargementFichePluviometre(QString::number(first.station)));
    record.showIntervention(first.numero);
    shoot(record, "fiche_interventions.png");

    const plx::InterventionReport report =
        plx::interventionReport(plx::AccesBase::instance(), first.station, first.numero);
    ASSERT_TRUE(report.ok) << report.error.toStdString();
    EXPECT_TRUE(plx::reportPagePicture(report.html, 900)
                    .save(QDir(out).filePath(QStringLiteral("rapport_intervention.png"))));
    plx::session() = saved;
    plx::AccesBase::instance().Deconnecter();
}
