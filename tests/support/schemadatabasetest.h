#pragma once

#include "config/connectionprofile.h"
#include "support/messagerecorder.h"
#include "support/testdatabases.h"

#include <gtest/gtest.h>

#include <memory>

namespace plxtest {

// A test over the engines with a scratch database at the current schema, made the run
// profile, an empty session and message boxes recorded; all undone at the end. The
// register's statements are plain SQL, so ODBC is skipped: SQLite and PostgreSQL cover them.
// A fixture's own SetUp calls this one first and returns when it skipped or failed.
class SchemaDatabaseTest : public ::testing::TestWithParam<QString>, protected MessageRecorder
{
protected:
    void SetUp() override;
    void TearDown() override;
    bool ready() const { return !IsSkipped() && !HasFatalFailure(); }

private:
    std::unique_ptr<ScratchDatabase> m_db;
    plx::ConnectionProfile m_savedProfile;
};

} // namespace plxtest
