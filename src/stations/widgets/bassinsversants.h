#pragma once

#include <QString>
#include <QVariant>
#include <QWidget>

#include <optional>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QModelIndex;
class QPlainTextEdit;
class QPushButton;
class QStandardItemModel;
class QTableView;

namespace plx {

// The watershed list (BASSINS_VERSANTS): the list above, the selected watershed's fields
// below. New, save and delete come from its buttons or from the main toolbar. A watershed
// is known to the others by its Code (their Parent), so renaming a code carries its
// sub-watersheds along, and deleting one leaves them without a parent. Without the right
// to change reference data the screen is read-only.
class BassinsVersants : public QWidget
{
    Q_OBJECT

public:
    explicit BassinsVersants(QWidget *parent = nullptr);

    struct Watershed
    {
        qlonglong codeBV = 0; // internal key, allocated as the maximum + 1
        QString code;         // Code: the public code, referenced by Parent
        QString nom;
        QVariant superficie;  // double, or null
        QString commentaire;
        QString parent;
    };

    const std::vector<Watershed> &watersheds() const { return m_rows; }
    // The codeBV of the watershed in the fields; nullopt for a new one.
    std::optional<qlonglong> currentCode() const { return m_current; }
    bool hasUnsavedChanges() const { return m_dirty; }
    // Shows the watershed with that codeBV in the fields (and selects its row).
    bool selectWatershed(qlonglong codeBV);

public slots:
    void declencheInserer();
    void DeclencheSupprimer();
    void DeclenchePoubelle();
    // The watershed list to a spreadsheet ("Liste_des_bassins_versants"), in one click.
    void DeclencheExcel();
    // Saves the fields (a new watershed or the selected one); false after a message.
    bool declencheEnregistrer();
    void Actualiser();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildUi();
    bool load();
    void fillList();
    void fillParents(const QString &selected);
    void showWatershed(const Watershed *watershed);
    void onRowChanged(const QModelIndex &current, const QModelIndex &previous);
    bool confirmDiscard();
    void markDirty();
    void updateButtons();
    bool canEdit() const;
    const Watershed *find(qlonglong codeBV) const;

    std::vector<Watershed> m_rows;
    std::optional<qlonglong> m_current;
    bool m_dirty = false;
    bool m_filling = false;
    bool m_tableMissing = false;

    // Owned by the screen (Qt parent).
    QStandardItemModel *m_model = nullptr;
    QTableView *m_list = nullptr;
    QLineEdit *m_txtCode = nullptr;
    QLineEdit *m_txtNom = nullptr;
    QLineEdit *m_txtSuperficie = nullptr;
    QComboBox *m_cboParent = nullptr;
    QPlainTextEdit *m_txtCommentaire = nullptr;
    QLabel *m_lblEtat = nullptr;
    QPushButton *m_cmdNouveau = nullptr;
    QPushButton *m_cmdEnregistrer = nullptr;
    QPushButton *m_cmdAnnuler = nullptr;
    QPushButton *m_cmdSupprimer = nullptr;
};

} // namespace plx
