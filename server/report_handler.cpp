// Photo report validation and storage.
#include "server/report_handler.h"

#include <algorithm>

#include "server/feed_handlers.h"

namespace zserver {
namespace {

constexpr size_t kMaxAuthor = 100, kMaxComment = 2000;

} // namespace

WebRequestHandler photoReportUpload(const WebRequestContext& ctx, int pastConcertsId) {
    return [ctx, pastConcertsId](const Action& a) {
        auto author = param(a, "auteur"), comment = param(a, "commentaire");
        auto concert = param(a, "id_concert"), photo = param(a, "photo");
        if (!author || author->empty() || author->size() > kMaxAuthor || !concert || !photo ||
            (comment && comment->size() > kMaxComment))
            return WebRequestAnswer{};
        auto ids = concertIds(*ctx.content, pastConcertsId);
        if (std::find(ids.begin(), ids.end(), *concert) == ids.end()) return WebRequestAnswer{};
        auto jpeg = decodeStrictBase64(*photo);
        auto picture = jpeg ? reportPicture(*jpeg) : std::nullopt;
        if (!picture) return WebRequestAnswer{};
        jpeg.reset();
        if (!ctx.reports->add(*concert, *author, comment.value_or(""), picture->jpeg,
                              picture->size))
            return WebRequestAnswer{};
        return WebRequestAnswer{true, "success"};
    };
}

} // namespace zserver
