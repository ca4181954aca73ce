#include "outputs/widgets/frmimpression.h"

#include "base/messages.h"
#include "base/widgets/navigator.h"
#include "config/settings.h"
#include "outputs/reportsource.h"
#include "outputs/widgets/reportrunner.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMainWindow>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QVBoxLayout>

#include <algorithm>

namespace plx {

namespace {

const QString kChoiceKey = QStringLiteral("OPTImpression");
const QString kTemplateKey = QStringLiteral("lastModele");

QString runningText()
{
    return QStringLiteral("Impression en cours");
}

QStringList extensionsOf(TemplateKind kind, const ReportRoutes &routes)
{
    QStringList extensions;
    if (kind == TemplateKind::Document) {
        if (routes.word)
            extensions << QStringLiteral("docx") << QStringLiteral("dotx") << QStringLiteral("dot");
        if (routes.suite)
            extensions << QStringLiteral("odt") << QStringLiteral("ott");
    } else {
        if (routes.word)
            extensions << QStringLiteral("xlsx") << QStringLiteral("xls");
        if (routes.suite)
            extensions << QStringLiteral("ods");
    }
    return extensions;
}

QPushButton *button(const QString &text, const char *name, QWidget *parent)
{
    auto *b = new QPushButton(text, parent);
    b->setObjectName(QLatin1String(name));
    b->setAutoDefault(false);
    return b;
}

} // namespace

FrmImpression::FrmImpression(PrintDialogContext context, QWidget *parent)
    : QDialog(parent), m_context(std::move(context))
{
    setObjectName(QStringLiteral("FrmImpression"));
    setWindowTitle(QStringLiteral("Impression et export"));
    m_routes = ReportRoutes::fromSettings();
    m_hasTemplates = screenHasTemplates(m_context.screen);
    buildUi();
    fillTemplateLists();
    restoreChoices();
    showPrinter();
}

FrmImpression::~FrmImpression() = default;

QStringList FrmImpression::templateScreens()
{
    // The yearly and yearbook charts too: their charts fill the chart bookmarks.
    return {QStringLiteral("ListePluviometres"),
            QStringLiteral("FichePluviometre"),
            QStringLiteral("FichePliviometre2"),
            QStringLiteral("EditionGraphique"),
            QStringLiteral("Validation"),
            QStringLiteral("EditionGraphiqueAnnee"),
            QStringLiteral("EditionGraphiqueAnnuaire")};
}

bool FrmImpression::screenHasTemplates(const QWidget *screen)
{
    if (!screen)
        return false;
    QString name = QString::fromLatin1(screen->metaObject()->className());
    name = name.mid(name.lastIndexOf(QLatin1Char(':')) + 1);
    return templateScreens().contains(name);
}

QStringList FrmImpression::templateNames(const QString &folder, TemplateKind kind,
                                         const ReportRoutes &routes)
{
    const QStringList extensions = extensionsOf(kind, routes);
    if (folder.trimmed().isEmpty() || extensions.isEmpty())
        return {};
    QStringList patterns;
    for (const QString &extension : extensions)
        patterns << QStringLiteral("*.") + extension;
    QStringList names;
    const QFileInfoList files =
        QDir(folder).entryInfoList(patterns, QDir::Files | QDir::Readable, QDir::Name);
    for (const QFileInfo &file : files) {
        // Office's lock files ("~$Fiche.docx", ".~lock.Fiche.odt#") are not templates.
        if (file.fileName().startsWith(QLatin1Char('~')) ||
            file.fileName().startsWith(QLatin1Char('.')))
            continue;
        if (!extensions.contains(file.suffix().toLower()))
            continue;
        if (!names.contains(file.completeBaseName(), Qt::CaseInsensitive))
            names << file.completeBaseName();
    }
    std::sort(names.begin(), names.end(), [](const QString &a, const QString &b) {
        return QString::localeAwareCompare(a, b) < 0;
    });
    return names;
}

QString FrmImpression::noTemplateMessage(const QString &folder)
{
    return QStringLiteral("Attention, aucun modèle n'a été trouvé dans le répertoire:\n") +
           QDir::toNativeSeparators(folder) +
           QStringLiteral("\nMerci de vérifier dans les options de l'application.");
}

void FrmImpression::buildUi()
{
    auto *outputBox = new QGroupBox(QStringLiteral("Sortie"), this);
    m_choice = new QButtonGroup(this);
    m_choice->setObjectName(QStringLiteral("OptImpression"));
    m_optScreen = new QRadioButton(QStringLiteral("Impression de l'é&cran"), outputBox);
    m_optWord = new QRadioButton(QStringLiteral("Modèle &Word"), outputBox);
    m_optExcel = new QRadioButton(QStringLiteral("Modèle &Tableur"), outputBox);
    m_optScreen->setObjectName(QStringLiteral("OptImpression0"));
    m_optWord->setObjectName(QStringLiteral("OptImpression1"));
    m_optExcel->setObjectName(QStringLiteral("OptImpression2"));
    m_choice->addButton(m_optScreen, PrintScreen);
    m_choice->addButton(m_optWord, DocumentTemplate);
    m_choice->addButton(m_optExcel, SpreadsheetTemplate);
    m_wordTemplates = new QComboBox(outputBox);
    m_wordTemplates->setObjectName(QStringLiteral("CboListeModeleWord"));
    m_excelTemplates = new QComboBox(outputBox);
    m_excelTemplates->setObjectName(QStringLiteral("cboListeModeleExcel"));
    for (QComboBox *list : {m_wordTemplates, m_excelTemplates}) {
        list->setMinimumContentsLength(28);
        list->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    }
    m_keepFile = new QCheckBox(QStringLiteral("Conserver le &fichier créé"), outputBox);
    m_keepFile->setObjectName(QStringLiteral("ChkCreationFichier"));
    m_pdf = new QCheckBox(QStringLiteral("Créer aussi un fichier &PDF"), outputBox);
    m_pdf->setObjectName(QStringLiteral("ChkCreationPDF"));

    auto *grid = new QGridLayout(outputBox);
    grid->addWidget(m_optScreen, 0, 0, 1, 2);
    grid->addWidget(m_optWord, 1, 0);
    grid->addWidget(m_wordTemplates, 1, 1);
    grid->addWidget(m_optExcel, 2, 0);
    grid->addWidget(m_excelTemplates, 2, 1);
    grid->addWidget(m_keepFile, 3, 0, 1, 2);
    grid->addWidget(m_pdf, 4, 0, 1, 2);
    grid->setColumnStretch(1, 1);

    auto *printerRow = new QHBoxLayout;
    auto *printerCaption = new QLabel(QStringLiteral("Imprimante :"), this);
    m_printerLabel = new QLabel(this);
    m_printerLabel->setObjectName(QStringLiteral("LblImprimante"));
    m_printerLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_config = button(QStringLiteral("C&onfigurer..."), "CmdConfig", this);
    printerRow->addWidget(printerCaption);
    printerRow->addWidget(m_printerLabel, 1);
    printerRow->addWidget(m_config);

    // The run's progress: what is being done, and a way to stop it.
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("LblEtat"));
    m_step = new QLabel(this);
    m_step->setObjectName(QStringLiteral("LblEtape"));
    m_step->setWordWrap(true);
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("PrgAvancement"));
    m_progress->setRange(0, 0);
    m_progress->setTextVisible(false);
    m_stop = button(QStringLiteral("&Arrêter"), "CmdArreter", this);
    auto *progressRow = new QHBoxLayout;
    progressRow->addWidget(m_progress, 1);
    progressRow->addWidget(m_stop);
    for (QWidget *w : {static_cast<QWidget *>(m_status), static_cast<QWidget *>(m_step),
                       static_cast<QWidget *>(m_progress), static_cast<QWidget *>(m_stop)})
        w->hide();

    m_print = button(QStringLiteral("&Imprimer"), "CmdImprimer", this);
    m_edit = button(QStringLiteral("É&diter"), "CmdEditer", this);
    m_html = button(QStringLiteral("&HTML"), "CmdHtml", this);
    m_mail = button(QStringLiteral("&Messagerie"), "CmdMail", this);
    m_cancel = button(QStringLiteral("Annu&ler"), "CmdAnnuler", this);
    m_help = button(QStringLiteral("Ai&de"), "BtAide", this);
    m_print->setToolTip(QStringLiteral("Imprime l'écran, ou le document rempli d'après le modèle"));
    m_edit->setToolTip(QStringLiteral("Enregistre le document rempli et l'ouvre pour le modifier"));
    m_html->setToolTip(QStringLiteral("Enregistre le document rempli en page HTML et l'ouvre"));
    m_mail->setToolTip(QStringLiteral("Joint le document rempli à un nouveau message"));
    auto *buttons = new QHBoxLayout;
    for (QPushButton *b : {m_print, m_edit, m_html, m_mail})
        buttons->addWidget(b);
    buttons->addStretch(1);
    buttons->addWidget(m_help);
    buttons->addWidget(m_cancel);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(outputBox);
    layout->addLayout(printerRow);
    layout->addWidget(m_status);
    layout->addWidget(m_step);
    layout->addLayout(progressRow);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetMinimumSize);

    connect(m_choice, &QButtonGroup::idClicked, this, &FrmImpression::setChoice);
    for (QComboBox *list : {m_wordTemplates, m_excelTemplates}) {
        connect(list, &QComboBox::textActivated, this,
                [](const QString &name) { EcrireParametre(kTemplateKey, name); });
    }
    connect(m_print, &QPushButton::clicked, this, &FrmImpression::CmdImprimer_Click);
    connect(m_edit, &QPushButton::clicked, this, &FrmImpression::CmdEditer_Click);
    connect(m_html, &QPushButton::clicked, this, &FrmImpression::CmdHtml_Click);
    connect(m_mail, &QPushButton::clicked, this, &FrmImpression::CmdMail_Click);
    connect(m_config, &QPushButton::clicked, this, &FrmImpression::CmdConfig_Click);
    connect(m_cancel, &QPushButton::clicked, this, &FrmImpression::reject);
    connect(m_stop, &QPushButton::clicked, this, [this] { m_cancelRequested = true; });
    connect(m_help, &QPushButton::clicked, this, [this] {
        if (m_context.showHelp)
            m_context.showHelp();
        else if (Navigator *navigator = navigatorFor(m_context.screen))
            navigator->showHelp();
    });
}

