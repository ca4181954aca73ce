#include "stations/widgets/bassinsversants.h"

#include "base/locale.h"
#include "base/messages.h"
#include "db/accesbase.h"
#include "db/sqltext.h"
#include "db/transaction.h"
#include "outputs/widgets/gridexport.h"
#include "session/session.h"

#include <QCloseEvent>
#include <QCollator>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSet>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace plx {

namespace {

const QLatin1String kTable("BASSINS_VERSANTS");
constexpr int kCodeRole = Qt::UserRole + 1; // codeBV of the row
constexpr int kSortRole = Qt::UserRole + 2;

QString textOrNull(const QString &text)
{
    return text.trimmed().isEmpty() ? QStringLiteral("NULL") : sqlQuote(text);
}

bool sameCode(const QString &a, const QString &b)
{
    return a.trimmed().compare(b.trimmed(), Qt::CaseInsensitive) == 0;
}

} // namespace

BassinsVersants::BassinsVersants(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("BassinsVersants"));
    setWindowTitle(QStringLiteral("Bassins versants"));
    buildUi();
    load();
    fillList();
    showWatershed(nullptr);
}

void BassinsVersants::buildUi()
{
    m_model = new QStandardItemModel(0, 4, this);
    m_model->setHorizontalHeaderLabels({QStringLiteral("Code"), QStringLiteral("Nom"),
                                        QStringLiteral("Superficie"), QStringLiteral("Bassin parent")});
    m_model->setSortRole(kSortRole);

    m_list = new QTableView(this);
    m_list->setObjectName(QStringLiteral("SprBassins"));
    m_list->setModel(m_model);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setSortingEnabled(true);
    m_list->sortByColumn(0, Qt::AscendingOrder);
    m_list->setAlternatingRowColors(true);
    m_list->verticalHeader()->hide();
    m_list->verticalHeader()->setDefaultSectionSize(m_list->fontMetrics().height() + 6);
    m_list->horizontalHeader()->setStretchLastSection(true);
    connect(m_list->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &BassinsVersants::onRowChanged);

    m_lblEtat = new QLabel(this);
    m_lblEtat->setObjectName(QStringLiteral("lblEtat"));
    m_lblEtat->setWordWrap(true);

    auto *form = new QGroupBox(QStringLiteral("Bassin versant"), this);
    auto *fields = new QFormLayout;
    m_txtCode = new QLineEdit(form);
    m_txtCode->setObjectName(QStringLiteral("TxtCode"));
    m_txtCode->setMaxLength(20);
    m_txtNom = new QLineEdit(form);
    m_txtNom->setObjectName(QStringLiteral("TxtNom"));
    m_txtSuperficie = new QLineEdit(form);
    m_txtSuperficie->setObjectName(QStringLiteral("TxtSuperficie"));
    m_txtSuperficie->setMaximumWidth(160);
    m_txtSuperficie->setPlaceholderText(QStringLiteral("ex. 125,4"));
    m_cboParent = new QComboBox(form);
    m_cboParent->setObjectName(QStringLiteral("CboParent"));
    m_cboParent->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_cboParent->setMinimumContentsLength(30);
    m_txtCommentaire = new QPlainTextEdit(form);
    m_txtCommentaire->setObjectName(QStringLiteral("TxtCommentaire"));
    m_txtCommentaire->setTabChangesFocus(true);
    m_txtCommentaire->setFixedHeight(m_txtCommentaire->fontMetrics().lineSpacing() * 4 + 12);
    fields->addRow(QStringLiteral("&Code :"), m_txtCode);
    fields->addRow(QStringLiteral("&Nom :"), m_txtNom);
    fields->addRow(QStringLiteral("&Superficie :"), m_txtSuperficie);
    fields->addRow(QStringLiteral("Bassin &parent :"), m_cboParent);
    fields->addRow(QStringLiteral("Co&mmentaire :"), m_txtCommentaire);

    auto button = [form](const QString &name, const QString &text) {
        auto *b = new QPushButton(text, form);
        b->setObjectName(name);
        b->setAutoDefault(false);
        return b;
    };
    m_cmdNouveau = button(QStringLiteral("CmdNouveau"), QStringLiteral("N&ouveau"));
    m_cmdEnregistrer = button(QStringLiteral("CmdEnregistrer"), QStringLiteral("&Enregistrer"));
    m_cmdAnnuler = button(QStringLiteral("CmdAnnuler"), QStringLiteral("A&bandonner"));
    m_cmdSupprimer = button(QStringLiteral("CmdSupprimer"), QStringLiteral("Supp&rimer"));
    connect(m_cmdNouveau, &QPushButton::clicked, this, &BassinsVersants::declencheInserer);
    connect(m_cmdEnregistrer, &QPushButton::clicked, this, &BassinsVersants::declencheEnregistrer);
    connect(m_cmdAnnuler, &QPushButton::clicked, this, &BassinsVersants::DeclenchePoubelle);
    connect(m_cmdSupprimer, &QPushButton::clicked, this, &BassinsVersants::DeclencheSupprimer);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_cmdNouveau);
    buttons->addWidget(m_cmdSupprimer);
    buttons->addStretch(1);
    buttons->addWidget(m_cmdAnnuler);
    buttons->addWidget(m_cmdEnregistrer);
    auto *formLayout = new QVBoxLayout(form);
    formLayout->addLayout(fields);
    formLayout->addLayout(buttons);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_list, 1);
    layout->addWidget(m_lblEtat);
    layout->addWidget(form);

    connect(m_txtCode, &QLineEdit::textEdited, this, &BassinsVersants::markDirty);
    connect(m_txtNom, &QLineEdit::textEdited, this, &BassinsVersants::markDirty);
    connect(m_txtSuperficie, &QLineEdit::textEdited, this, &BassinsVersants::markDirty);
    connect(m_cboParent, &QComboBox::activated, this, &BassinsVersants::markDirty);
    connect(m_txtCommentaire, &QPlainTextEdit::textChanged, this, &BassinsVersants::markDirty);
    // Enter in a one-line field saves, as in the other forms.
    for (QLineEdit *edit : {m_txtCode, m_txtNom, m_txtSuperficie})
        connect(edit, &QLineEdit::returnPressed, this, &BassinsVersants::declencheEnregistrer);

    setTabOrder(m_list, m_txtCode);
    setTabOrder(m_txtCode, m_txtNom);
    setTabOrder(m_txtNom, m_txtSuperficie);
    setTabOrder(m_txtSuperficie, m_cboParent);
    setTabOrder(m_cboParent, m_txtCommentaire);
    setTabOrder(m_txtCommentaire, m_cmdNouveau);
    setTabOrder(m_cmdNouveau, m_cmdSupprimer);
    setTabOrder(m_cmdSupprimer, m_cmdAnnuler);
    setTabOrder(m_cmdAnnuler, m_cmdEnregistrer);
}

