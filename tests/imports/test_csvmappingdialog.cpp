#include "base/messages.h"
#include "imports/csvmapping.h"
#include "imports/widgets/csvmappingdialog.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace plx;

namespace {

const QByteArray kFile = "\xEF\xBB\xBFRelevés du poste de Lagrasse\r\n"
                         "Poste;Date;Heure;Pluie (mm);Code\r\n"
                         "P12;13/01/2024;06:00;1,5;V\r\n"
                         "P12;14/01/2024;06:00;0;V\r\n"
                         "P12;15/01/2024;06:00;12,4;D\r\n"
                         "P12;16/01/2024;06:00;;\r\n"
                         "P12;17/01/2024;06:00;3,2;\r\n";

QString cell(QTableWidget *table, int row, int column)
{
    QTableWidgetItem *item = table->item(row, column);
    return item ? item->text() : QString();
}

int columnNamed(QTableWidget *table, const QString &heading)
{
    for (int c = 0; c < table->columnCount(); ++c)
        if (table->horizontalHeaderItem(c) && table->horizontalHeaderItem(c)->text() == heading)
            return c;
    return -1;
}

} // namespace

// The dialog as a user meets it: the guessed reading shown, a role moved with the mouse,
// the decimal mark changed with the keyboard, the preview following each change, and the
// mapping saved under its name on OK.
TEST(CsvMappingDialog, GuessPreviewRolesAndSave)
{
    QTemporaryDir dir;
    const QByteArray savedFile = qgetenv("PLX_SETTINGS_FILE");
    qputenv("PLX_SETTINGS_FILE", dir.filePath(QStringLiteral("machine.ini")).toUtf8());
    QStringList messages;
    const MessageHandler previous = setMessageHandler([&](MessageKind, const QString &text) {
        messages << text;
        return false;
    });

    CsvMappingDialog dialog(kFile.split('\n'), CsvMapping{});
    dialog.resize(1366, 768);
    dialog.show();
    auto *separator = dialog.findChild<QComboBox *>(QStringLiteral("CboSeparateur"));
    auto *decimal = dialog.findChild<QComboBox *>(QStringLiteral("CboDecimal"));
    auto *header = dialog.findChild<QSpinBox *>(QStringLiteral("SpinEntete"));
    auto *preview = dialog.findChild<QTableWidget *>(QStringLiteral("TblApercu"));
    auto *lines = dialog.findChild<QTableWidget *>(QStringLiteral("TblLignes"));
    auto *status = dialog.findChild<QLabel *>(QStringLiteral("LblApercu"));
    ASSERT_TRUE(separator && decimal && header && preview && lines && status);

    EXPECT_EQ(separator->currentData().toString(), QStringLiteral(";"));
    EXPECT_EQ(decimal->currentData().toString(), QStringLiteral(","));
    EXPECT_EQ(header->value(), 2);
    EXPECT_EQ(lines->columnCount(), 5);
    EXPECT_EQ(cell(lines, 1, 0), QStringLiteral("Relevés du poste de Lagrasse"));
    ASSERT_EQ(preview->rowCount(), 5);
    const int pluie = columnNamed(preview, QStringLiteral("Pluie"));
    const int refus = columnNamed(preview, QStringLiteral("Refus"));
    ASSERT_GE(pluie, 0);
    EXPECT_EQ(cell(preview, 0, 1), QStringLiteral("P12"));
    EXPECT_EQ(cell(preview, 0, 2), QStringLiteral("13/01/2024"));
    EXPECT_EQ(cell(preview, 0, 3), QStringLiteral("06:00"));
    EXPECT_EQ(cell(preview, 0, pluie), QStringLiteral("1,5"));
    EXPECT_EQ(cell(preview, 3, 0), QStringLiteral("6"));
    EXPECT_EQ(cell(preview, 3, refus),
              QStringLiteral("aucune valeur (cellules vides ou manquantes)."));

    // The code column becomes the validity column, with its codes typed in.
    auto *role4 = dialog.findChild<QComboBox *>(QStringLiteral("CboRole4"));
    ASSERT_TRUE(role4);
    role4->setCurrentText(QStringLiteral("Validité"));
    QTest::keyClicks(dialog.findChild<QLineEdit *>(QStringLiteral("TxtCodesValides")),
                     QStringLiteral("V"));
    QTest::keyClicks(dialog.findChild<QLineEdit *>(QStringLiteral("TxtCodesDouteux")),
                     QStringLiteral("D"));
    const int validite = columnNamed(preview, QStringLiteral("Validité"));
    EXPECT_EQ(cell(preview, 0, validite), QStringLiteral("V"));
    EXPECT_EQ(cell(preview, 2, validite), QStringLiteral("douteuse"));

    if (const QString out = qEnvironmentVariable("PLX_SCREENSHOTS"); !out.isEmpty()) {
        QDir().mkpath(out);
        QCoreApplication::processEvents(); // the headers lay out their sections late
        EXPECT_TRUE(
            dialog.grab().save(QDir(out).filePath(QStringLiteral("correspondance_csv.png"))));
    }

    // Pluie moved to another column: the column that had it gives it up.
    auto *role3 = dialog.findChild<QComboBox *>(QStringLiteral("CboRole3"));
    auto *role0 = dialog.findChild<QComboBox *>(QStringLiteral("CboRole0"));
    role0->setCurrentText(QStringLiteral("Pluie"));
    EXPECT_EQ(role3->currentText(), QStringLiteral("(ignorée)"));
    EXPECT_EQ(dialog.mapping().valueColumns[0], 0);
    EXPECT_EQ(dialog.mapping().stationColumn, -1);
    EXPECT_EQ(cell(preview, 0, refus),
              QStringLiteral("valeur « P12 » illisible dans la colonne 1 (Pluie)."));
    role3->setCurrentText(QStringLiteral("Pluie"));
    EXPECT_EQ(role0->currentText(), QStringLiteral("(ignorée)"));

    // Decimal point chosen from the keyboard: "1,5" is no longer a number.
    decimal->setFocus();
    QTest::keyClick(decimal, Qt::Key_Down);
    EXPECT_EQ(decimal->currentData().toString(), QStringLiteral("."));
    EXPECT_EQ(cell(preview, 0, refus),
              QStringLiteral("valeur « 1,5 » illisible dans la colonne 4 (Pluie)."));
    EXPECT_TRUE(status->text().contains(QStringLiteral("refusée")));
    QTest::keyClick(decimal, Qt::Key_Up);

    // Without a date column, OK says why and stays open.
    auto *role1 = dialog.findChild<QComboBox *>(QStringLiteral("CboRole1"));
    role1->setCurrentText(QStringLiteral("(ignorée)"));
    dialog.accept();
    EXPECT_EQ(messages.value(0), QStringLiteral("Choisissez la colonne de la date."));
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    role1->setCurrentText(QStringLiteral("Date ou date-heure"));

    QTest::keyClicks(dialog.findChild<QLineEdit *>(QStringLiteral("TxtNom")),
                     QStringLiteral("Lagrasse"));
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    CsvMapping saved;
    ASSERT_TRUE(loadCsvMapping(QStringLiteral("Lagrasse"), saved));
    EXPECT_EQ(saved.validityColumn, 4);
    EXPECT_EQ(saved.doubtfulCodes, QStringLiteral("D"));
    EXPECT_EQ(saved.timeColumn, 2);
    EXPECT_EQ(saved.headerLines, 2);

    // Next time the saved mapping is offered and read back whole.
    CsvMappingDialog again(kFile.split('\n'), CsvMapping{});
    auto *savedCombo = again.findChild<QComboBox *>(QStringLiteral("CboCorrespondance"));
    ASSERT_EQ(savedCombo->count(), 2);
    savedCombo->setCurrentIndex(1);
    EXPECT_EQ(again.mapping().name, QStringLiteral("Lagrasse"));
    EXPECT_EQ(again.mapping().validityColumn, 4);

    setMessageHandler(previous);
    if (savedFile.isNull())
        qunsetenv("PLX_SETTINGS_FILE");
    else
        qputenv("PLX_SETTINGS_FILE", savedFile);
}
