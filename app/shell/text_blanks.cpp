#include "app/shell/text_blanks.h"

namespace zephrun {

namespace {

std::string without(std::string_view text, bool spaces) {
    std::string out;
    out.reserve(text.size());
    for (char c : text)
        if (c != '\n' && c != '\r' && c != '\t' && (!spaces || c != ' ')) out += c;
    return out;
}

} // namespace

std::string withoutLineBreaks(std::string_view text) {
    return without(text, false);
}

std::string withoutBlanks(std::string_view text) {
    return without(text, true);
}

} // namespace zephrun
