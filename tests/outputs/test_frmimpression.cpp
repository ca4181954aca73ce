#include "config/settings.h"
#include "db/accesbase.h"
#include "outputs/reportsource.h"
#include "outputs/widgets/frmimpression.h"
#include "outputs/widgets/reportrunner.h"
#include "reporttestfiles.h"
#include "session/session.h"
#include "support/findchild.h"
#include "support/messagerecorder.h"
#include "support/schemadatabasetest.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace fakescreens {

// Stand-ins for the screens, named as they are: the dialog knows screens by class name.
class FichePluviometre : public QWidget, public plx::ReportSource
{
    Q_OBJECT
public:
    QString code;
    QString reportStationCode() const override { return code; }
};

class BassinsVersants : public QWidget
{
    Q_OBJECT
};

} // namespace fakescreens

using namespace plx;
using plxtest::child;

namespace {

// A private machine store (no user logged in, so the options live there), a template
// folder, and a launcher that records instead of opening.
class PrintDialogSettings
{
public:
    PrintDialogSettings()
    {
        m_savedFile = qgetenv("PLX_SETTINGS_FILE");
        qputenv("PLX_SETTINGS_FILE", m_dir.filePath(QStringLiteral("machine.ini")).toUtf8());
        setCurrentLogin(QString());
        clearUserSettingsCache();
        folder = m_dir.filePath(QStringLiteral("modeles"));
        QDir().mkpath(folder);
        DesktopLauncher recording;
        recording.open = [this](const QString &path) {
            opened << path;
            if (onOpen)
                onOpen();
            return true;
        };
        recording.mail = [this](const QStringList &files) {
            if (!mailClient)
                return false;
            mailed << files;
            return true;
        };
        recording.openFolder = [this](const QString &folder) {
            openedFolders << folder;
            return true;
        };
        m_previousLauncher = setDesktopLauncher(recording);
    }
    ~PrintDialogSettings()
    {
        setDesktopLauncher(m_previousLauncher);
        if (m_savedFile.isNull())
            qunsetenv("PLX_SETTINGS_FILE");
        else
            qputenv("PLX_SETTINGS_FILE", m_savedFile);
    }
    PrintDialogSettings(const PrintDialogSettings &) = delete;
    PrintDialogSettings &operator=(const PrintDialogSettings &) = delete;

