// FeedDelegate helpers.
#include "feeds/feed_delegate.h"

#include "feeds/feed_keys.h"
#include "platform/user_defaults.h"

namespace zephrun {

std::string FeedDelegate::storedString(std::string_view suffix) {
    return defaults().stringForKey(persistedKey(displayName(), suffix)).value_or("");
}

void FeedDelegate::storeString(std::string_view suffix, const std::string& value) {
    defaults().setString(persistedKey(displayName(), suffix), value);
}

std::string FeedDelegate::packageCopy(std::string_view fileName) const {
    return packageCopyPath(packageDirectory(), fileName);
}

} // namespace zephrun
