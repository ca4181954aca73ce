#pragma once

#include <QString>

#include <vector>

namespace plx {

class AccesBase;
class Transaction;

// A rain gauge just written to the demo network, as the field work needs it.
struct DemoSite
{
    qint64 code = 0;
    QString name;
    qint64 contact = 0;    // the manager's contact who visits it
    bool active = false;   // still measuring (not an archive station)
    bool brittany = false; // the hourly Brittany stations, else Provence
};

// A few interventions on the active demo stations and network bulletins covering them,
// so that the interventions and bulletins screens show something on a first start.
// Bulletins are added only to a network that has none. False (error set) on failure.
bool writeDemoFieldWork(AccesBase &db, Transaction &transaction, const std::vector<DemoSite> &sites,
                        QString *error);

} // namespace plx
