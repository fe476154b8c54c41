// ktclient OPEN and WEBREQUEST commands.
#include "ktclient/network_commands.h"

namespace ktclient {

int runOpen(const std::string&, std::ostream&, std::ostream& err) {
    err << "ktclient: open is not available in this build\n";
    return 1;
}

int runRequest(const std::vector<std::string>&, std::ostream&, std::ostream& err) {
    err << "ktclient: request is not available in this build\n";
    return 1;
}

} // namespace ktclient