void FrmImpression::fillTemplateLists()
{
    if (!m_hasTemplates) {
        const QString why = QStringLiteral("Cet écran n'a pas de modèle : seule l'impression de "
                                           "l'écran est possible.");
        m_optWord->setToolTip(why);
        m_optExcel->setToolTip(why);
        m_optWord->setEnabled(false);
        m_optExcel->setEnabled(false);
        return;
    }
    const QString folder = m_context.templateFolder;
    m_wordTemplates->addItems(templateNames(folder, TemplateKind::Document, m_routes));
    m_excelTemplates->addItems(templateNames(folder, TemplateKind::Spreadsheet, m_routes));
    m_foundTemplates = m_wordTemplates->count() + m_excelTemplates->count() > 0;
    m_optWord->setEnabled(m_wordTemplates->count() > 0);
    m_optExcel->setEnabled(m_excelTemplates->count() > 0);
    if (folder.trimmed().isEmpty())
        showMessage(MessageKind::Erreur, undefinedTemplateFolderMessage());
    else if (!m_foundTemplates)
        showMessage(MessageKind::Erreur, noTemplateMessage(folder));
}

void FrmImpression::restoreChoices()
{
    const QString last = LireParametre(kTemplateKey, {}, true);
    for (QComboBox *list : {m_wordTemplates, m_excelTemplates}) {
        const int index = list->findText(last, Qt::MatchFixedString);
        if (index >= 0)
            list->setCurrentIndex(index);
    }
    bool ok = false;
    int stored = LireParametre(kChoiceKey).toInt(&ok);
    if (!ok || stored < PrintScreen || stored > SpreadsheetTemplate)
        stored = PrintScreen;
    // A choice this screen or folder cannot serve shows as screen printing, without
    // forgetting the stored one for the screens that can.
    if (!m_choice->button(stored)->isEnabled())
        stored = PrintScreen;
    m_choice->button(stored)->setChecked(true);
    applyChoice();
}

