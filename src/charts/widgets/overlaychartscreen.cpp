#include "charts/widgets/overlaychartscreen.h"

#include "base/messages.h"
#include "charts/overlaylists.h"
#include "charts/widgets/collapsibleframe.h"
#include "charts/widgets/editiongraphiquepluviopiezo.h"
#include "charts/widgets/editiongraphiquesuperposepluvio.h"
#include "db/accesbase.h"
#include "db/sqltext.h"
#include "measures/parameterlabels.h"
#include "outputs/chartgrid.h"
#include "outputs/widgets/gridexport.h"
#include "session/session.h"
#include "stations/listfilter.h"
#include "stations/stationlist.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QTableWidget>
#include <QVBoxLayout>

namespace plx {

OverlayChartScreen::OverlayChartScreen(const QString &title, QWidget *parent) : QWidget(parent)
{
    setWindowTitle(title);
    m_chart = new CtlGraphique(this);
    m_chart->setObjectName(QStringLiteral("CtlGraphique1"));
    m_chart->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    m_ready = m_chart->InitialiserSuperposition(QStringLiteral("PLXReader"), AccesBase::instance(),
                                                window());

    // The options scroll rather than being cut off on a short window.
    auto *scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("DefilementOptions"));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto *panel = new QWidget(scroll);
    m_side = new QVBoxLayout(panel);
    m_side->setContentsMargins(4, 4, 4, 4);
    scroll->setWidget(panel);
    scroll->setMinimumWidth(340);
    scroll->setMaximumWidth(420);

    auto *layout = new QHBoxLayout(this);
    layout->addWidget(m_chart, 1);
    layout->addWidget(scroll);
    // The size of the station chart screens: the window area of a 1366 x 768 screen.
    resize(1300, 620);
}

OverlayChartScreen::~OverlayChartScreen() = default;

OverlayChartScreen *OverlayChartScreen::openFor(Navigator &navigator, Navigator::OverlayChart kind,
                                                const QStringList &rainGauges)
{
    OverlayChartScreen *screen = nullptr;
    if (kind == Navigator::OverlayChart::RainGauges)
        screen = new EditionGraphiqueSuperposePluvio;
    else
        screen = new EditionGraphiquePluvioPiezo;
    screen = qobject_cast<OverlayChartScreen *>(navigator.openScreen(screen));
    if (screen)
        screen->addRainGauges(rainGauges);
    return screen;
}

void OverlayChartScreen::addRainGauges(const QStringList &codes)
{
    if (!m_rainGauges)
        return;
    for (const QString &code : codes) {
        for (int r = 0; r < m_rainGauges->rowCount(); ++r) {
            if (m_rainGauges->item(r, 0)->text() != code.trimmed())
                continue;
            m_rainGauges->setCurrentCell(r, 0);
            addRainGauge(rainGaugeTexts(m_rainGauges));
            break;
        }
    }
}

CollapsibleFrame *OverlayChartScreen::rainGaugeFrame(const char *name,
                                                     const std::function<void()> &add)
{
    auto *frame = new CollapsibleFrame(QStringLiteral("Liste des pluviomètres"), this);
    frame->setObjectName(QLatin1String(name));
    m_lists = new QComboBox(frame->body());
    m_lists->setObjectName(QStringLiteral("CboListe"));
    m_rainGauges = new QTableWidget(0, 4, frame->body());
    m_rainGauges->setObjectName(QStringLiteral("SprPluviometres"));
    m_rainGauges->setHorizontalHeaderLabels({QStringLiteral("Num"), QStringLiteral("Nom"),
                                             QStringLiteral("Clé"), QStringLiteral("Commune")});
    m_rainGauges->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_rainGauges->setSelectionMode(QAbstractItemView::SingleSelection);
    m_rainGauges->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_rainGauges->verticalHeader()->setVisible(false);
    m_rainGauges->horizontalHeader()->setStretchLastSection(true);
    m_rainGauges->setMinimumHeight(180);
    auto *addButton = new QPushButton(QStringLiteral("Ajouter"), frame->body());
    addButton->setObjectName(QStringLiteral("cmdAjoutPluvio"));
    addButton->setToolTip(QStringLiteral("Ajouter le pluviomètre choisi au graphique (ou double "
                                         "clic, ou Entrée)"));
    frame->bodyLayout()->addWidget(m_lists);
    frame->bodyLayout()->addWidget(m_rainGauges);
    frame->bodyLayout()->addWidget(addButton);
    connect(addButton, &QPushButton::clicked, this, add);
    connect(m_rainGauges, &QTableWidget::cellDoubleClicked, this, [add](int, int) { add(); });
    connect(m_rainGauges, &QTableWidget::activated, this, [add](const QModelIndex &) { add(); });
    connect(m_lists, qOverload<int>(&QComboBox::activated), this,
            &OverlayChartScreen::fillRainGauges);
    return frame;
}

