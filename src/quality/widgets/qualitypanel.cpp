#include "quality/widgets/qualitypanel.h"

#include "base/locale.h"
#include "base/messages.h"
#include "db/accesbase.h"
#include "measures/widgets/validationgrid.h"
#include "measures/widgets/validationmodel.h"
#include "quality/widgets/qualitythresholdsdialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <functional>

namespace plx {

namespace {

enum ListColumn { kInstant, kParameter, kValue, kRule, kSeverity, kExplanation, kColumns };

QColor severityColour(QualitySeverity severity)
{
    switch (severity) {
    case QualitySeverity::Info:
        return QColor(0xe0, 0xb0, 0x00);
    case QualitySeverity::Warning:
        return QColor(0xf0, 0x80, 0x00);
    case QualitySeverity::Severe:
        return QColor(0xd0, 0x20, 0x10);
    }
    return Qt::gray;
}

// A round swatch of the severity's colour: the list reads at a glance, and the word beside
// it says the same for whoever does not tell the colours apart.
QIcon severityIcon(QualitySeverity severity)
{
    QPixmap pixmap(12, 12);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(severityColour(severity).darker(130));
    painter.setBrush(severityColour(severity));
    painter.drawEllipse(1, 1, 10, 10);
    return QIcon(pixmap);
}

QString parameterCaption(const ValidationModel *model, int parameter)
{
    return model->headerData(kPluieColumn + parameter, Qt::Horizontal, Qt::DisplayRole).toString();
}

QString instantText(const QualityFlag &flag)
{
    // Daily records sit at midnight: their time says nothing.
    return flag.time.isValid() && flag.time != QTime(0, 0)
               ? formatDateTime(QDateTime(flag.date, flag.time, Qt::UTC)).left(16)
               : formatDate(flag.date);
}

QDateTime instantOf(const QualityFlag &flag)
{
    return QDateTime(flag.date, flag.time.isValid() ? flag.time : QTime(0, 0), Qt::UTC);
}

bool sameValue(const std::optional<double> &a, const std::optional<double> &b)
{
    if (!a || !b)
        return !a && !b;
    return std::abs(*a - *b) <= 1e-6 * std::max(1.0, std::abs(*b));
}

QTableWidgetItem *item(const QString &text)
{
    auto *cell = new QTableWidgetItem(text);
    cell->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    return cell;
}

// The list's keys: Enter shows the flag in the grid, as a double click does.
class FlagList : public QTableWidget
{
public:
    using QTableWidget::QTableWidget;
    std::function<void()> onEnter;

protected:
    void keyPressEvent(QKeyEvent *event) override
    {
        if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && onEnter) {
            onEnter();
            return;
        }
        QTableWidget::keyPressEvent(event);
    }
};

} // namespace

