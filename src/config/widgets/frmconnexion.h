#pragma once

#include "config/connectionswitch.h"

#include <QDialog>

#include <functional>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace plx {

// The connection screen: the local database file, a server profile and the definitions
// of databases.properties. Saving or switching replaces the profile in use (changementBase).
//
// Opened from the login screen, a successful switch connects and closes the dialog.
// Opened from the main window, the main window is asked to close its screens first (a
// refusal stops the switch); the dialog then closes and the program goes back to login.
// baseChanged() tells the opener that the run profile was replaced.
class FrmConnexion : public QDialog
{
    Q_OBJECT

public:
    using Origin = ConnectionSwitch::Origin;

    explicit FrmConnexion(Origin origin, QWidget *parent = nullptr);

    // How the open screens are asked to close. By default, from the main window: its
    // closeAllScreens(); from the login screen there are none.
    void setScreenCloser(std::function<bool()> closer);

    // The outcome of the last save or switch (Invalid before any).
    ConnectionSwitch::Result lastResult() const { return m_lastResult; }

    // Switches to the profile stored in the machine store.
    void changementBase();

    // Not while a switch runs: it would leave it half done.
    void reject() override;

signals:
    // The previous connection and run profile are still in place (e.g. to write a logout).
    void aboutToChangeBase();
    // The run profile was replaced; the program's connection is open when the switch came
    // from the login screen and the connection check succeeded.
    void baseChanged();

private:
    void buildUi();
    void loadFields();
    void loadDefinitions();
    ConnectionForm form() const;
    void showForm(const ConnectionForm &form);
    void selectKind(const QString &kind);
    void updateButtons();
    void showState(const QString &text);

    void chooseAccessFile();
    void useAccessFile();
    void save();
    void chooseDefinition(int index);
    // Runs one switch with the hourglass and the buttons disabled; closes on success.
    void run(const std::function<ConnectionSwitch::Result(ConnectionSwitch &)> &step);
    bool closeScreens();

    Origin m_origin;
    std::function<bool()> m_screenCloser;
    std::vector<DatabaseDefinition> m_definitions;
    ConnectionSwitch::Result m_lastResult = ConnectionSwitch::Result::Invalid;
    bool m_busy = false;

    // Owned by the dialog (Qt parent).
    QComboBox *m_cboBases = nullptr;
    QLineEdit *m_txtBasePiezo = nullptr;
    QPushButton *m_cmdParcourir = nullptr;
    QPushButton *m_cmdChangementBase = nullptr;
    QComboBox *m_cboTypeBase = nullptr;
    QLineEdit *m_txtServeur = nullptr;
    QLineEdit *m_txtPort = nullptr;
    QLineEdit *m_txtBase = nullptr;
    QLineEdit *m_txtUser = nullptr;
    QLineEdit *m_txtPassWord = nullptr;
    QLabel *m_lblEtat = nullptr;
    QPushButton *m_cmdEnregistrer = nullptr;
    QPushButton *m_cmdFermer = nullptr;
};

} // namespace plx
