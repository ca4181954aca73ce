#include "run/widgets/administration.h"

#include "base/messages.h"
#include "config/connectionswitch.h"
#include "config/databasesproperties.h"
#include "config/settings.h"
#include "db/accesbase.h"
#include "db/sqltext.h"
#include "run/runoptions.h"
#include "run/widgets/administrationbases.h"
#include "schema/periodes.h"
#include "schema/schemaupgrade.h"
#include "session/journal.h"
#include "support/findchild.h"
#include "support/testdatabases.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

using plxtest::child;

namespace {

using plx::Administration;

// A private machine store and recorded messages (questions answered with m_answer).
class AdministrationWorld : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_savedFile = qgetenv("PLX_SETTINGS_FILE");
        qputenv("PLX_SETTINGS_FILE", m_dir.filePath(QStringLiteral("machine.ini")).toUtf8());
        m_savedLevel = plx::journalLogLevel();
        plx::setCurrentLogin(QString());
        m_savedHandler = plx::setMessageHandler([this](plx::MessageKind kind, const QString &text) {
            messages << plx::messageTitle(kind) + QStringLiteral(": ") + text;
            return kind == plx::MessageKind::Question && m_answer;
        });
    }
    void TearDown() override
    {
        plx::setMessageHandler(m_savedHandler);
        plx::setCurrentLogin(QString());
        plx::setJournalLogLevel(m_savedLevel);
        plx::runOptions() = plx::RunOptions();
        if (m_savedFile.isNull())
            qunsetenv("PLX_SETTINGS_FILE");
        else
            qputenv("PLX_SETTINGS_FILE", m_savedFile);
    }

    // Brings the widget's tab to the front, as a user would, then types.
    static void showTabOf(QWidget *w)
    {
        // A tab's page sits in the tab widget's stack.
        for (QWidget *page = w; page && page->parentWidget(); page = page->parentWidget()) {
            if (auto *tabs = qobject_cast<QTabWidget *>(page->parentWidget()->parentWidget())) {
                tabs->setCurrentWidget(page);
                return;
            }
        }
    }
    // QTest::keyClicks only knows ASCII: accented letters go as key events with their text.
    static void typeText(QWidget *w, const QString &text)
    {
        for (const QChar c : text) {
            if (c.unicode() < 0x80)
                QTest::keyClick(w, char(c.unicode()));
            else
                QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(c), Qt::NoModifier);
        }
    }
    static void type(const QWidget &screen, const char *name, const QString &text)
    {
        QLineEdit *edit = child<QLineEdit>(screen, name);
        showTabOf(edit);
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        typeText(edit, text);
    }
    static void setChecked(const QWidget &screen, const char *name, bool checked)
    {
        QCheckBox *box = child<QCheckBox>(screen, name);
        showTabOf(box);
        if (box->isChecked() != checked)
            QTest::keyClick(box, Qt::Key_Space);
    }
    static bool save(const QWidget &screen)
    {
        auto *button = child<QPushButton>(screen, "CmdEnregistrer");
        if (!button->isEnabled())
            return false;
        QTest::mouseClick(button, Qt::LeftButton);
        return true;
    }
    static QString tabOf(const Administration &screen)
    {
        auto *tabs = child<QTabWidget>(screen, "TabAdministration");
        return tabs->currentWidget()->objectName();
    }

    QStringList messages;
    bool m_answer = false;
    QTemporaryDir m_dir;

private:
    QByteArray m_savedFile;
    int m_savedLevel = 2;
    plx::MessageHandler m_savedHandler;
};

class AdministrationTest : public AdministrationWorld, public ::testing::WithParamInterface<QString>
{
protected:
    void SetUp() override
    {
        AdministrationWorld::SetUp();
        if (GetParam() == QLatin1String("odbc"))
            GTEST_SKIP() << "ODBC is not a profile kind of the client";
        m_db = std::make_unique<plxtest::ScratchDatabase>(GetParam());
        ASSERT_TRUE(m_db->connect());
        plx::runProfile() = m_db->profile();
        const plx::SchemaUpgradeReport report = plx::upgradeSchema(QStringLiteral(PLX_VERSION));
        ASSERT_TRUE(report.ok) << report.error.toStdString();
        plx::setCurrentLogin(QStringLiteral("ADMIN")); // options now go to the user's table
    }
    void TearDown() override
    {
        plx::setCurrentLogin(QString());
        plx::AccesBase::instance().Deconnecter();
        m_db.reset();
        AdministrationWorld::TearDown();
    }

