#pragma once

#include "config/connectionprofile.h"
#include "config/settings.h"
#include "db/accesbase.h"
#include "run/loginsequence.h"
#include "schema/schemaupgrade.h"
#include "session/session.h"
#include "support/messagerecorder.h"
#include "support/schemadatabasetest.h"
#include "support/testdatabases.h"

#include <gtest/gtest.h>

#include <memory>

namespace plxtest {

// A register of four rain gauges, logged in as LISTE:
//   1 "Amont"    Pau (64), manager "Régie A", altitude 200, opened 01/02/2000, "ID1"
//   2 "Aval"     no commune, no manager, no altitude, "ID2"
//   3 "L'Église" Toulouse (31), two current managers "Gest X" and "Gest Y", altitude 150, "ID3"
//   4 "Col"      Pau (64), only a former manager, altitude 1500, "ID4"
class ListeFixture : public plxtest::SchemaDatabaseTest
{
protected:
    void SetUp() override
    {
        SchemaDatabaseTest::SetUp();
        if (!ready())
            return;
        plx::session().login = QStringLiteral("LISTE");
        plx::setCurrentLogin(QStringLiteral("LISTE"));
        for (const char *sql : {
                 "INSERT INTO COMMUNES (CodeCommune, Nom, NumDept) VALUES ('64445', 'Pau', '64')",
                 "INSERT INTO COMMUNES (CodeCommune, Nom, NumDept) VALUES ('31555', 'Toulouse', "
                 "'31')",
                 "INSERT INTO PLUVIOMETRES (CodePluviometre, Nom, CodeCommune, Altitude, "
                 "DateCreation, Identifiant) VALUES (1, 'Amont', '64445', 200, #02/01/2000#, "
                 "'ID1')",
                 "INSERT INTO PLUVIOMETRES (CodePluviometre, Nom, Identifiant) VALUES (2, 'Aval', "
                 "'ID2')",
                 "INSERT INTO PLUVIOMETRES (CodePluviometre, Nom, CodeCommune, Altitude, "
                 "Identifiant) VALUES (3, 'L''Église', '31555', 150, 'ID3')",
                 "INSERT INTO PLUVIOMETRES (CodePluviometre, Nom, CodeCommune, Altitude, "
                 "Identifiant) VALUES (4, 'Col', '64445', 1500, 'ID4')",
                 "INSERT INTO INTERVENANTS (CodeIntervenant, Nom) VALUES (10, 'Régie A')",
                 "INSERT INTO INTERVENANTS (CodeIntervenant, Nom) VALUES (11, 'Gest X')",
                 "INSERT INTO INTERVENANTS (CodeIntervenant, Nom) VALUES (12, 'Gest Y')",
                 "INSERT INTO LIEN_PLUVIO_INTERVENANTS (CodePluviometre, CodeIntervenant, "
                 "TypeIntervenant) VALUES (1, 10, 0)",
                 "INSERT INTO LIEN_PLUVIO_INTERVENANTS (CodePluviometre, CodeIntervenant, "
                 "TypeIntervenant, DateDebut) VALUES (3, 11, 0, #01/01/2001#)",
                 "INSERT INTO LIEN_PLUVIO_INTERVENANTS (CodePluviometre, CodeIntervenant, "
                 "TypeIntervenant) VALUES (3, 12, 0)",
                 "INSERT INTO LIEN_PLUVIO_INTERVENANTS (CodePluviometre, CodeIntervenant, "
                 "TypeIntervenant, DateFin) VALUES (4, 10, 0, #01/01/2001#)",
                 "INSERT INTO LIEN_PLUVIO_INTERVENANTS (CodePluviometre, CodeIntervenant, "
                 "TypeIntervenant) VALUES (4, 11, 3)",
             }) {
            ASSERT_TRUE(run(QString::fromUtf8(sql)));
        }
    }
    static bool run(const QString &sql)
    {
        QString error;
        const bool ok = plx::AccesBase::instance().Execute(sql, &error);
        EXPECT_TRUE(ok) << sql.toStdString() << ": " << error.toStdString();
        return ok;
    }
};

} // namespace plxtest
