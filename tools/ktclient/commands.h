// The subcommands of ktclient, callable without a process so that main() stays trivial.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace ktclient {

// Runs one subcommand (args without the program name). Results go to `out`, one item per line;
// failures to `err` as "ktclient: …". Returns the process exit status: 0 on success, 1 when the
// operation failed, 2 on a usage error.
int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace ktclient
