#include "charts/widgets/stationchartscreen.h"

#include "base/messages.h"
#include "base/widgets/imagepreview.h"
#include "charts/widgets/editiongraphique.h"
#include "charts/widgets/editiongraphiqueannee.h"
#include "charts/widgets/editiongraphiqueannuaire.h"
#include "charts/widgets/editiongraphiquecompnormale.h"
#include "db/accesbase.h"
#include "measures/measurerights.h"
#include "measures/parameterlabels.h"
#include "outputs/chartgrid.h"
#include "outputs/widgets/gridexport.h"
#include "stations/stationcodes.h"

#include <QApplication>
#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
#include <QVBoxLayout>

namespace plx {

StationChartScreen::StationChartScreen(CtlGraphique::Kind kind, const QString &title,
                                       QWidget *parent)
    : QWidget(parent), m_title(title)
{
    setWindowTitle(title);
    m_chart = new CtlGraphique(this);
    m_chart->setObjectName(QStringLiteral("CtlGraphique1"));
    m_chart->setKind(kind);
    m_chart->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);

    m_previous = new QPushButton(QStringLiteral("◀ Précédent"), this);
    m_previous->setObjectName(QStringLiteral("CmdPrecedent"));
    m_previous->setToolTip(QStringLiteral("Pluviomètre précédent de la liste (Alt+Gauche)"));
    m_next = new QPushButton(QStringLiteral("Suivant ▶"), this);
    m_next->setObjectName(QStringLiteral("CmdSuivant"));
    m_next->setToolTip(QStringLiteral("Pluviomètre suivant de la liste (Alt+Droite)"));
    connect(m_previous, &QPushButton::clicked, this, &StationChartScreen::loadPrevious);
    connect(m_next, &QPushButton::clicked, this, &StationChartScreen::loadNext);
    for (const auto &[key, target] :
         {std::pair{Qt::Key_Left, m_previous}, std::pair{Qt::Key_Right, m_next}}) {
        auto *shortcut = new QShortcut(QKeySequence(Qt::ALT | key), this);
        shortcut->setContext(Qt::WidgetWithChildrenShortcut);
        connect(shortcut, &QShortcut::activated, target, &QPushButton::click);
    }

    m_topBar = new QHBoxLayout;
    m_topBar->addWidget(m_previous);
    m_topBar->addWidget(m_next);
    m_topBar->addStretch(1);

    // The options scroll rather than being cut off on a short window.
    auto *scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("DefilementOptions"));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setWidgetResizable(true);
    m_side = new QWidget(scroll);
    m_side->setObjectName(QStringLiteral("PanneauOptions"));
    scroll->setWidget(m_side);
    scroll->setFixedWidth(250 + scroll->verticalScrollBar()->sizeHint().width());
    m_sideScroll = scroll;

    auto *middle = new QHBoxLayout;
    m_chartColumn = new QVBoxLayout;
    m_chartColumn->addWidget(m_chart, 1);
    middle->addLayout(m_chartColumn, 1);
    middle->addWidget(scroll);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addLayout(m_topBar);
    layout->addLayout(middle, 1);
    // Fits the window area of a 1366 x 768 screen, frame included.
    resize(1300, 620);
}

StationChartScreen::~StationChartScreen() = default;

StationChartScreen *StationChartScreen::openFor(Navigator &navigator, const QString &code,
                                                StationChart kind, NeighbourLookup lookup)
{
    if (!mayConsultMeasures())
        return nullptr;
    const auto ofKind = [kind](StationChartScreen *chart) {
        switch (kind) {
        case StationChart::Chronicle:
            return qobject_cast<EditionGraphique *>(chart) != nullptr;
        case StationChart::Yearly:
            return qobject_cast<EditionGraphiqueAnnee *>(chart) != nullptr;
        case StationChart::Yearbook:
            return qobject_cast<EditionGraphiqueAnnuaire *>(chart) != nullptr;
        case StationChart::Normals:
            return qobject_cast<EditionGraphiqueCompNormale *>(chart) != nullptr;
        }
        return false;
    };
    StationChartScreen *screen = nullptr;
    for (QWidget *open : navigator.screens()) {
        auto *chart = qobject_cast<StationChartScreen *>(open);
        // The grid chart of the validation editor is a screen of its own kind.
        if (chart && screenKind(chart) == QLatin1String(chart->metaObject()->className()) &&
            ofKind(chart)) {
            screen = chart;
            break;
        }
    }
    if (!screen) {
        switch (kind) {
        case StationChart::Chronicle:
            screen = new EditionGraphique;
            break;
        case StationChart::Yearly:
            screen = new EditionGraphiqueAnnee;
            break;
        case StationChart::Yearbook:
            screen = new EditionGraphiqueAnnuaire;
            break;
        case StationChart::Normals:
            screen = new EditionGraphiqueCompNormale;
            break;
        }
    }
    screen = qobject_cast<StationChartScreen *>(navigator.openScreen(screen));
    if (!screen)
        return nullptr;
    screen->setNeighbourLookup(std::move(lookup));
    if (screen->stationCode() != normalisedStationCode(code) || !screen->isInitialised())
        screen->InitDebranchement(code);
    return screen;
}

