#pragma once

#include "config/databasesproperties.h"
#include "config/verifierconnexion.h"

#include <QString>

#include <functional>
#include <vector>

namespace plx {

// One entry of the connection screen's kind list: its caption and the TypeBase it stands
// for. The first entry (empty caption) is the Access file.
struct DatabaseKindChoice
{
    QString caption;
    QString kind;
};
const std::vector<DatabaseKindChoice> &databaseKindChoices();

// What the connection screen shows: the local file and the server profile. Whichever of
// the two is not in use is kept in BaseSav/TypeBaseSav (and the server fields), so that
// the user can switch back and forth.
struct ConnectionForm
{
    QString accessPath;
    QString kind; // the server kind: "POSTGRESQL", "ORACLE"...; empty = none chosen
    QString server;
    QString port;
    QString database;
    QString user;
    QString password;
};

// The machine-store values a profile switch reads and writes. BaseSav, TypeBaseSav and the
// path of databases.properties are read before anyone logs in, so they always live in the
// machine store, never in a user's options.
QString readMachineValue(const QString &key, bool keepCase = true);
bool writeMachineValue(const QString &key, const QString &value);
QString databasesPropertiesPath();
bool setDatabasesPropertiesPath(const QString &path);

// The profile switch behind FrmConnexion, without widgets. Every step is shown through
// the state sink; messages go through showMessage.
class ConnectionSwitch
{
public:
    enum class Origin { Login, MainWindow };
    enum class Result {
        Invalid,          // a field is missing or wrong: nothing changed
        ConnectionFailed, // the trial connection failed: the previous profile stays
        Cancelled,        // a screen refused to close: nothing changed
        WriteFailed,      // the machine store could not be written
        Switched,         // the new profile is in use
        NotConnected,     // the new profile is stored but the connection check failed
    };

    struct Hooks
    {
        TextSink showState;
        // Asks the open screens to close; false when one refuses (its user cancelled).
        std::function<bool()> closeScreens;
        // Runs while the previous connection and run profile are still in place (the main
        // window writes its logout there).
        std::function<void()> beforeSwitch;
    };

    ConnectionSwitch(Origin origin, Hooks hooks);

    Origin origin() const { return m_origin; }

    // The fields as the screen shows them on load.
    static ConnectionForm loadForm();

    // Makes the Access file the profile in use; the server fields are kept as the other one.
    Result switchToAccess(const ConnectionForm &form);
    // Tests the server profile, then stores it (the Access file kept as the other one) and
    // switches to it. A failing trial changes nothing.
    Result saveServer(const ConnectionForm &form);
    // The rest of a switch once the profile is stored: the screens asked to close (unless
    // done already), run profile, disconnection and, from the login screen, the connection
    // check.
    Result changementBase();

    // The definition named name turned into form fields (the Access path or the server
    // profile). False, after the message, when no definition has that name.
    static bool fillFromDefinition(const std::vector<DatabaseDefinition> &definitions,
                                   const QString &name, ConnectionForm *form,
                                   bool *passwordUnreadable = nullptr);

    // The trial connection's error text, for the state label.
    const QString &lastError() const { return m_lastError; }

private:
    void state(const QString &text) const;
    bool askScreensToClose();
    bool writeAll(const std::vector<std::pair<QString, QString>> &values);

    Origin m_origin;
    Hooks m_hooks;
    QString m_lastError;
    bool m_screensClosed = false;
};

} // namespace plx
