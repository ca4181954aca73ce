#include "imports/widgets/csvmappingdialog.h"

#include "base/messages.h"
#include "imports/csvreader.h"

#include <QBuffer>
#include <QColor>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace plx {

namespace {

// Roles offered above each column; the value roles are the grid's parameters in order.
enum Role { Ignored, DateRole, TimeRole, StationRole, ValidityRole, FirstValue };
const char *valueNames[] = {"Pluie", "PluieEfficace", "Etp", "Valeur1", "Valeur2", "Valeur3"};
constexpr int previewLines = 30;

QStringList roleTexts()
{
    QStringList texts{QStringLiteral("(ignorée)"), QStringLiteral("Date ou date-heure"),
                      QStringLiteral("Heure"), QStringLiteral("Station"),
                      QStringLiteral("Validité")};
    for (const char *name : valueNames)
        texts.append(QLatin1String(name));
    return texts;
}

struct PreviewSink : ImportSink
{
    struct Item
    {
        ImportedRow row;
        RefusedLine refusal;
    };
    QList<Item> items;
    int limit = 0;
    bool station(const ImportedStation &) override { return true; }
    bool row(const ImportedRow &row) override
    {
        items.append({row, {}});
        return items.size() < limit;
    }
    bool refused(const RefusedLine &line) override
    {
        items.append({{}, line});
        return items.size() < limit;
    }
};

QString valueText(double value)
{
    return QLocale(QLocale::French, QLocale::France).toString(value, 'g', 10);
}

} // namespace