void OverlayChartScreen::InitCboListe()
{
    if (!m_lists)
        return;
    m_lists->clear();
    m_lists->addItem(QStringLiteral("Tous les pluviomètres"), qint64(0));
    for (const OverlaySavedList &list : overlaySavedLists(AccesBase::instance(), session().login))
        m_lists->addItem(list.comboText(), list.code);
}

void OverlayChartScreen::fillRainGauges()
{
    if (!m_rainGauges)
        return;
    const StationListResult stations = loadStationList();
    if (!stations.ok) {
        showMessage(MessageKind::Erreur, stations.error);
        return;
    }
    // A saved list narrows the stations by its own filter, as the station list applies it.
    const qint64 listCode = m_lists ? m_lists->currentData().toLongLong() : 0;
    std::optional<QSet<qint64>> chosen;
    if (listCode > 0) {
        const RecordTable list = AccesBase::instance().ExtraireRecords(
            QStringLiteral("SELECT selectionFiltre, requete FROM Utilisateurs_Listes WHERE "
                           "Module='PLX' AND CodeListe = ") +
            sqlNumber(listCode));
        if (list.ok() && list.rowCount() > 0) {
            const ListSelection selection = codesSelectedBy(list.text(0, 0), list.text(0, 1));
            if (!selection.ok) {
                showMessage(MessageKind::Erreur, selection.error);
                return;
            }
            chosen = selection.codes;
        }
    }
    m_rainGauges->setUpdatesEnabled(false);
    m_rainGauges->setRowCount(0);
    QSet<qint64> seen; // a station with two managers has two rows in the station list
    for (const StationListRow &row : stations.rows) {
        if ((chosen && !chosen->contains(row.code)) || seen.contains(row.code))
            continue;
        seen.insert(row.code);
        const int r = m_rainGauges->rowCount();
        m_rainGauges->insertRow(r);
        const QStringList texts{QString::number(row.code), row.nom, row.identifiant, row.commune};
        for (int c = 0; c < 4; ++c)
            m_rainGauges->setItem(r, c, new QTableWidgetItem(texts[c]));
    }
    m_rainGauges->setUpdatesEnabled(true);
}

void OverlayChartScreen::redraw()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_chart->Tracer();
    QApplication::restoreOverrideCursor();
}

QStringList OverlayChartScreen::rainGaugeTexts(const QTableWidget *source)
{
    const int row = source ? source->currentRow() : -1;
    if (row < 0)
        return {};
    const auto text = [&](int c) {
        return source->item(row, c) ? source->item(row, c)->text() : QString();
    };
    return {text(1), text(2), text(3), text(0)};
}

std::array<QCheckBox *, 6> OverlayChartScreen::parameterBoxes(const char *name, QWidget *parent,
                                                              QVBoxLayout *layout)
{
    static const char *const captions[6] = {"Pluie",       "Pluie efficace", "Etp",
                                            "Paramètre 1", "Paramètre 2",    "Paramètre 3"};
    std::array<QCheckBox *, 6> boxes{};
    for (int i = 0; i < 6; ++i) {
        QString caption = QString::fromUtf8(captions[i]);
        bool shown = true;
        if (i >= 3) {
            const auto stored = storedParameterLabel(AccesBase::instance(), i - 2);
            shown = stored && !stored->isEmpty();
            if (shown)
                caption = *stored;
        }
        auto *box = new QCheckBox(caption, parent);
        box->setObjectName(QLatin1String(name) + QLatin1Char('_') + QString::number(i + 1));
        box->setVisible(shown);
        layout->addWidget(box);
        boxes[size_t(i)] = box;
        connect(box, &QCheckBox::clicked, this, &OverlayChartScreen::TraitementParametres);
    }
    boxes[0]->setChecked(true);
    return boxes;
}

void OverlayChartScreen::DeclencheExcel()
{
    const XlsxGrid grid = chartCurvesGrid(m_chart->curves(), windowTitle());
    if (!grid.chart) {
        showMessage(MessageKind::Aide, QStringLiteral("Aucune courbe affichée à exporter."));
        return;
    }
    exportGridInOneClick(this, grid);
}

} // namespace plx