QualityPanel::QualityPanel(ValidationModel *model, ValidationGrid *grid, QWidget *parent)
    : QWidget(parent), m_model(model), m_grid(grid)
{
    setObjectName(QStringLiteral("PnlControles"));
    m_run = new QPushButton(QStringLiteral("&Lancer les contrôles"), this);
    m_run->setObjectName(QStringLiteral("CmdLancerControles"));
    m_run->setToolTip(QStringLiteral("Passer les règles de contrôle sur la période chargée"));
    connect(m_run, &QPushButton::clicked, this, &QualityPanel::runRequested);
    m_thresholds = new QPushButton(QStringLiteral("&Seuils…"), this);
    m_thresholds->setObjectName(QStringLiteral("CmdSeuils"));
    m_thresholds->setToolTip(QStringLiteral("Les seuils des contrôles pour ce pluviomètre"));
    connect(m_thresholds, &QPushButton::clicked, this, &QualityPanel::editThresholds);

    m_rule = new QComboBox(this);
    m_rule->setObjectName(QStringLiteral("CboRegle"));
    m_rule->addItem(QStringLiteral("Toutes les règles"));
    for (QualityRule rule : allQualityRules())
        m_rule->addItem(qualityRuleCaption(rule), qualityRuleKey(rule));
    m_severity = new QComboBox(this);
    m_severity->setObjectName(QStringLiteral("CboSeverite"));
    m_severity->addItem(QStringLiteral("Toutes sévérités"), 0);
    for (QualitySeverity severity :
         {QualitySeverity::Severe, QualitySeverity::Warning, QualitySeverity::Info})
        m_severity->addItem(severityIcon(severity), qualitySeverityCaption(severity),
                            int(severity));
    m_decided = new QCheckBox(QStringLiteral("Afficher aussi les contrôles traités"), this);
    m_decided->setObjectName(QStringLiteral("ChkTraites"));
    for (QComboBox *filter : {m_rule, m_severity})
        connect(filter, &QComboBox::currentIndexChanged, this, [this] { fillList(); });
    connect(m_decided, &QCheckBox::toggled, this, [this] { fillList(); });

    auto *list = new FlagList(0, kColumns, this);
    list->onEnter = [this] { showFlag(currentFlag()); };
    m_list = list;
    m_list->setObjectName(QStringLiteral("GrdControles"));
    m_list->setHorizontalHeaderLabels({QStringLiteral("Instant"), QStringLiteral("Paramètre"),
                                       QStringLiteral("Valeur"), QStringLiteral("Règle"),
                                       QStringLiteral("Sévérité"), QStringLiteral("Explication")});
    m_list->verticalHeader()->hide();
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setWordWrap(false);
    m_list->horizontalHeader()->setStretchLastSection(true);
    m_list->verticalHeader()->setDefaultSectionSize(m_list->fontMetrics().height() + 6);
    m_list->horizontalHeader()->setMinimumSectionSize(24);
    connect(m_list, &QTableWidget::cellDoubleClicked, this, [this] { showFlag(currentFlag()); });
    connect(m_list, &QTableWidget::currentCellChanged, this,
            [this](int row, int, int previous, int) {
                if (row != previous)
                    showFlag(currentFlag());
                showDetail();
            });
    connect(m_list, &QTableWidget::itemSelectionChanged, this, [this] { updateButtons(); });

    m_previous = new QPushButton(QStringLiteral("◀ Précédent"), this);
    m_previous->setObjectName(QStringLiteral("CmdControlePrecedent"));
    m_previous->setToolTip(QStringLiteral("Contrôle précédent (Maj+F3)"));
    m_next = new QPushButton(QStringLiteral("Suivant ▶"), this);
    m_next->setObjectName(QStringLiteral("CmdControleSuivant"));
    m_next->setToolTip(QStringLiteral("Contrôle suivant (F3)"));
    m_accept = new QPushButton(QStringLiteral("&Accepter"), this);
    m_accept->setObjectName(QStringLiteral("CmdAccepter"));
    m_accept->setToolTip(QStringLiteral("Garder la valeur : le contrôle est noté comme vu "
                                        "(votre nom et l'heure sont enregistrés)"));
    m_correct = new QPushButton(QStringLiteral("C&orriger"), this);
    m_correct->setObjectName(QStringLiteral("CmdCorriger"));
    m_correct->setToolTip(QStringLiteral("Saisir une autre valeur dans la grille (puis "
                                         "Enregistrer)"));
    connect(m_previous, &QPushButton::clicked, this, &QualityPanel::previousFlag);
    connect(m_next, &QPushButton::clicked, this, &QualityPanel::nextFlag);
    connect(m_accept, &QPushButton::clicked, this, &QualityPanel::acceptSelected);
    connect(m_correct, &QPushButton::clicked, this, &QualityPanel::correctCurrent);

    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("lblControles"));
    m_status->setWordWrap(true);
    // The current flag in full: the list's explanation column is often cut.
    m_detail = new QLabel(this);
    m_detail->setObjectName(QStringLiteral("lblDetailControle"));
    m_detail->setWordWrap(true);
    m_detail->setTextFormat(Qt::RichText);
    m_detail->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_detail->setMinimumHeight(3 * fontMetrics().lineSpacing() + 10);
    m_detail->setFrameShape(QFrame::StyledPanel);
    m_detail->setMargin(4);

    auto *filters = new QGridLayout;
    filters->addWidget(new QLabel(QStringLiteral("Règle"), this), 0, 0);
    filters->addWidget(m_rule, 0, 1);
    filters->addWidget(new QLabel(QStringLiteral("Sévérité"), this), 1, 0);
    filters->addWidget(m_severity, 1, 1);
    filters->addWidget(m_decided, 2, 0, 1, 2);
    filters->setColumnStretch(1, 1);
    auto *moves = new QHBoxLayout;
    moves->addWidget(m_previous);
    moves->addWidget(m_next);
    moves->addStretch(1);
    moves->addWidget(m_accept);
    moves->addWidget(m_correct);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto *run = new QHBoxLayout;
    run->addWidget(m_run, 1);
    run->addWidget(m_thresholds);
    layout->addLayout(run);
    layout->addLayout(filters);
    layout->addWidget(m_list, 1);
    layout->addWidget(m_detail);
    layout->addLayout(moves);
    layout->addWidget(m_status);
    updateButtons();
}

