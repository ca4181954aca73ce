#include "charts/widgets/editiongraphiquepluviopiezo.h"

#include "base/messages.h"
#include "charts/chartoptions.h"
#include "charts/overlaylists.h"
#include "charts/widgets/collapsibleframe.h"
#include "charts/widgets/overlaydisplaylist.h"
#include "db/accesbase.h"
#include "session/session.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace plx {

EditionGraphiquePluvioPiezo::EditionGraphiquePluvioPiezo(QWidget *parent)
    : OverlayChartScreen(QStringLiteral("Superposition pluie / piézométrie"), parent)
{
    setObjectName(QStringLiteral("EditionGraphiquePluvioPiezo"));

    auto *options = new CollapsibleFrame(QStringLiteral("Paramètres"), this);
    options->setObjectName(QStringLiteral("FrmParametres"));
    m_parameters = parameterBoxes("ChkAffichage", options->body(), options->bodyLayout());
    m_horizon = optionGroup("OptHorizon", QStringLiteral("Pas de mesure"), horizonCaptions(),
                            options->body(), 2);
    options->bodyLayout()->addWidget(qobject_cast<QWidget *>(m_horizon->parent()));
    connect(m_horizon, &QButtonGroup::idClicked, this,
            &EditionGraphiquePluvioPiezo::TraitementParametres);
    m_horizon->button(2)->setChecked(true);
    m_rainDown = new QCheckBox(QStringLiteral("Pluie vers le bas (depuis le haut du graphique)"),
                               options->body());
    m_rainDown->setObjectName(QStringLiteral("ChkPluieVersLeBas"));
    m_rainDown->setChecked(true);
    options->bodyLayout()->addWidget(m_rainDown);
    connect(m_rainDown, &QCheckBox::clicked, this,
            &EditionGraphiquePluvioPiezo::TraitementParametres);

    auto *curves = new CollapsibleFrame(QStringLiteral("Courbes"), this);
    curves->setObjectName(QStringLiteral("FrmCourbes"));
    m_rainDisplay =
        new OverlayDisplayList(QStringLiteral("SprAffichagePluvio"),
                               {QStringLiteral(" "), QStringLiteral("Titre"), QStringLiteral("Clé"),
                                QStringLiteral("Commune"), QStringLiteral("Num")},
                               curves->body());
    m_piezoDisplay = new OverlayDisplayList(QStringLiteral("SprAffichagePiezo"),
                                            {QStringLiteral(" "), QStringLiteral("Nom du site"),
                                             QStringLiteral("Code BSS"), QStringLiteral("Commune"),
                                             QStringLiteral("Num")},
                                            curves->body());
    auto *removeRain = new QPushButton(QStringLiteral("Supprimer le pluviomètre"), curves->body());
    removeRain->setObjectName(QStringLiteral("cmdSuppressionPluvio"));
    auto *removePiezo = new QPushButton(QStringLiteral("Supprimer le piézomètre"), curves->body());
    removePiezo->setObjectName(QStringLiteral("cmdSuppressionPiezo"));
    curves->bodyLayout()->addWidget(new QLabel(QStringLiteral("Pluviomètres"), curves->body()));
    curves->bodyLayout()->addWidget(m_rainDisplay);
    curves->bodyLayout()->addWidget(removeRain);
    curves->bodyLayout()->addWidget(new QLabel(QStringLiteral("Piézomètres"), curves->body()));
    curves->bodyLayout()->addWidget(m_piezoDisplay);
    curves->bodyLayout()->addWidget(removePiezo);
    connect(removeRain, &QPushButton::clicked, this,
            &EditionGraphiquePluvioPiezo::cmdSuppressionPluvio);
    connect(removePiezo, &QPushButton::clicked, this,
            &EditionGraphiquePluvioPiezo::cmdSuppressionPiezo);
    for (OverlayDisplayList *list : {m_rainDisplay, m_piezoDisplay})
        connect(list, &OverlayDisplayList::changed, this,
                &EditionGraphiquePluvioPiezo::TraitementParametres);

    auto *pickPiezo = new CollapsibleFrame(QStringLiteral("Lste des piézomètres"), this);
    pickPiezo->setObjectName(QStringLiteral("FrmListePiezometres"));
    m_piezometers = new QTableWidget(0, 6, pickPiezo->body());
    m_piezometers->setObjectName(QStringLiteral("SprPiezometres"));
    // "Clé" holds the aquifers the piezometer reaches, "Num" its code.
    m_piezometers->setHorizontalHeaderLabels(
        {QStringLiteral("Nom du site"), QStringLiteral("Clé"), QStringLiteral("Commune"),
         QStringLiteral("Num"), QStringLiteral("Code BSS"), QStringLiteral("Altitude")});
    m_piezometers->horizontalHeaderItem(1)->setToolTip(QStringLiteral("Entités hydrogéologiques"));
    m_piezometers->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_piezometers->setSelectionMode(QAbstractItemView::SingleSelection);
    m_piezometers->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_piezometers->verticalHeader()->setVisible(false);
    m_piezometers->setMinimumHeight(150);
    auto *addPiezo = new QPushButton(QStringLiteral("Ajouter"), pickPiezo->body());
    addPiezo->setObjectName(QStringLiteral("cmdAjoutPiezo"));
    pickPiezo->bodyLayout()->addWidget(m_piezometers);
    pickPiezo->bodyLayout()->addWidget(addPiezo);
    const auto addPiezometer = [this] { AjoutePluvioPiezo(m_piezometers); };
    connect(addPiezo, &QPushButton::clicked, this, addPiezometer);
    connect(m_piezometers, &QTableWidget::cellDoubleClicked, this,
            [addPiezometer](int, int) { addPiezometer(); });
    connect(m_piezometers, &QTableWidget::activated, this,
            [addPiezometer](const QModelIndex &) { addPiezometer(); });

    CollapsibleFrame *pickRain =
        rainGaugeFrame("FrmListePluviometres", [this] { AjoutePluvioPiezo(rainGauges()); });

    sideLayout()->addWidget(options);
    sideLayout()->addWidget(curves);
    sideLayout()->addWidget(pickPiezo);
    sideLayout()->addWidget(pickRain);
    sideLayout()->addStretch(1);
    for (CollapsibleFrame *frame : {options, curves, pickPiezo, pickRain})
        frame->setOpen(true);

    InitCboListe();
    fillRainGauges();
    rempliSpr();
    TraitementParametres();
}

