#include "stations/widgets/bulletinspluvio.h"

#include "base/locale.h"
#include "base/messages.h"
#include "base/widgets/navigator.h"
#include "db/accesbase.h"
#include "outputs/widgets/gridexport.h"
#include "session/session.h"
#include "stations/stationcodes.h"
#include "stations/stationlist.h"
#include "stations/widgets/sublistgrid.h"

#include <QCloseEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QSplitter>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

namespace plx {

namespace {

constexpr int kCodeRole = Qt::UserRole + 1; // CodeBulletin, or the station's code
constexpr int kSortRole = Qt::UserRole + 2; // typed value: sorting and export

enum ListColumn {
    ColLie,
    ColNumero,
    ColTitre,
    ColChapitre,
    ColPublication,
    ColAuteur,
    ColStations
};

QStandardItem *cell(const QString &text, const QVariant &sortValue)
{
    auto *item = new QStandardItem(text);
    item->setData(sortValue, kSortRole);
    item->setEditable(false);
    return item;
}

QString firstLine(const QString &text)
{
    return text.section(QLatin1Char('\n'), 0, 0).trimmed();
}

} // namespace

BulletinsPluvio::BulletinsPluvio(const QString &stationCode, QWidget *parent)
    : QWidget(parent), m_station(normalisedStationCode(stationCode))
{
    setObjectName(QStringLiteral("BulletinsPluvio"));
    // One screen per station: the record of another station opens its own.
    setProperty("plxScreenKey", QStringLiteral("BulletinsPluvio:") + m_station);
    // The "*" of unsaved changes shows in the title.
    setWindowTitle(screenTitle() + QStringLiteral("[*]"));
    buildUi();
    Actualiser();
    resize(1180, 620);
}

QWidget *BulletinsPluvio::buildNetworkPage()
{
    auto *page = new QWidget(this);
    m_model = new QStandardItemModel(0, 7, this);
    m_model->setHorizontalHeaderLabels({QStringLiteral("Lié"), QStringLiteral("N°"),
                                        QStringLiteral("Titre"), QStringLiteral("Chapitre"),
                                        QStringLiteral("Publication"), QStringLiteral("Auteur"),
                                        QStringLiteral("Stations")});
    m_model->setSortRole(kSortRole);
    connect(m_model, &QStandardItemModel::itemChanged, this, &BulletinsPluvio::onListItemChanged);

    m_list = new QTableView(this);
    m_list->setObjectName(QStringLiteral("SprBulletins"));
    m_list->setModel(m_model);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setSortingEnabled(true);
    m_list->sortByColumn(ColNumero, Qt::DescendingOrder);
    m_list->setAlternatingRowColors(true);
    m_list->setWordWrap(false);
    m_list->verticalHeader()->hide();
    m_list->verticalHeader()->setDefaultSectionSize(m_list->fontMetrics().height() + 6);
    m_list->horizontalHeader()->setStretchLastSection(false);
    m_list->horizontalHeader()->setSectionResizeMode(ColTitre, QHeaderView::Stretch);
    m_list->setColumnHidden(ColLie, m_station.isEmpty());
    connect(m_list->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &BulletinsPluvio::onRowChanged);

    m_lblStation = new QLabel(this);
    m_lblStation->setObjectName(QStringLiteral("lblPluviometre"));
    m_lblStation->setWordWrap(true);
    m_lblStation->setVisible(!m_station.isEmpty());

    auto *left = new QWidget(this);
    auto *leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    leftLayout->addWidget(m_lblStation);
    leftLayout->addWidget(m_list, 1);

    auto *right = new QWidget(this);
    auto *rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    rightLayout->addWidget(buildForm());
    rightLayout->addWidget(buildStations(), 1);

    auto button = [this](const char *name, const QString &text) {
        auto *b = new QPushButton(text, this);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
        return b;
    };
    m_cmdNouveau = button("CmdNouveau", QStringLiteral("N&ouveau"));
    m_cmdSupprimer = button("CmdSupprimer", QStringLiteral("Supp&rimer"));
    m_cmdAnnuler = button("CmdAnnuler", QStringLiteral("A&bandonner"));
    m_cmdEnregistrer = button("CmdEnregistrer", QStringLiteral("&Enregistrer"));
    connect(m_cmdNouveau, &QPushButton::clicked, this, &BulletinsPluvio::declencheInserer);
    connect(m_cmdSupprimer, &QPushButton::clicked, this, &BulletinsPluvio::DeclencheSupprimer);
    connect(m_cmdAnnuler, &QPushButton::clicked, this, &BulletinsPluvio::DeclenchePoubelle);
    connect(m_cmdEnregistrer, &QPushButton::clicked, this, &BulletinsPluvio::declencheEnregistrer);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_cmdNouveau);
    buttons->addWidget(m_cmdSupprimer);
    buttons->addStretch(1);
    buttons->addWidget(m_cmdAnnuler);
    buttons->addWidget(m_cmdEnregistrer);
    rightLayout->addLayout(buttons);

