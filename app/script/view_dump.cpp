#include "app/script/view_dump.h"

#include <nlohmann/json.hpp>

#include "platform/ui/test_driver.h"
#include "platform/ui/window.h"

namespace zephrun {

namespace {

bool shown(const ui::View& v) { return !v.isHidden() && v.alpha() > 0.01f; }

nlohmann::json dumpView(const ui::View& v, const ui::TestDriver& driver) {
    ui::Rect f = driver.frameInWindow(&v);
    nlohmann::json children = nlohmann::json::array();
    for (const auto& sub : v.subviews())
        if (shown(*sub)) children.push_back(dumpView(*sub, driver));
    return {
        {"class", std::string(v.className())},
        {"frame", {f.x(), f.y(), f.width(), f.height()}},
        {"text", v.displayedText()},
        {"image", v.displayedImageName()},
        {"tag", v.tag()},
        {"alpha", v.alpha()},
        {"hidden", v.isHidden()},
        {"children", std::move(children)},
    };
}

} // namespace

std::string dumpViewTree(ui::Window& window, const ui::TestDriver& driver) {
    nlohmann::json root = dumpView(window, driver);
    for (const auto& modal : window.modalViews())
        if (shown(*modal)) root["children"].push_back(dumpView(*modal, driver));
    // Texts from the server may hold invalid UTF-8: replaced rather than refused.
    return root.dump(1, ' ', false, nlohmann::json::error_handler_t::replace);
}

} // namespace zephrun