    static QString userRow(const QString &key)
    {
        const plx::RecordTable t = plx::AccesBase::instance().ExtraireRecords(
            QStringLiteral("SELECT valeur FROM UTILISATEURS_PARAMETRES WHERE login='ADMIN' AND "
                           "parametre=") +
            plx::sqlQuote(key));
        EXPECT_TRUE(t.ok()) << t.error().toStdString();
        return t.rowCount() == 1 ? t.text(0, 0) : QStringLiteral("<%1 rows>").arg(t.rowCount());
    }
    static QString hydroOf(const char *day)
    {
        const plx::RecordTable t = plx::AccesBase::instance().ExtraireRecords(
            QStringLiteral("SELECT Hydro FROM PERIODES WHERE Jour=") +
            plx::sqlQuote(QString::fromLatin1(day)));
        return t.rowCount() == 1 ? t.text(0, 0) : QString();
    }
    static QStringList labels()
    {
        const plx::RecordTable t = plx::AccesBase::instance().ExtraireRecords(QStringLiteral(
            "SELECT id, libelle FROM PARAMETRAGE_DATA WHERE projet='PLX' ORDER BY id"));
        EXPECT_TRUE(t.ok()) << t.error().toStdString();
        QStringList out;
        for (int r = 0; r < t.rowCount(); ++r)
            out << QString::number(t.at(r, 0).toInt()) + QLatin1Char('=') +
                       (t.at(r, 1).isNull() ? QStringLiteral("null") : t.text(r, 1));
        return out;
    }

private:
    std::unique_ptr<plxtest::ScratchDatabase> m_db;
};

