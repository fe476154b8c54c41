// Word wrapping with the toolkit's font metrics.
#include "platform/ui/text_wrap.h"

namespace ui {

namespace {

std::size_t characterLengthAt(std::string_view s, std::size_t i) {
    std::size_t n = 1;
    while (i + n < s.size() && (static_cast<unsigned char>(s[i + n]) & 0xC0) == 0x80) ++n;
    return n;
}

// Appends `word` to `lines`, splitting it by characters where it is wider than a line.
void breakLongWord(const FontMetrics& m, const Font& font, std::string_view word, float maxWidth,
                   std::vector<std::string>& lines, std::string& line) {
    std::size_t i = 0;
    while (i < word.size()) {
        std::size_t n = characterLengthAt(word, i);
        std::string candidate = line;
        candidate.append(word.substr(i, n));
        if (!line.empty() && m.width(font, candidate) > maxWidth) {
            lines.push_back(std::move(line));
            line.assign(word.substr(i, n));
        } else {
            line = std::move(candidate);
        }
        i += n;
    }
}

void wrapParagraph(const FontMetrics& m, const Font& font, std::string_view text, float maxWidth,
                   std::vector<std::string>& lines) {
    std::string line;
    std::string_view pending; // blanks between the line and the next word
    std::size_t i = 0;
    while (i < text.size()) {
        std::size_t start = i;
        if (text[i] == ' ') {
            while (i < text.size() && text[i] == ' ') ++i;
            pending = text.substr(start, i - start);
            continue;
        }
        while (i < text.size() && text[i] != ' ') ++i;
        std::string_view word = text.substr(start, i - start);
        std::string candidate = line;
        candidate.append(pending).append(word);
        if (m.width(font, candidate) <= maxWidth) {
            line = std::move(candidate);
        } else {
            if (!line.empty()) lines.push_back(std::move(line));
            line.clear();
            if (m.width(font, word) <= maxWidth)
                line.assign(word);
            else
                breakLongWord(m, font, word, maxWidth, lines, line);
        }
        pending = {};
    }
    line.append(pending); // trailing blanks stay, so a caret after them is placed right
    lines.push_back(std::move(line));
}

} // namespace

std::vector<std::string> wrapText(const FontMetrics& metrics, const Font& font,
                                  std::string_view utf8, float maxWidth) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (true) {
        std::size_t end = utf8.find('\n', start);
        std::string_view paragraph = utf8.substr(
            start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (!paragraph.empty() && paragraph.back() == '\r') paragraph.remove_suffix(1);
        wrapParagraph(metrics, font, paragraph, maxWidth, lines);
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
    return lines;
}

} // namespace ui
