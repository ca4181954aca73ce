#pragma once

#include "stations/bulletins.h"

#include <QSet>
#include <QString>
#include <QWidget>

#include <optional>
#include <vector>

class QLabel;
class QLineEdit;
class QModelIndex;
class QPlainTextEdit;
class QPushButton;
class QSortFilterProxyModel;
class QStandardItem;
class QStandardItemModel;
class QTableView;
class QTabWidget;

namespace plx {

class SubListGrid;

// The bulletins over several rain gauges: their list, the selected bulletin's fields and
// the stations it covers (a checkable list of the register's stations). Opened for a
// station (from its record), the list gains a "Lié" column: ticking it links or unlinks
// that station at once, and a second tab edits the station's own bulletins
// (PLUVIOMETRE_BULLETINS). Without the right PLUVIO_BULLETINS the screen is read-only.
class BulletinsPluvio : public QWidget
{
    Q_OBJECT

public:
    // stationCode "" for every bulletin, else the station the record opened it for.
    explicit BulletinsPluvio(const QString &stationCode = QString(), QWidget *parent = nullptr);

    static QString screenTitle() { return QStringLiteral("Bulletins"); }

    const std::vector<Bulletin> &bulletins() const { return m_rows; }
    // The code of the bulletin in the fields; nullopt for a new one or none.
    std::optional<qlonglong> currentCode() const { return m_current; }
    bool hasUnsavedChanges() const;
    // The station's own bulletins (opened for a station only, else nullptr).
    SubListGrid *stationBulletins() const { return m_own; }
    bool selectBulletin(qlonglong code);
    // Links or unlinks the screen's station to a bulletin (the "Lié" tick).
    bool setStationLinked(qlonglong bulletin, bool linked);
    // The stations ticked in the selection list.
    QSet<qlonglong> checkedStations() const;
    void setStationChecked(qlonglong station, bool checked);
    bool canEdit() const;

public slots:
    void declencheInserer();
    void DeclencheSupprimer();
    void DeclenchePoubelle();
    bool declencheEnregistrer();
    // The bulletin list to a spreadsheet, titled "Liste_des_bulletins".
    void DeclencheExcel();
    void DeclencheAide();
    void Actualiser();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildUi();
    QWidget *buildNetworkPage();
    bool ownTabCurrent() const;
    QWidget *buildForm();
    QWidget *buildStations();
    bool load();
    void fillList();
    void fillStations();
    void showBulletin(const Bulletin *bulletin);
    // The top row of the list, or empty fields when there is none.
    void selectFirst();
    void onRowChanged(const QModelIndex &current, const QModelIndex &previous);
    void onListItemChanged(QStandardItem *item);
    void onStationItemChanged(QStandardItem *item);
    void setAllStations(bool checked);
    bool confirmDiscard();
    void markDirty();
    void updateButtons();
    const Bulletin *find(qlonglong code) const;

    QString m_station; // "" when opened on every bulletin
    std::vector<Bulletin> m_rows;
    std::optional<qlonglong> m_current;
    QSet<qlonglong> m_visibleStations; // the stations the user may see (and so tick)
    bool m_dirty = false;
    bool m_filling = false;

    // Owned by the screen (Qt parent).
    QStandardItemModel *m_model = nullptr;
    QTableView *m_list = nullptr;
    QLabel *m_lblStation = nullptr;
    QLineEdit *m_txtTitre = nullptr;
    QPlainTextEdit *m_txtChapitre = nullptr;
    QLineEdit *m_txtDate = nullptr;
    QLineEdit *m_txtAuteur = nullptr;
    QStandardItemModel *m_stations = nullptr;
    QSortFilterProxyModel *m_stationFilter = nullptr;
    QTableView *m_stationList = nullptr;
    QLineEdit *m_txtRecherche = nullptr;
    QLabel *m_lblSelection = nullptr;
    QPushButton *m_cmdNouveau = nullptr;
    QPushButton *m_cmdEnregistrer = nullptr;
    QPushButton *m_cmdAnnuler = nullptr;
    QPushButton *m_cmdSupprimer = nullptr;
    QPushButton *m_cmdTout = nullptr;
    QPushButton *m_cmdRien = nullptr;
    QTabWidget *m_tabs = nullptr; // for a station only
    SubListGrid *m_own = nullptr; // for a station only
};

} // namespace plx