bool BassinsVersants::canEdit() const
{
    return !m_tableMissing && (session().isAdmin || session().metaData);
}

bool BassinsVersants::load()
{
    m_rows.clear();
    AccesBase &db = AccesBase::instance();
    m_tableMissing = !db.tableExists(kTable);
    if (m_tableMissing) {
        m_lblEtat->setText(QStringLiteral("La table BASSINS_VERSANTS n'existe pas dans cette base "
                                          "de données."));
        return false;
    }
    const RecordTable t = db.ExtraireRecords(QStringLiteral(
        "SELECT codeBV, Code, Nom, Superficie, Commentaire, Parent FROM BASSINS_VERSANTS"));
    if (!t.ok()) {
        m_lblEtat->setText(QStringLiteral("Impossible de lire les bassins versants : ") + t.error());
        return false;
    }
    m_rows.reserve(size_t(t.rowCount()));
    for (int r = 0; r < t.rowCount(); ++r) {
        Watershed w;
        w.codeBV = std::llround(t.at(r, 0).toDouble());
        w.code = t.text(r, 1);
        w.nom = t.text(r, 2);
        w.superficie = t.at(r, 3).isNull() ? QVariant() : QVariant(t.at(r, 3).toDouble());
        w.commentaire = t.text(r, 4);
        w.parent = t.text(r, 5);
        m_rows.push_back(std::move(w));
    }
    QCollator collator{QLocale(QLocale::French, QLocale::France)};
    collator.setNumericMode(true);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::sort(m_rows.begin(), m_rows.end(), [&collator](const Watershed &a, const Watershed &b) {
        return collator.compare(a.code, b.code) < 0;
    });
    m_lblEtat->setText(canEdit() ? QStringLiteral("%1 bassin(s) versant(s)").arg(m_rows.size())
                                 : QStringLiteral("%1 bassin(s) versant(s) — lecture seule")
                                       .arg(m_rows.size()));
    return true;
}

const BassinsVersants::Watershed *BassinsVersants::find(qlonglong codeBV) const
{
    const auto it = std::find_if(m_rows.begin(), m_rows.end(),
                                 [codeBV](const Watershed &w) { return w.codeBV == codeBV; });
    return it == m_rows.end() ? nullptr : &*it;
}

