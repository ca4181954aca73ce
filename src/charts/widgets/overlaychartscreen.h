#pragma once

#include "base/widgets/navigator.h"
#include "charts/widgets/ctlgraphique.h"
#include "charts/widgets/optiongroup.h"

#include <QWidget>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QPushButton;
class QTableWidget;
class QVBoxLayout;

namespace plx {

class CollapsibleFrame;
class OverlayDisplayList;

// What the two overlay screens share: the chart beside a scrolling side panel, the rain
// gauges to pick from (CboListe's saved list applied to SprPluviometres) and the option
// groups. The screens add their frames and say how the options become properties.
class OverlayChartScreen : public QWidget
{
    Q_OBJECT

public:
    ~OverlayChartScreen() override;

    // Brings the navigator's one screen of that kind to the front, with the rain gauges
    // given added to its display list.
    static OverlayChartScreen *openFor(Navigator &navigator, Navigator::OverlayChart kind,
                                       const QStringList &rainGauges);
    // Adds the rain gauges of SprPluviometres with those codes; unknown codes are skipped.
    void addRainGauges(const QStringList &codes);

    CtlGraphique *chart() const { return m_chart; }
    QComboBox *savedLists() const { return m_lists; }
    QTableWidget *rainGauges() const { return m_rainGauges; }

public slots:
    virtual void TraitementParametres() = 0;
    // Fills CboListe with the lists the user may see, "Tous les pluviomètres" first.
    void InitCboListe();
    // Fills SprPluviometres with the rain gauges of the chosen list, within the user's scope.
    void fillRainGauges();
    // The visible curves as a table with a native chart of the workbook, in one click.
    void DeclencheExcel();

protected:
    OverlayChartScreen(const QString &title, QWidget *parent);

    QVBoxLayout *sideLayout() const { return m_side; }
    // "Liste des pluviomètres": CboListe, SprPluviometres and an "Ajouter" button that,
    // like a double click, calls add().
    CollapsibleFrame *rainGaugeFrame(const char *name, const std::function<void()> &add);
    // The parameters 1 to 6 as check boxes name_1..name_6, rainfall checked; the free
    // parameters under their stored caption, hidden without one.
    std::array<QCheckBox *, 6> parameterBoxes(const char *name, QWidget *parent,
                                              QVBoxLayout *layout);
    // The texts {title, key, commune, code} of the source's current row; empty when none.
    static QStringList rainGaugeTexts(const QTableWidget *source);
    // Appends {title, key, commune, code} to the rain-gauge display list.
    virtual void addRainGauge(const QStringList &texts) = 0;

    // Redraws with the wait cursor: a first reading of many long series takes a moment.
    void redraw();

    CtlGraphique *m_chart = nullptr; // owned by Qt parenthood
    bool m_ready = false;            // the component was initialised

private:
    QVBoxLayout *m_side = nullptr;
    QComboBox *m_lists = nullptr;
    QTableWidget *m_rainGauges = nullptr;
};

} // namespace plx
