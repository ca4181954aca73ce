#include "support/schemadatabasetest.h"

#include "db/accesbase.h"
#include "run/loginsequence.h"
#include "schema/schemaupgrade.h"

namespace plxtest {

void SchemaDatabaseTest::SetUp()
{
    if (GetParam() == QLatin1String("odbc"))
        GTEST_SKIP() << "plain statements; SQLite and PostgreSQL cover them";
    m_savedProfile = plx::runProfile();
    m_db = std::make_unique<ScratchDatabase>(GetParam());
    ASSERT_TRUE(m_db->connectAsRunProfile());
    const plx::SchemaUpgradeReport report = plx::upgradeSchema(QStringLiteral(PLX_VERSION));
    ASSERT_TRUE(report.ok) << report.error.toStdString();
    plx::clearSession();
}

void SchemaDatabaseTest::TearDown()
{
    if (!m_db)
        return;
    plx::clearSession();
    plx::AccesBase::instance().Deconnecter();
    m_db.reset();
    plx::runProfile() = m_savedProfile;
}

} // namespace plxtest
