#include "measures/widgets/validation.h"

#include "measures/widgets/validationgrid.h"
#include "measures/widgets/validationmodel.h"
#include "quality/widgets/qualitypanel.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QSplitter>
#include <QTableWidget>
#include <QUndoStack>
#include <QVBoxLayout>

// The widgets of the validation editor and their layout; its behaviour is in validation.cpp.
namespace plx {

namespace {

QPushButton *button(QWidget *parent, const char *name, const QString &text, const QString &tip)
{
    auto *push = new QPushButton(text, parent);
    push->setObjectName(QLatin1String(name));
    push->setToolTip(tip);
    return push;
}

QLabel *label(QWidget *parent, const char *name)
{
    auto *shown = new QLabel(parent);
    shown->setObjectName(QLatin1String(name));
    shown->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return shown;
}

QLabel *swatch(QWidget *parent, const QString &text, const QString &style)
{
    auto *shown = new QLabel(text, parent);
    shown->setStyleSheet(QStringLiteral("QLabel { border: 1px solid #b0b0b0; padding: 1px 4px; ") +
                         style + QStringLiteral(" }"));
    return shown;
}

} // namespace

void Validation::buildUi()
{
    m_entete = new QTableWidget(1, 3, this);
    m_entete->setObjectName(QStringLiteral("SprEntete"));
    m_entete->setHorizontalHeaderLabels(
        {QStringLiteral("Code"), QStringLiteral("Identifiant"), QStringLiteral("Nom")});
    m_entete->verticalHeader()->hide();
    m_entete->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_entete->setSelectionMode(QAbstractItemView::NoSelection);
    m_entete->setFocusPolicy(Qt::NoFocus);
    m_entete->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_entete->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_entete->horizontalHeader()->setStretchLastSection(true);
    m_entete->horizontalHeader()->setHighlightSections(false);
    m_entete->setColumnWidth(0, 90);
    m_entete->setColumnWidth(1, 180);
    m_entete->setFixedHeight(m_entete->horizontalHeader()->sizeHint().height() +
                             m_entete->verticalHeader()->defaultSectionSize() +
                             2 * m_entete->frameWidth());
    for (int c = 0; c < 3; ++c)
        m_entete->setItem(0, c, new QTableWidgetItem); // owned by the table

    m_previous = button(this, "CmdPrecedent", QStringLiteral("◀ Précédent"),
                        QStringLiteral("Pluviomètre précédent de la liste (Alt+Gauche)"));
    m_next = button(this, "CmdSuivant", QStringLiteral("Suivant ▶"),
                    QStringLiteral("Pluviomètre suivant de la liste (Alt+Droite)"));
    connect(m_previous, &QPushButton::clicked, this, &Validation::loadPrevious);
    connect(m_next, &QPushButton::clicked, this, &Validation::loadNext);
    for (const auto &[key, target] :
         {std::pair{Qt::Key_Left, m_previous}, std::pair{Qt::Key_Right, m_next}}) {
        auto *shortcut = new QShortcut(QKeySequence(Qt::ALT | key), this);
        shortcut->setContext(Qt::WidgetWithChildrenShortcut);
        connect(shortcut, &QShortcut::activated, target, &QPushButton::click);
    }
    m_controlsButton = button(this, "CmdControles", QStringLiteral("Co&ntrôles"),
                              QStringLiteral("Afficher le panneau des contrôles qualité (valeurs "
                                             "suspectes de la période)"));
    m_controlsButton->setCheckable(true);
    connect(m_controlsButton, &QPushButton::clicked, this, &Validation::DeclencheControles);
    auto *top = new QHBoxLayout;
    top->addWidget(m_previous);
    top->addWidget(m_entete, 1);
    top->addWidget(m_next);
    top->addWidget(m_controlsButton);

    m_grid = new ValidationGrid(this);
    m_grid->setValidationModel(m_model);
    setUpColumns();

    // The quality-control panel beside the grid, hidden until asked for; the splitter
    // lets the user share the width between them.
    m_controls = new QualityPanel(m_model, m_grid, this);
    m_controls->hide();
    connect(m_controls, &QualityPanel::runRequested, this, &Validation::lancerControles);
    m_split = new QSplitter(Qt::Horizontal, this);
    m_split->setObjectName(QStringLiteral("SplControles"));
    m_split->setChildrenCollapsible(false);
    m_split->addWidget(m_grid);
    m_split->addWidget(m_controls);
    m_split->setStretchFactor(0, 3);
    m_split->setStretchFactor(1, 2);
    // F3 and Maj+F3 walk the flags while the panel is shown.
    const auto addFlagShortcut = [this](const QKeySequence &key, bool forward) {
        auto *shortcut = new QShortcut(key, this);
        shortcut->setContext(Qt::WidgetWithChildrenShortcut);
        connect(shortcut, &QShortcut::activated, m_controls, [this, forward] {
            if (m_controls->isHidden())
                return;
            if (forward)
                m_controls->nextFlag();
            else
                m_controls->previousFlag();
        });
    };
    addFlagShortcut(QKeySequence(Qt::Key_F3), true);
    addFlagShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F3), false);

    auto *middle = new QHBoxLayout;
    middle->addWidget(m_split, 1);
    middle->addWidget(buildSidePanel());

    m_status = label(this, "lblStatut");
    m_changes = label(this, "lblModifications");
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("PrgAvancement"));
    m_progress->setRange(0, 100);
    m_progress->setFixedWidth(240);
    m_progress->hide();
    m_cancel = button(this, "CmdAnnulerChargement", QStringLiteral("Arrêter"),
                      QStringLiteral("Arrêter le chargement (la grille garde son contenu)"));
    m_cancel->hide();
    connect(m_cancel, &QPushButton::clicked, this, &Validation::cancelLoad);
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(m_status, 1);
    bottom->addWidget(m_changes);
    bottom->addWidget(m_progress);
    bottom->addWidget(m_cancel);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(middle, 1);
    layout->addLayout(bottom);

    // Ctrl+Y besides the platform's redo keys, which may already hold it: one action per
    // command, so that no key is bound twice (an ambiguous key triggers nothing).
    QList<QKeySequence> redoKeys = QKeySequence::keyBindings(QKeySequence::Redo);
    if (!redoKeys.contains(QKeySequence(Qt::CTRL | Qt::Key_Y)))
        redoKeys << QKeySequence(Qt::CTRL | Qt::Key_Y);
    for (const auto &[keys, target] :
         {std::pair{QKeySequence::keyBindings(QKeySequence::Undo), m_undo},
          std::pair{redoKeys, m_redo}}) {
        auto *action = new QAction(this);
        action->setShortcuts(keys);
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        connect(action, &QAction::triggered, target, &QPushButton::click);
        addAction(action);
    }
}