void EditionGraphiquePluvioPiezo::TraitementParametres()
{
    if (!m_ready || !m_rainDisplay || !m_piezoDisplay)
        return;
    ParameterChecks checked{};
    for (int i = 0; i < 6; ++i)
        checked[size_t(i)] = m_parameters[size_t(i)]->isChecked();
    m_chart->TypeEdition = QStringLiteral("SUPERPOSITION");
    m_chart->Parametres = parameterDigits(checked);
    const QString horizon = horizonCode(m_horizon->checkedId());
    if (!horizon.isEmpty())
        m_chart->Horizon = horizon;
    m_chart->Visualisation = QStringLiteral("HISTO");
    m_chart->Cumul = false;
    m_chart->PluieVersLeBas = m_rainDown->isChecked();
    m_chart->ListeCourbes = m_rainDisplay->markedStations();
    m_chart->ListePiezometres = m_piezoDisplay->markedStations();
    redraw();
}

void EditionGraphiquePluvioPiezo::AjoutePluvioPiezo(QTableWidget *source)
{
    if (!source || source->currentRow() < 0)
        return;
    if (source == m_piezometers) {
        const int row = source->currentRow();
        const auto text = [&](int c) {
            return source->item(row, c) ? source->item(row, c)->text() : QString();
        };
        m_piezoDisplay->addStation({text(0), text(4), text(2), text(3)});
        return;
    }
    m_rainDisplay->addStation(rainGaugeTexts(source));
}

void EditionGraphiquePluvioPiezo::cmdSuppressionPluvio()
{
    m_rainDisplay->removeCurrent();
}

void EditionGraphiquePluvioPiezo::cmdSuppressionPiezo()
{
    m_piezoDisplay->removeCurrent();
}

void EditionGraphiquePluvioPiezo::rempliSpr(const QString &filtre)
{
    AccesBase &db = AccesBase::instance();
    const UserSession &user = session();
    const bool scoped = !user.isAdmin && user.loggedIn() && hasPiezometerScope(db, user.login);
    bool ok = false;
    QString error;
    const std::vector<PiezometerListRow> rows =
        loadPiezometerList(db, user.login, scoped, filtre, &ok, &error);
    if (!ok) {
        showMessage(MessageKind::Erreur,
                    QStringLiteral("Impossible de lire la liste des piézomètres : ") + error);
        return;
    }
    m_piezometers->setUpdatesEnabled(false);
    m_piezometers->setRowCount(int(rows.size()));
    for (int r = 0; r < int(rows.size()); ++r) {
        const PiezometerListRow &p = rows[size_t(r)];
        const QString commune = p.departement.isEmpty() ? p.commune
                                                        : p.commune + QStringLiteral(" (") +
                                                              p.departement + QLatin1Char(')');
        const QStringList texts{p.nom, p.entites, commune, p.code, p.bss, p.altitude};
        for (int c = 0; c < 6; ++c)
            m_piezometers->setItem(r, c, new QTableWidgetItem(texts[c]));
    }
    m_piezometers->setUpdatesEnabled(true);
}

void EditionGraphiquePluvioPiezo::addRainGauge(const QStringList &texts)
{
    m_rainDisplay->addStation(texts);
}

} // namespace plx