CsvMappingDialog::CsvMappingDialog(const QList<QByteArray> &firstLines, const CsvMapping &mapping,
                                   QWidget *parent)
    : QDialog(parent), m_lines(firstLines.mid(0, previewLines)), m_mapping(mapping)
{
    // The last line of a file's head is often cut or empty: not a line to show.
    while (!m_lines.isEmpty() && m_lines.last().trimmed().isEmpty())
        m_lines.removeLast();
    setWindowTitle(QStringLiteral("Correspondance des colonnes"));
    setObjectName(QStringLiteral("CsvMappingDialog"));
    if (!m_mapping.isComplete() && m_mapping.name.isEmpty())
        m_mapping = CsvMapping::guess(firstLines);

    auto *layout = new QVBoxLayout(this);
    auto *formats = new QGroupBox(QStringLiteral("Lecture du fichier"), this);
    auto *form = new QFormLayout(formats);
    auto *row1 = new QHBoxLayout;
    auto *row2 = new QHBoxLayout;

    m_saved = new QComboBox(formats);
    m_saved->setObjectName(QStringLiteral("CboCorrespondance"));
    m_saved->addItem(QStringLiteral("(détectée dans le fichier)"));
    m_saved->addItems(savedCsvMappings());
    form->addRow(QStringLiteral("Correspondance enregistrée :"), m_saved);

    m_separator = new QComboBox(formats);
    m_separator->setObjectName(QStringLiteral("CboSeparateur"));
    m_separator->addItem(QStringLiteral("Point-virgule ( ; )"), QStringLiteral(";"));
    m_separator->addItem(QStringLiteral("Virgule ( , )"), QStringLiteral(","));
    m_separator->addItem(QStringLiteral("Tabulation"), QStringLiteral("\t"));
    m_separator->addItem(QStringLiteral("Barre verticale ( | )"), QStringLiteral("|"));
    m_separator->addItem(QStringLiteral("Espaces"), QStringLiteral(" "));
    m_decimal = new QComboBox(formats);
    m_decimal->setObjectName(QStringLiteral("CboDecimal"));
    m_decimal->addItem(QStringLiteral("Virgule ( 1,5 )"), QStringLiteral(","));
    m_decimal->addItem(QStringLiteral("Point ( 1.5 )"), QStringLiteral("."));
    m_header = new QSpinBox(formats);
    m_header->setObjectName(QStringLiteral("SpinEntete"));
    m_header->setRange(0, 50);
    row1->addWidget(new QLabel(QStringLiteral("Séparateur :"), formats));
    row1->addWidget(m_separator, 1);
    row1->addSpacing(12);
    row1->addWidget(new QLabel(QStringLiteral("Décimales :"), formats));
    row1->addWidget(m_decimal, 1);
    row1->addSpacing(12);
    row1->addWidget(new QLabel(QStringLiteral("Lignes d'en-tête :"), formats));
    row1->addWidget(m_header);
    form->addRow(row1);

    m_dateFormat = new QComboBox(formats);
    m_dateFormat->setObjectName(QStringLiteral("CboFormatDate"));
    m_dateFormat->setEditable(true);
    for (const QString &date : csvDateFormats()) {
        m_dateFormat->addItem(date);
        for (const QString &time : {QStringLiteral("HH:mm"), QStringLiteral("HH:mm:ss")})
            m_dateFormat->addItem(date + QLatin1Char(' ') + time);
    }
    m_timeFormat = new QComboBox(formats);
    m_timeFormat->setObjectName(QStringLiteral("CboFormatHeure"));
    m_timeFormat->setEditable(true);
    m_timeFormat->addItems(csvTimeFormats());
    m_unit = new QComboBox(formats);
    m_unit->setObjectName(QStringLiteral("CboUnite"));
    m_unit->addItem(QStringLiteral("mm"), 1.0);
    m_unit->addItem(QStringLiteral("dixièmes de mm"), 0.1);
    m_unit->addItem(QStringLiteral("centièmes de mm"), 0.01);
    row2->addWidget(new QLabel(QStringLiteral("Format de date :"), formats));
    row2->addWidget(m_dateFormat, 2);
    row2->addSpacing(12);
    row2->addWidget(new QLabel(QStringLiteral("Format d'heure :"), formats));
    row2->addWidget(m_timeFormat, 1);
    row2->addSpacing(12);
    row2->addWidget(new QLabel(QStringLiteral("Unité des valeurs :"), formats));
    row2->addWidget(m_unit, 1);
    form->addRow(row2);

    auto *row3 = new QHBoxLayout;
    m_validated = new QLineEdit(formats);
    m_validated->setObjectName(QStringLiteral("TxtCodesValides"));
    m_validated->setPlaceholderText(QStringLiteral("ex. V,1"));
    m_doubtful = new QLineEdit(formats);
    m_doubtful->setObjectName(QStringLiteral("TxtCodesDouteux"));
    m_doubtful->setPlaceholderText(QStringLiteral("ex. D,2"));
    row3->addWidget(new QLabel(QStringLiteral("Codes de validité « validé » :"), formats));
    row3->addWidget(m_validated, 1);
    row3->addSpacing(12);
    row3->addWidget(new QLabel(QStringLiteral("« douteux » :"), formats));
    row3->addWidget(m_doubtful, 1);
    form->addRow(row3);
    layout->addWidget(formats);

    layout->addWidget(
        new QLabel(QStringLiteral("Premières lignes du fichier : choisissez le rôle de "
                                  "chaque colonne."),
                   this));
    m_table = new QTableWidget(this);
    m_table->setObjectName(QStringLiteral("TblLignes"));
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 8);
    layout->addWidget(m_table, 3);

    layout->addWidget(
        new QLabel(QStringLiteral("Aperçu des lignes telles qu'elles seront lues :"), this));
    m_preview = new QTableWidget(this);
    m_preview->setObjectName(QStringLiteral("TblApercu"));
    m_preview->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_preview->verticalHeader()->hide();
    m_preview->verticalHeader()->setDefaultSectionSize(m_preview->fontMetrics().height() + 6);
    m_preview->setAlternatingRowColors(true);
    m_preview->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(m_preview, 3);
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("LblApercu"));
    layout->addWidget(m_status);

    auto *bottom = new QHBoxLayout;
    m_name = new QLineEdit(this);
    m_name->setObjectName(QStringLiteral("TxtNom"));
    m_name->setPlaceholderText(QStringLiteral("laisser vide pour ne pas l'enregistrer"));
    bottom->addWidget(new QLabel(QStringLiteral("Enregistrer sous le nom :"), this));
    bottom->addWidget(m_name, 1);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Annuler"));
    bottom->addWidget(buttons);
    layout->addLayout(bottom);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    setMapping(m_mapping);

    auto changed = [this] {
        if (m_updating)
            return;
        m_mapping = this->mapping();
        if (this->sender() == m_separator)
            fillColumns();
        updatePreview();
    };
    connect(m_separator, &QComboBox::currentIndexChanged, this, changed);
    connect(m_decimal, &QComboBox::currentIndexChanged, this, changed);
    connect(m_header, &QSpinBox::valueChanged, this, changed);
    connect(m_dateFormat, &QComboBox::currentTextChanged, this, changed);
    connect(m_timeFormat, &QComboBox::currentTextChanged, this, changed);
    connect(m_unit, &QComboBox::currentIndexChanged, this, changed);
    connect(m_validated, &QLineEdit::textChanged, this, changed);
    connect(m_doubtful, &QLineEdit::textChanged, this, changed);
    connect(m_saved, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index > 0)
            loadSaved(m_saved->itemText(index));
    });
    resize(1000, 680);
}

