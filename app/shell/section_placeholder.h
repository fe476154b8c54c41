// The plain page a section shows until its screen exists: the section's name on the common
// background, between the shell's bars. The shell logs that the placeholder was shown.
#pragma once

#include <functional>
#include <string>

#include "app/shell/localized.h"

namespace ui {
class View;
}

namespace zephrun {

// Fills `view` (320 x 480) with the placeholder of `title`. With `exit`, a button "Retour" /
// "Back" at the top calls it (for a section shown without the shell's bars).
void buildSectionPlaceholder(ui::View& view, const Localized& title, bool french,
                             const std::function<void()>& exit = {});

} // namespace zephrun
