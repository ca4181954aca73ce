#pragma once

#include "config/databasesproperties.h"
#include "run/widgets/administrationpage.h"

#include <QAbstractTableModel>

#include <vector>

class QLabel;
class QPushButton;
class QTableView;

namespace plx {

// The definitions of databases.properties as a grid: name, kind, server, port, database,
// account, password (shown masked).
class DatabaseDefinitionsModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column { Name, Kind, Server, Port, Database, Account, Password, ColumnCount };

    using QAbstractTableModel::QAbstractTableModel;

    void setDefinitions(std::vector<DatabaseDefinition> definitions);
    const std::vector<DatabaseDefinition> &definitions() const { return m_rows; }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool insertRows(int row, int count, const QModelIndex &parent = {}) override;
    bool removeRows(int row, int count, const QModelIndex &parent = {}) override;

private:
    std::vector<DatabaseDefinition> m_rows;
};

// The kinds a definition may have, as TypeBase spells them.
const QStringList &definitionKinds();

// The "Bases de données" tab: edits the shared definition file.
class AdministrationBases : public AdministrationPage
{
    Q_OBJECT

public:
    AdministrationBases(FolderChooser chooseFolder, QWidget *parent = nullptr);

    void load() override;
    bool validate() override;
    bool save() override;

private:
    void addRow();
    void removeRows();
    void showPath();
    // Asks where to keep the file when no path is set; empty when the user gave up.
    QString filePath();

    FolderChooser m_chooseFolder;
    DatabaseDefinitionsModel *m_model = nullptr; // owned by the page (Qt parent)
    QTableView *m_view = nullptr;                // owned by the page (Qt parent)
    QPushButton *m_add = nullptr;
    QPushButton *m_remove = nullptr;
    QLabel *m_path = nullptr;
};

} // namespace plx