bool QualityPanel::setWindow(const QString &code, const QDate &from, const QDate &to,
                             QString *error)
{
    m_code = code;
    m_from = from;
    m_to = to;
    return reload(error);
}

bool QualityPanel::reload(QString *error)
{
    m_flags.clear();
    bool ok = true;
    if (!m_code.isEmpty() && m_from.isValid() && m_to.isValid()) {
        QString why;
        ok = readQualityFlags(AccesBase::instance(), m_code, m_from, m_to, m_flags, &why, true);
        if (!ok) {
            setStatus(QStringLiteral("Les contrôles n'ont pas pu être lus : ") + why);
            if (error)
                *error = why;
        }
    }
    if (ok) {
        int open = 0;
        for (const StoredFlag &stored : m_flags)
            open += stored.active && stored.status == FlagStatus::Open ? 1 : 0;
        setStatus(!m_from.isValid() ? QString()
                  : open == 0       ? QStringLiteral("Aucun contrôle à traiter")
                                    : QStringLiteral("%1 contrôle(s) à traiter").arg(open));
    }
    fillList();
    updateMarks();
    return ok;
}

void QualityPanel::fillList()
{
    const int keep = currentFlag();
    const QString rule = m_rule->currentData().toString();
    const int severity = m_severity->currentData().toInt();
    const bool decided = m_decided->isChecked();
    m_shown.clear();
    for (int i = 0; i < int(m_flags.size()); ++i) {
        const StoredFlag &stored = m_flags[size_t(i)];
        if (!stored.active || (!decided && stored.status != FlagStatus::Open) ||
            (!rule.isEmpty() && qualityRuleKey(stored.flag.rule) != rule) ||
            (severity != 0 && int(stored.flag.severity) != severity))
            continue;
        m_shown << i;
    }
    const QSignalBlocker quiet(m_list);
    m_list->clearContents();
    m_list->setRowCount(int(m_shown.size()));
    const QColor decidedText = palette().color(QPalette::Disabled, QPalette::Text);
    for (int line = 0; line < int(m_shown.size()); ++line) {
        const StoredFlag &stored = m_flags[size_t(m_shown[line])];
        const QualityFlag &flag = stored.flag;
        QTableWidgetItem *cells[kColumns] = {
            item(instantText(flag)),
            item(parameterCaption(m_model, flag.parameter)),
            item(flag.value ? formatNumber(*flag.value) : QStringLiteral("—")),
            item(qualityRuleCaption(flag.rule)),
            item(qualitySeverityCaption(flag.severity)),
            item(flag.explanation)};
        cells[kValue]->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        cells[kSeverity]->setIcon(severityIcon(flag.severity));
        QString tip = flag.explanation;
        if (stored.status != FlagStatus::Open) {
            tip += QStringLiteral("\n%1 par %2 le %3")
                       .arg(flagStatusCaption(stored.status), stored.decidedBy,
                            formatDateTime(stored.decidedAt));
        }
        for (int c = 0; c < kColumns; ++c) {
            cells[c]->setToolTip(tip);
            if (stored.status != FlagStatus::Open)
                cells[c]->setForeground(decidedText);
            m_list->setItem(line, c, cells[c]); // owned by the list
        }
    }
    for (int c = kInstant; c < kExplanation; ++c)
        m_list->resizeColumnToContents(c);
    const qsizetype again = m_shown.indexOf(keep);
    if (again >= 0)
        m_list->setCurrentCell(int(again), kInstant);
    updateButtons();
    showDetail();
}