void BassinsVersants::fillList()
{
    m_filling = true;
    m_model->removeRows(0, m_model->rowCount());
    int position = 0;
    for (const Watershed &w : m_rows) {
        QList<QStandardItem *> items;
        auto *code = new QStandardItem(w.code);
        code->setData(w.codeBV, kCodeRole);
        code->setData(QStringLiteral("%1").arg(position++, 8, 10, QLatin1Char('0')), kSortRole);
        auto *nom = new QStandardItem(w.nom.section(QLatin1Char('\n'), 0, 0));
        nom->setData(w.nom.toLower(), kSortRole);
        auto *superficie = new QStandardItem(
            w.superficie.isNull() ? QString() : formatNumber(w.superficie.toDouble()));
        superficie->setData(w.superficie.isNull() ? QVariant(-1.0) : w.superficie, kSortRole);
        superficie->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        auto *parent = new QStandardItem(w.parent);
        parent->setData(w.parent.toLower(), kSortRole);
        items << code << nom << superficie << parent;
        m_model->appendRow(items);
    }
    const QHeaderView *header = m_list->horizontalHeader();
    m_list->sortByColumn(header->sortIndicatorSection(), header->sortIndicatorOrder());
    m_list->resizeColumnsToContents();
    m_list->setColumnWidth(1, qBound(160, m_list->columnWidth(1), 420));
    m_filling = false;
}

void BassinsVersants::fillParents(const QString &selected)
{
    m_cboParent->clear();
    m_cboParent->addItem(QStringLiteral("(aucun)"), QString());
    for (const Watershed &w : m_rows) {
        if (m_current && w.codeBV == *m_current)
            continue;
        m_cboParent->addItem(w.nom.isEmpty() ? w.code : w.code + QStringLiteral(" — ") + w.nom,
                             w.code);
    }
    int index = 0;
    if (!selected.isEmpty()) {
        index = m_cboParent->findData(selected);
        if (index < 0) {
            // A parent code that no watershed carries any more: keep it rather than lose it.
            m_cboParent->addItem(selected + QStringLiteral(" (inconnu)"), selected);
            index = m_cboParent->count() - 1;
        }
    }
    m_cboParent->setCurrentIndex(index);
}

void BassinsVersants::showWatershed(const Watershed *w)
{
    m_filling = true;
    m_current = w ? std::optional<qlonglong>(w->codeBV) : std::nullopt;
    m_txtCode->setText(w ? w->code : QString());
    m_txtNom->setText(w ? w->nom : QString());
    m_txtSuperficie->setText(w && !w->superficie.isNull() ? formatNumber(w->superficie.toDouble())
                                                          : QString());
    m_txtCommentaire->setPlainText(w ? w->commentaire : QString());
    fillParents(w ? w->parent : QString());
    m_dirty = false;
    m_filling = false;
    updateButtons();
}

bool BassinsVersants::selectWatershed(qlonglong codeBV)
{
    const Watershed *w = find(codeBV);
    if (!w)
        return false;
    m_filling = true;
    for (int r = 0; r < m_model->rowCount(); ++r) {
        if (m_model->item(r, 0)->data(kCodeRole).toLongLong() == codeBV) {
            m_list->setCurrentIndex(m_model->index(r, 0));
            m_list->scrollTo(m_model->index(r, 0));
            break;
        }
    }
    m_filling = false;
    showWatershed(w);
    return true;
}

void BassinsVersants::onRowChanged(const QModelIndex &current, const QModelIndex &previous)
{
    if (m_filling)
        return;
    if (!confirmDiscard()) {
        m_filling = true;
        m_list->setCurrentIndex(previous);
        m_filling = false;
        return;
    }
    const QModelIndex first = m_model->index(current.row(), 0);
    showWatershed(current.isValid() ? find(first.data(kCodeRole).toLongLong()) : nullptr);
}

void BassinsVersants::markDirty()
{
    if (m_filling || m_dirty)
        return;
    m_dirty = true;
    updateButtons();
}

void BassinsVersants::updateButtons()
{
    const bool editable = canEdit();
    for (QLineEdit *edit : {m_txtCode, m_txtNom, m_txtSuperficie})
        edit->setReadOnly(!editable);
    m_txtCommentaire->setReadOnly(!editable);
    m_cboParent->setEnabled(editable);
    m_list->setEnabled(!m_tableMissing);
    m_cmdNouveau->setEnabled(editable);
    m_cmdEnregistrer->setEnabled(editable && m_dirty);
    m_cmdAnnuler->setEnabled(editable && m_dirty);
    m_cmdSupprimer->setEnabled(editable && m_current.has_value());
}

