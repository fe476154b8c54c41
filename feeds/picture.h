// Picture: an image a record shows — a picture shipped with the application (by resource name)
// or one decoded from downloaded bytes.
#pragma once

#include <memory>
#include <string>

#include "client/image_header.h"

namespace zephrun {

// Exactly one of the two is set: resourceName names a shipped picture that the view toolkit
// turns into an image; image holds a picture read from a file or a download.
struct Picture {
    std::string resourceName;
    std::shared_ptr<const kt::KT_Image> image;
};

} // namespace zephrun
