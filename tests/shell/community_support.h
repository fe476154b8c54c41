// The community section run headless: launched, a member logged in (or not), the hub shown.
#pragma once

#include "app_fixture.h"

#include "app/account/connexion.h"
#include "app/community/community_view_controller.h"
#include "platform/ui/action_sheet.h"
#include "platform/ui/window.h"
#include "server/web_request_context.h"

namespace apptest {

// Launched, the launch alerts answered, the hub shown (for a member logged in as `login`).
inline zephrun::CommunityViewController& openCommunity(AppRun& r, bool member,
                                                       const std::string& login = "fan42") {
    EXPECT_TRUE(r.launch());
    while (r.answerAlert(0)) {
    }
    if (member) {
        r.app().myConnexion().setMyLogin(login);
        r.app().myConnexion().setIsConnected(true);
    }
    r.app().showCommunity();
    r.advance(0.4);
    return *r.app().myCommunityView();
}

// The action sheet on screen, or null.
inline ui::ActionSheet* shownSheet(AppRun& r) {
    for (const auto& modal : r.host->window().modalViews())
        if (auto* sheet = dynamic_cast<ui::ActionSheet*>(modal.get()); sheet && sheet->isVisible())
            return sheet;
    return nullptr;
}

inline std::vector<std::string> sheetTitles(const ui::ActionSheet& sheet) {
    std::vector<std::string> titles;
    for (int i = 0; i < sheet.numberOfButtons(); ++i) titles.push_back(sheet.buttonTitleAtIndex(i));
    return titles;
}

// Whether `a` is drawn over `b`, both on the window.
inline bool inFront(ui::Window& w, const ui::View* a, const ui::View* b) {
    const auto& all = w.subviews();
    auto at = [&](const ui::View* v) {
        for (std::size_t i = 0; i < all.size(); ++i)
            if (all[i].get() == v) return static_cast<long>(i);
        return -1L;
    };
    return at(a) > at(b);
}

// The message of the last alert shown ("" when none).
inline std::string lastAlert(AppRun& r) {
    auto all = r.alerts();
    return all.empty() ? "" : alertMessage(all.back());
}

} // namespace apptest