FrmImpression::Choice FrmImpression::choice() const
{
    const int id = m_choice->checkedId();
    return id < 0 ? PrintScreen : Choice(id);
}

void FrmImpression::setChoice(int choice)
{
    if (m_running || choice < PrintScreen || choice > SpreadsheetTemplate ||
        !m_choice->button(choice)->isEnabled())
        return;
    m_choice->button(choice)->setChecked(true);
    EcrireParametre(kChoiceKey, QString::number(choice));
    applyChoice();
}

void FrmImpression::applyChoice()
{
    const Choice c = choice();
    const bool document = c == DocumentTemplate;
    const bool sheet = c == SpreadsheetTemplate;
    // Printing stays for the document too: printing a filled document is its main use.
    m_print->setVisible(true);
    m_keepFile->setVisible(document || sheet);
    m_edit->setVisible(document || sheet);
    m_pdf->setVisible(document);
    m_html->setVisible(document);
    m_mail->setVisible(document);
    m_wordTemplates->setEnabled(document);
    m_excelTemplates->setEnabled(sheet);
}

QPrinter *FrmImpression::printer()
{
    if (m_context.printer)
        return m_context.printer;
    if (!m_ownPrinter)
        m_ownPrinter = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return m_ownPrinter.get();
}

void FrmImpression::showPrinter()
{
    QString name;
    if (!QPrinterInfo::availablePrinters().isEmpty()) {
        name = printer()->printerName();
        if (name.isEmpty())
            name = QPrinterInfo::defaultPrinterName();
    }
    m_printerLabel->setText(name.isEmpty() ? QStringLiteral("Aucune imprimante") : name);
}

