#pragma once

#include <QAbstractTableModel>
#include <QStringList>
#include <QVariant>
#include <QWidget>

#include <optional>
#include <vector>

class QLabel;
class QLineEdit;
class QPushButton;
class QSortFilterProxyModel;
class QTableView;

namespace plx {

// The rows of one reference table, loaded with "SELECT * FROM <table>", edited in memory
// and written back in one transaction. Reference tables have no key the program knows, so
// a changed or deleted row is located by all the values it was read with: the save first
// checks that each such set of values still matches as many rows as were loaded (another
// user may have changed them), deletes them and inserts the rows as they are now. Rows
// that were identical when loaded are handled together, so none is lost.
class ReferenceTableModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    // How a column's values are shown, typed and written, guessed from the values read.
    enum class ColumnKind { Unknown, Integer, Number, DateTime, Text };

    // table: a plain identifier (letters, digits, "_"); anything else never loads.
    explicit ReferenceTableModel(const QString &table, QObject *parent = nullptr);

    const QString &table() const { return m_table; }
    bool load(QString *error = nullptr);
    bool save(QString *error = nullptr);
    bool isModified() const;

    void setEditable(bool editable) { m_editable = editable; }
    bool isEditable() const { return m_editable; }

    // A new, empty row at the end; its index.
    int appendRow();
    // Rows of this model (not of a proxy); the loaded ones are deleted at the next save.
    void removeRowList(QList<int> rows);

    ColumnKind columnKind(int column) const { return m_kinds[size_t(column)]; }
    // The value as stored (NULL kept), for tests and sorting.
    QVariant value(int row, int column) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;

signals:
    // A typed value that the column cannot take; the cell keeps its value.
    void invalidValue(const QString &message);
    void modifiedChanged(bool modified);

private:
    using Values = std::vector<QVariant>;
    struct Row
    {
        Values values;
        std::optional<Values> original; // set once a loaded row is edited
        bool inserted = false;
    };

    const Values &originalOf(const Row &row) const;
    QString keyOf(const Values &values) const;
    QString conditionFor(const Values &values) const;
    QString insertFor(const Values &values) const;
    std::optional<QVariant> parse(int column, const QString &text, QString *message) const;
    void setModified(bool modified);

    QString m_table;
    QStringList m_columns;
    std::vector<ColumnKind> m_kinds;
    std::vector<Row> m_rows;
    std::vector<Values> m_deleted; // originals of loaded rows removed since the load
    bool m_editable = true;
    bool m_modified = false;
};

// A reference list: one table in an editable grid (SprReference) with a search field,
// for the reference menus. Without the right to change reference data it is read-only.
class ReferenceTable : public QWidget
{
    Q_OBJECT

public:
    ReferenceTable(const QString &table, const QString &title, bool editable,
                   QWidget *parent = nullptr);

    ReferenceTableModel *model() const { return m_model; }
    QTableView *view() const { return m_view; }
    bool hasUnsavedChanges() const { return m_model->isModified(); }
    // Room for several columns when the main window opens it.
    QSize sizeHint() const override { return {860, 480}; }

public slots:
    void declencheInserer();
    void DeclencheSupprimer();
    void DeclenchePoubelle();
    void declencheEnregistrer();
    // The table, as shown, to a spreadsheet under its title, in one click.
    void DeclencheExcel();
    void Actualiser();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void reload();
    bool refuseIfReadOnly() const;
    void commitEditor();
    void updateState();

    QString m_title;
    ReferenceTableModel *m_model;   // owned (child)
    QSortFilterProxyModel *m_proxy; // owned (child)
    QTableView *m_view;             // owned (child)
    QLineEdit *m_search;
    QLabel *m_state;
    QPushButton *m_add;
    QPushButton *m_delete;
    QPushButton *m_discard;
    QPushButton *m_save;
};

} // namespace plx
