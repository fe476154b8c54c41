// Web request handler of the reporter's photo report upload.
#pragma once

#include "server/web_request_context.h"

namespace zserver {

// "auteur", "commentaire", "id_concert" (a past concert) and "photo" (the JPEG picture in
// standard Base64). A report with a picture that decodes is stored and answered with the payload
// "success" (the application wants that word exactly once); anything else is answered with
// status "error" and stores nothing.
WebRequestHandler photoReportUpload(const WebRequestContext& ctx, int pastConcertsId);

} // namespace zserver