TEST_P(AdministrationTest, EveryTabWritesAndReadsBack)
{
    const QString folder = QStringLiteral("/srv/Pluvio/Éditions");
    {
        Administration screen;
        screen.show();
        EXPECT_EQ(screen.objectName(), "Administration");
        EXPECT_FALSE(child<QPushButton>(screen, "CmdEnregistrer")->isEnabled());
        // The folder picker fills the field.
        screen.setFolderChooser([&](const QString &, const QString &) { return folder; });
        showTabOf(child<QLineEdit>(screen, "CheminEdition"));
        QTest::mouseClick(child<QWidget>(screen, "CmdCheminEdition"), Qt::LeftButton);
        EXPECT_EQ(child<QLineEdit>(screen, "CheminEdition")->text(), folder);

        // Unset report folders show where reports go meanwhile.
        EXPECT_EQ(child<QLineEdit>(screen, "CheminModeles")->placeholderText(),
                  QStringLiteral("Par défaut : ") + plx::defaultTemplateFolder());
        type(screen, "CheminModeles", QStringLiteral("/srv/Modèles"));
        type(screen, "CheminExport", QStringLiteral("C:\\Exports\\"));
        type(screen, "CheminPhotos", QStringLiteral("/photos"));
        type(screen, "CheminDocuments", QStringLiteral("/docs"));
        type(screen, "FichierAide", QStringLiteral("http://aide.example/plx"));
        EXPECT_TRUE(child<QCheckBox>(screen, "exportExcel")->isChecked()); // unset: ticked
        setChecked(screen, "exportExcel", false);
        setChecked(screen, "exportCalc", true);
        setChecked(screen, "exportCSV", true);
        type(screen, "LogLevel", QStringLiteral("3"));
        type(screen, "proxyURL", QStringLiteral("proxy.local"));
        type(screen, "proxyPort", QStringLiteral("3128"));
        type(screen, "UrlSupport", QStringLiteral("https://support.example"));
        type(screen, "FtpServer", QStringLiteral("ftp.example"));
        type(screen, "FtpServerPort", QStringLiteral("21"));
        type(screen, "FtpUsername", QStringLiteral("Hydro"));
        type(screen, "FtpPassword", QStringLiteral("Pa ss'é"));
        type(screen, "FtpRemoteFolder", QStringLiteral("/depot"));

        // The hydrological year from January; labels: shown, hidden, default.
        auto *month = child<QComboBox>(screen, "MoisDebutAnneeHydro");
        EXPECT_EQ(month->currentText(), "09 - septembre");
        showTabOf(month);
        QTest::keyClick(month, Qt::Key_Home);
        EXPECT_EQ(month->currentText(), "01 - janvier");
        type(screen, "LibelleParametre1", QStringLiteral("Température (°C)"));
        setChecked(screen, "ChkParametre2", false);
        EXPECT_FALSE(child<QLineEdit>(screen, "LibelleParametre2")->isEnabled());

        EXPECT_TRUE(screen.isModified());
        ASSERT_TRUE(save(screen));
        EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
        EXPECT_FALSE(screen.isModified());
    }

    // Per-user options in the user's table, as typed.
    EXPECT_EQ(userRow("CheminEdition"), folder);
    EXPECT_EQ(userRow("CheminExport"), "C:\\Exports\\");
    EXPECT_EQ(userRow("FichierAide"), "http://aide.example/plx");
    EXPECT_EQ(userRow("exportExcel"), "0");
    EXPECT_EQ(userRow("exportCalc"), "1");
    EXPECT_EQ(userRow("exportCSV"), "1");
    EXPECT_EQ(userRow("proxyPort"), "3128");
    EXPECT_EQ(userRow("UrlSupport"), "https://support.example");
    EXPECT_EQ(userRow("FtpPassword"), "Pa ss'é");
    EXPECT_EQ(userRow("FtpUsername"), "Hydro");
    // LogLevel is read before login: the machine store only.
    EXPECT_EQ(plx::readMachineValue(QStringLiteral("LogLevel")), "3");
    EXPECT_EQ(userRow("LogLevel"), "<0 rows>");
    EXPECT_EQ(plx::journalLogLevel(), 3);
    // The run uses the new folders at once.
    EXPECT_EQ(plx::runOptions().cheminEdition, folder + QLatin1Char('/'));
    EXPECT_EQ(plx::runOptions().cheminExport, "C:\\Exports\\");
    EXPECT_EQ(plx::runOptions().moisDebutAnneeHydro, "01");

    // The shared month, and PERIODES all in the second half.
    plx::AccesBase &db = plx::AccesBase::instance();
    EXPECT_EQ(plx::readHydroStartMonth(db), "01");
    EXPECT_EQ(hydroOf("01/01/"), "01/02/");
    EXPECT_EQ(hydroOf("31/08/"), "01/02/");
    EXPECT_EQ(labels(), (QStringList{"1=Température (°C)", "2=null"}));

    {
        Administration screen;
        screen.show();
        EXPECT_EQ(child<QLineEdit>(screen, "CheminModeles")->text(), "/srv/Modèles");
        EXPECT_FALSE(child<QCheckBox>(screen, "exportExcel")->isChecked());
        EXPECT_TRUE(child<QCheckBox>(screen, "exportCSV")->isChecked());
        EXPECT_EQ(child<QLineEdit>(screen, "LogLevel")->text(), "3");
        EXPECT_EQ(child<QLineEdit>(screen, "FtpPassword")->text(), "Pa ss'é");
        EXPECT_EQ(child<QComboBox>(screen, "MoisDebutAnneeHydro")->currentText(), "01 - janvier");
        EXPECT_EQ(child<QLineEdit>(screen, "LibelleParametre1")->text(), "Température (°C)");
        EXPECT_FALSE(child<QCheckBox>(screen, "ChkParametre2")->isChecked());
        EXPECT_TRUE(child<QCheckBox>(screen, "ChkParametre3")->isChecked());
        EXPECT_FALSE(screen.isModified());

        // October: September is in the first half again. Parameter 2 shown under its
        // default caption again (no row).
        auto *month = child<QComboBox>(screen, "MoisDebutAnneeHydro");
        showTabOf(month);
        month->setCurrentIndex(month->findData(QStringLiteral("10")));
        setChecked(screen, "ChkParametre2", true);
        ASSERT_TRUE(save(screen));
        EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    }
    EXPECT_EQ(hydroOf("30/09/"), "01/01/");
    EXPECT_EQ(hydroOf("01/10/"), "01/02/");
    EXPECT_EQ(plx::readHydroStartMonth(db), "10");
    EXPECT_EQ(labels(), QStringList{"1=Température (°C)"});
}

TEST_P(AdministrationTest, WrongNumbersStopTheWholeSave)
{
    Administration screen;
    screen.show();
    type(screen, "CheminPhotos", QStringLiteral("/new/photos"));
    const struct
    {
        const char *field;
        const char *typed;
        const char *message;
    } cases[] = {
        {"LogLevel", "4",
         "ERREUR: Le niveau de journalisation doit être un nombre entier compris entre 0 et 3."},
        {"LogLevel", "-1",
         "ERREUR: Le niveau de journalisation doit être un nombre entier compris entre 0 et 3."},
        {"proxyPort", "80a",
         "ERREUR: Le port du proxy doit être un nombre entier compris entre 1 et 65535."},
        {"FtpServerPort", "70000",
         "ERREUR: Le port du serveur FTP doit être un nombre entier compris entre 1 et 65535."},
    };
    for (const auto &c : cases) {
        messages.clear();
        type(screen, c.field, QString::fromUtf8(c.typed));
        ASSERT_TRUE(save(screen));
        EXPECT_EQ(messages, QStringList{QString::fromUtf8(c.message)}) << c.field;
        child<QLineEdit>(screen, c.field)->clear();
    }
    EXPECT_EQ(tabOf(screen), "PageFtp");
    EXPECT_EQ(userRow("CheminPhotos"), "<0 rows>"); // nothing written on any tab
    EXPECT_TRUE(screen.isModified());

    // Closing with changes asks; "Non" keeps the screen and its changes.
    messages.clear();
    m_answer = false;
    EXPECT_FALSE(screen.close());
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith("QUESTION: Les modifications de l'administration"));
    EXPECT_EQ(child<QLineEdit>(screen, "CheminPhotos")->text(), "/new/photos");
    m_answer = true;
    EXPECT_TRUE(screen.close());
}