void QualityPanel::showDetail()
{
    const int shown = currentFlag();
    if (shown < 0) {
        m_detail->setText(m_shown.isEmpty() ? QString()
                                            : QStringLiteral("Suivant (F3) pour parcourir les "
                                                             "valeurs signalées."));
        return;
    }
    const StoredFlag &stored = m_flags[size_t(shown)];
    const QualityFlag &flag = stored.flag;
    QString decision = flagStatusCaption(stored.status);
    if (stored.status != FlagStatus::Open)
        decision += QStringLiteral(" par %1 le %2")
                        .arg(stored.decidedBy.toHtmlEscaped(), formatDateTime(stored.decidedAt));
    m_detail->setText(QStringLiteral("<b>%1</b> · %2 · %3 %4<br>%5<br><i>%6</i>")
                          .arg(qualityRuleCaption(flag.rule).toHtmlEscaped(),
                               qualitySeverityCaption(flag.severity).toHtmlEscaped(),
                               parameterCaption(m_model, flag.parameter).toHtmlEscaped(),
                               instantText(flag), flag.explanation.toHtmlEscaped(), decision));
}

void QualityPanel::updateMarks()
{
    QHash<QString, ValidationModel::CellNote> notes;
    for (const StoredFlag &stored : m_flags) {
        if (!stored.active || stored.status != FlagStatus::Open)
            continue;
        const QString key =
            ValidationModel::cellNoteKey(instantOf(stored.flag), stored.flag.parameter);
        ValidationModel::CellNote &note = notes[key];
        // Several rules on one cell: the most severe colours it, every explanation shows.
        note.level = std::max(note.level, int(stored.flag.severity));
        note.text +=
            (note.text.isEmpty() ? QString() : QStringLiteral("\n")) +
            QStringLiteral("%1 (%2) : %3")
                .arg(qualityRuleCaption(stored.flag.rule),
                     qualitySeverityCaption(stored.flag.severity), stored.flag.explanation);
    }
    m_model->setCellNotes(std::move(notes));
}

void QualityPanel::updateButtons()
{
    const bool any = !m_shown.isEmpty();
    m_run->setEnabled(m_idle && !m_code.isEmpty() && m_from.isValid());
    m_thresholds->setEnabled(m_idle && !m_code.isEmpty() && m_model->isEditable());
    m_previous->setEnabled(m_idle && any);
    m_next->setEnabled(m_idle && any);
    bool open = false;
    for (int flag : selectedFlags())
        open = open || m_flags[size_t(flag)].status == FlagStatus::Open;
    m_accept->setEnabled(m_idle && open && m_model->isEditable());
    m_correct->setEnabled(m_idle && currentFlag() >= 0 && m_model->isEditable());
}

void QualityPanel::setIdle(bool idle)
{
    m_idle = idle;
    m_rule->setEnabled(idle);
    m_severity->setEnabled(idle);
    m_decided->setEnabled(idle);
    m_list->setEnabled(idle);
    updateButtons();
}

void QualityPanel::setStatus(const QString &text)
{
    m_status->setText(text);
}

int QualityPanel::currentFlag() const
{
    const int line = m_list->currentRow();
    return line >= 0 && line < int(m_shown.size()) ? m_shown[line] : -1;
}

QList<int> QualityPanel::selectedFlags() const
{
    QList<int> flags;
    const QModelIndexList rows = m_list->selectionModel()->selectedRows();
    for (const QModelIndex &row : rows) {
        if (row.row() < int(m_shown.size()))
            flags << m_shown[row.row()];
    }
    std::sort(flags.begin(), flags.end());
    return flags;
}

bool QualityPanel::hasOpenFlag(const QDateTime &instant, int value) const
{
    for (const StoredFlag &stored : m_flags) {
        if (stored.active && stored.status == FlagStatus::Open &&
            (value < 0 || stored.flag.parameter == value) && instantOf(stored.flag) == instant)
            return true;
    }
    return false;
}

void QualityPanel::showFlag(int flag)
{
    if (flag < 0 || flag >= int(m_flags.size()))
        return;
    const QualityFlag &shown = m_flags[size_t(flag)].flag;
    const int row = m_model->rowOfLoadedInstant(instantOf(shown));
    if (row < 0) {
        setStatus(
            QStringLiteral("La mesure du %1 n'est pas dans la grille.").arg(instantText(shown)));
        return;
    }
    const QModelIndex cell = m_model->index(row, kPluieColumn + shown.parameter);
    m_grid->selectionModel()->setCurrentIndex(cell, QItemSelectionModel::ClearAndSelect);
    m_grid->scrollTo(cell, QAbstractItemView::PositionAtCenter);
}

