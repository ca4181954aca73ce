#pragma once

#include "config/connectionprofile.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>
#include <ostream>
#include <vector>

namespace plx {
class AccesBase;
}

namespace plxtest {

// The engines database tests run on: "sqlite" always, "postgresql" and "odbc" when the
// test script started a server (PLX_TEST_PG_PORT; PLX_TEST_ODBC_DRIVER for ODBC).
// With PLX_TEST_REQUIRE_PG=1 a missing server fails the tests instead of skipping them.
QStringList testEngines();
std::vector<QString> testEngineParams();

// A fresh, empty database on one engine, removed again at the end of the test.
class ScratchDatabase
{
public:
    explicit ScratchDatabase(const QString &engine);
    ~ScratchDatabase();

    const plx::ConnectionProfile &profile() const { return m_profile; }
    // Connects the given access object (the process-wide one by default); ADD_FAILURE on error.
    bool connect(plx::AccesBase &db) const;
    bool connect() const;
    // Connects the process-wide object and makes this database the run profile, with the
    // kind the dialect helpers read ("ACCESS" for SQLite, "POSTGRESQL" otherwise).
    bool connectAsRunProfile() const;
    QString engine() const { return m_engine; }
    // Its name on the test server; "" on SQLite.
    QString serverName() const { return m_pgName; }
    // PostgreSQL: ALTER DATABASE (this one) SET assignment, for the sessions opened after
    // it, e.g. "standard_conforming_strings = off" as a legacy server has it.
    bool setServerDefault(const QString &assignment) const;

private:
    QString m_engine;
    QString m_pgName;
    std::unique_ptr<QTemporaryDir> m_dir;
    plx::ConnectionProfile m_profile;
};

// Server coordinates of the test PostgreSQL, for tests that use libpq or psql directly.
QString pgConninfo(const QString &database);

// A copy of a file from tests/data in a temporary folder (tests never write tests/data).
QString testDataPath(const QString &relative);

} // namespace plxtest

// For TEST_P over engines: INSTANTIATE_TEST_SUITE_P(Engines, Suite, PLX_ENGINES, PLX_ENGINE_NAME)
#define PLX_ENGINES ::testing::ValuesIn(::plxtest::testEngineParams())
#define PLX_ENGINE_NAME [](const auto &info) { return info.param.toStdString(); }

inline void PrintTo(const QString &value, std::ostream *os)
{
    *os << value.toStdString();
}
