#pragma once

#include "run/widgets/administrationpage.h"

#include <QList>
#include <QString>

#include <vector>

class QCheckBox;
class QLineEdit;

namespace plx {

// One option edited on a tab, under the key the rest of the program reads.
struct OptionSpec
{
    enum class Type {
        Text,
        Folder,   // a folder, with a picker button
        Password, // typed masked
        Flag,     // a check box: "1" / "0"
        Integer,  // typed, checked against [minimum, maximum]; empty allowed
    };
    enum class Store {
        User,    // LireParametre / EcrireParametre: per user once logged in
        Machine, // the machine store: read before anyone logs in
    };

    QString key;
    QString label;
    Type type = Type::Text;
    Store store = Store::User;
    QString toolTip;
    int minimum = 0;
    int maximum = 0;
    QString rangeMessage;          // shown when an Integer is out of range or not a number
    bool checkedWhenEmpty = false; // Flag: an option never set counts as ticked
    QString placeholder;           // shown greyed while the field is empty
};

// A tab of plain options, one field per option. Each field's objectName is its key; a
// folder's picker button is "Cmd" + key. Values are read and written as typed (keepCase).
class OptionsPage : public AdministrationPage
{
    Q_OBJECT

public:
    OptionsPage(std::vector<OptionSpec> specs, FolderChooser chooseFolder,
                QWidget *parent = nullptr);

    void load() override;
    bool validate() override;
    bool save() override;

    // The value the field holds now, as it would be stored.
    QString value(const QString &key) const;

    // Called with (key, value) for each option written, so the run can use it at once.
    std::function<void(const QString &, const QString &)> onSaved;

private:
    struct Field
    {
        OptionSpec option;
        QLineEdit *edit = nullptr;  // owned by the page (Qt parent)
        QCheckBox *check = nullptr; // owned by the page (Qt parent)
        QString loaded;
    };

    QString stored(const OptionSpec &option) const;
    bool store(const OptionSpec &option, const QString &value) const;
    QString current(const Field &field) const;
    void pickFolder(Field &field);

    std::vector<Field> m_fields;
    FolderChooser m_chooseFolder;
};

// The tabs' option lists.
std::vector<OptionSpec> pathOptions();
std::vector<OptionSpec> exportOptions();
std::vector<OptionSpec> journalNetworkOptions();
std::vector<OptionSpec> ftpOptions();

// The key of the support web service's address, read by the version check.
QString supportAddressKey();

} // namespace plx