    void touch(const QString &name) const
    {
        QFile file(QDir(folder).filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    QString path(const QString &name) const { return m_dir.filePath(name); }

    QString folder;
    QStringList opened;
    QStringList mailed;
    QStringList openedFolders;
    bool mailClient = true;
    std::function<void()> onOpen;

private:
    QTemporaryDir m_dir;
    QByteArray m_savedFile;
    DesktopLauncher m_previousLauncher;
};

QStringList items(QComboBox *list)
{
    QStringList names;
    for (int i = 0; i < list->count(); ++i)
        names << list->itemText(i);
    return names;
}

PrintDialogContext contextFor(QWidget *screen, const QString &folder)
{
    PrintDialogContext context;
    context.screen = screen;
    context.templateFolder = folder;
    context.db = &AccesBase::instance();
    return context;
}

// Which of the dialog's controls a choice shows.
QStringList shownControls(FrmImpression &dialog)
{
    QStringList shown;
    for (const char *name : {"ChkCreationFichier", "ChkCreationPDF", "CmdImprimer", "CmdEditer",
                             "CmdHtml", "CmdMail", "CmdConfig", "CmdAnnuler", "BtAide"}) {
        if (auto *w = child<QWidget>(&dialog, name); w && !w->isHidden())
            shown << QLatin1String(name);
    }
    return shown;
}

} // namespace

// An empty template folder says so, with the folder, and leaves only the screen's print:
// the template choices are greyed and the stored choice shows as screen printing, without
// being forgotten. No folder at all gives the administration message.
TEST(FrmImpression, EmptyTemplateFolderLeavesOnlyScreenPrinting)
{
    PrintDialogSettings settings;
    plxtest::MessageRecorder recorder;
    EcrireParametre(QStringLiteral("OPTImpression"), QStringLiteral("1"));
    fakescreens::FichePluviometre screen;
    {
        FrmImpression dialog(contextFor(&screen, settings.folder));
        EXPECT_EQ(recorder.messages,
                  QStringList{QStringLiteral("ERREUR: Attention, aucun modèle n'a été trouvé dans "
                                             "le répertoire:\n") +
                              QDir::toNativeSeparators(settings.folder) +
                              QStringLiteral("\nMerci de vérifier dans les options de "
                                             "l'application.")});
        EXPECT_FALSE(child<QRadioButton>(&dialog, "OptImpression1")->isEnabled());
        EXPECT_FALSE(child<QRadioButton>(&dialog, "OptImpression2")->isEnabled());
        EXPECT_EQ(dialog.choice(), FrmImpression::PrintScreen);
        EXPECT_EQ(shownControls(dialog),
                  (QStringList{QStringLiteral("CmdImprimer"), QStringLiteral("CmdConfig"),
                               QStringLiteral("CmdAnnuler"), QStringLiteral("BtAide")}));
        // Clicking a greyed choice changes nothing.
        dialog.setChoice(FrmImpression::DocumentTemplate);
        EXPECT_EQ(dialog.choice(), FrmImpression::PrintScreen);
    }
    EXPECT_EQ(LireParametre(QStringLiteral("OPTImpression")), QStringLiteral("1"));

    recorder.messages.clear();
    FrmImpression undefined(contextFor(&screen, QString()));
    EXPECT_EQ(recorder.messages,
              QStringList{QStringLiteral("ERREUR: Le chemin des modèles n'est pas défini. Vérifier "
                                         "le paramètre chemin_modeles dans l'administration du "
                                         "logiciel.")});
}

// The lists hold the formats of the routes the user's options choose: an empty
// "exportExcel" is the word processor and spreadsheet; "exportCalc" adds the office
// suite's. Office lock files are not templates.
TEST(FrmImpression, TemplateListsFollowTheChosenRoutes)
{
    PrintDialogSettings settings;
    plxtest::MessageRecorder recorder;
    for (const char *name : {"Fiche.docx", "Modele.dotx", "Ancien.dot", "Suite.odt", "Bilan.xlsx",
                             "Annuel.ods", "Vieux.xls", "~$Fiche2.docx", "notes.txt"})
        settings.touch(QLatin1String(name));
    fakescreens::FichePluviometre screen;
    const auto lists = [&] {
        FrmImpression dialog(contextFor(&screen, settings.folder));
        return std::pair{items(child<QComboBox>(&dialog, "CboListeModeleWord")),
                         items(child<QComboBox>(&dialog, "cboListeModeleExcel"))};
    };
    auto [word, sheets] = lists();
    EXPECT_EQ(word, (QStringList{QStringLiteral("Ancien"), QStringLiteral("Fiche"),
                                 QStringLiteral("Modele")}));
    EXPECT_EQ(sheets, (QStringList{QStringLiteral("Bilan"), QStringLiteral("Vieux")}));

    EcrireParametre(QStringLiteral("exportExcel"), QStringLiteral("0"));
    EcrireParametre(QStringLiteral("exportCalc"), QStringLiteral("1"));
    std::tie(word, sheets) = lists();
    EXPECT_EQ(word, QStringList{QStringLiteral("Suite")});
    EXPECT_EQ(sheets, QStringList{QStringLiteral("Annuel")});

    EcrireParametre(QStringLiteral("exportExcel"), QStringLiteral("1"));
    std::tie(word, sheets) = lists();
    EXPECT_EQ(word.size(), 4);
    EXPECT_EQ(sheets.size(), 3);
    EXPECT_TRUE(recorder.messages.isEmpty())
        << recorder.messages.join(QLatin1Char('\n')).toStdString();
}

// Each choice shows its controls (the document keeps "Imprimer": printing a filled
// document is its main use), enables its own list, and is stored at once; the template
// chosen is stored too, and both come back at the next opening.
TEST(FrmImpression, ChoicesShowTheirControlsAndAreRemembered)
{
    PrintDialogSettings settings;
    plxtest::MessageRecorder recorder;
    for (const char *name : {"Fiche.docx", "Synthese.docx", "Bilan.xlsx"})
        settings.touch(QLatin1String(name));
    fakescreens::FichePluviometre screen;
    {
        FrmImpression dialog(contextFor(&screen, settings.folder));
        auto *word = child<QComboBox>(&dialog, "CboListeModeleWord");
        auto *sheets = child<QComboBox>(&dialog, "cboListeModeleExcel");
        EXPECT_EQ(dialog.choice(), FrmImpression::PrintScreen) << "nothing stored yet";
        EXPECT_FALSE(word->isEnabled());
        EXPECT_FALSE(sheets->isEnabled());

        QTest::mouseClick(child<QRadioButton>(&dialog, "OptImpression2"), Qt::LeftButton);
        EXPECT_EQ(dialog.choice(), FrmImpression::SpreadsheetTemplate);
        EXPECT_EQ(LireParametre(QStringLiteral("OPTImpression")), QStringLiteral("2"));
        EXPECT_EQ(shownControls(dialog),
                  (QStringList{QStringLiteral("ChkCreationFichier"), QStringLiteral("CmdImprimer"),
                               QStringLiteral("CmdEditer"), QStringLiteral("CmdConfig"),
                               QStringLiteral("CmdAnnuler"), QStringLiteral("BtAide")}));
        EXPECT_TRUE(sheets->isEnabled());
        EXPECT_FALSE(word->isEnabled());

        QTest::mouseClick(child<QRadioButton>(&dialog, "OptImpression1"), Qt::LeftButton);
        EXPECT_EQ(LireParametre(QStringLiteral("OPTImpression")), QStringLiteral("1"));
        EXPECT_EQ(shownControls(dialog),
                  (QStringList{QStringLiteral("ChkCreationFichier"),
                               QStringLiteral("ChkCreationPDF"), QStringLiteral("CmdImprimer"),
                               QStringLiteral("CmdEditer"), QStringLiteral("CmdHtml"),
                               QStringLiteral("CmdMail"), QStringLiteral("CmdConfig"),
                               QStringLiteral("CmdAnnuler"), QStringLiteral("BtAide")}));
        EXPECT_TRUE(word->isEnabled());
        ASSERT_EQ(word->currentText(), QStringLiteral("Fiche"));
        word->setFocus();
        QTest::keyClick(word, Qt::Key_Down);
        EXPECT_EQ(word->currentText(), QStringLiteral("Synthese"));
        EXPECT_EQ(LireParametre(QStringLiteral("lastModele"), {}, true),
                  QStringLiteral("Synthese"));

        QTest::mouseClick(child<QRadioButton>(&dialog, "OptImpression0"), Qt::LeftButton);
        EXPECT_EQ(shownControls(dialog),
                  (QStringList{QStringLiteral("CmdImprimer"), QStringLiteral("CmdConfig"),
                               QStringLiteral("CmdAnnuler"), QStringLiteral("BtAide")}));
        QTest::mouseClick(child<QRadioButton>(&dialog, "OptImpression1"), Qt::LeftButton);
    }
    FrmImpression reopened(contextFor(&screen, settings.folder));
    EXPECT_EQ(reopened.choice(), FrmImpression::DocumentTemplate);
    EXPECT_TRUE(child<QRadioButton>(&reopened, "OptImpression1")->isChecked());
    EXPECT_EQ(child<QComboBox>(&reopened, "CboListeModeleWord")->currentText(),
              QStringLiteral("Synthese"));

    // A screen without station templates: screen printing only, the stored choice kept,
    // no word about the folder.
    recorder.messages.clear();
    fakescreens::BassinsVersants other;
    FrmImpression plain(contextFor(&other, settings.folder));
    EXPECT_EQ(plain.choice(), FrmImpression::PrintScreen);
    EXPECT_FALSE(child<QRadioButton>(&plain, "OptImpression1")->isEnabled());
    EXPECT_FALSE(child<QRadioButton>(&plain, "OptImpression2")->isEnabled());
    EXPECT_TRUE(recorder.messages.isEmpty());
    EXPECT_EQ(LireParametre(QStringLiteral("OPTImpression")), QStringLiteral("1"));
}

// Screen printing is the frame's; without a frame and without a printer, the message.
TEST(FrmImpression, ScreenPrintingGoesToTheFrameOrSaysThereIsNoPrinter)
{
    PrintDialogSettings settings;
    plxtest::MessageRecorder recorder;
    fakescreens::BassinsVersants screen;
    int printed = 0;
    PrintDialogContext context = contextFor(&screen, settings.folder);
    context.printScreen = [&printed] { ++printed; };
    FrmImpression framed(context);
    QTest::mouseClick(child<QPushButton>(&framed, "CmdImprimer"), Qt::LeftButton);
    EXPECT_EQ(printed, 1);
    EXPECT_EQ(framed.result(), QDialog::Accepted);

    if (!QPrinterInfo::availablePrinters().isEmpty())
        GTEST_SKIP() << "this machine has a printer: the no-printer message cannot show";
    FrmImpression alone(contextFor(&screen, settings.folder));
    EXPECT_EQ(child<QLabel>(&alone, "LblImprimante")->text(), QStringLiteral("Aucune imprimante"));
    QTest::mouseClick(child<QPushButton>(&alone, "CmdImprimer"), Qt::LeftButton);
    QTest::mouseClick(child<QPushButton>(&alone, "CmdConfig"), Qt::LeftButton);
    EXPECT_EQ(recorder.messages,
              (QStringList{QStringLiteral("ERREUR: Aucune imprimante n'est configurée."),
                           QStringLiteral("ERREUR: Aucune imprimante n'est configurée.")}));
}

namespace {

class FrmImpressionRun : public plxtest::SchemaDatabaseTest
{
protected:
    void SetUp() override
    {
        SchemaDatabaseTest::SetUp();
        if (!ready())
            return;
        settings = std::make_unique<PrintDialogSettings>();
        session().login = QStringLiteral("REF");
        session().isAdmin = true;
        QString error;
        ASSERT_TRUE(AccesBase::instance().Execute(
            QStringLiteral("INSERT INTO PLUVIOMETRES (CodePluviometre, Nom) VALUES (7, 'Istres')"),
            &error))
            << error.toStdString();
        ASSERT_TRUE(
            dispatchtest::writeDocx(QDir(settings->folder).filePath(QStringLiteral("Fiche.docx")),
                                    {QStringLiteral("NOM_PLUVIO")}));
        EcrireParametre(QStringLiteral("OPTImpression"), QStringLiteral("1"));
        messages.clear();
    }
    void TearDown() override
    {
        settings.reset();
        SchemaDatabaseTest::TearDown();
    }

