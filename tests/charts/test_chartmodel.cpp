#include "charts/classe_graphiques.h"
#include "config/connectionprofile.h"
#include "config/machinesettings.h"
#include "config/settings.h"
#include "db/accesbase.h"
#include "db/dialect.h"
#include "db/sqltext.h"
#include "support/testdatabases.h"

#include <QDate>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

namespace ms = plx::machinesettings;
using plx::ChartValues;
using plx::Classe_Graphique;
using plx::Classe_Graphiques;

// A private machine store, nobody logged in, no connection; all restored afterwards.
class ChartModelTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_savedFile = qgetenv("PLX_SETTINGS_FILE");
        m_savedProfile = plx::runProfile();
        qputenv("PLX_SETTINGS_FILE", m_dir.filePath(QStringLiteral("machine.ini")).toUtf8());
        plx::AccesBase::instance().Deconnecter();
        plx::setCurrentLogin(QString());
    }
    void TearDown() override
    {
        plx::setCurrentLogin(QString());
        plx::AccesBase::instance().Deconnecter();
        plx::runProfile() = m_savedProfile;
        if (m_savedFile.isNull())
            qunsetenv("PLX_SETTINGS_FILE");
        else
            qputenv("PLX_SETTINGS_FILE", m_savedFile);
    }

    static QString stored(const char *key)
    {
        return ms::read({}, QString::fromLatin1(key)).value_or(QStringLiteral("<absent>"));
    }
    static void set(const char *key, const QString &value)
    {
        ASSERT_TRUE(plx::EcrireParametre(QString::fromLatin1(key), value));
    }

    QTemporaryDir m_dir;

private:
    QByteArray m_savedFile;
    plx::ConnectionProfile m_savedProfile;
};

// Points laid out as the chart screens build them: date, time, value.
ChartValues points(const QList<QVariant> &dates, const QList<QVariant> &values)
{
    ChartValues v(5, int(dates.size()));
    for (int p = 0; p < dates.size(); ++p) {
        v.set(0, p, dates[p]);
        v.set(1, p, QStringLiteral("00:00:00"));
        v.set(2, p, values.value(p));
    }
    return v;
}

TEST_F(ChartModelTest, DefaultsWrittenOnceThenReadBack)
{
    {
        const Classe_Graphiques chart;
        const plx::GestionExportExcel &o = chart.exportOptions();
        EXPECT_TRUE(o.AfficherAquifere && o.AfficherLegende && o.AfficherTitre);
        EXPECT_TRUE(o.AfficherAxeProfondeur && o.AfficherTitreAxeProfondeur);
        EXPECT_TRUE(o.AfficherAxeNGF && o.AfficherTitreAxeNGF);
        EXPECT_TRUE(o.AfficherDonneesNonValidees && o.AfficherDonneesIncorrectes &&
                    o.AfficherDonneesInterpretees);
        // Labels keep their case and accents although the machine store upper-cases reads.
        EXPECT_EQ(o.LibelleAxeProfondeur, "Profondeur en m");
        EXPECT_EQ(o.LibelleAxeNGF, "Cotes NGF en m");
        EXPECT_EQ(o.LibelleAxeDebit, "Débit en m3/s");
        EXPECT_EQ(o.LibelleAxeVolume, "Volume en m3");
        EXPECT_EQ(o.LibelleAxeRabattement, "Rabattement");
        EXPECT_EQ(o.TypeAxeX, "AUTO");
        EXPECT_EQ(o.TypeAxeXAnnee, "AUTO");
        EXPECT_EQ(o.FormatAxeX, "");
        EXPECT_EQ(o.Unite, 0);
        EXPECT_EQ(o.TaillePoliceAxes, 7);
        EXPECT_EQ(o.TaillePoliceTitre, 14);
        EXPECT_EQ(stored("InitOptionExcel"), "1");
        // Written although nothing reads it back; an empty value is a blank in this store.
        EXPECT_EQ(stored("FormatCourbe"), " ");
        EXPECT_EQ(stored("Unite"), " ");
    }

    // What the user changed survives the next chart; a font size cleared by hand falls
    // back to its default.
    set("TaillePoliceAxes", QStringLiteral("9"));
    set("TaillePoliceTitre", QString());
    set("AfficherLegende", QStringLiteral("0"));
    set("LibelleAxeNGF", QStringLiteral("Altitude NGF"));
    set("Unite", QStringLiteral("3"));
    set("AfficherDonneesNonValidees", QStringLiteral("0"));
    {
        const Classe_Graphiques chart;
        const plx::GestionExportExcel &o = chart.exportOptions();
        EXPECT_EQ(o.TaillePoliceAxes, 9);
        EXPECT_EQ(o.TaillePoliceTitre, 14);
        EXPECT_EQ(stored("TaillePoliceTitre"), " "); // read as 14, not rewritten
        EXPECT_FALSE(o.AfficherLegende);
        EXPECT_EQ(o.LibelleAxeNGF, "Altitude NGF");
        EXPECT_EQ(o.Unite, 3);
        const plx::DataSelection selection = plx::dataSelection(o);
        EXPECT_FALSE(selection.unvalidated);
        EXPECT_TRUE(selection.incorrect);
        EXPECT_TRUE(selection.interpreted);
    }

    // The three data options come back together once the first of them is cleared.
    set("AfficherDonneesIncorrectes", QStringLiteral("0"));
    set("AfficherDonneesNonValidees", QString());
    {
        const Classe_Graphiques chart;
        EXPECT_TRUE(chart.exportOptions().AfficherDonneesNonValidees);
        EXPECT_TRUE(chart.exportOptions().AfficherDonneesIncorrectes);
        EXPECT_EQ(chart.exportOptions().TaillePoliceAxes, 9);
    }
}

