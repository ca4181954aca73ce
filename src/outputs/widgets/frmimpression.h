#pragma once

#include "outputs/reportdispatcher.h"

#include <QDialog>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QPrinter;
class QProgressBar;
class QPushButton;
class QRadioButton;

namespace plx {

class AccesBase;

// What the print dialog works on, given by the frame that opens it.
struct PrintDialogContext
{
    QPointer<QWidget> screen; // the active screen
    QString templateFolder;   // CheminModeles
    QString editionFolder;    // CheminEdition
    AccesBase *db = nullptr;  // not owned
    ReportAuthor author;
    QPrinter *printer = nullptr;       // the frame's printer, not owned; nullptr: the dialog's own
    std::function<void()> printScreen; // choice "0": the frame's print of the screen
    std::function<void()> showHelp;
};

// The print and export dialog of the toolbar's print button: the screen printed as an
// image, or a document or workbook filled from a template about the screen's station,
// saved, printed, turned into HTML or mailed. The choice ("OPTImpression") and the
// template ("lastModele") are stored as soon as they change and restored at the next
// opening.
//
// Template choices exist on the screens that have station templates (screenHasTemplates);
// on the other screens they show greyed and the screen is printed.
class FrmImpression : public QDialog
{
    Q_OBJECT

public:
    enum Choice { PrintScreen = 0, DocumentTemplate = 1, SpreadsheetTemplate = 2 };

    explicit FrmImpression(PrintDialogContext context, QWidget *parent = nullptr);
    ~FrmImpression() override;

    // Whether the screen is one of those that have station templates.
    static bool screenHasTemplates(const QWidget *screen);
    static QStringList templateScreens();
    // The template names (file names without extension, sorted, each once) of the folder
    // for a kind and the routes on.
    static QStringList templateNames(const QString &folder, TemplateKind kind,
                                     const ReportRoutes &routes);
    // "Attention, aucun modèle n'a été trouvé dans le répertoire:" ... the folder ...
    static QString noTemplateMessage(const QString &folder);

    Choice choice() const;
    bool isRunning() const { return m_running; }

public slots:
    void setChoice(int choice);
    void CmdImprimer_Click();
    void CmdEditer_Click();
    void CmdHtml_Click();
    void CmdMail_Click();
    void CmdConfig_Click();

protected:
    void closeEvent(QCloseEvent *event) override;
    void reject() override;

private:
    void buildUi();
    void fillTemplateLists();
    void restoreChoices();
    void applyChoice();
    void showPrinter();
    void runDispatcher(ReportAction action);
    void setRunning(bool running);
    QPrinter *printer();

    PrintDialogContext m_context;
    ReportRoutes m_routes;
    bool m_hasTemplates = false;   // the screen has station templates
    bool m_foundTemplates = false; // the folder holds at least one
    bool m_running = false;
    bool m_cancelRequested = false;
    std::unique_ptr<QPrinter> m_ownPrinter;

    QButtonGroup *m_choice = nullptr; // OptImpression
    QRadioButton *m_optScreen = nullptr;
    QRadioButton *m_optWord = nullptr;
    QRadioButton *m_optExcel = nullptr;
    QComboBox *m_wordTemplates = nullptr;  // CboListeModeleWord
    QComboBox *m_excelTemplates = nullptr; // cboListeModeleExcel
    QCheckBox *m_keepFile = nullptr;       // ChkCreationFichier
    QCheckBox *m_pdf = nullptr;            // ChkCreationPDF
    QLabel *m_printerLabel = nullptr;      // LblImprimante
    QLabel *m_status = nullptr;            // "Impression en cours"
    QLabel *m_step = nullptr;
    QProgressBar *m_progress = nullptr;
    QPushButton *m_stop = nullptr;
    QPushButton *m_print = nullptr;  // CmdImprimer
    QPushButton *m_edit = nullptr;   // CmdEditer
    QPushButton *m_html = nullptr;   // CmdHtml
    QPushButton *m_mail = nullptr;   // CmdMail
    QPushButton *m_config = nullptr; // CmdConfig
    QPushButton *m_cancel = nullptr; // CmdAnnuler
    QPushButton *m_help = nullptr;   // BtAide
};

} // namespace plx