bool BassinsVersants::confirmDiscard()
{
    if (!m_dirty)
        return true;
    return showMessage(MessageKind::Question,
                       QStringLiteral("Les modifications du bassin versant ne sont pas "
                                      "enregistrées.\nLes abandonner ?"));
}

void BassinsVersants::declencheInserer()
{
    if (!canEdit() || !confirmDiscard())
        return;
    m_filling = true;
    m_list->clearSelection();
    m_list->setCurrentIndex(QModelIndex());
    m_filling = false;
    showWatershed(nullptr);
    m_txtCode->setFocus();
}

void BassinsVersants::DeclencheExcel()
{
    // The area as a number (its sort value; -1 marks none), the codes and names as text.
    exportViewInOneClick(this, *m_list, QStringLiteral("Liste_des_bassins_versants"),
                         [](const QModelIndex &index) -> QVariant {
                             if (index.column() == 2) {
                                 const QVariant area = index.data(kSortRole);
                                 return area.toDouble() < 0 ? QVariant() : area;
                             }
                             const QString text = index.data(Qt::DisplayRole).toString();
                             return text.isEmpty() ? QVariant() : QVariant(text);
                         });
}

void BassinsVersants::DeclenchePoubelle()
{
    if (!confirmDiscard())
        return;
    showWatershed(m_current ? find(*m_current) : nullptr);
}

void BassinsVersants::Actualiser()
{
    if (!confirmDiscard())
        return;
    const std::optional<qlonglong> keep = m_current;
    load();
    fillList();
    if (!keep || !selectWatershed(*keep))
        showWatershed(nullptr);
}

bool BassinsVersants::declencheEnregistrer()
{
    if (!canEdit())
        return false;
    const QString code = m_txtCode->text().trimmed();
    if (code.isEmpty()) {
        showMessage(MessageKind::Erreur, QStringLiteral("Le code du bassin versant est obligatoire."));
        m_txtCode->setFocus();
        return false;
    }
    QString superficie;
    const QString superficieText = m_txtSuperficie->text().trimmed();
    if (superficieText.isEmpty()) {
        superficie = QStringLiteral("NULL");
    } else {
        const std::optional<double> value = parseNumber(superficieText);
        if (!value || *value < 0) {
            showMessage(MessageKind::Erreur,
                        QStringLiteral("La superficie doit être un nombre positif ou nul "
                                       "(« %1 » n'en est pas un).")
                            .arg(superficieText));
            m_txtSuperficie->setFocus();
            m_txtSuperficie->selectAll();
            return false;
        }
        superficie = sqlNumber(*value);
    }
    const QString parent = m_cboParent->currentData().toString();
    // A parent chain that comes back to this watershed would make a loop.
    QString oldCode;
    if (m_current) {
        if (const Watershed *self = find(*m_current))
            oldCode = self->code;
    }
    QSet<QString> visited;
    for (QString ancestor = parent; !ancestor.isEmpty();) {
        if (sameCode(ancestor, code) || (!oldCode.isEmpty() && sameCode(ancestor, oldCode))) {
            showMessage(MessageKind::Erreur,
                        QStringLiteral("Le bassin parent choisi est ce bassin versant lui-même ou "
                                       "l'un de ses sous-bassins : choisissez-en un autre."));
            m_cboParent->setFocus();
            return false;
        }
        if (visited.contains(ancestor.toUpper()))
            break;
        visited.insert(ancestor.toUpper());
        const auto next = std::find_if(m_rows.begin(), m_rows.end(), [&](const Watershed &w) {
            return sameCode(w.code, ancestor);
        });
        ancestor = next == m_rows.end() ? QString() : next->parent;
    }

    AccesBase &db = AccesBase::instance();
    Transaction transaction(db);
    auto fail = [&](const QString &text) {
        showMessage(MessageKind::Erreur, text);
        return false;
    };
    if (!transaction.started())
        return fail(QStringLiteral("Enregistrement impossible : ") + transaction.error());
    // Read again inside the transaction: another user may have added the same code.
    const RecordTable current =
        db.ExtraireRecords(QStringLiteral("SELECT codeBV, Code, Nom FROM BASSINS_VERSANTS"));
    if (!current.ok())
        return fail(QStringLiteral("Enregistrement impossible : ") + current.error());
    qlonglong maxCode = 0;
    bool stillThere = false;
    QString storedCode;
    for (int r = 0; r < current.rowCount(); ++r) {
        const qlonglong codeBV = std::llround(current.at(r, 0).toDouble());
        maxCode = std::max(maxCode, codeBV);
        if (m_current && codeBV == *m_current) {
            stillThere = true;
            storedCode = current.text(r, 1);
            continue;
        }
        if (sameCode(current.text(r, 1), code)) {
            m_txtCode->setFocus();
            return fail(QStringLiteral("Le code saisi existe déjà (bassin versant « %1 »).")
                            .arg(current.text(r, 2).isEmpty() ? current.text(r, 1)
                                                              : current.text(r, 2)));
        }
    }
    if (m_current && !stillThere)
        return fail(QStringLiteral("Ce bassin versant a été supprimé par un autre utilisateur "
                                   "entre-temps. Actualisez la liste."));

    const QString values = QStringLiteral("%1, %2, %3, %4, %5")
                               .arg(sqlQuote(code), textOrNull(m_txtNom->text()), superficie,
                                    textOrNull(m_txtCommentaire->toPlainText()),
                                    textOrNull(parent));
    qlonglong savedCode = 0;
    if (!m_current) {
        savedCode = maxCode + 1;
        if (!transaction.exec(QStringLiteral("INSERT INTO BASSINS_VERSANTS (codeBV, Code, Nom, "
                                             "Superficie, Commentaire, Parent) VALUES (")
                              + sqlNumber(savedCode) + QStringLiteral(", ") + values
                              + QLatin1Char(')')))
            return fail(QStringLiteral("Enregistrement impossible : ") + transaction.error());
    } else {
        savedCode = *m_current;
        const QString update =
            QStringLiteral("UPDATE BASSINS_VERSANTS SET Code=%1, Nom=%2, Superficie=%3, "
                           "Commentaire=%4, Parent=%5 WHERE codeBV=%6")
                .arg(sqlQuote(code), textOrNull(m_txtNom->text()), superficie,
                     textOrNull(m_txtCommentaire->toPlainText()), textOrNull(parent),
                     sqlNumber(savedCode));
        if (!transaction.exec(update))
            return fail(QStringLiteral("Enregistrement impossible : ") + transaction.error());
        // The sub-watersheds name their parent by its code: they follow a renamed code.
        if (storedCode != code
            && !transaction.exec(QStringLiteral("UPDATE BASSINS_VERSANTS SET Parent=%1 WHERE Parent=%2")
                                     .arg(sqlQuote(code), sqlQuote(storedCode))))
            return fail(QStringLiteral("Enregistrement impossible : ") + transaction.error());
    }
    if (!transaction.commit())
        return fail(QStringLiteral("Enregistrement impossible : ") + transaction.error());

    m_dirty = false;
    load();
    fillList();
    selectWatershed(savedCode);
    return true;
}