void FrmImpression::CmdImprimer_Click()
{
    if (m_running)
        return;
    if (choice() != PrintScreen) {
        runDispatcher(ReportAction::Print);
        return;
    }
    if (m_context.printScreen) {
        m_context.printScreen();
        accept();
        return;
    }
    // Without a frame: the screen's image straight to the printer.
    if (QPrinterInfo::availablePrinters().isEmpty()) {
        showMessage(MessageKind::Erreur, QStringLiteral("Aucune imprimante n'est configurée."));
        return;
    }
    if (!m_context.screen)
        return;
    const QPixmap image = m_context.screen->grab();
    QPainter painter;
    if (!painter.begin(printer())) {
        showMessage(MessageKind::Erreur, QStringLiteral("L'impression n'a pas pu démarrer."));
        return;
    }
    QSize size = image.size();
    size.scale(painter.viewport().size(), Qt::KeepAspectRatio);
    painter.drawPixmap(QRect(QPoint(0, 0), size), image);
    painter.end();
    accept();
}

void FrmImpression::CmdEditer_Click()
{
    if (choice() != PrintScreen)
        runDispatcher(ReportAction::Edit);
}

void FrmImpression::CmdHtml_Click()
{
    if (choice() == DocumentTemplate)
        runDispatcher(ReportAction::Html);
}

void FrmImpression::CmdMail_Click()
{
    if (choice() == DocumentTemplate)
        runDispatcher(ReportAction::Mail);
}

