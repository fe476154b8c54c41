// Reply document assembly and enciphering with the client's codecs.
#include "server/reply_builder.h"

#include "client/cipher.h"
#include "platform/text_date.h"

namespace zserver {

std::string escapeXml(std::string_view text) {
    return zplatform::escapingXml(text);
}

void ReplyBuilder::sessionID(std::string_view id) {
    body_ += "<sessionID>" + escapeXml(id) + "</sessionID>";
}

void ReplyBuilder::notification(const Notification& n) {
    body_ += "<notification><title>" + escapeXml(n.title) + "</title><message>" +
             escapeXml(n.message) + "</message><button>" + escapeXml(n.button) +
             "</button></notification>";
}

void ReplyBuilder::config(std::string_view block) {
    body_ += block;
}

void ReplyBuilder::action(std::string_view name, std::optional<int> id, bool ok,
                          std::string_view payload) {
    body_ += "<action name=\"" + escapeXml(name) + "\"";
    if (id) body_ += " id=\"" + std::to_string(*id) + "\"";
    body_ += ok ? " status=\"ok\" >" : " status=\"error\" >";
    body_ += payload;
    body_ += "</action>";
    if (!ok) ok_ = false;
}

void ReplyBuilder::fail(std::string_view why) {
    body_ += "<error>" + escapeXml(why) + "</error>";
    ok_ = false;
}

std::string ReplyBuilder::document() const {
    return std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?><Omnivale v=\"1.0\">") +
           (ok_ ? "<result status=\"ok\"/>" : "<result status=\"error\"/>") + body_ + "</Omnivale>";
}

std::string encipherReply(std::string_view xml) {
    return kt::KT_EncryptWithBase64(xml, kt::kCipherKey);
}

std::string errorReply(std::string_view why) {
    ReplyBuilder b;
    b.fail(why);
    return encipherReply(b.document());
}

} // namespace zserver
