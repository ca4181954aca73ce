#include "measures/widgets/validationgrid.h"

#include "base/messages.h"
#include "measures/tabulartext.h"
#include "measures/widgets/validationmodel.h"

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QStyledItemDelegate>

#include <algorithm>

namespace plx {

namespace {

// A paste of a long block can raise hundreds of messages: the box shows the first ones.
constexpr int kShownPasteMessages = 15;

// Draws a flagged value's corner in its severity's colour: the mark stays visible on the
// current cell, whose selection colour hides the background.
class NoteCornerDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override
    {
        QStyledItemDelegate::paint(painter, option, index);
        const int level = index.data(ValidationModel::kNoteLevelRole).toInt();
        if (level <= 0)
            return;
        static const QColor colours[] = {QColor(0xd0, 0xa0, 0x00), QColor(0xe0, 0x70, 0x00),
                                         QColor(0xc0, 0x10, 0x10)};
        const QRect r = option.rect;
        const int side = std::max(6, r.height() / 2);
        const QPoint corner[] = {r.topRight() - QPoint(side, 0), r.topRight(),
                                 r.topRight() + QPoint(0, side)};
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setPen(Qt::NoPen);
        painter->setBrush(colours[std::clamp(level, 1, 3) - 1]);
        painter->drawPolygon(corner, 3);
        painter->restore();
    }
};

bool isValueColumn(int column)
{
    return column >= kPluieColumn && column <= kValeur3Column;
}

} // namespace

ValidationGrid::ValidationGrid(QWidget *parent) : QTableView(parent)
{
    setObjectName(QStringLiteral("SprDonnees"));
    setItemDelegate(new NoteCornerDelegate(this)); // owned (child)
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::AnyKeyPressed);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setWordWrap(false);
    setCornerButtonEnabled(true);
    // Long timed windows: row heights must not be measured row by row.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    verticalHeader()->setSectionsClickable(true);
    verticalHeader()->setHighlightSections(true);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSectionsMovable(false);

    connect(verticalHeader(), &QHeaderView::sectionClicked, this, [this](int row) {
        // Shift- and Ctrl-clicks on the header extend the selection; they do not mark.
        if (m_model && QGuiApplication::keyboardModifiers() == Qt::NoModifier)
            m_model->toggleMark(row);
    });
    connect(this, &QAbstractItemView::clicked, this, [this](const QModelIndex &index) {
        if (m_model && index.column() == kRuptureColumn &&
            QGuiApplication::keyboardModifiers() == Qt::NoModifier)
            m_model->toggleRupture(index.row());
    });
}

void ValidationGrid::setValidationModel(ValidationModel *model)
{
    m_model = model;
    setModel(model);
}

void ValidationGrid::setNaturalColumnWidths(const QList<int> &widths)
{
    m_naturalWidths = widths;
    fitColumns();
}

void ValidationGrid::resizeEvent(QResizeEvent *event)
{
    QTableView::resizeEvent(event);
    fitColumns();
}

void ValidationGrid::fitColumns()
{
    if (m_naturalWidths.isEmpty())
        return;
    int used = 0;
    int values = 0;
    for (int c = 0; c < m_naturalWidths.size(); ++c) {
        if (isColumnHidden(c))
            continue;
        used += m_naturalWidths.at(c);
        values += isValueColumn(c) ? 1 : 0;
    }
    const int spare = std::max(0, viewport()->width() - used - 1);
    // Not wider than twice what a value needs: beyond that the numbers drift away from
    // their dates.
    for (int c = 0; c < m_naturalWidths.size(); ++c) {
        if (isColumnHidden(c))
            continue;
        const int natural = m_naturalWidths.at(c);
        const int extra = isValueColumn(c) && values > 0 ? std::min(natural, spare / values) : 0;
        setColumnWidth(c, natural + extra);
    }
}

ValidationGrid::Block ValidationGrid::selectedBlock() const
{
    Block block;
    // The ranges, not the indexes: a whole long window selected is millions of indexes.
    const QItemSelection selection =
        selectionModel() ? selectionModel()->selection() : QItemSelection();
    for (const QItemSelectionRange &range : selection) {
        if (!range.isValid())
            continue;
        if (!block.valid()) {
            block = {range.top(), range.bottom(), range.left(), range.right()};
            continue;
        }
        block.top = std::min(block.top, range.top());
        block.bottom = std::max(block.bottom, range.bottom());
        block.left = std::min(block.left, range.left());
        block.right = std::max(block.right, range.right());
    }
    if (!block.valid() && currentIndex().isValid()) {
        const QModelIndex current = currentIndex();
        block = {current.row(), current.row(), current.column(), current.column()};
    }
    return block;
}

QString ValidationGrid::selectionText() const
{
    const Block block = selectedBlock();
    if (!block.valid() || !m_model)
        return QString();
    QList<QStringList> cells;
    for (int r = block.top; r <= block.bottom; ++r) {
        QStringList line;
        for (int c = block.left; c <= block.right; ++c) {
            if (!isColumnHidden(c))
                line << cellText(m_model->row(r), c).trimmed();
        }
        cells << line;
    }
    return formatTabularText(cells);
}

