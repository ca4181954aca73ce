#include "db/accesbase.h"
#include "quality/widgets/qualitythresholdsdialog.h"
#include "support/schemadatabasetest.h"

#include <QDoubleSpinBox>
#include <QPushButton>
#include <QTest>

using namespace plx;

namespace {

class ThresholdsDialog : public plxtest::SchemaDatabaseTest
{
protected:
    static AccesBase &db() { return AccesBase::instance(); }
};

} // namespace

// A threshold typed the French way (decimal comma) is saved for that station only; the
// defaults button puts every field back; "Annuler" stores nothing.
TEST_P(ThresholdsDialog, TypedThresholdSavedForTheStation)
{
    if (!ready())
        return;
    {
        QualityThresholdsDialog dialog(db(), QStringLiteral("4"), QStringLiteral("Essai"));
        dialog.setThresholds(QualityThresholds());
        auto *daily = dialog.findChild<QDoubleSpinBox *>(QStringLiteral("max_journalier"));
        ASSERT_TRUE(daily);
        EXPECT_EQ(daily->value(), 300);
        daily->setFocus();
        QTest::keyClick(daily, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(daily, QStringLiteral("82,5"));
        EXPECT_EQ(daily->value(), 82.5);
        QTest::mouseClick(dialog.findChild<QPushButton *>(QStringLiteral("BtnEnregistrer")),
                          Qt::LeftButton);
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
    }
    EXPECT_EQ(loadQualityThresholds(db(), QStringLiteral("4")).thresholds.maxDaily, 82.5);
    EXPECT_EQ(loadQualityThresholds(db(), QStringLiteral("5")).thresholds.maxDaily, 300);

    QualityThresholdsDialog dialog(db(), QStringLiteral("4"), QStringLiteral("Essai"));
    dialog.setThresholds(loadQualityThresholds(db(), QStringLiteral("4")).thresholds);
    QTest::mouseClick(dialog.findChild<QPushButton *>(QStringLiteral("BtnDefauts")),
                      Qt::LeftButton);
    EXPECT_EQ(dialog.thresholds(), QualityThresholds());
    QTest::mouseClick(dialog.findChild<QPushButton *>(QStringLiteral("BtnAnnuler")),
                      Qt::LeftButton);
    EXPECT_EQ(loadQualityThresholds(db(), QStringLiteral("4")).thresholds.maxDaily, 82.5);
}

INSTANTIATE_TEST_SUITE_P(Engines, ThresholdsDialog, PLX_ENGINES, PLX_ENGINE_NAME);