void FrmImpression::CmdConfig_Click()
{
    if (m_running)
        return;
    if (QPrinterInfo::availablePrinters().isEmpty()) {
        showMessage(MessageKind::Erreur, QStringLiteral("Aucune imprimante n'est configurée."));
        return;
    }
    QPrintDialog dialog(printer(), this);
    dialog.setWindowTitle(QStringLiteral("Configuration de l'impression"));
    dialog.exec();
    showPrinter();
}

void FrmImpression::runDispatcher(ReportAction action)
{
    if (m_running)
        return;
    const Choice c = choice();
    const auto *source = dynamic_cast<const ReportSource *>(m_context.screen.data());
    if (!source) {
        showMessage(MessageKind::Erreur, noStationMessage());
        return;
    }
    const QComboBox *list = c == DocumentTemplate ? m_wordTemplates : m_excelTemplates;
    if (list->currentText().isEmpty()) {
        showMessage(MessageKind::Erreur, QStringLiteral("Choisir un modèle dans la liste."));
        return;
    }
    ReportRequest request;
    request.db = m_context.db;
    request.templateName = list->currentText();
    request.kind = c == DocumentTemplate ? TemplateKind::Document : TemplateKind::Spreadsheet;
    request.action = action;
    request.keepFile = m_keepFile->isChecked();
    request.alsoPdf = c == DocumentTemplate && m_pdf->isChecked();
    request.templateFolder = m_context.templateFolder;
    request.editionFolder = m_context.editionFolder;
    request.printer = printer()->printerName();
    request.routes = m_routes;
    request.author = m_context.author;

    ReportFeedback feedback;
    feedback.showStep = [this](const QString &step) { m_step->setText(step); };
    feedback.cancelRequested = [this] { return m_cancelRequested; };
    setRunning(true);
    const ReportResult result = runReportForUser(request, *source, feedback);
    setRunning(false);
    if (result.ok)
        accept();
}

void FrmImpression::setRunning(bool running)
{
    m_running = running;
    m_cancelRequested = false;
    for (QWidget *w : {static_cast<QWidget *>(m_optScreen), static_cast<QWidget *>(m_optWord),
                       static_cast<QWidget *>(m_optExcel), static_cast<QWidget *>(m_keepFile),
                       static_cast<QWidget *>(m_pdf), static_cast<QWidget *>(m_print),
                       static_cast<QWidget *>(m_edit), static_cast<QWidget *>(m_html),
                       static_cast<QWidget *>(m_mail), static_cast<QWidget *>(m_config),
                       static_cast<QWidget *>(m_cancel)})
        w->setEnabled(!running);
    if (!running) {
        // Back to what the screen and the folder allow.
        m_optWord->setEnabled(m_hasTemplates && m_wordTemplates->count() > 0);
        m_optExcel->setEnabled(m_hasTemplates && m_excelTemplates->count() > 0);
        applyChoice();
    } else {
        m_wordTemplates->setEnabled(false);
        m_excelTemplates->setEnabled(false);
    }
    m_status->setText(running ? runningText() : QString());
    m_step->clear();
    for (QWidget *w : {static_cast<QWidget *>(m_status), static_cast<QWidget *>(m_step),
                       static_cast<QWidget *>(m_progress), static_cast<QWidget *>(m_stop)})
        w->setVisible(running);
    setCursor(running ? Qt::BusyCursor : Qt::ArrowCursor);
    if (auto *frame = qobject_cast<QMainWindow *>(parentWidget())) {
        if (running)
            frame->statusBar()->showMessage(runningText());
        else
            frame->statusBar()->clearMessage();
    }
}

void FrmImpression::reject()
{
    // Closing while a report runs stops it first, at a point where nothing is lost.
    if (m_running) {
        m_cancelRequested = true;
        return;
    }
    QDialog::reject();
}

void FrmImpression::closeEvent(QCloseEvent *event)
{
    if (m_running) {
        m_cancelRequested = true;
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

} // namespace plx