void ValidationGrid::copySelection()
{
    QGuiApplication::clipboard()->setText(selectionText());
}

void ValidationGrid::pasteClipboard()
{
    pasteText(QGuiApplication::clipboard()->text());
}

void ValidationGrid::pasteText(const QString &text)
{
    if (!m_model)
        return;
    const QList<QStringList> cells = parseTabularText(text);
    if (cells.isEmpty())
        return;
    Block block = selectedBlock();
    if (!block.valid())
        block = {0, 0, kDateColumn, kDateColumn};
    // A block copied from this grid skips the hidden mark column: so does the paste.
    int column = block.left;
    if (column == kMarkColumn)
        column = kDateColumn;
    // The block was copied from shown columns: hidden ones (a parameter without a label)
    // keep their text, so that each value lands under the heading it was copied from.
    QList<QStringList> spread;
    spread.reserve(cells.size());
    for (qsizetype i = 0; i < cells.size(); ++i) {
        const int r = block.top + int(i);
        QStringList line;
        int c = column;
        for (const QString &text : cells.at(i)) {
            for (; c < kLoadedDateColumn && isColumnHidden(c); ++c)
                line << (r < m_model->rowCount() ? cellText(m_model->row(r), c) : QString());
            line << text;
            ++c;
        }
        spread << line;
    }
    const QStringList messages = m_model->pasteBlock(block.top, column, spread);
    if (messages.isEmpty())
        return;
    QStringList shown = messages.mid(0, kShownPasteMessages);
    if (messages.size() > kShownPasteMessages)
        shown << QStringLiteral("… et %1 autres messages.")
                     .arg(messages.size() - kShownPasteMessages);
    showMessage(MessageKind::Erreur, shown.join(QLatin1Char('\n')));
}

void ValidationGrid::clearSelectedValues()
{
    const Block block = selectedBlock();
    if (!block.valid() || !m_model)
        return;
    const int left = std::max(block.left, int(kPluieColumn));
    const int right = std::min(block.right, int(kValeur3Column));
    if (left > right)
        return;
    QList<QStringList> cells;
    for (int r = block.top; r <= block.bottom; ++r) {
        QStringList line;
        for (int c = left; c <= right; ++c) {
            const bool selected = selectionModel()->isSelected(m_model->index(r, c));
            // Cells of the rectangle that are not selected keep their text: unchanged.
            line << (selected && isValueColumn(c) ? QString() : cellText(m_model->row(r), c));
        }
        cells << line;
    }
    const QStringList messages = m_model->pasteBlock(block.top, left, cells);
    if (!messages.isEmpty())
        showMessage(MessageKind::Erreur,
                    messages.mid(0, kShownPasteMessages).join(QLatin1Char('\n')));
}

void ValidationGrid::commitPendingEdit()
{
    if (state() != EditingState)
        return;
    if (QWidget *editor = indexWidget(currentIndex())) {
        commitData(editor);
        QTableView::closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
}

void ValidationGrid::moveDown()
{
    const QModelIndex current = currentIndex();
    if (!current.isValid())
        return;
    const QModelIndex below = model()->index(current.row() + 1, current.column());
    if (below.isValid())
        selectionModel()->setCurrentIndex(below, QItemSelectionModel::ClearAndSelect);
}

void ValidationGrid::keyPressEvent(QKeyEvent *event)
{
    if (event->matches(QKeySequence::Copy)) {
        copySelection();
        event->accept();
        return;
    }
    if (event->matches(QKeySequence::Paste)) {
        pasteClipboard();
        event->accept();
        return;
    }
    if (state() != EditingState && m_model) {
        const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
        const QModelIndex current = currentIndex();
        switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (plain) {
                moveDown();
                event->accept();
                return;
            }
            break;
        case Qt::Key_X:
            if (plain && current.isValid()) {
                m_model->toggleMark(current.row());
                event->accept();
                return;
            }
            break;
        case Qt::Key_Space:
            if (plain && current.isValid() && current.column() == kRuptureColumn) {
                m_model->toggleRupture(current.row());
                event->accept();
                return;
            }
            break;
        case Qt::Key_Delete:
            if (plain) {
                clearSelectedValues();
                event->accept();
                return;
            }
            break;
        default:
            break;
        }
    }
    QTableView::keyPressEvent(event);
}

void ValidationGrid::closeEditor(QWidget *editor, QAbstractItemDelegate::EndEditHint hint)
{
    // Enter ends an edit with SubmitModelCache: the next value to type is the one below.
    const bool down = hint == QAbstractItemDelegate::SubmitModelCache;
    QTableView::closeEditor(editor, down ? QAbstractItemDelegate::NoHint : hint);
    if (down)
        moveDown();
}

} // namespace plx
