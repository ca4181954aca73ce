#include "base/messages.h"
#include "config/connectionprofile.h"
#include "db/accesbase.h"
#include "db/dialect.h"
#include "db/sqltext.h"
#include "run/widgets/referencetable.h"
#include "support/messagerecorder.h"
#include "support/testdatabases.h"

#include <QAbstractItemDelegate>
#include <QDateTime>
#include <QLineEdit>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QTest>

#include <gtest/gtest.h>

#include <deque>
#include <memory>

namespace {

using plx::AccesBase;
using plx::ReferenceTable;
using plx::ReferenceTableModel;

// A reference table on each engine, with two identical rows, a real holding 0.1 (which a
// PostgreSQL real does not compare equal to as a double) and dates.
class ReferenceTableTest : public ::testing::TestWithParam<QString>, protected plxtest::MessageRecorder
{
protected:
    void SetUp() override
    {
        if (GetParam() == QLatin1String("odbc"))
            GTEST_SKIP() << "the grid writes through the engine literals; SQLite and PostgreSQL cover it";
        m_savedProfile = plx::runProfile();
        m_db = std::make_unique<plxtest::ScratchDatabase>(GetParam());
        ASSERT_TRUE(m_db->connectAsRunProfile());
        const plx::ColumnTypes types = plx::columnTypes();
        ASSERT_TRUE(db().Execute(QStringLiteral("CREATE TABLE REFTEST (code %1(10), nom %1(50), "
                                                "valeur %2, jour %3)")
                                     .arg(types.text, types.number, types.dateTime)));
        insert(QStringLiteral("A"), QStringLiteral("Alpha"), 0.1, at(2024, 3, 5));
        insert(QStringLiteral("B"), QStringLiteral("Beta"), QVariant(), QVariant());
        insert(QStringLiteral("B"), QStringLiteral("Beta"), QVariant(), QVariant());
        insert(QStringLiteral("C"), QStringLiteral("O'Brien"), 12.5, at(1899, 12, 30, 7, 30));
    }
    void TearDown() override
    {
        db().Deconnecter();
        m_db.reset();
        plx::runProfile() = m_savedProfile;
    }

    static AccesBase &db() { return AccesBase::instance(); }
    static QDateTime at(int y, int m, int d, int h = 0, int mi = 0)
    {
        return QDateTime(QDate(y, m, d), QTime(h, mi), Qt::UTC);
    }
    static void insert(const QString &code, const QString &nom, const QVariant &valeur,
                       const QVariant &jour)
    {
        ASSERT_TRUE(db().Execute(QStringLiteral("INSERT INTO REFTEST (code, nom, valeur, jour) "
                                                "VALUES (%1, %2, %3, %4)")
                                     .arg(plx::sqlQuote(code), plx::sqlQuote(nom),
                                          db().engineLiteral(valeur), db().engineLiteral(jour))));
    }
    // "code|nom|valeur|jour" per row, sorted.
    static QStringList stored()
    {
        const plx::RecordTable t = db().ExtraireRecords(
            QStringLiteral("SELECT code, nom, valeur, jour FROM REFTEST"));
        EXPECT_TRUE(t.ok()) << t.error().toStdString();
        QStringList rows;
        for (int r = 0; r < t.rowCount(); ++r) {
            const QVariant jour = t.at(r, 3);
            rows << QStringList{t.text(r, 0), t.text(r, 1),
                                t.at(r, 2).isNull() ? QString() : QString::number(t.at(r, 2).toDouble()),
                                jour.isNull() ? QString()
                                              : jour.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm"))}
                        .join(QLatin1Char('|'));
        }
        rows.sort();
        return rows;
    }
    // The grid row (view order) whose columns hold code and nom.
    static int rowOf(const ReferenceTable &screen, const QString &code, const QString &nom, int skip = 0)
    {
        const QAbstractItemModel *model = screen.view()->model();
        for (int r = 0; r < model->rowCount(); ++r) {
            if (model->index(r, 0).data().toString() == code && model->index(r, 1).data().toString() == nom
                && skip-- == 0)
                return r;
        }
        ADD_FAILURE() << "no row " << code.toStdString() << " " << nom.toStdString();
        return -1;
    }
    // Types text into a cell through the grid's own editor, as a user does.
    static void type(ReferenceTable &screen, int row, int column, const QString &text)
    {
        QTableView *view = screen.view();
        const QModelIndex index = view->model()->index(row, column);
        view->setCurrentIndex(index);
        view->edit(index);
        auto *editor = qobject_cast<QLineEdit *>(view->indexWidget(index));
        ASSERT_NE(editor, nullptr);
        // setText: QTest cannot type letters outside ASCII ("Bêta").
        editor->setText(text);
        QTest::keyClick(editor, Qt::Key_Return);
        QCoreApplication::processEvents(); // the delegate commits on the next turn
    }


private:
    std::unique_ptr<plxtest::ScratchDatabase> m_db;
    plx::ConnectionProfile m_savedProfile;
};

} // namespace

// Edits, a deletion and an insertion are written in one save; of two identical rows only
// the edited one changes; refused input never reaches the table.
TEST_P(ReferenceTableTest, EditsAreSavedWithoutLosingIdenticalRows)
{
    ReferenceTable screen(QStringLiteral("REFTEST"), QStringLiteral("Test"), true);
    screen.resize(900, 500);
    screen.show();
    ASSERT_EQ(screen.model()->rowCount(), 4);
    EXPECT_EQ(screen.model()->columnKind(2), ReferenceTableModel::ColumnKind::Number);
    EXPECT_EQ(screen.model()->columnKind(3), ReferenceTableModel::ColumnKind::DateTime);
    EXPECT_EQ(screen.view()->model()->index(rowOf(screen, "A", "Alpha"), 3).data().toString(),
              QStringLiteral("05/03/2024"));

    type(screen, rowOf(screen, "A", "Alpha"), 2, QStringLiteral("0,25"));
    type(screen, rowOf(screen, "B", "Beta", 1), 1, QStringLiteral("Bêta"));
    type(screen, rowOf(screen, "A", "Alpha"), 2, QStringLiteral("douze"));
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages.takeFirst().startsWith(QStringLiteral("ERREUR: La colonne « ")));
    type(screen, rowOf(screen, "A", "Alpha"), 3, QStringLiteral("31/02/2024"));
    ASSERT_EQ(messages.size(), 1);
    messages.clear();