void BassinsVersants::DeclencheSupprimer()
{
    if (!canEdit() || !m_current)
        return;
    const Watershed *w = find(*m_current);
    if (!w)
        return;
    const auto children = std::count_if(m_rows.begin(), m_rows.end(), [w](const Watershed &other) {
        return other.parent == w->code;
    });
    QString question = QStringLiteral("Voulez-vous supprimer le bassin versant « %1 » ?")
                           .arg(w->nom.isEmpty() ? w->code : w->code + QStringLiteral(" - ") + w->nom);
    if (children > 0)
        question += QStringLiteral("\nSes %1 sous-bassin(s) n'auront plus de bassin parent.")
                        .arg(children);
    if (!showMessage(MessageKind::Question, question))
        return;

    AccesBase &db = AccesBase::instance();
    Transaction transaction(db);
    const QString code = w->code;
    const bool ok = transaction.started()
                    && transaction.exec(QStringLiteral("DELETE FROM BASSINS_VERSANTS WHERE codeBV=")
                                        + sqlNumber(*m_current))
                    && transaction.exec(QStringLiteral("UPDATE BASSINS_VERSANTS SET Parent=NULL "
                                                       "WHERE Parent=")
                                        + sqlQuote(code))
                    && transaction.commit();
    if (!ok) {
        showMessage(MessageKind::Erreur,
                    QStringLiteral("La suppression a échoué : ") + transaction.error());
        return;
    }
    m_dirty = false;
    load();
    fillList();
    showWatershed(nullptr);
}

void BassinsVersants::closeEvent(QCloseEvent *event)
{
    if (m_dirty
        && !showMessage(MessageKind::Question,
                        QStringLiteral("Les modifications du bassin versant ne sont pas "
                                       "enregistrées.\nFermer quand même et les perdre ?"))) {
        event->ignore();
        return;
    }
    event->accept();
}

} // namespace plx