INSTANTIATE_TEST_SUITE_P(Engines, AdministrationTest, PLX_ENGINES, PLX_ENGINE_NAME);

// The databases.properties grid: no database needed.
class AdministrationBasesTest : public AdministrationWorld
{
protected:
    template <typename T> static T *openEditor(QTableView *view)
    {
        for (T *editor : view->viewport()->findChildren<T *>()) {
            if (editor->isVisible())
                return editor;
        }
        return nullptr;
    }
    // Types into a cell as a user does: the editor opened, text typed, Enter.
    static void edit(QTableView *view, int row, int column, const QString &text)
    {
        const QModelIndex index = view->model()->index(row, column);
        // "Ajouter" already opened the name's editor.
        if (view->currentIndex() != index || !openEditor<QWidget>(view)) {
            view->setCurrentIndex(index);
            view->edit(index);
        }
        if (auto *combo = openEditor<QComboBox>(view)) {
            combo->setCurrentIndex(combo->findText(text));
            QTest::keyClick(combo, Qt::Key_Return);
        } else {
            auto *editor = openEditor<QLineEdit>(view);
            ASSERT_NE(editor, nullptr);
            editor->selectAll();
            typeText(editor, text);
            QTest::keyClick(editor, Qt::Key_Return);
        }
        QCoreApplication::processEvents(); // a combo's choice is committed on the next turn
    }
    static void addDefinition(const Administration &screen, const QStringList &cells)
    {
        auto *view = child<QTableView>(screen, "SprBases");
        showTabOf(view);
        QTest::mouseClick(child<QPushButton>(screen, "CmdAjouterBase"), Qt::LeftButton);
        const int row = view->model()->rowCount() - 1;
        QCoreApplication::processEvents();
        for (int c = 0; c < cells.size(); ++c) {
            if (!cells[c].isEmpty())
                edit(view, row, c, cells[c]);
        }
    }
};

TEST_F(AdministrationBasesTest, GridWritesWhatTheReaderReadsBack)
{
    // A definition another workstation wrote with a password we cannot decipher.
    const QString existing = m_dir.filePath(QStringLiteral("old.properties"));
    {
        QFile file(existing);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("ancienne=postgres@vieux:5433/"
                   "archives\r\nancienne.user=arch\r\nancienne.pwd=not-ours\r\n");
    }

    Administration screen;
    screen.show();
    screen.setFolderChooser([&](const QString &, const QString &) { return m_dir.path(); });
    addDefinition(screen, {"prod", "POSTGRESQL", "pgsrv", "5432", "pluvio", "hydro", "s3;c=r t"});
    addDefinition(screen, {"locale", "ACCESS", "", "", "/home/u/Mes bases/plx.sqlite", "", ""});
    addDefinition(screen, {"xe", "ORACLE_XE", "orasrv", "", "XE", "scott", "tiger"});
    auto *view = child<QTableView>(screen, "SprBases");
    const QModelIndex password = view->model()->index(0, plx::DatabaseDefinitionsModel::Password);
    EXPECT_EQ(password.data(Qt::DisplayRole).toString(), QString(8, QChar(0x2022)));

    // No file set yet: the folder is asked for and kept in the machine store.
    ASSERT_TRUE(save(screen));
    const QString path = m_dir.filePath(QStringLiteral("databases.properties"));
    EXPECT_EQ(messages,
              (QStringList{"AIDE: Aucun fichier de configuration databases.properties n'a pu être "
                           "trouvé. Merci de sélectionner un répertoire pour le stocker.",
                           "AIDE: Vos bases par défaut ont bien été enregistrées."}));
    EXPECT_EQ(plx::databasesPropertiesPath(), path);

    auto *model = qobject_cast<plx::DatabaseDefinitionsModel *>(view->model());
    const auto written = plx::LireDefinitionsBases(path);
    ASSERT_EQ(written.size(), 3u);
    for (size_t i = 0; i < written.size(); ++i) {
        const plx::DatabaseDefinition &a = written[i], &b = model->definitions()[i];
        EXPECT_EQ(QStringList({a.name, a.kind, a.server, a.database, a.account, a.password}),
                  QStringList({b.name, b.kind, b.server, b.database, b.account, b.password}));
    }
    EXPECT_EQ(written[0].server, "pgsrv:5432");
    EXPECT_EQ(written[0].password, "s3;c=r t");
    EXPECT_EQ(written[1].database, "/home/u/Mes bases/plx.sqlite");

    // The other file: the unreadable password survives a save; a row removed goes.
    ASSERT_TRUE(plx::setDatabasesPropertiesPath(existing));
    screen.reload();
    ASSERT_EQ(model->rowCount(), 1);
    EXPECT_EQ(model->index(0, plx::DatabaseDefinitionsModel::Password).data().toString(),
              QString(8, QChar(0x2022)));
    addDefinition(screen, {"nouvelle", "POSTGRESQL", "h", "", "d", "u", "p"});
    addDefinition(screen, {"jetable", "ACCESS", "", "", "/tmp/x.db", "", ""});
    view->selectRow(2);
    QTest::mouseClick(child<QPushButton>(screen, "CmdSupprimerBase"), Qt::LeftButton);
    messages.clear();
    ASSERT_TRUE(save(screen));
    EXPECT_EQ(messages, QStringList{"AIDE: Vos bases par défaut ont bien été enregistrées."});
    QFile file(existing);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    EXPECT_TRUE(text.contains("ancienne.pwd=not-ours\r\n")) << text.constData();
    EXPECT_TRUE(text.contains("nouvelle=postgres@h/d\r\n")) << text.constData();
    EXPECT_FALSE(text.contains("jetable"));
}