QWidget *Validation::buildSidePanel()
{
    auto *panel = new QWidget(this);
    panel->setFixedWidth(320);
    auto *column = new QVBoxLayout(panel);
    column->setContentsMargins(0, 0, 0, 0);

    auto *window = new QGroupBox(QStringLiteral("Période à charger"), panel);
    m_dateDebut = new QLineEdit(window);
    m_dateDebut->setObjectName(QStringLiteral("TxtDateDebut"));
    m_dateFin = new QLineEdit(window);
    m_dateFin->setObjectName(QStringLiteral("txtDateFin"));
    for (QLineEdit *edit : {m_dateDebut, m_dateFin}) {
        edit->setPlaceholderText(QStringLiteral("jj/mm/aaaa"));
        edit->setMaxLength(10);
        edit->setToolTip(QStringLiteral("Date au format jj/mm/aaaa"));
        connect(edit, &QLineEdit::returnPressed, this, &Validation::chargementStation);
    }
    m_load = button(window, "CmdChargement", QStringLiteral("&Charger"),
                    QStringLiteral("Charger les mesures de la période"));
    connect(m_load, &QPushButton::clicked, this, &Validation::chargementStation);
    auto *dates = new QGridLayout(window);
    dates->addWidget(new QLabel(QStringLiteral("Du"), window), 0, 0);
    dates->addWidget(m_dateDebut, 0, 1);
    dates->addWidget(new QLabel(QStringLiteral("au"), window), 0, 2);
    dates->addWidget(m_dateFin, 0, 3);
    m_chart = button(window, "CmdGraphique", QStringLiteral("&Graphique"),
                     QStringLiteral("Tracer les mesures chargées"));
    connect(m_chart, &QPushButton::clicked, this, &Validation::openChart);
    dates->addWidget(m_load, 1, 0, 1, 2);
    dates->addWidget(m_chart, 1, 2, 1, 2);
    column->addWidget(window);

    auto *history = new QGroupBox(QStringLiteral("Données du pluviomètre"), panel);
    m_historique = label(history, "lblHistorique");
    m_anneeCalcul = label(history, "LblAnneeCalcul");
    m_donneesAnnee = label(history, "LblDonneesAnnee");
    m_dateCalcul = label(history, "LblDateCalcul");
    m_donneesJ30 = label(history, "LblDonneesJ30");
    m_donneesPeriode = label(history, "LblDonneesPeriode");
    for (QLabel *count : {m_donneesAnnee, m_donneesJ30, m_donneesPeriode})
        count->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto *counts = new QGridLayout(history);
    counts->addWidget(new QLabel(QStringLiteral("Historique"), history), 0, 0);
    counts->addWidget(m_historique, 0, 1, 1, 2);
    counts->addWidget(new QLabel(QStringLiteral("Année"), history), 1, 0);
    counts->addWidget(m_anneeCalcul, 1, 1);
    counts->addWidget(m_donneesAnnee, 1, 2);
    counts->addWidget(new QLabel(QStringLiteral("30 jours"), history), 2, 0);
    counts->addWidget(m_dateCalcul, 2, 1);
    counts->addWidget(m_donneesJ30, 2, 2);
    counts->addWidget(new QLabel(QStringLiteral("Période complète"), history), 3, 0, 1, 2);
    counts->addWidget(m_donneesPeriode, 3, 2);
    counts->setColumnStretch(1, 1);
    column->addWidget(history);

    auto *editing = new QGroupBox(QStringLiteral("Saisie"), panel);
    m_insert = button(editing, "cmdInsertion", QStringLiteral("&Insérer une ligne"),
                      QStringLiteral("Ajouter une ligne à la fin de la grille"));
    m_delete = button(editing, "cmdSuppression", QStringLiteral("&Supprimer la sélection"),
                      QStringLiteral("Supprimer de la base les lignes sélectionnées"));
    m_save = button(editing, "CmdEnregistrer", QStringLiteral("&Enregistrer / valider"),
                    QStringLiteral("Enregistrer les lignes modifiées et valider jusqu'à la "
                                   "ligne marquée X"));
    m_undo = button(editing, "CmdAnnulerSaisie", QStringLiteral("Annuler"),
                    QStringLiteral("Annuler la dernière modification (Ctrl+Z)"));
    m_redo = button(editing, "CmdRetablirSaisie", QStringLiteral("Rétablir"),
                    QStringLiteral("Rétablir la modification annulée (Ctrl+Y)"));
    connect(m_insert, &QPushButton::clicked, this, &Validation::declencheInserer);
    connect(m_delete, &QPushButton::clicked, this, &Validation::DeclencheSupprimer);
    connect(m_save, &QPushButton::clicked, this, &Validation::declencheEnregistrer);
    connect(m_undo, &QPushButton::clicked, this, [this] {
        if (!m_busy)
            m_model->undoStack()->undo();
    });
    connect(m_redo, &QPushButton::clicked, this, [this] {
        if (!m_busy)
            m_model->undoStack()->redo();
    });
    auto *actions = new QGridLayout(editing);
    actions->addWidget(m_insert, 0, 0, 1, 2);
    actions->addWidget(m_delete, 1, 0, 1, 2);
    actions->addWidget(m_save, 2, 0, 1, 2);
    actions->addWidget(m_undo, 3, 0);
    actions->addWidget(m_redo, 3, 1);
    column->addWidget(editing);

    auto *legend = new QGroupBox(QStringLiteral("Légende"), panel);
    auto *keys = new QGridLayout(legend);
    keys->addWidget(
        swatch(legend, QStringLiteral("Validée"), QStringLiteral("background: #dce9d5;")), 0, 0);
    keys->addWidget(
        swatch(legend, QStringLiteral("Contrôlée"), QStringLiteral("background: #e3edfa;")), 0, 1);
    keys->addWidget(swatch(legend, QStringLiteral("Date ou heure incorrecte"),
                           QStringLiteral("background: #fbd3d3; color: #b00000;")),
                    1, 0, 1, 2);
    keys->addWidget(
        swatch(legend, QStringLiteral("Modifiée"), QStringLiteral("font-style: italic;")), 2, 0);
    keys->addWidget(swatch(legend, QStringLiteral("R : rupture"), QString()), 2, 1);
    auto *hint = new QLabel(QStringLiteral("X dans la marge : valider jusqu'à cette ligne "
                                           "(clic ou touche X)."),
                            legend);
    hint->setWordWrap(true);
    legend->setToolTip(
        QStringLiteral("Entrée : ligne suivante · X : marque de validation · Espace : rupture\n"
                       "Suppr : effacer les valeurs · Ctrl+C / Ctrl+V : copier / coller\n"
                       "Ctrl+Z / Ctrl+Y : annuler / rétablir"));
    keys->addWidget(hint, 3, 0, 1, 2);
    keys->addWidget(swatch(legend, QStringLiteral("Modifiée par un autre utilisateur"),
                           QStringLiteral("background: #ffe0b2;")),
                    4, 0, 1, 2);
    keys->addWidget(swatch(legend, QStringLiteral("◥ Valeur signalée par les contrôles"),
                           QStringLiteral("background: #ffd88a;")),
                    5, 0, 1, 2);
    column->addWidget(legend);

    // Who changed the current cell, when, and from what.
    auto *cell = new QGroupBox(QStringLiteral("Historique de la cellule"), panel);
    m_cellHistory = label(cell, "lblHistoriqueCellule");
    m_cellHistory->setWordWrap(true);
    m_cellHistory->setTextFormat(Qt::RichText);
    m_cellHistory->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_historyButton = button(cell, "CmdHistorique", QStringLiteral("&Historique des modifications…"),
                             QStringLiteral("Toutes les modifications des mesures du pluviomètre, "
                                            "avec filtres, export et annulation d'un lot"));
    connect(m_historyButton, &QPushButton::clicked, this, &Validation::openHistory);
    auto *cellLayout = new QVBoxLayout(cell);
    cellLayout->addWidget(m_cellHistory, 1);
    cellLayout->addWidget(m_historyButton);
    column->addWidget(cell, 1);
    return panel;
}