    screen.view()->selectRow(rowOf(screen, "C", "O'Brien"));
    answers = {true};
    screen.DeclencheSupprimer();
    EXPECT_EQ(screen.model()->rowCount(), 3);
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages.takeFirst().startsWith(QStringLiteral("QUESTION: ")));

    screen.declencheInserer();
    const int added = screen.view()->model()->rowCount() - 1;
    // The editor of the new row's first cell is open: type the code, then the rest.
    if (auto *editor = qobject_cast<QLineEdit *>(screen.view()->indexWidget(screen.view()->model()->index(added, 0))))
        QTest::keyClicks(editor, QStringLiteral("D"));
    type(screen, added, 1, QStringLiteral("L'Aa"));
    type(screen, added, 3, QStringLiteral("05/03/2024 07:30"));
    EXPECT_TRUE(screen.hasUnsavedChanges());
    EXPECT_EQ(stored().size(), 4) << "nothing is written before the save";

    QTest::mouseClick(screen.findChild<QPushButton *>(QStringLiteral("CmdEnregistrer")), Qt::LeftButton);
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    EXPECT_FALSE(screen.hasUnsavedChanges());
    EXPECT_EQ(stored(), (QStringList{"A|Alpha|0.25|2024-03-05 00:00", "B|Beta||", "B|Bêta||",
                                     "D|L'Aa||2024-03-05 07:30"}));
    EXPECT_EQ(screen.model()->rowCount(), 4);
}

// Rows changed by someone else since the load: nothing is written, the edits stay on screen.
TEST_P(ReferenceTableTest, ConcurrentChangeStopsTheSave)
{
    ReferenceTable screen(QStringLiteral("REFTEST"), QStringLiteral("Test"), true);
    screen.show();
    const QStringList before = stored();
    ASSERT_TRUE(db().Execute(QStringLiteral("UPDATE REFTEST SET nom='Alpha bis' WHERE code='A'")));
    type(screen, rowOf(screen, "A", "Alpha"), 2, QStringLiteral("3"));
    type(screen, rowOf(screen, "B", "Beta"), 1, QStringLiteral("Gamma"));
    screen.declencheEnregistrer();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages.first().startsWith(QStringLiteral("ERREUR: L'enregistrement a échoué")));
    EXPECT_TRUE(screen.hasUnsavedChanges());
    QStringList expected = before;
    expected.replaceInStrings(QStringLiteral("A|Alpha|"), QStringLiteral("A|Alpha bis|"));
    EXPECT_EQ(stored(), expected);

    // Closing with the changes unsaved asks first; "no" keeps the screen.
    answers = {false};
    EXPECT_FALSE(screen.close());
    answers = {true};
    EXPECT_TRUE(screen.close());
}

// Without the reference-data right the grid cannot be edited.
TEST_P(ReferenceTableTest, ReadOnlyWithoutTheRight)
{
    ReferenceTable screen(QStringLiteral("REFTEST"), QStringLiteral("Test"), false);
    screen.show();
    const QModelIndex cell = screen.view()->model()->index(0, 1);
    EXPECT_FALSE(cell.flags() & Qt::ItemIsEditable);
    screen.declencheInserer();
    EXPECT_EQ(screen.model()->rowCount(), 4);
    EXPECT_EQ(messages.size(), 1);
    EXPECT_FALSE(screen.findChild<QPushButton *>(QStringLiteral("CmdEnregistrer"))->isVisible());
}

INSTANTIATE_TEST_SUITE_P(Engines, ReferenceTableTest, PLX_ENGINES, PLX_ENGINE_NAME);
