// The handler of every web request id the served configuration names ("id_wr_*").
#pragma once

#include <map>
#include <string>

#include "server/web_request_context.h"

namespace zserver {

// Handlers by web request id for the names of `ids` (as ContentDirectory::webRequestIds gives
// them). Names missing from `ids` get no handler; so do feeds whose own id is missing.
std::map<int, WebRequestHandler> contentHandlers(const WebRequestContext& ctx,
                                                 const std::map<std::string, int>& ids);

} // namespace zserver