void CsvMappingDialog::setMapping(const CsvMapping &mapping)
{
    m_updating = true;
    m_mapping = mapping;
    m_separator->setCurrentIndex(qMax(0, m_separator->findData(QString(mapping.separator))));
    m_decimal->setCurrentIndex(qMax(0, m_decimal->findData(QString(mapping.decimal))));
    m_header->setValue(mapping.headerLines);
    m_dateFormat->setCurrentText(mapping.dateFormat.isEmpty() ? QStringLiteral("dd/MM/yyyy")
                                                              : mapping.dateFormat);
    m_timeFormat->setCurrentText(mapping.timeFormat.isEmpty() ? QStringLiteral("HH:mm")
                                                              : mapping.timeFormat);
    int unit = 0;
    for (int i = 0; i < m_unit->count(); ++i)
        if (qFuzzyCompare(m_unit->itemData(i).toDouble(), mapping.scale))
            unit = i;
    m_unit->setCurrentIndex(unit);
    m_validated->setText(mapping.validatedCodes);
    m_doubtful->setText(mapping.doubtfulCodes);
    if (!mapping.name.isEmpty())
        m_name->setText(mapping.name);
    m_updating = false;
    fillColumns();
    updatePreview();
}

CsvMapping CsvMappingDialog::mapping() const
{
    CsvMapping result = m_mapping;
    result.separator = m_separator->currentData().toString().at(0);
    result.decimal = m_decimal->currentData().toString().at(0);
    result.headerLines = m_header->value();
    result.dateFormat = m_dateFormat->currentText().trimmed();
    result.timeFormat = m_timeFormat->currentText().trimmed();
    result.scale = m_unit->currentData().toDouble();
    result.validatedCodes = m_validated->text().trimmed();
    result.doubtfulCodes = m_doubtful->text().trimmed();
    result.name = m_name->text().trimmed();
    return result;
}