void QualityPanel::step(int direction)
{
    if (!m_idle || m_shown.isEmpty())
        return;
    const int count = int(m_shown.size());
    int line = m_list->currentRow();
    // From nowhere, "next" starts at the first flag and "previous" at the last.
    line = line < 0 ? (direction > 0 ? 0 : count - 1) : (line + direction + count) % count;
    m_list->setCurrentCell(line, kInstant);
    m_list->scrollToItem(m_list->item(line, kInstant));
    showFlag(m_shown[line]);
}

void QualityPanel::editThresholds()
{
    if (!m_idle || m_code.isEmpty())
        return;
    if (editQualityThresholds(this, AccesBase::instance(), m_code))
        setStatus(QStringLiteral("Seuils enregistrés : relancez les contrôles pour les "
                                 "appliquer."));
}

void QualityPanel::nextFlag()
{
    step(1);
}

void QualityPanel::previousFlag()
{
    step(-1);
}

void QualityPanel::acceptSelected()
{
    if (!m_idle)
        return;
    QList<QualityFlag> chosen;
    for (int flag : selectedFlags()) {
        if (m_flags[size_t(flag)].status == FlagStatus::Open)
            chosen << m_flags[size_t(flag)].flag;
    }
    if (chosen.isEmpty())
        return;
    QString error;
    const int changed =
        decideQualityFlags(AccesBase::instance(), m_code, chosen, FlagStatus::Accepted, &error);
    if (changed < 0) {
        showMessage(MessageKind::Erreur,
                    QStringLiteral("La décision n'a pas pu être enregistrée : ") + error);
        return;
    }
    const int line = m_list->currentRow();
    reload();
    setStatus(QStringLiteral("%1 contrôle(s) accepté(s) : valeur(s) conservée(s)").arg(changed) +
              QStringLiteral(". ") + m_status->text());
    // The next flag to look at takes the accepted one's place.
    if (!m_shown.isEmpty()) {
        const int next = std::min(std::max(line, 0), int(m_shown.size()) - 1);
        m_list->setCurrentCell(next, kInstant);
    }
}

void QualityPanel::correctCurrent()
{
    const int flag = currentFlag();
    if (!m_idle || flag < 0)
        return;
    showFlag(flag);
    const QModelIndex cell = m_grid->currentIndex();
    if (!cell.isValid() ||
        m_model->rowOfLoadedInstant(instantOf(m_flags[size_t(flag)].flag)) != cell.row())
        return;
    if (!(m_model->flags(cell) & Qt::ItemIsEditable)) {
        showMessage(MessageKind::Aide,
                    QStringLiteral("Cette valeur est validée : elle ne peut pas être corrigée "
                                   "ici. Dévalidez-la d'abord, ou acceptez le contrôle."));
        return;
    }
    m_grid->setFocus();
    m_grid->edit(cell);
}

int QualityPanel::recordCorrections(const QList<QDateTime> &written, QString *error)
{
    QList<QualityFlag> corrected;
    for (const StoredFlag &stored : m_flags) {
        if (!stored.active || stored.status != FlagStatus::Open)
            continue;
        const QDateTime instant = instantOf(stored.flag);
        if (!written.contains(instant))
            continue;
        const int row = m_model->rowOfLoadedInstant(instant);
        if (row >= 0 &&
            !sameValue(m_model->row(row).value(stored.flag.parameter), stored.flag.value))
            corrected << stored.flag;
    }
    if (corrected.isEmpty())
        return 0;
    const int changed =
        decideQualityFlags(AccesBase::instance(), m_code, corrected, FlagStatus::Corrected, error);
    if (changed >= 0)
        reload();
    return changed;
}

int QualityPanel::correctedByEdits(const std::optional<QDateTime> &after, const QDateTime &until,
                                   QualitySeverity minSeverity) const
{
    int count = 0;
    for (const StoredFlag &stored : m_flags) {
        const QDateTime instant = instantOf(stored.flag);
        if (!stored.active || stored.status != FlagStatus::Open ||
            stored.flag.severity < minSeverity || instant > until || (after && instant <= *after))
            continue;
        const int row = m_model->rowOfLoadedInstant(instant);
        if (row >= 0 && m_model->row(row).dirty &&
            !sameValue(m_model->row(row).value(stored.flag.parameter), stored.flag.value))
            ++count;
    }
    return count;
}

} // namespace plx
