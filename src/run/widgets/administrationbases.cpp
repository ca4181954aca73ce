#include "run/widgets/administrationbases.h"

#include "base/messages.h"
#include "config/connectionswitch.h"

#include <QApplication>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSet>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

namespace plx {

namespace {

const QString kMask = QString(8, QChar(0x2022)); // the same width whatever the password

class KindDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &,
                          const QModelIndex &) const override
    {
        auto *combo = new QComboBox(parent);
        combo->addItems(definitionKinds());
        return combo;
    }
    void setEditorData(QWidget *editor, const QModelIndex &index) const override
    {
        auto *combo = static_cast<QComboBox *>(editor);
        combo->setCurrentIndex(std::max(0, combo->findText(index.data(Qt::EditRole).toString())));
    }
    void setModelData(QWidget *editor, QAbstractItemModel *model,
                      const QModelIndex &index) const override
    {
        model->setData(index, static_cast<QComboBox *>(editor)->currentText(), Qt::EditRole);
    }
};

class PasswordDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &,
                          const QModelIndex &) const override
    {
        auto *edit = new QLineEdit(parent);
        edit->setEchoMode(QLineEdit::Password);
        return edit;
    }
};

bool emptyRow(const DatabaseDefinition &d)
{
    return d.name.trimmed().isEmpty() && d.kind.trimmed().isEmpty() &&
           d.server.trimmed().isEmpty() && d.database.trimmed().isEmpty() &&
           d.account.trimmed().isEmpty() && d.password.isEmpty() && !d.passwordUnreadable;
}

// A name the file format can carry back: "=" ends it, "#"/"!" make a comment line, and a
// ".user"/".pwd" ending would be taken for another definition's field.
bool writableName(const QString &name)
{
    return !name.contains(QLatin1Char('=')) && !name.startsWith(QLatin1Char('#')) &&
           !name.startsWith(QLatin1Char('!')) &&
           !name.endsWith(QLatin1String(".user"), Qt::CaseInsensitive) &&
           !name.endsWith(QLatin1String(".pwd"), Qt::CaseInsensitive);
}

} // namespace

const QStringList &definitionKinds()
{
    static const QStringList kinds{
        QStringLiteral("ACCESS"),         QStringLiteral("POSTGRESQL"),
        QStringLiteral("ORACLE"),         QStringLiteral("ORACLE2"),
        QStringLiteral("ORACLE3"),        QStringLiteral("ORACLE_OC_11G_1"),
        QStringLiteral("ORACLE_IC_11_2"), QStringLiteral("ORACLE_XE")};
    return kinds;
}

void DatabaseDefinitionsModel::setDefinitions(std::vector<DatabaseDefinition> definitions)
{
    beginResetModel();
    m_rows = std::move(definitions);
    endResetModel();
}

int DatabaseDefinitionsModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int DatabaseDefinitionsModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant DatabaseDefinitionsModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const DatabaseDefinition &d = m_rows[size_t(index.row())];
    if (role == Qt::ToolTipRole && index.column() == Password && d.passwordUnreadable &&
        d.password.isEmpty())
        return QStringLiteral("Ce mot de passe n'a pas pu être déchiffré : il est conservé tel "
                              "quel tant qu'il n'est pas saisi à nouveau.");
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return {};
    switch (index.column()) {
    case Name:
        return d.name;
    case Kind:
        return d.kind;
    case Server:
        return d.host();
    case Port:
        return d.port();
    case Database:
        return d.database;
    case Account:
        return d.account;
    case Password:
        if (role == Qt::EditRole)
            return d.password;
        return d.password.isEmpty() && !d.passwordUnreadable ? QString() : kMask;
    }
    return {};
}

bool DatabaseDefinitionsModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || role != Qt::EditRole || index.row() >= rowCount())
        return false;
    DatabaseDefinition &d = m_rows[size_t(index.row())];
    const QString text = value.toString();
    switch (index.column()) {
    case Name:
        d.name = text.trimmed();
        break;
    case Kind:
        d.kind = text.trimmed().toUpper();
        if (d.kind == QLatin1String("POSTGRES"))
            d.kind = QStringLiteral("POSTGRESQL");
        break;
    case Server:
        d.setServer(text, d.port());
        break;
    case Port:
        d.setServer(d.host(), text);
        break;
    case Database:
        d.database = text.trimmed();
        break;
    case Account:
        d.account = text.trimmed();
        break;
    case Password:
        if (text.isEmpty() && d.password.isEmpty())
            return false; // an untouched unreadable password stays as it is
        d.password = text;
        d.passwordUnreadable = false;
        d.unreadablePasswordText.clear();
        break;
    default:
        return false;
    }
    emit dataChanged(index.siblingAtColumn(0), index.siblingAtColumn(ColumnCount - 1));
    return true;
}