void CsvMappingDialog::fillColumns()
{
    QList<QList<QByteArray>> rows;
    int columns = 0;
    for (const QByteArray &line : m_lines) {
        QByteArray bare = line;
        if (bare.endsWith('\r'))
            bare.chop(1);
        if (rows.isEmpty() && bare.startsWith("\xEF\xBB\xBF"))
            bare = bare.mid(3);
        rows.append(csvFields(bare, m_mapping.separator));
        columns = qMax(columns, int(rows.last().size()));
    }
    m_table->clear();
    m_roles.clear();
    m_table->setColumnCount(columns);
    m_table->setRowCount(int(rows.size()) + 1);
    QStringList headings;
    for (int c = 0; c < columns; ++c)
        headings.append(QStringLiteral("Colonne %1").arg(c + 1));
    m_table->setHorizontalHeaderLabels(headings);
    QStringList lineNumbers{QStringLiteral("Rôle")};
    for (int r = 0; r < rows.size(); ++r)
        lineNumbers.append(QString::number(r + 1));
    m_table->setVerticalHeaderLabels(lineNumbers);
    const QStringList roles = roleTexts();
    for (int c = 0; c < columns; ++c) {
        auto *combo = new QComboBox(m_table);
        combo->setObjectName(QStringLiteral("CboRole%1").arg(c));
        combo->addItems(roles);
        int role = Ignored;
        if (c == m_mapping.dateColumn)
            role = DateRole;
        else if (c == m_mapping.timeColumn)
            role = TimeRole;
        else if (c == m_mapping.stationColumn)
            role = StationRole;
        else if (c == m_mapping.validityColumn)
            role = ValidityRole;
        for (int i = 0; i < int(m_mapping.valueColumns.size()); ++i)
            if (m_mapping.valueColumns[size_t(i)] == c)
                role = FirstValue + i;
        combo->setCurrentIndex(role);
        connect(combo, &QComboBox::currentIndexChanged, this, [this, c] { roleChanged(c); });
        m_table->setCellWidget(0, c, combo);
        m_roles.append(combo);
        for (int r = 0; r < rows.size(); ++r) {
            auto *item = new QTableWidgetItem(c < rows[r].size() ? QString::fromUtf8(rows[r][c])
                                                                 : QString());
            if (r < m_mapping.headerLines)
                item->setForeground(palette().color(QPalette::Disabled, QPalette::Text));
            m_table->setItem(r + 1, c, item);
        }
    }
    m_table->resizeColumnsToContents();
    for (int c = 0; c < columns; ++c)
        m_table->setColumnWidth(c, qBound(110, m_table->columnWidth(c), 260));
}

void CsvMappingDialog::roleChanged(int column)
{
    const int role = m_roles.value(column) ? m_roles[column]->currentIndex() : Ignored;
    // A role belongs to one column: the column that had it loses it.
    auto take = [&](int &slot, bool mine) {
        if (mine)
            slot = column;
        else if (slot == column)
            slot = -1;
    };
    take(m_mapping.dateColumn, role == DateRole);
    take(m_mapping.timeColumn, role == TimeRole);
    take(m_mapping.stationColumn, role == StationRole);
    take(m_mapping.validityColumn, role == ValidityRole);
    for (int i = 0; i < int(m_mapping.valueColumns.size()); ++i)
        take(m_mapping.valueColumns[size_t(i)], role == FirstValue + i);
    for (int c = 0; c < m_roles.size(); ++c) {
        if (c == column)
            continue;
        int expected = m_roles[c]->currentIndex();
        if (expected != Ignored && expected == role)
            expected = Ignored;
        QSignalBlocker blocker(m_roles[c]);
        m_roles[c]->setCurrentIndex(expected);
    }
    updatePreview();
}

void CsvMappingDialog::loadSaved(const QString &name)
{
    CsvMapping saved;
    if (!loadCsvMapping(name, saved)) {
        showMessage(MessageKind::Erreur,
                    QStringLiteral("La correspondance « %1 » ne peut pas être lue.").arg(name));
        return;
    }
    setMapping(saved);
}

int CsvMappingDialog::previewRowCount() const
{
    return m_preview->rowCount();
}

