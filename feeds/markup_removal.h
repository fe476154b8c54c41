// Removal of the markup a news description may carry: anchors, images, embedded objects and
// scripts. Each function returns a new text.
#pragma once

#include <string>
#include <string_view>

namespace zephrun {

// Opening tags "<a…>" and "<A…>" (through the next ">"), then every "</a>" and "</A>"; the
// anchor's text stays.
std::string stringWithoutBaliseA(std::string_view text);
// The same for "<img…>" / "<IMG…>", then every "</IMG>" and "</img>".
std::string stringWithoutBaliseImg(std::string_view text);
// Whole elements "<object…</object>" and "<OBJECT…</OBJECT>".
std::string stringWithoutBaliseObject(std::string_view text);
// Whole elements "<script…</script>" and "<SCRIPT…</SCRIPT>".
std::string stringWithoutBaliseScript(std::string_view text);

} // namespace zephrun