class ChartModelUserTest : public ChartModelTest, public ::testing::WithParamInterface<QString>
{
};

// Per login in the database: the first chart writes one row per key, later charts none.
TEST_P(ChartModelUserTest, DefaultsWrittenOncePerLogin)
{
    plxtest::ScratchDatabase scratch(GetParam());
    ASSERT_TRUE(scratch.connect());
    plx::AccesBase &db = plx::AccesBase::instance();
    const plx::ColumnTypes types =
        plx::columnTypes(GetParam() == QLatin1String("sqlite") ? "ACCESS" : "POSTGRESQL");
    ASSERT_TRUE(db.Execute(QStringLiteral("CREATE TABLE UTILISATEURS_PARAMETRES (login %1, "
                                          "parametre %1, valeur %1, datemaj %2)")
                               .arg(types.textOfLength(255), types.dateTime)));
    const auto rowCount = [&](const QString &login) {
        const plx::RecordTable t = db.ExtraireRecords(
            QStringLiteral("SELECT count(*) FROM UTILISATEURS_PARAMETRES WHERE login = ") +
            plx::sqlQuote(login));
        EXPECT_TRUE(t.ok()) << t.error().toStdString();
        return t.rowCount() ? t.at(0, 0).toInt() : -1;
    };

    plx::setCurrentLogin(QStringLiteral("d'Artagnan"));
    {
        const Classe_Graphiques chart;
    }
    const int written = rowCount(QStringLiteral("d'Artagnan"));
    EXPECT_EQ(written, 24); // 21 first-use keys and the three data options
    set("TaillePoliceTitre", QStringLiteral("20"));
    plx::clearUserSettingsCache();
    {
        const Classe_Graphiques chart;
        EXPECT_EQ(chart.exportOptions().TaillePoliceTitre, 20);
        EXPECT_EQ(chart.exportOptions().LibelleAxeDebit, "Débit en m3/s");
    }
    EXPECT_EQ(rowCount(QStringLiteral("d'Artagnan")), written);

    plx::setCurrentLogin(QStringLiteral("martin"));
    {
        const Classe_Graphiques chart;
        EXPECT_EQ(chart.exportOptions().TaillePoliceTitre, 14);
    }
    EXPECT_EQ(rowCount(QStringLiteral("martin")), written);
}

INSTANTIATE_TEST_SUITE_P(Engines, ChartModelUserTest, PLX_ENGINES, PLX_ENGINE_NAME);

TEST(ChartModelCurve, PointCountAndMinimum)
{
    Classe_Graphique curve;
    EXPECT_EQ(curve.GetMinValeur(), 9999);

    // One point: counted only when its date cell holds something.
    curve.AjouterValeurs(points({QString()}, {12.5}));
    EXPECT_EQ(curve.pointCount(), 0);
    curve.AjouterValeurs(points({QVariant()}, {12.5}));
    EXPECT_EQ(curve.pointCount(), 0);
    curve.AjouterValeurs(points({QDate(2024, 3, 5)}, {12.5}));
    EXPECT_EQ(curve.pointCount(), 1);
    EXPECT_EQ(curve.GetMinValeur(), 12.5);

    // Two points or more count whatever their cells hold.
    curve.AjouterValeurs(points({QString(), QString(), QString()}, {}));
    EXPECT_EQ(curve.pointCount(), 3);
    EXPECT_EQ(curve.GetMinValeur(), 9999);
    curve.AjouterValeurs(ChartValues(5, 0));
    EXPECT_EQ(curve.pointCount(), 0);

    // Not an array: no points, and the previous ones are gone.
    curve.AjouterValeurs(points({QDate(2024, 3, 5), QDate(2024, 3, 6)}, {1.0, 2.0}));
    ASSERT_EQ(curve.pointCount(), 2);
    for (const QVariant &notAnArray :
         {QVariant(), QVariant(42), QVariant(QStringLiteral("12/03/2024")),
          QVariant(QVariantList{QVariantList{1, 2}, QVariantList{3, 4}})}) {
        curve.AjouterValeurs(notAnArray);
        EXPECT_EQ(curve.pointCount(), 0) << notAnArray.typeName();
        EXPECT_EQ(curve.GetMinValeur(), 9999);
    }

    // Empty value cells are skipped, not read as zero; the minimum starts at 9999.
    const QDate d(1949, 1, 1);
    curve.AjouterValeurs(
        points({d, d, d, d, d}, {QString(), 37.2, QStringLiteral("4,5"), QVariant(), 12000.0}));
    EXPECT_EQ(curve.GetMinValeur(), 4.5);
    curve.AjouterValeurs(points({d, d}, {12000.0, -3.0}));
    EXPECT_EQ(curve.GetMinValeur(), -3.0);
    curve.AjouterValeurs(points({d, d}, {12000.0, 10000.0}));
    EXPECT_EQ(curve.GetMinValeur(), 9999);

    // The curve keeps its own copy.
    ChartValues source = points({d, d}, {1.0, 2.0});
    curve.AjouterValeurs(source);
    source.set(2, 0, -100.0);
    EXPECT_EQ(curve.GetMinValeur(), 1.0);
}