    std::unique_ptr<PrintDialogSettings> settings;
};

} // namespace

// "Éditer" fills the template for the screen's station into the edition folder and opens
// it; while it runs the dialog says "Impression en cours" and a second click does nothing.
// With no station on the screen, the route's message and nothing written.
TEST_P(FrmImpressionRun, EditFillsTheTemplateOpensItAndGuardsAgainstASecondRun)
{
    if (!ready())
        return;
    fakescreens::FichePluviometre screen;
    PrintDialogContext context = contextFor(&screen, settings->folder);
    context.editionFolder = settings->path(QStringLiteral("editions"));

    FrmImpression empty(context);
    QTest::mouseClick(child<QPushButton>(&empty, "CmdEditer"), Qt::LeftButton);
    EXPECT_EQ(messages, QStringList{QStringLiteral("ERREUR: Aucun pluviometre n'est sélectionné "
                                                   "dans la liste. Vous ne pourrez pas utiliser "
                                                   "les modèles.")});
    EXPECT_NE(empty.result(), QDialog::Accepted);
    EXPECT_FALSE(QDir(context.editionFolder).exists() && !QDir(context.editionFolder).isEmpty());

    messages.clear();
    screen.code = QStringLiteral("7");
    FrmImpression dialog(context);
    QString statusDuringRun;
    bool editEnabledDuringRun = true;
    settings->onOpen = [&] {
        statusDuringRun = child<QLabel>(&dialog, "LblEtat")->text();
        editEnabledDuringRun = child<QPushButton>(&dialog, "CmdEditer")->isEnabled();
        dialog.CmdEditer_Click(); // ignored: a run is going
    };
    QTest::mouseClick(child<QPushButton>(&dialog, "CmdEditer"), Qt::LeftButton);
    EXPECT_TRUE(messages.isEmpty()) << messages.join(QLatin1Char('\n')).toStdString();
    ASSERT_EQ(settings->opened.size(), 1);
    EXPECT_TRUE(settings->opened.first().startsWith(
        QDir(context.editionFolder).filePath(QStringLiteral("Fiche_7_"))))
        << settings->opened.first().toStdString();
    EXPECT_EQ(statusDuringRun, QStringLiteral("Impression en cours"));
    EXPECT_FALSE(editEnabledDuringRun);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(dialog.isRunning());

    // Mail: the document to the mail client; without one, its folder opened and the file
    // named.
    FrmImpression mail(context);
    QTest::mouseClick(child<QPushButton>(&mail, "CmdMail"), Qt::LeftButton);
    ASSERT_EQ(settings->mailed.size(), 1);
    EXPECT_TRUE(settings->mailed.first().endsWith(QLatin1String(".docx")));
    settings->mailClient = false;
    FrmImpression noClient(context);
    QTest::mouseClick(child<QPushButton>(&noClient, "CmdMail"), Qt::LeftButton);
    EXPECT_EQ(settings->openedFolders, QStringList{context.editionFolder});
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages.first().startsWith(QStringLiteral("AIDE: Aucune messagerie n'a pu être "
                                                           "ouverte. Joignez à votre message le "
                                                           "fichier Fiche_7_")))
        << messages.first().toStdString();
}

INSTANTIATE_TEST_SUITE_P(Engines, FrmImpressionRun, PLX_ENGINES, PLX_ENGINE_NAME);

// With PLX_SCREENSHOTS=<folder>, draws the dialog in its three choices and the empty
// folder's message there.
TEST(FrmImpression, Screenshots)
{
    const QString out = qEnvironmentVariable("PLX_SCREENSHOTS");
    if (out.isEmpty())
        GTEST_SKIP() << "set PLX_SCREENSHOTS to a folder to draw the dialog";
    PrintDialogSettings settings;
    plxtest::MessageRecorder recorder;
    for (const char *name : {"Fiche station.docx", "Synthèse annuelle.docx", "Bilan annuel.xlsx"})
        settings.touch(QString::fromUtf8(name));
    fakescreens::FichePluviometre screen;
    FrmImpression dialog(contextFor(&screen, settings.folder));
    dialog.show();
    for (int choice = 0; choice < 3; ++choice) {
        dialog.setChoice(choice);
        dialog.adjustSize();
        QCoreApplication::processEvents();
        EXPECT_TRUE(dialog.grab().save(
            QDir(out).filePath(QStringLiteral("frmimpression_%1.png").arg(choice))));
    }
    QMessageBox box(QMessageBox::Critical, messageTitle(MessageKind::Erreur),
                    FrmImpression::noTemplateMessage(settings.folder));
    box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box.show();
    QCoreApplication::processEvents();
    EXPECT_TRUE(box.grab().save(QDir(out).filePath(QStringLiteral("frmimpression_vide.png"))));
}

#include "test_frmimpression.moc"