QString StationChartScreen::reportStationCode() const
{
    return m_initialised ? m_code : QString();
}

bool StationChartScreen::reportPeriod(QDate &start, QDate &end) const
{
    if (!m_initialised)
        return false;
    m_chart->RecupDatesChargement(start, end);
    return start.isValid() && end.isValid();
}

bool StationChartScreen::hasReportData() const
{
    QDate start, end;
    return reportPeriod(start, end);
}

void StationChartScreen::setNeighbourLookup(NeighbourLookup lookup)
{
    m_neighbours = std::move(lookup);
}

QString StationChartScreen::stationTitle() const
{
    if (m_code.isEmpty())
        return m_title;
    return m_title + QStringLiteral(" - ") + (m_name.isEmpty() ? m_code : m_name);
}

bool StationChartScreen::InitDebranchement(const QString &code)
{
    if (m_loading)
        return false;
    const QString normalised = normalisedStationCode(code);
    if (normalised.isEmpty()) {
        showMessage(MessageKind::Erreur,
                    QStringLiteral("Code de pluviomètre incorrect : ") + code.trimmed());
        return false;
    }
    AccesBase &db = AccesBase::instance();
    m_code = normalised;
    m_name = stationDisplayName(db, m_code);
    setWindowTitle(stationTitle());
    m_freeLabels.clear();
    for (int id = 1; id <= 3; ++id)
        m_freeLabels << storedParameterLabel(db, id).value_or(QString());

    // Reading a long record takes a moment: say so, and let a second click wait for it.
    m_loading = true;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_initialised = m_chart->Initialiser(QStringLiteral("PLXReader"), db, window(), m_code);
    QApplication::restoreOverrideCursor();
    m_loading = false;
    if (m_initialised)
        m_chart->Actualiser();
    stationChanged();
    TraitementParametres();
    return m_initialised;
}

void StationChartScreen::hideStationControls()
{
    m_sideScroll->hide();
    m_previous->hide();
    m_next->hide();
}

void StationChartScreen::loadPrevious()
{
    loadNeighbour(-1);
}

void StationChartScreen::loadNext()
{
    loadNeighbour(1);
}

void StationChartScreen::loadNeighbour(int step)
{
    if (m_code.isEmpty() || m_loading)
        return;
    const QString code = m_neighbours ? m_neighbours(m_code, step)
                                      : adjacentStationCode(AccesBase::instance(), m_code, step);
    if (code.isEmpty() || normalisedStationCode(code) == m_code)
        return;
    InitDebranchement(code);
}

void StationChartScreen::AppelDeclencheClick(int index)
{
    // The main window dispatches its toolbar by index; a screen shown alone has none.
    QWidget *frame = window();
    if (frame && frame != this && frame->metaObject()->indexOfMethod("dispatchToolbar(int)") >= 0)
        QMetaObject::invokeMethod(frame, "dispatchToolbar", Qt::DirectConnection,
                                  Q_ARG(int, index));
}

void StationChartScreen::DeclencheApercu()
{
    const QPixmap image = m_chart->grab();
    previewImage(this, image, windowTitle());
}

void StationChartScreen::DeclencheAide()
{
    if (Navigator *navigator = navigatorFor(this))
        navigator->showHelp();
}

void StationChartScreen::openChronicle()
{
    if (Navigator *navigator = navigatorFor(this); navigator && !m_code.isEmpty())
        navigator->openStationChart(m_code, StationChart::Chronicle, m_neighbours);
}

void StationChartScreen::openYearlyChart()
{
    if (Navigator *navigator = navigatorFor(this); navigator && !m_code.isEmpty())
        navigator->openStationChart(m_code, StationChart::Yearly, m_neighbours);
}

void StationChartScreen::openYearbook()
{
    if (Navigator *navigator = navigatorFor(this); navigator && !m_code.isEmpty())
        navigator->openStationChart(m_code, StationChart::Yearbook, m_neighbours);
}

void StationChartScreen::openNormalsComparison()
{
    if (Navigator *navigator = navigatorFor(this); navigator && !m_code.isEmpty())
        navigator->openStationChart(m_code, StationChart::Normals, m_neighbours);
}

void StationChartScreen::DeclencheExcel()
{
    const XlsxGrid grid = chartCurvesGrid(m_chart->curves(), windowTitle());
    if (!grid.chart) {
        showMessage(MessageKind::Aide, QStringLiteral("Aucune courbe affichée à exporter."));
        return;
    }
    exportGridInOneClick(this, grid);
}

} // namespace plx