    auto *splitter = new QSplitter(Qt::Horizontal, this);
    splitter->setChildrenCollapsible(false);
    splitter->addWidget(left);
    splitter->addWidget(right);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 2);
    // The list gets the larger part: titles are what users scan.
    splitter->setSizes({720, 480});
    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(splitter, 1);
    return page;
}

void BulletinsPluvio::buildUi()
{
    QWidget *network = buildNetworkPage();
    auto *layout = new QVBoxLayout(this);
    if (m_station.isEmpty()) {
        layout->addWidget(network, 1);
    } else {
        m_tabs = new QTabWidget(this);
        m_tabs->setObjectName(QStringLiteral("TabBulletins"));
        m_tabs->addTab(network, QStringLiteral("Bulletins du réseau"));
        m_own =
            new SubListGrid(SubListTab::Bulletins, QStringLiteral("BulletinsPluviometre"), m_tabs);
        m_own->setEditable(canEdit());
        QPushButton *save =
            m_own->addButton("CmdEnregistrerBulletinsPluviometre", QStringLiteral("&Enregistrer"));
        save->setEnabled(canEdit());
        connect(save, &QPushButton::clicked, m_own, &SubListGrid::save);
        connect(m_own, &SubListGrid::dirtyChanged, this,
                [this] { setWindowModified(hasUnsavedChanges()); });
        m_tabs->addTab(m_own, QStringLiteral("Bulletins du pluviomètre"));
        layout->addWidget(m_tabs, 1);
    }

    setTabOrder(m_list, m_txtTitre);
    setTabOrder(m_txtTitre, m_txtChapitre);
    setTabOrder(m_txtChapitre, m_txtDate);
    setTabOrder(m_txtDate, m_txtAuteur);
    setTabOrder(m_txtAuteur, m_txtRecherche);
    setTabOrder(m_txtRecherche, m_stationList);
}

QWidget *BulletinsPluvio::buildForm()
{
    auto *form = new QGroupBox(QStringLiteral("Bulletin"), this);
    m_txtTitre = new QLineEdit(form);
    m_txtTitre->setObjectName(QStringLiteral("TxtTitre"));
    m_txtChapitre = new QPlainTextEdit(form);
    m_txtChapitre->setObjectName(QStringLiteral("TxtChapitre"));
    m_txtChapitre->setTabChangesFocus(true);
    m_txtChapitre->setFixedHeight(m_txtChapitre->fontMetrics().lineSpacing() * 3 + 12);
    m_txtDate = new QLineEdit(form);
    m_txtDate->setObjectName(QStringLiteral("TxtDatePublication"));
    m_txtDate->setPlaceholderText(QStringLiteral("jj/mm/aaaa"));
    m_txtDate->setMaxLength(10);
    m_txtDate->setMaximumWidth(m_txtDate->fontMetrics().horizontalAdvance(QLatin1Char('0')) * 14);
    m_txtAuteur = new QLineEdit(form);
    m_txtAuteur->setObjectName(QStringLiteral("TxtAuteur"));
    m_txtAuteur->setMaxLength(kBulletinAuthorLength);
    auto *fields = new QFormLayout(form);
    fields->addRow(QStringLiteral("&Titre :"), m_txtTitre);
    fields->addRow(QStringLiteral("&Chapitre :"), m_txtChapitre);
    fields->addRow(QStringLiteral("&Date de publication :"), m_txtDate);
    fields->addRow(QStringLiteral("A&uteur :"), m_txtAuteur);
    for (QLineEdit *edit : {m_txtTitre, m_txtDate, m_txtAuteur}) {
        connect(edit, &QLineEdit::textEdited, this, &BulletinsPluvio::markDirty);
        // Enter in a one-line field saves, as in the other forms.
        connect(edit, &QLineEdit::returnPressed, this, &BulletinsPluvio::declencheEnregistrer);
    }
    connect(m_txtChapitre, &QPlainTextEdit::textChanged, this, &BulletinsPluvio::markDirty);
    return form;
}

