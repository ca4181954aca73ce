#include "base/messages.h"
#include "config/connectionprofile.h"
#include "db/accesbase.h"
#include "run/loginsequence.h"
#include "run/widgets/mainwindow.h"
#include "schema/schemaupgrade.h"
#include "session/session.h"
#include "stations/widgets/bassinsversants.h"
#include "support/findchild.h"
#include "support/messagerecorder.h"
#include "support/schemadatabasetest.h"
#include "support/testdatabases.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>

#include <gtest/gtest.h>

#include <deque>
#include <memory>

using plxtest::child;

namespace {

using plx::AccesBase;
using plx::BassinsVersants;

class BassinsTest : public plxtest::SchemaDatabaseTest
{
protected:
    void SetUp() override
    {
        SchemaDatabaseTest::SetUp();
        if (!ready())
            return;
        plx::session().login = QStringLiteral("REF");
        plx::session().metaData = true;
    }

    // "Code|Nom|Superficie|Parent" per watershed, by codeBV.
    static QStringList stored()
    {
        const plx::RecordTable t = AccesBase::instance().ExtraireRecords(QStringLiteral(
            "SELECT codeBV, Code, Nom, Superficie, Parent FROM BASSINS_VERSANTS ORDER BY codeBV"));
        EXPECT_TRUE(t.ok()) << t.error().toStdString();
        QStringList rows;
        for (int r = 0; r < t.rowCount(); ++r) {
            rows << QStringList{QString::number(t.at(r, 0).toDouble()), t.text(r, 1), t.text(r, 2),
                                t.at(r, 3).isNull() ? QString() : QString::number(t.at(r, 3).toDouble()),
                                t.text(r, 4)}
                        .join(QLatin1Char('|'));
        }
        return rows;
    }
    static void retype(QWidget *screen, const char *field, const QString &text)
    {
        auto *edit = child<QLineEdit>(screen, field);
        edit->setFocus();
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClicks(edit, text);
    }
    static void chooseParent(QWidget *screen, const QString &code)
    {
        auto *combo = child<QComboBox>(screen, "CboParent");
        const int index = combo->findData(code);
        ASSERT_GE(index, 0) << code.toStdString();
        combo->setCurrentIndex(index);
        emit combo->activated(index);
    }
};

} // namespace

// The list inside the main window, driven through the shared toolbar (1 new, 4 save,
// 2 delete) and its own buttons.
TEST_P(BassinsTest, InsertUpdateDelete)
{
    plx::MainWindow window;
    window.setVersionCheckAtStart(false);
    window.show();
    window.openWatersheds();
    auto *screen = qobject_cast<BassinsVersants *>(window.activeScreen());
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(screen->objectName(), QStringLiteral("BassinsVersants"));

    window.dispatchToolbar(1);
    retype(screen, "TxtCode", QStringLiteral("A1"));
    retype(screen, "TxtNom", QStringLiteral("L'Aa amont"));
    retype(screen, "TxtSuperficie", QStringLiteral("12,5"));
    window.dispatchToolbar(4);
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    EXPECT_EQ(stored(), QStringList{"1|A1|L'Aa amont|12.5|"});
    EXPECT_EQ(screen->currentCode(), 1);

    QTest::mouseClick(child<QPushButton>(screen, "CmdNouveau"), Qt::LeftButton);
    retype(screen, "TxtCode", QStringLiteral("B2"));
    retype(screen, "TxtNom", QStringLiteral("Aval"));
    chooseParent(screen, QStringLiteral("A1"));
    QTest::mouseClick(child<QPushButton>(screen, "CmdEnregistrer"), Qt::LeftButton);
    EXPECT_EQ(stored(), (QStringList{"1|A1|L'Aa amont|12.5|", "2|B2|Aval||A1"}));

    // Refused: a code already used (whatever its case), a surface that is not a number.
    window.dispatchToolbar(1);
    retype(screen, "TxtCode", QStringLiteral("a1"));
    EXPECT_FALSE(screen->declencheEnregistrer());
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages.takeFirst(),
              QStringLiteral("ERREUR: Le code saisi existe déjà (bassin versant « L'Aa amont »)."));
    retype(screen, "TxtCode", QStringLiteral("C3"));
    retype(screen, "TxtSuperficie", QStringLiteral("douze"));
    EXPECT_FALSE(screen->declencheEnregistrer());
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages.takeFirst().startsWith(QStringLiteral("ERREUR: La superficie")));
    EXPECT_EQ(stored().size(), 2);

    // Leaving the unsaved new watershed for another row asks first. Renaming a code carries
    // its sub-watersheds along; a parent loop is refused.
    answers = {true};
    auto *list = child<QTableView>(screen, "SprBassins");
    list->setCurrentIndex(list->model()->index(0, 0));
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages.takeFirst().startsWith(QStringLiteral("QUESTION: ")));
    ASSERT_EQ(screen->currentCode(), 1);
    retype(screen, "TxtCode", QStringLiteral("A9"));
    EXPECT_TRUE(screen->declencheEnregistrer());
    EXPECT_EQ(stored(), (QStringList{"1|A9|L'Aa amont|12.5|", "2|B2|Aval||A9"}));
    chooseParent(screen, QStringLiteral("B2"));
    EXPECT_FALSE(screen->declencheEnregistrer());
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages.takeFirst().startsWith(QStringLiteral("ERREUR: Le bassin parent")));
    answers = {true};
    window.dispatchToolbar(3); // discard: asks, then shows the stored values again
    ASSERT_EQ(messages.size(), 1);
    messages.clear();
    EXPECT_FALSE(screen->hasUnsavedChanges());
    EXPECT_EQ(child<QComboBox>(screen, "CboParent")->currentData().toString(), QString());

    // Delete: "no" keeps it; "yes" removes it and frees its sub-watershed.
    answers = {false};
    window.dispatchToolbar(2);
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages.last().contains(QStringLiteral("A9 - L'Aa amont")));
    EXPECT_TRUE(messages.last().contains(QStringLiteral("sous-bassin")));
    EXPECT_EQ(stored().size(), 2);
    answers = {true};
    window.dispatchToolbar(2);
    EXPECT_EQ(stored(), QStringList{"2|B2|Aval||"});
    EXPECT_EQ(child<QTableView>(screen, "SprBassins")->model()->rowCount(), 1);
    EXPECT_FALSE(screen->currentCode().has_value());
}

// Without the right to change reference data, the list only shows.
TEST_P(BassinsTest, ReadOnlyWithoutTheRight)
{
    ASSERT_TRUE(AccesBase::instance().Execute(QStringLiteral(
        "INSERT INTO BASSINS_VERSANTS (codeBV, Code, Nom) VALUES (7, 'X', 'Existant')")));
    plx::session().metaData = false;
    BassinsVersants screen;
    screen.show();
    EXPECT_EQ(screen.watersheds().size(), 1u);
    EXPECT_FALSE(child<QPushButton>(&screen, "CmdNouveau")->isEnabled());
    ASSERT_TRUE(screen.selectWatershed(7));
    EXPECT_TRUE(child<QLineEdit>(&screen, "TxtCode")->isReadOnly());
    EXPECT_FALSE(screen.declencheEnregistrer());
    answers = {true};
    screen.DeclencheSupprimer();
    EXPECT_EQ(stored().size(), 1);
}

INSTANTIATE_TEST_SUITE_P(Engines, BassinsTest, PLX_ENGINES, PLX_ENGINE_NAME);
