#include "config/connectionprofile.h"

namespace plx {

ConnectionProfile &runProfile()
{
    static ConnectionProfile profile;
    return profile;
}

} // namespace plx
