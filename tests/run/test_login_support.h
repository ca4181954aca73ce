#pragma once

#include "base/messages.h"
#include "config/connectionprofile.h"
#include "config/machinesettings.h"
#include "config/settings.h"
#include "db/accesbase.h"
#include "db/sqltext.h"
#include "run/loginsequence.h"
#include "support/testdatabases.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace plxtest {

// A login test's world: a private machine store holding a profile of a scratch database
// (empty: nothing created yet), nobody logged in, messages recorded instead of shown.
class LoginWorld
{
public:
    explicit LoginWorld(const QString &engine) : m_db(std::make_unique<ScratchDatabase>(engine))
    {
        m_savedFile = qgetenv("PLX_SETTINGS_FILE");
        m_savedProfile = plx::runProfile();
        qputenv("PLX_SETTINGS_FILE", m_dir.filePath(QStringLiteral("machine.ini")).toUtf8());
        plx::AccesBase::instance().Deconnecter();
        plx::clearSession();
        m_savedHandler = plx::setMessageHandler([this](plx::MessageKind kind, const QString &text) {
            messages << plx::messageTitle(kind) + QStringLiteral(": ") + text;
            return false;
        });
        // The file of a SQLite profile must exist: the client never creates it at login.
        if (engine == QLatin1String("sqlite")) {
            m_db->connect();
            plx::AccesBase::instance().Deconnecter();
        }
        const plx::ConnectionProfile &p = m_db->profile();
        setMachine("Base", p.database);
        setMachine("TypeBase", p.kind);
        setMachine("ServeurBase", p.server);
        setMachine("PortServeurBase", p.port);
        setMachine("UserBase", p.user);
        setMachine("PassBase", p.password);
    }
    ~LoginWorld()
    {
        plx::setMessageHandler(m_savedHandler);
        plx::clearSession();
        plx::AccesBase::instance().Deconnecter();
        m_db.reset();
        plx::runProfile() = m_savedProfile;
        if (m_savedFile.isNull())
            qunsetenv("PLX_SETTINGS_FILE");
        else
            qputenv("PLX_SETTINGS_FILE", m_savedFile);
    }

    const ScratchDatabase &database() const { return *m_db; }
    QString folder() const { return m_dir.path(); }

    static void setMachine(const char *name, const QString &value)
    {
        plx::machinesettings::write(plx::machinesettings::applicationKeyPath(),
                                    QString::fromLatin1(name), value.isEmpty() ? QStringLiteral(" ") : value);
    }
    static QString machine(const char *name, const QString &keyPath = {})
    {
        return plx::machinesettings::read(keyPath.isEmpty() ? plx::machinesettings::applicationKeyPath()
                                                            : keyPath,
                                          QString::fromLatin1(name))
            .value_or(QString())
            .trimmed();
    }

    // Opens the profile's database the way the login screen does.
    bool connect()
    {
        plx::loadRunProfileFromSettings();
        plx::ConnectionProfile profile = plx::runProfile();
        QString error;
        const bool ok = plx::AccesBase::instance().Connecter(profile, &error);
        EXPECT_TRUE(ok) << error.toStdString();
        return ok;
    }

    static plx::RecordTable query(const QString &sql)
    {
        plx::RecordTable t = plx::AccesBase::instance().ExtraireRecords(sql);
        EXPECT_TRUE(t.ok()) << sql.toStdString() << ": " << t.error().toStdString();
        return t;
    }
    static void exec(const QString &sql)
    {
        QString error;
        EXPECT_TRUE(plx::AccesBase::instance().Execute(sql, &error))
            << sql.toStdString() << ": " << error.toStdString();
    }
    static void addUser(const QString &login, const QVariant &password, const QString &isAdmin = "0")
    {
        exec(QStringLiteral("INSERT INTO UTILISATEURS (login, password, isAdmin, metadata) "
                            "VALUES (%1, %2, %3, '0')")
                 .arg(plx::sqlQuote(login),
                      password.isNull() ? QStringLiteral("null") : plx::sqlQuote(password.toString()),
                      plx::sqlQuote(isAdmin)));
    }

    QStringList messages;

private:
    QTemporaryDir m_dir;
    std::unique_ptr<ScratchDatabase> m_db;
    QByteArray m_savedFile;
    plx::ConnectionProfile m_savedProfile;
    plx::MessageHandler m_savedHandler;
};

// The engines a login runs on: a connection profile cannot name a raw ODBC string.
inline std::vector<QString> loginEngines()
{
    std::vector<QString> engines;
    for (const QString &engine : testEngineParams()) {
        if (engine != QLatin1String("odbc"))
            engines.push_back(engine);
    }
    return engines;
}

} // namespace plxtest