QVariant DatabaseDefinitionsModel::headerData(int section, Qt::Orientation orientation,
                                              int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    static const char *const titles[ColumnCount] = {"Nom",  "Type",   "Serveur",     "Port",
                                                    "Base", "Compte", "Mot de passe"};
    return section >= 0 && section < ColumnCount ? QString::fromUtf8(titles[section]) : QVariant();
}

Qt::ItemFlags DatabaseDefinitionsModel::flags(const QModelIndex &index) const
{
    return QAbstractTableModel::flags(index) | Qt::ItemIsEditable;
}

bool DatabaseDefinitionsModel::insertRows(int row, int count, const QModelIndex &parent)
{
    if (parent.isValid() || row < 0 || row > rowCount() || count <= 0)
        return false;
    beginInsertRows(parent, row, row + count - 1);
    m_rows.insert(m_rows.begin() + row, size_t(count), DatabaseDefinition{});
    endInsertRows();
    return true;
}

bool DatabaseDefinitionsModel::removeRows(int row, int count, const QModelIndex &parent)
{
    if (parent.isValid() || row < 0 || count <= 0 || row + count > rowCount())
        return false;
    beginRemoveRows(parent, row, row + count - 1);
    m_rows.erase(m_rows.begin() + row, m_rows.begin() + row + count);
    endRemoveRows();
    return true;
}

AdministrationBases::AdministrationBases(FolderChooser chooseFolder, QWidget *parent)
    : AdministrationPage(parent), m_chooseFolder(std::move(chooseFolder))
{
    auto *layout = new QVBoxLayout(this);
    m_path = new QLabel(this);
    m_path->setObjectName(QStringLiteral("lblFichierBases"));
    m_path->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_path->setWordWrap(true);
    layout->addWidget(m_path);

    m_model = new DatabaseDefinitionsModel(this);
    m_view = new QTableView(this);
    m_view->setObjectName(QStringLiteral("SprBases"));
    m_view->setModel(m_model);
    m_view->setItemDelegateForColumn(DatabaseDefinitionsModel::Kind, new KindDelegate(m_view));
    m_view->setItemDelegateForColumn(DatabaseDefinitionsModel::Password,
                                     new PasswordDelegate(m_view));
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                            QAbstractItemView::AnyKeyPressed);
    m_view->setWordWrap(false);
    m_view->setTextElideMode(Qt::ElideMiddle); // a path's file name stays readable
    m_view->horizontalHeader()->setSectionResizeMode(DatabaseDefinitionsModel::Database,
                                                     QHeaderView::Stretch);
    m_view->horizontalHeader()->setMinimumSectionSize(
        m_view->fontMetrics().horizontalAdvance(QStringLiteral("00000")));
    m_view->verticalHeader()->setVisible(false);
    layout->addWidget(m_view, 1);

    auto *buttons = new QHBoxLayout;
    m_add = new QPushButton(QStringLiteral("&Ajouter une base"), this);
    m_add->setObjectName(QStringLiteral("CmdAjouterBase"));
    m_remove = new QPushButton(QStringLiteral("&Supprimer la base"), this);
    m_remove->setObjectName(QStringLiteral("CmdSupprimerBase"));
    m_remove->setToolTip(QStringLiteral("Supprime les lignes sélectionnées"));
    buttons->addWidget(m_add);
    buttons->addWidget(m_remove);
    buttons->addStretch(1);
    layout->addLayout(buttons);

    connect(m_add, &QPushButton::clicked, this, &AdministrationBases::addRow);
    connect(m_remove, &QPushButton::clicked, this, &AdministrationBases::removeRows);
    for (auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        connect(m_model, signal, this, [this] { markModified(); });
    connect(m_model, &QAbstractItemModel::dataChanged, this, [this] { markModified(); });
}

void AdministrationBases::showPath()
{
    const QString path = databasesPropertiesPath();
    m_path->setText(path.isEmpty()
                        ? QStringLiteral("Aucun fichier databases.properties n'est paramétré : son "
                                         "dossier sera demandé à l'enregistrement.")
                        : QStringLiteral("Fichier : %1").arg(path));
}

void AdministrationBases::load()
{
    m_loading = true;
    m_model->setDefinitions(LireDefinitionsBases(databasesPropertiesPath()));
    m_view->resizeColumnsToContents();
    showPath();
    m_loading = false;
    setModified(false);
}

