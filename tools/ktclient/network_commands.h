// ktclient's commands that talk to a server: OPEN and one WEBREQUEST.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace ktclient {

// Runs OPEN against the server base address `url` and prints the session id, the notification
// and whether a configuration block came. 0 on an accepted reply, 1 otherwise.
int runOpen(const std::string& url, std::ostream& out, std::ostream& err);

// operands: URL ID [NAME=VALUE]...; opens a session, sends one WEBREQUEST action and prints the
// deciphered reply. 0 when a reply was deciphered, 1 on failure, 2 on bad operands.
int runRequest(const std::vector<std::string>& operands, std::ostream& out, std::ostream& err);

} // namespace ktclient
