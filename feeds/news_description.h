// NewsDescription: one item of the news feed.
#pragma once

#include <memory>
#include <string>

#include "client/image_header.h"

namespace zephrun {

struct NewsDescription {
    std::string tDate;     // without line feeds, tabs, carriage returns and spaces
    std::string tTitle;    // without line feeds, tabs and carriage returns
    std::string tDesW;     // the description as written, on one line
    std::string tDes;      // the description without markup
    std::string tURL;      // the first anchor's target or a video page; "" if none
    std::string tURLImage; // the first image's source; "" if none
    // Set by a screen once downloaded, on the interface thread only; none at creation.
    std::shared_ptr<const kt::KT_Image> tImage;
};

} // namespace zephrun