void AdministrationBases::addRow()
{
    const int row = m_model->rowCount();
    m_model->insertRows(row, 1);
    const QModelIndex name = m_model->index(row, DatabaseDefinitionsModel::Name);
    m_view->setCurrentIndex(name);
    m_view->setFocus();
    m_view->edit(name);
}

void AdministrationBases::removeRows()
{
    QList<int> rows;
    for (const QModelIndex &index : m_view->selectionModel()->selectedRows())
        rows << index.row();
    if (rows.isEmpty() && m_view->currentIndex().isValid())
        rows << m_view->currentIndex().row();
    std::sort(rows.begin(), rows.end(), std::greater<>());
    for (int row : rows)
        m_model->removeRows(row, 1);
}

bool AdministrationBases::validate()
{
    // A cell still being typed in (the toolbar's save takes no focus) counts too. Editors
    // are children of the viewport.
    QWidget *editor = QApplication::focusWidget();
    while (editor && editor->parentWidget() != m_view->viewport())
        editor = editor->parentWidget();
    if (editor)
        QMetaObject::invokeMethod(m_view, "commitData", Q_ARG(QWidget *, editor));

    QSet<QString> names;
    const auto &rows = m_model->definitions();
    for (size_t r = 0; r < rows.size(); ++r) {
        const DatabaseDefinition &d = rows[r];
        if (emptyRow(d))
            continue;
        auto fail = [&](int column, const QString &message) {
            showMessage(MessageKind::Erreur, message);
            m_view->setCurrentIndex(m_model->index(int(r), column));
            m_view->setFocus();
            return false;
        };
        if (d.name.isEmpty() || d.kind.isEmpty())
            return fail(
                d.name.isEmpty() ? DatabaseDefinitionsModel::Name : DatabaseDefinitionsModel::Kind,
                QStringLiteral("La ligne %1 de la liste des bases doit avoir un nom et un type.")
                    .arg(r + 1));
        if (!writableName(d.name))
            return fail(
                DatabaseDefinitionsModel::Name,
                QStringLiteral("Le nom « %1 » ne convient pas : il ne peut pas contenir « = », "
                               "commencer par « # » ou « ! », ni finir par « .user » ou « .pwd ».")
                    .arg(d.name));
        if (names.contains(d.name.toUpper()))
            return fail(DatabaseDefinitionsModel::Name,
                        QStringLiteral("Le nom « %1 » est donné à plusieurs bases.").arg(d.name));
        names.insert(d.name.toUpper());
        if (d.database.isEmpty())
            return fail(
                DatabaseDefinitionsModel::Database,
                QStringLiteral("La base « %1 » n'a pas de fichier ou de nom de base.").arg(d.name));
        if (!d.isAccess() && !d.port().isEmpty()) {
            bool ok = false;
            const int port = d.port().toInt(&ok);
            if (!ok || port < 1 || port > 65535)
                return fail(DatabaseDefinitionsModel::Port,
                            QStringLiteral("Le port de la base « %1 » doit être un nombre entier "
                                           "compris entre 1 et 65535.")
                                .arg(d.name));
        }
    }
    return true;
}

QString AdministrationBases::filePath()
{
    QString path = databasesPropertiesPath();
    if (!path.isEmpty())
        return path;
    showMessage(MessageKind::Aide,
                QStringLiteral("Aucun fichier de configuration databases.properties n'a pu être "
                               "trouvé. Merci de sélectionner un répertoire pour le stocker."));
    QString folder = m_chooseFolder ? m_chooseFolder(QStringLiteral("Dossier du fichier "
                                                                    "databases.properties"),
                                                     QString())
                                    : QString();
    if (folder.isEmpty())
        return {};
    if (!folder.endsWith(QLatin1Char('\\')) && !folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    path = folder + QStringLiteral("databases.properties");
    setDatabasesPropertiesPath(path);
    showPath();
    return path;
}

bool AdministrationBases::save()
{
    if (!isModified())
        return true;
    const QString path = filePath();
    if (path.isEmpty())
        return false; // no folder chosen: the grid stays as typed, nothing is lost
    std::vector<DatabaseDefinition> rows;
    for (const DatabaseDefinition &d : m_model->definitions()) {
        if (!emptyRow(d))
            rows.push_back(d);
    }
    if (!EcrireDefinitionsBases(path, rows)) {
        showMessage(MessageKind::Erreur, QStringLiteral("Le fichier n'a pas pu être enregistré. "
                                                        "Merci de vérifier vos droits d'écriture"));
        return false;
    }
    setModified(false);
    showMessage(MessageKind::Aide,
                QStringLiteral("Vos bases par défaut ont bien été enregistrées."));
    return true;
}

} // namespace plx