TEST_F(AdministrationBasesTest, RefusesWhatWouldBeLost)
{
    Administration screen;
    screen.show();
    auto *view = child<QTableView>(screen, "SprBases");
    ASSERT_TRUE(plx::setDatabasesPropertiesPath(m_dir.filePath(QStringLiteral("db.properties"))));
    screen.reload();

    const struct
    {
        QStringList cells;
        const char *message;
    } cases[] = {
        {{"sanstype", "", "h", "", "d"},
         "ERREUR: La ligne 1 de la liste des bases doit avoir un nom et un type."},
        {{"a=b", "ACCESS", "", "", "/x.db"},
         "ERREUR: Le nom « a=b » ne convient pas : il ne peut pas contenir « = », commencer par « "
         "# » "
         "ou « ! », ni finir par « .user » ou « .pwd »."},
        {{"p", "POSTGRESQL", "h", "port", "d"},
         "ERREUR: Le port de la base « p » doit être un nombre entier compris entre 1 et 65535."},
        {{"vide", "POSTGRESQL", "h", "5432", ""},
         "ERREUR: La base « vide » n'a pas de fichier ou de nom de base."},
    };
    for (const auto &c : cases) {
        addDefinition(screen, c.cells);
        messages.clear();
        ASSERT_TRUE(save(screen));
        EXPECT_EQ(messages, QStringList{QString::fromUtf8(c.message)});
        EXPECT_EQ(tabOf(screen), "PageBases");
        view->selectRow(0);
        QTest::mouseClick(child<QPushButton>(screen, "CmdSupprimerBase"), Qt::LeftButton);
    }
    addDefinition(screen, {"double", "ACCESS", "", "", "/a.db"});
    addDefinition(screen, {"DOUBLE", "ACCESS", "", "", "/b.db"});
    messages.clear();
    ASSERT_TRUE(save(screen));
    EXPECT_EQ(messages, QStringList{"ERREUR: Le nom « DOUBLE » est donné à plusieurs bases."});
    EXPECT_FALSE(QFile::exists(plx::databasesPropertiesPath()));

    // A folder that cannot be written.
    view->selectRow(1);
    QTest::mouseClick(child<QPushButton>(screen, "CmdSupprimerBase"), Qt::LeftButton);
    ASSERT_TRUE(plx::setDatabasesPropertiesPath(
        QStringLiteral("/nonexistent-plx/dir/databases.properties")));
    messages.clear();
    ASSERT_TRUE(save(screen));
    EXPECT_EQ(messages,
              QStringList{"ERREUR: Le fichier n'a pas pu être enregistré. Merci de vérifier "
                          "vos droits d'écriture"});
    EXPECT_TRUE(screen.isModified());
}

} // namespace