void CsvMappingDialog::updatePreview()
{
    QByteArray bytes;
    for (const QByteArray &line : m_lines)
        bytes += line + '\n';
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    PreviewSink sink;
    sink.limit = previewLines;
    CsvReader reader(m_mapping);
    const ReadResult result = reader.read(buffer, sink);

    QStringList headings{QStringLiteral("Ligne"), QStringLiteral("Station"), QStringLiteral("Date"),
                         QStringLiteral("Heure")};
    QList<int> shown;
    for (int i = 0; i < int(m_mapping.valueColumns.size()); ++i)
        if (m_mapping.valueColumns[size_t(i)] >= 0) {
            shown.append(i);
            headings.append(QLatin1String(valueNames[i]));
        }
    headings << QStringLiteral("Validité") << QStringLiteral("Refus");
    m_preview->clear();
    m_preview->setColumnCount(int(headings.size()));
    m_preview->setHorizontalHeaderLabels(headings);
    m_preview->setRowCount(int(sink.items.size()));
    int refused = 0;
    for (int r = 0; r < sink.items.size(); ++r) {
        const PreviewSink::Item &item = sink.items[r];
        auto set = [&](int column, const QString &text) {
            m_preview->setItem(r, column, new QTableWidgetItem(text));
        };
        if (item.refusal.line > 0) {
            ++refused;
            set(0, QString::number(item.refusal.line));
            set(int(headings.size()) - 1, item.refusal.reason);
            for (int c = 0; c < headings.size(); ++c)
                if (m_preview->item(r, c))
                    m_preview->item(r, c)->setForeground(QColor(170, 0, 0));
            continue;
        }
        const ImportedRow &row = item.row;
        set(0, QString::number(row.line));
        set(1, row.station);
        set(2, row.date.toString(QStringLiteral("dd/MM/yyyy")));
        set(3, row.isDaily() ? QString() : row.time.toString(QStringLiteral("HH:mm")));
        for (int k = 0; k < shown.size(); ++k)
            set(4 + k,
                row.hasValue(shown[k]) ? valueText(row.values[size_t(shown[k])]) : QString());
        set(4 + int(shown.size()), row.doubtful            ? QStringLiteral("douteuse")
                                   : row.validite.isNull() ? QString()
                                                           : QString(row.validite));
    }
    m_preview->resizeColumnsToContents();
    // The refusal reasons take what is left of the width.
    m_preview->horizontalHeader()->setSectionResizeMode(m_preview->columnCount() - 1,
                                                        QHeaderView::Stretch);
    if (!result.ok && !result.cancelled)
        m_status->setText(result.error);
    else
        m_status->setText(QStringLiteral("%1 ligne(s) lue(s) dans l'aperçu, %2 refusée(s).")
                              .arg(sink.items.size() - refused)
                              .arg(refused));
    m_status->setStyleSheet(!result.ok && !result.cancelled ? QStringLiteral("color: #a00000;")
                                                            : QString());
}

void CsvMappingDialog::accept()
{
    m_mapping = mapping();
    if (!m_mapping.isComplete()) {
        showMessage(MessageKind::Erreur, QStringLiteral("Choisissez la colonne de la date."));
        return;
    }
    const bool anyValue =
        std::any_of(m_mapping.valueColumns.cbegin(), m_mapping.valueColumns.cend(),
                    [](int column) { return column >= 0; });
    if (!anyValue) {
        showMessage(MessageKind::Erreur,
                    QStringLiteral("Choisissez au moins une colonne de valeurs."));
        return;
    }
    if (!m_mapping.name.isEmpty() && !saveCsvMapping(m_mapping)) {
        showMessage(MessageKind::Erreur,
                    QStringLiteral("La correspondance « %1 » n'a pas pu être enregistrée.")
                        .arg(m_mapping.name));
        return;
    }
    QDialog::accept();
}

bool editCsvMapping(QWidget *parent, const QList<QByteArray> &firstLines, CsvMapping &mapping)
{
    CsvMappingDialog dialog(firstLines, mapping, parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    mapping = dialog.mapping();
    return true;
}

} // namespace plx