TEST_F(ChartModelTest, CollectionPositions)
{
    Classe_Graphiques chart;
    EXPECT_EQ(chart.noCourbe(QStringLiteral("Pluie")), -1);
    EXPECT_EQ(chart.GetCourbe(1), nullptr);

    const auto curve = [](const char *key) {
        Classe_Graphique c;
        c.key = QString::fromLatin1(key);
        return c;
    };
    chart.AjouterCourbe(curve("Pluie"));
    chart.AjouterCourbe(curve("Etp"));
    chart.AjouterCourbe(curve("Pluie"));
    ASSERT_EQ(chart.Compter(), 3);
    EXPECT_EQ(chart.noCourbe(QStringLiteral("Pluie")), 1); // the first of two
    EXPECT_EQ(chart.noCourbe(QStringLiteral("Etp")), 2);
    EXPECT_EQ(chart.noCourbe(QStringLiteral("pluie")), -1); // exact, case counts
    EXPECT_EQ(chart.noCourbe(QStringLiteral("Pluie ")), -1);

    chart.MajTitre(2, QStringLiteral("Évapotranspiration"));
    chart.MajAfficher(2, true);
    chart.MajPattern(2, 3);
    chart.MajSymbol(2, 7);
    chart.AjouterValeurs(
        2, QVariant::fromValue(points({QDate(2024, 1, 1), QDate(2024, 1, 2)}, {1.0, 2.0})));
    const Classe_Graphique *etp = chart.GetCourbe(2);
    ASSERT_NE(etp, nullptr);
    EXPECT_EQ(etp->title, "Évapotranspiration");
    EXPECT_TRUE(etp->shown);
    EXPECT_EQ(etp->pattern, 3);
    EXPECT_EQ(etp->symbol, 7);
    EXPECT_EQ(etp->pointCount(), 2);
    EXPECT_EQ(chart.noCourbe(QStringLiteral("Etp")), 2); // updated in place

    // Positions beyond the collection, or before it, change nothing.
    for (const qint16 outside : {qint16(0), qint16(-1), qint16(4), qint16(100)}) {
        chart.MajTitre(outside, QStringLiteral("x"));
        chart.MajAfficher(outside, true);
        chart.MajPattern(outside, 9);
        chart.MajSymbol(outside, 9);
        chart.AjouterValeurs(outside, QVariant::fromValue(points({QDate(2024, 1, 1)}, {1.0})));
        EXPECT_FALSE(chart.SupprimerCourbe(outside));
        EXPECT_EQ(chart.GetCourbe(outside), nullptr);
    }
    ASSERT_EQ(chart.Compter(), 3);
    for (qint16 p : {qint16(1), qint16(3)}) {
        EXPECT_EQ(chart.GetCourbe(p)->title, "");
        EXPECT_FALSE(chart.GetCourbe(p)->shown);
        EXPECT_EQ(chart.GetCourbe(p)->symbol, -1);
        EXPECT_EQ(chart.GetCourbe(p)->pointCount(), 0);
    }

    // Removing the first curve moves the others up.
    EXPECT_TRUE(chart.SupprimerCourbe(1));
    EXPECT_EQ(chart.Compter(), 2);
    EXPECT_EQ(chart.noCourbe(QStringLiteral("Etp")), 1);
    EXPECT_EQ(chart.noCourbe(QStringLiteral("Pluie")), 2);
    chart.ViderCollection();
    EXPECT_EQ(chart.Compter(), 0);
    EXPECT_EQ(chart.noCourbe(QStringLiteral("Etp")), -1);
}

} // namespace