QWidget *BulletinsPluvio::buildStations()
{
    auto *box = new QGroupBox(QStringLiteral("Stations concernées par le bulletin"), this);
    m_stations = new QStandardItemModel(0, 3, this);
    m_stations->setHorizontalHeaderLabels(
        {QStringLiteral("Num"), QStringLiteral("Nom du site"), QStringLiteral("Identifiant")});
    m_stations->setSortRole(kSortRole);
    connect(m_stations, &QStandardItemModel::itemChanged, this,
            &BulletinsPluvio::onStationItemChanged);
    m_stationFilter = new QSortFilterProxyModel(this);
    m_stationFilter->setSourceModel(m_stations);
    m_stationFilter->setFilterKeyColumn(-1);
    m_stationFilter->setFilterCaseSensitivity(Qt::CaseInsensitive);
    m_stationFilter->setSortRole(kSortRole);

    m_stationList = new QTableView(box);
    m_stationList->setObjectName(QStringLiteral("SprStations"));
    m_stationList->setModel(m_stationFilter);
    m_stationList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_stationList->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_stationList->setSortingEnabled(true);
    m_stationList->sortByColumn(1, Qt::AscendingOrder);
    m_stationList->setWordWrap(false);
    m_stationList->verticalHeader()->hide();
    m_stationList->verticalHeader()->setDefaultSectionSize(m_stationList->fontMetrics().height() +
                                                           6);
    m_stationList->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    m_stationList->setToolTip(QStringLiteral("Cochez les stations que le bulletin concerne "
                                             "(Entrée coche ou décoche la ligne choisie)"));
    // Enter ticks the current row from the keyboard, as a click on its box does.
    connect(m_stationList, &QTableView::activated, this, [this](const QModelIndex &index) {
        QStandardItem *item = m_stations->item(m_stationFilter->mapToSource(index).row(), 0);
        if (item && item->isCheckable() && item->isEnabled())
            item->setCheckState(item->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
    });

    m_txtRecherche = new QLineEdit(box);
    m_txtRecherche->setObjectName(QStringLiteral("TxtRecherche"));
    m_txtRecherche->setPlaceholderText(
        QStringLiteral("Rechercher un site (nom, code, identifiant)"));
    m_txtRecherche->setClearButtonEnabled(true);
    connect(m_txtRecherche, &QLineEdit::textChanged, m_stationFilter,
            &QSortFilterProxyModel::setFilterFixedString);
    m_cmdTout = new QPushButton(QStringLiteral("Tout co&cher"), box);
    m_cmdTout->setObjectName(QStringLiteral("CmdToutCocher"));
    m_cmdTout->setToolTip(QStringLiteral("Coche les stations affichées"));
    m_cmdRien = new QPushButton(QStringLiteral("Tout déc&ocher"), box);
    m_cmdRien->setObjectName(QStringLiteral("CmdToutDecocher"));
    m_cmdRien->setToolTip(QStringLiteral("Décoche les stations affichées"));
    for (QPushButton *b : {m_cmdTout, m_cmdRien})
        b->setAutoDefault(false);
    connect(m_cmdTout, &QPushButton::clicked, this, [this] { setAllStations(true); });
    connect(m_cmdRien, &QPushButton::clicked, this, [this] { setAllStations(false); });
    m_lblSelection = new QLabel(box);
    m_lblSelection->setObjectName(QStringLiteral("lblSelection"));

    auto *tools = new QHBoxLayout;
    tools->addWidget(m_txtRecherche, 1);
    tools->addWidget(m_cmdTout);
    tools->addWidget(m_cmdRien);
    auto *layout = new QVBoxLayout(box);
    layout->addLayout(tools);
    layout->addWidget(m_stationList, 1);
    layout->addWidget(m_lblSelection);
    return box;
}

bool BulletinsPluvio::hasUnsavedChanges() const
{
    return m_dirty || (m_own && m_own->isDirty());
}

bool BulletinsPluvio::ownTabCurrent() const
{
    return m_tabs && m_tabs->currentWidget() == m_own;
}

bool BulletinsPluvio::canEdit() const
{
    return session().hasRight(QStringLiteral("PLUVIO_BULLETINS"));
}

bool BulletinsPluvio::load()
{
    m_rows.clear();
    const BulletinLoad loaded = loadBulletins(AccesBase::instance(), m_station);
    if (!loaded.ok) {
        showMessage(MessageKind::Erreur,
                    QStringLiteral("Les bulletins n'ont pas pu être lus : ") + loaded.error);
        return false;
    }
    m_rows = loaded.rows;
    return true;
}

const Bulletin *BulletinsPluvio::find(qlonglong code) const
{
    const auto it = std::find_if(m_rows.begin(), m_rows.end(),
                                 [code](const Bulletin &b) { return b.code == code; });
    return it == m_rows.end() ? nullptr : &*it;
}

void BulletinsPluvio::fillList()
{
    m_filling = true;
    m_model->removeRows(0, m_model->rowCount());
    for (const Bulletin &b : m_rows) {
        auto *lie = cell(QString(), b.linked ? QStringLiteral("Oui") : QStringLiteral("Non"));
        lie->setCheckable(!m_station.isEmpty() && canEdit());
        lie->setCheckState(b.linked ? Qt::Checked : Qt::Unchecked);
        lie->setToolTip(QStringLiteral("Le bulletin concerne ce pluviomètre"));
        auto *numero = cell(QString::number(b.code), b.code);
        numero->setData(b.code, kCodeRole);
        numero->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        auto *titre = cell(firstLine(b.titre), b.titre);
        titre->setToolTip(b.titre);
        auto *chapitre = cell(firstLine(b.chapitre), b.chapitre);
        chapitre->setToolTip(b.chapitre);
        auto *date = cell(formatDate(b.datePublication),
                          b.datePublication.isValid() ? QVariant(b.datePublication) : QVariant());
        auto *auteur = cell(b.auteur, b.auteur);
        auto *count = cell(QString::number(b.stationCount), b.stationCount);
        count->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        m_model->appendRow({lie, numero, titre, chapitre, date, auteur, count});
    }
    const QHeaderView *header = m_list->horizontalHeader();
    m_list->sortByColumn(header->sortIndicatorSection(), header->sortIndicatorOrder());
    const int digit = m_list->fontMetrics().horizontalAdvance(QLatin1Char('0'));
    m_list->setColumnWidth(ColLie, digit * 5 + 12);
    m_list->setColumnWidth(ColNumero, digit * 6 + 12);
    m_list->setColumnWidth(ColChapitre, digit * 18);
    m_list->setColumnWidth(ColPublication, digit * 11 + 12);
    m_list->setColumnWidth(ColAuteur, digit * 14);
    m_list->setColumnWidth(ColStations, digit * 9 + 12);
    m_filling = false;
}

void BulletinsPluvio::fillStations()
{
    m_filling = true;
    m_stations->removeRows(0, m_stations->rowCount());
    m_visibleStations.clear();
    const StationListResult list = loadStationList();
    if (!list.ok)
        showMessage(MessageKind::Erreur,
                    QStringLiteral("La liste des pluviomètres n'a pas pu être lue : ") +
                        list.error);
    for (const StationListRow &row : list.rows) {
        if (m_visibleStations.contains(row.code))
            continue; // a station with two managers comes twice
        m_visibleStations.insert(row.code);
        auto *code = cell(QString::number(row.code), row.code);
        code->setData(row.code, kCodeRole);
        code->setCheckable(true);
        code->setCheckState(Qt::Unchecked);
        auto *nom = cell(row.nom, row.nom.toLower());
        auto *identifiant = cell(row.identifiant, row.identifiant);
        m_stations->appendRow({code, nom, identifiant});
    }
    m_stationList->resizeColumnToContents(0);
    m_stationList->resizeColumnToContents(2);
    m_filling = false;
}

QSet<qlonglong> BulletinsPluvio::checkedStations() const
{
    QSet<qlonglong> checked;
    for (int r = 0; r < m_stations->rowCount(); ++r) {
        const QStandardItem *item = m_stations->item(r, 0);
        if (item->checkState() == Qt::Checked)
            checked.insert(item->data(kCodeRole).toLongLong());
    }
    return checked;
}

void BulletinsPluvio::setStationChecked(qlonglong station, bool checked)
{
    for (int r = 0; r < m_stations->rowCount(); ++r) {
        QStandardItem *item = m_stations->item(r, 0);
        if (item->data(kCodeRole).toLongLong() == station)
            item->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
    }
}

void BulletinsPluvio::setAllStations(bool checked)
{
    if (!canEdit())
        return;
    // Only the rows the search shows: "tout cocher" after a search ticks what was found.
    for (int r = 0; r < m_stationFilter->rowCount(); ++r) {
        QStandardItem *item =
            m_stations->item(m_stationFilter->mapToSource(m_stationFilter->index(r, 0)).row(), 0);
        item->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
    }
}

void BulletinsPluvio::onStationItemChanged(QStandardItem *item)
{
    if (m_filling || item->column() != 0)
        return;
    markDirty();
    const int count = int(checkedStations().size());
    m_lblSelection->setText(
        QStringLiteral("%1 station(s) cochée(s) sur %2").arg(count).arg(m_stations->rowCount()));
}

void BulletinsPluvio::showBulletin(const Bulletin *b)
{
    m_filling = true;
    m_current = b ? std::optional<qlonglong>(b->code) : std::nullopt;
    m_txtTitre->setText(b ? b->titre : QString());
    m_txtChapitre->setPlainText(b ? b->chapitre : QString());
    m_txtDate->setText(b ? formatDate(b->datePublication) : QString());
    m_txtAuteur->setText(b ? b->auteur : QString());
    QSet<qlonglong> linked;
    if (b) {
        QString error;
        if (!readBulletinStations(AccesBase::instance(), b->code, &linked, &error))
            showMessage(MessageKind::Erreur,
                        QStringLiteral("Les stations du bulletin n'ont pas pu être lues : ") +
                            error);
    } else if (!m_station.isEmpty()) {
        // A bulletin created from a record starts with that station.
        linked.insert(m_station.toLongLong());
    }
    for (int r = 0; r < m_stations->rowCount(); ++r) {
        QStandardItem *item = m_stations->item(r, 0);
        item->setCheckState(linked.contains(item->data(kCodeRole).toLongLong()) ? Qt::Checked
                                                                                : Qt::Unchecked);
    }
    int outOfSight = 0;
    for (const qlonglong code : linked)
        outOfSight += m_visibleStations.contains(code) ? 0 : 1;
    QString selection = QStringLiteral("%1 station(s) cochée(s) sur %2")
                            .arg(linked.size() - outOfSight)
                            .arg(m_stations->rowCount());
    if (outOfSight > 0)
        selection +=
            QStringLiteral(", et %1 hors de votre périmètre (conservée(s))").arg(outOfSight);
    m_lblSelection->setText(selection);
    m_dirty = false;
    m_filling = false;
    setWindowModified(false);
    updateButtons();
}

bool BulletinsPluvio::selectBulletin(qlonglong code)
{
    const Bulletin *b = find(code);
    if (!b)
        return false;
    m_filling = true;
    for (int r = 0; r < m_model->rowCount(); ++r) {
        if (m_model->item(r, ColNumero)->data(kCodeRole).toLongLong() == code) {
            m_list->setCurrentIndex(m_model->index(r, ColNumero));
            m_list->scrollTo(m_model->index(r, ColNumero));
            break;
        }
    }
    m_filling = false;
    showBulletin(b);
    return true;
}

void BulletinsPluvio::selectFirst()
{
    if (m_model->rowCount() == 0 ||
        !selectBulletin(m_model->item(0, ColNumero)->data(kCodeRole).toLongLong()))
        showBulletin(nullptr);
}

void BulletinsPluvio::onRowChanged(const QModelIndex &current, const QModelIndex &previous)
{
    if (m_filling)
        return;
    if (!confirmDiscard()) {
        m_filling = true;
        m_list->setCurrentIndex(previous);
        m_filling = false;
        return;
    }
    showBulletin(current.isValid()
                     ? find(m_model->index(current.row(), ColNumero).data(kCodeRole).toLongLong())
                     : nullptr);
}

void BulletinsPluvio::onListItemChanged(QStandardItem *item)
{
    if (m_filling || item->column() != ColLie || m_station.isEmpty())
        return;
    const qlonglong code = m_model->item(item->row(), ColNumero)->data(kCodeRole).toLongLong();
    const bool linked = item->checkState() == Qt::Checked;
    if (!setStationLinked(code, linked)) {
        m_filling = true;
        item->setCheckState(linked ? Qt::Unchecked : Qt::Checked);
        m_filling = false;
    }
}

bool BulletinsPluvio::setStationLinked(qlonglong bulletin, bool linked)
{
    if (m_station.isEmpty() || !canEdit())
        return false;
    const qlonglong station = m_station.toLongLong();
    const QString error =
        writeBulletinStations(AccesBase::instance(), bulletin, {station},
                              linked ? QSet<qlonglong>{station} : QSet<qlonglong>{});
    if (!error.isEmpty()) {
        showMessage(MessageKind::Erreur, error);
        return false;
    }
    // The row's figures and the selection list follow, without touching unsaved fields.
    for (Bulletin &b : m_rows) {
        if (b.code == bulletin && b.linked != linked) {
            b.linked = linked;
            b.stationCount += linked ? 1 : -1;
        }
    }
    m_filling = true;
    for (int r = 0; r < m_model->rowCount(); ++r) {
        if (m_model->item(r, ColNumero)->data(kCodeRole).toLongLong() != bulletin)
            continue;
        const Bulletin *b = find(bulletin);
        m_model->item(r, ColLie)->setCheckState(linked ? Qt::Checked : Qt::Unchecked);
        m_model->item(r, ColLie)->setData(linked ? QStringLiteral("Oui") : QStringLiteral("Non"),
                                          kSortRole);
        if (b) {
            m_model->item(r, ColStations)->setText(QString::number(b->stationCount));
            m_model->item(r, ColStations)->setData(b->stationCount, kSortRole);
        }
    }
    if (m_current && *m_current == bulletin)
        setStationChecked(station, linked);
    m_filling = false;
    return true;
}

void BulletinsPluvio::markDirty()
{
    if (m_filling)
        return;
    if (!m_dirty) {
        m_dirty = true;
        setWindowModified(true);
    }
    updateButtons();
}

void BulletinsPluvio::updateButtons()
{
    const bool editable = canEdit();
    for (QLineEdit *edit : {m_txtTitre, m_txtDate, m_txtAuteur})
        edit->setReadOnly(!editable);
    m_txtChapitre->setReadOnly(!editable);
    const bool wasFilling = m_filling;
    m_filling = true; // enabling an item signals a change that is no edit
    for (int r = 0; r < m_stations->rowCount(); ++r)
        m_stations->item(r, 0)->setEnabled(editable);
    m_filling = wasFilling;
    m_cmdTout->setEnabled(editable);
    m_cmdRien->setEnabled(editable);
    m_cmdNouveau->setEnabled(editable);
    m_cmdEnregistrer->setEnabled(editable && m_dirty);
    m_cmdAnnuler->setEnabled(m_dirty);
    m_cmdSupprimer->setEnabled(editable && m_current.has_value());
}

bool BulletinsPluvio::confirmDiscard()
{
    if (!m_dirty)
        return true;
    return showMessage(MessageKind::Question, QStringLiteral("Les modifications du bulletin ne "
                                                             "sont pas enregistrées.\nLes "
                                                             "abandonner ?"));
}

void BulletinsPluvio::declencheInserer()
{
    if (ownTabCurrent()) {
        m_own->declencheInserer();
        return;
    }
    if (!canEdit() || !confirmDiscard())
        return;
    m_filling = true;
    m_list->clearSelection();
    m_list->setCurrentIndex(QModelIndex());
    m_filling = false;
    showBulletin(nullptr);
    m_txtTitre->setFocus();
}

void BulletinsPluvio::DeclenchePoubelle()
{
    if (!confirmDiscard())
        return;
    showBulletin(m_current ? find(*m_current) : nullptr);
}

void BulletinsPluvio::Actualiser()
{
    if (!confirmDiscard())
        return;
    const std::optional<qlonglong> keep = m_current;
    if (!m_station.isEmpty())
        m_lblStation->setText(
            QStringLiteral("Pluviomètre : <b>%1</b> &mdash; cochez « Lié » pour rattacher le "
                           "pluviomètre à un bulletin.")
                .arg(stationDisplayName(AccesBase::instance(), m_station).toHtmlEscaped()));
    if (m_own && m_own->isDirty() &&
        !showMessage(MessageKind::Question, QStringLiteral("Les bulletins du pluviomètre ne sont "
                                                           "pas enregistrés.\nLes abandonner ?")))
        return;
    if (m_own)
        m_own->setStationCode(m_station);
    load();
    fillList();
    fillStations();
    if (!keep || !selectBulletin(*keep))
        selectFirst();
}

bool BulletinsPluvio::declencheEnregistrer()
{
    if (ownTabCurrent())
        return m_own->save();
    if (!canEdit()) {
        showMessage(MessageKind::Erreur, QStringLiteral("Vous ne disposez pas des droits "
                                                        "nécessaires pour modifier les "
                                                        "bulletins."));
        return false;
    }
    Bulletin typed;
    typed.code = m_current.value_or(0);
    typed.titre = m_txtTitre->text();
    typed.chapitre = m_txtChapitre->toPlainText();
    typed.auteur = m_txtAuteur->text();
    const QString dateText = m_txtDate->text().trimmed();
    if (!dateText.isEmpty()) {
        const std::optional<QDate> date = parseDate(dateText);
        if (!date) {
            showMessage(MessageKind::Erreur,
                        QStringLiteral("Date de publication incorrecte : « %1 » (attendu "
                                       "jj/mm/aaaa).")
                            .arg(dateText));
            m_txtDate->setFocus();
            m_txtDate->selectAll();
            return false;
        }
        typed.datePublication = *date;
    }
    const QString refused = checkBulletin(typed);
    if (!refused.isEmpty()) {
        showMessage(MessageKind::Erreur, refused);
        (typed.titre.trimmed().isEmpty() ? m_txtTitre : m_txtAuteur)->setFocus();
        return false;
    }
    AccesBase &db = AccesBase::instance();
    const QSet<qlonglong> stations = checkedStations();
    QString error = saveBulletin(db, typed);
    if (error.isEmpty())
        error = writeBulletinStations(db, typed.code, m_visibleStations, stations);
    if (!error.isEmpty()) {
        showMessage(MessageKind::Erreur, error);
        // A new bulletin whose fields went in but not its stations stays current, so that a
        // second save does not create it twice.
        if (typed.code > 0 && !m_current) {
            m_current = typed.code;
            load();
            fillList();
        }
        return false;
    }
    m_dirty = false;
    load();
    fillList();
    selectBulletin(typed.code);
    return true;
}

void BulletinsPluvio::DeclencheSupprimer()
{
    if (!canEdit() || !m_current)
        return;
    const Bulletin *b = find(*m_current);
    if (!b)
        return;
    QString question = QStringLiteral("Voulez-vous supprimer le bulletin n° %1 « %2 » ?")
                           .arg(b->code)
                           .arg(firstLine(b->titre));
    if (b->stationCount > 0)
        question += QStringLiteral("\nIl concerne %1 station(s) : ces liens seront supprimés "
                                   "avec lui.")
                        .arg(b->stationCount);
    if (!showMessage(MessageKind::Question, question))
        return;
    const QString error = deleteBulletin(AccesBase::instance(), b->code);
    if (!error.isEmpty()) {
        showMessage(MessageKind::Erreur, error);
        return;
    }
    m_dirty = false;
    m_current.reset();
    load();
    fillList();
    selectFirst();
}

void BulletinsPluvio::DeclencheExcel()
{
    if (ownTabCurrent()) {
        // The grid shows French text only: dates are typed back from it.
        exportViewInOneClick(this, *m_own->grid(), QStringLiteral("Liste_des_bulletins"),
                             exportedFrenchText());
        return;
    }
    exportViewInOneClick(this, *m_list, QStringLiteral("Liste_des_bulletins"),
                         exportedRole(kSortRole));
}

void BulletinsPluvio::DeclencheAide()
{
    if (Navigator *navigator = navigatorFor(this))
        navigator->showHelp();
}

void BulletinsPluvio::closeEvent(QCloseEvent *event)
{
    if (m_own && m_own->isDirty() && canEdit() &&
        showMessage(MessageKind::Question, QStringLiteral("Les bulletins du pluviomètre ne sont "
                                                          "pas enregistrés.\nVoulez-vous les "
                                                          "enregistrer avant de fermer ?")) &&
        !m_own->save()) {
        event->ignore();
        return;
    }
    if (m_dirty && canEdit() &&
        showMessage(MessageKind::Question, QStringLiteral("Les modifications du bulletin ne sont "
                                                          "pas enregistrées.\nVoulez-vous les "
                                                          "enregistrer avant de fermer ?")) &&
        !declencheEnregistrer()) {
        event->ignore();
        return;
    }
    event->accept();
}

} // namespace plx