void Validation::setUpColumns()
{
    const QFontMetrics values(m_grid->font());
    const QFontMetrics headers(m_grid->horizontalHeader()->font());
    const int padding = 18;
    auto widthFor = [&](int column, const QString &sample) {
        const QString header =
            m_model->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
        return std::max(values.horizontalAdvance(sample), headers.horizontalAdvance(header)) +
               padding;
    };
    QList<int> widths(kValidationColumnCount, 0);
    widths[kDateColumn] = widthFor(kDateColumn, QStringLiteral("00/00/0000"));
    widths[kHeureColumn] = widthFor(kHeureColumn, QStringLiteral("00:00:00"));
    for (int c = kPluieColumn; c <= kValeur3Column; ++c)
        widths[c] = widthFor(c, QStringLiteral("-00000,000"));
    widths[kRuptureColumn] = widthFor(kRuptureColumn, QStringLiteral("R"));
    widths[kObtentionColumn] = widthFor(kObtentionColumn, QStringLiteral("M"));
    for (int c : {int(kMarkColumn), int(kLoadedDateColumn), int(kLoadedHeureColumn)})
        m_grid->setColumnHidden(c, true);
    for (int c = kValeur1Column; c <= kValeur3Column; ++c) {
        // An empty label hides the parameter wherever it would be shown.
        m_grid->setColumnHidden(
            c, m_model->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString().isEmpty());
    }
    m_grid->setNaturalColumnWidths(widths);
    m_grid->verticalHeader()->setMinimumWidth(values.horizontalAdvance(QStringLiteral("X")) + 16);
}

} // namespace plx
