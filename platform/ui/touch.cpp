// Touch positions in view coordinates.
#include "platform/ui/touch.h"

#include "platform/ui/view.h"

namespace ui {

Point Touch::locationInView(const View* view) const {
    return view ? view->convertPointFromView(location_, nullptr) : location_;
}

Point Touch::previousLocationInView(const View* view) const {
    return view ? view->convertPointFromView(previousLocation_, nullptr) : previousLocation_;
}

} // namespace ui
