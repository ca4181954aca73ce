#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

#include <vector>

namespace plx {

class AccesBase;

// An updatable set of rows of one table, as AccesBase::OuvrirRecordset opens it:
//   auto rs = db.OuvrirRecordset("SELECT * FROM JOURNAL where dateEvt is null");
//   rs->addnew(); rs->setField("niveau", 1); rs->Update(); rs->Close();
// Update() writes the current row: an INSERT for a row added with addnew(), otherwise an
// UPDATE of the columns changed, located by the values the row had when read.
class Recordset
{
public:
    Recordset(AccesBase &db, QString table, QStringList columns,
              std::vector<std::vector<QVariant>> rows);

    bool EOF_() const { return m_current >= int(m_rows.size()); }
    int recordCount() const { return int(m_rows.size()); }
    void MoveNext();

    void addnew();
    QVariant field(const QString &name) const;
    // False (and nothing set) when the column does not exist.
    bool setField(const QString &name, const QVariant &value);
    bool Update(QString *error = nullptr);
    void Close();

private:
    int columnIndex(const QString &name) const;

    AccesBase &m_db;
    QString m_table;
    QStringList m_columns;
    std::vector<std::vector<QVariant>> m_rows;
    std::vector<QVariant> m_original; // the current row as read, to locate it for UPDATE
    std::vector<bool> m_changed;
    int m_current = 0;
    bool m_adding = false;
};

} // namespace plx
