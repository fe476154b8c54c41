// The layering check: quoted includes resolved as the compiler would find them, and link
// dependencies traced back to the CMakeLists.txt line that makes them.
#include "layering.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

namespace layercheck {
namespace fs = std::filesystem;

namespace {

constexpr const char* kPrivateFolders[] = {"src", "detail", "internal"};

std::vector<std::string> components(const std::string& relative) {
    std::vector<std::string> out;
    for (const auto& part : fs::path(relative)) out.push_back(part.string());
    return out;
}

std::string layerOf(const Rules& rules, const std::string& relative) {
    const std::vector<std::string> parts = components(relative);
    return !parts.empty() && rules.isLayer(parts[0]) ? parts[0] : "";
}

// A header in a src, detail or internal folder below its layer's folder.
bool isPrivate(const std::string& relative) {
    const std::vector<std::string> parts = components(relative);
    for (size_t i = 1; i + 1 < parts.size(); ++i)
        for (const char* folder : kPrivateFolders)
            if (parts[i] == folder) return true;
    return false;
}

bool under(const std::string& relative, const std::string& folder) {
    return relative.size() > folder.size() && relative.compare(0, folder.size(), folder) == 0 &&
           relative[folder.size()] == '/';
}

bool mayViewPrivate(const Rules& rules, const std::string& relative) {
    for (const std::string& f : rules.publicOnly)
        if (under(relative, f)) return false;
    for (const std::string& f : rules.privateViewers)
        if (under(relative, f)) return true;
    return false;
}

bool isSource(const fs::path& p) {
    static const std::set<std::string> kExtensions = {".h", ".hpp", ".c", ".cc", ".cpp"};
    return kExtensions.count(p.extension().string()) != 0;
}

// `path` relative to `root`, or "" when it lies outside.
std::string relativeTo(const fs::path& root, const fs::path& path) {
    const fs::path rel = path.lexically_normal().lexically_relative(root);
    if (rel.empty() || *rel.begin() == "..") return "";
    return rel.generic_string();
}

struct Include {
    int line;
    std::string name;
};

// Quoted includes outside comments.
std::vector<Include> quotedIncludes(const fs::path& file) {
    static const std::regex kInclude(R"(^\s*#\s*include\s*"([^"]+)\")");
    std::vector<Include> out;
    std::ifstream in(file);
    std::string text;
    bool inComment = false;
    for (int n = 1; std::getline(in, text); ++n) {
        if (inComment) {
            const size_t end = text.find("*/");
            if (end == std::string::npos) continue;
            text.erase(0, end + 2);
            inComment = false;
        }
        std::smatch m;
        if (std::regex_search(text, m, kInclude)) out.push_back({n, m[1].str()});
        const size_t open = text.rfind("/*");
        if (open != std::string::npos && text.find("*/", open) == std::string::npos)
            inComment = true;
    }
    return out;
}

bool identifierChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == ':' || c == '-' ||
           c == '.' || c == '$' || c == '{' || c == '}';
}

bool containsWord(const std::string& text, const std::string& word) {
    for (size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) {
        const bool before = at == 0 || !identifierChar(text[at - 1]);
        const size_t end = at + word.size();
        const bool after = end == text.size() || !identifierChar(text[end]);
        if (before && after) return true;
    }
    return false;
}

// The CMakeLists.txt files of the tree: the target's folder first, then the root, then every
// layer folder.
std::vector<fs::path> cmakeFiles(const fs::path& root, const Rules& rules, const std::string& dir) {
    std::vector<fs::path> out;
    auto add = [&](const fs::path& p) {
        if (fs::is_regular_file(p) && std::find(out.begin(), out.end(), p) == out.end())
            out.push_back(p);
    };
    add(root / dir / "CMakeLists.txt");
    add(root / "CMakeLists.txt");
    for (const auto& [layer, uses] : rules.uses) {
        if (!fs::is_directory(root / layer)) continue;
        for (const auto& e : fs::recursive_directory_iterator(root / layer))
            if (e.path().filename() == "CMakeLists.txt") add(e.path());
    }
    return out;
}

// The line that makes `link`: a target_link_libraries call of the target naming the dependency,
// else its first such call, else the line defining the target.
Violation linkLine(const fs::path& root, const Rules& rules, const Link& link) {
    const std::regex call("(^|[^A-Za-z0-9_])target_link_libraries\\s*\\(\\s*" + link.target +
                          "(\\s|\\)|$)");
    const std::regex defined("(add_library|add_executable)\\s*\\(\\s*" + link.target +
                             "(\\s|\\)|$)");
    Violation first, definition;
    for (const fs::path& file : cmakeFiles(root, rules, link.dir)) {
        std::ifstream in(file);
        std::vector<std::string> lines;
        for (std::string l; std::getline(in, l);) lines.push_back(l);
        for (size_t i = 0; i < lines.size(); ++i) {
            if (definition.line == 0 && std::regex_search(lines[i], defined))
                definition = {relativeTo(root, file), int(i) + 1, ""};
            if (!std::regex_search(lines[i], call)) continue;
            if (first.line == 0) first = {relativeTo(root, file), int(i) + 1, ""};
            int depth = 0;
            for (size_t k = i; k < lines.size(); ++k) {
                if (containsWord(lines[k], link.dependency))
                    return {relativeTo(root, file), int(k) + 1, ""};
                depth += int(std::count(lines[k].begin(), lines[k].end(), '(')) -
                         int(std::count(lines[k].begin(), lines[k].end(), ')'));
                if (depth <= 0) break;
            }
        }
    }
    if (first.line) return first;
    if (definition.line) return definition;
    return {(fs::path(link.dir) / "CMakeLists.txt").generic_string(), 1, ""};
}

} // namespace

bool Rules::addLayer(const std::string& line, std::string& error) {
    std::istringstream in(line);
    std::string layer, arrow;
    if (!(in >> layer >> arrow) || arrow != "->") {
        error = "\"" + line + "\": expected LAYER -> [LAYER...]";
        return false;
    }
    std::set<std::string>& allowed = uses[layer];
    for (std::string to; in >> to;) allowed.insert(to);
    return true;
}

bool Rules::allows(const std::string& from, const std::string& to) const {
    if (from == to) return true;
    auto it = uses.find(from);
    return it != uses.end() && (it->second.count("*") || it->second.count(to));
}

std::string Rules::refusal(const std::string& from, const std::string& to) const {
    std::string allowed;
    auto it = uses.find(from);
    if (it != uses.end())
        for (const std::string& layer : it->second)
            allowed += (allowed.empty() ? "" : ", ") + layer;
    return from + " may not use " + to + " (" + from + " -> " +
           (allowed.empty() ? "nothing of ours" : allowed) + ")";
}

void checkIncludes(const std::string& rootText, const Rules& rules,
                   const std::vector<std::string>& includeRoots, Report& report) {
    const fs::path root = fs::path(rootText).lexically_normal();
    for (const auto& [layer, uses] : rules.uses) {
        if (!fs::is_directory(root / layer)) continue;
        std::vector<fs::path> files;
        for (const auto& e : fs::recursive_directory_iterator(root / layer))
            if (e.is_regular_file() && isSource(e.path())) files.push_back(e.path());
        std::sort(files.begin(), files.end());
        for (const fs::path& file : files) {
            const std::string from = relativeTo(root, file);
            ++report.files;
            // Where the compiler would look: beside the file, the root, the include folders
            // of the file's own layer, then the others.
            std::vector<fs::path> dirs = {file.parent_path(), root};
            for (bool own : {true, false})
                for (const std::string& r : includeRoots)
                    if ((layerOf(rules, r) == layer) == own) dirs.push_back(root / r);
            for (const Include& inc : quotedIncludes(file)) {
                std::string to;
                for (const fs::path& d : dirs) {
                    if (fs::is_regular_file(d / inc.name)) {
                        to = relativeTo(root, d / inc.name);
                        break;
                    }
                }
                const std::string target = layerOf(rules, to);
                if (target.empty()) continue; // a system or generated header
                ++report.includes;
                if (target == layer) continue;
                const std::string what =
                    "includes \"" + inc.name + "\"" + (to == inc.name ? "" : " (" + to + ")");
                if (!rules.allows(layer, target))
                    report.violations.push_back(
                        {from, inc.line, what + ": " + rules.refusal(layer, target)});
                else if (isPrivate(to) && !mayViewPrivate(rules, from))
                    report.violations.push_back(
                        {from, inc.line, what + ", a header private to " + target});
            }
        }
    }
}

void checkLinks(const std::string& rootText, const Rules& rules, const std::vector<Link>& links,
                Report& report) {
    const fs::path root = fs::path(rootText).lexically_normal();
    for (const Link& link : links) {
        const std::string from = layerOf(rules, link.dir);
        const std::string to = layerOf(rules, link.dependencyDir);
        if (from.empty() || to.empty()) continue;
        ++report.links;
        if (rules.allows(from, to)) continue;
        Violation v = linkLine(root, rules, link);
        v.message = link.target + " links " + link.dependency + ": " + rules.refusal(from, to);
        report.violations.push_back(v);
    }
}

bool readBuildFacts(const std::string& path, std::vector<Link>& links,
                    std::vector<std::string>& includeRoots, std::string& error) {
    std::ifstream in(path);
    if (!in) {
        error = "cannot read " + path;
        return false;
    }
    int n = 0;
    for (std::string line; std::getline(in, line);) {
        ++n;
        std::istringstream words(line);
        std::string kind;
        if (!(words >> kind)) continue;
        if (kind == "link") {
            Link l;
            if (words >> l.target >> l.dir >> l.dependency >> l.dependencyDir) {
                links.push_back(l);
                continue;
            }
        } else if (kind == "include-root") {
            std::string dir;
            if (words >> dir) {
                if (std::find(includeRoots.begin(), includeRoots.end(), dir) == includeRoots.end())
                    includeRoots.push_back(dir);
                continue;
            }
        }
        error = path + ":" + std::to_string(n) + ": cannot read \"" + line + "\"";
        return false;
    }
    return true;
}

} // namespace layercheck
