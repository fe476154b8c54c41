// The layering rules of the code and their check: every #include and every link dependency of
// a source tree against the arrows allowed between its layers.
#pragma once
#include <map>
#include <set>
#include <string>
#include <vector>

namespace layercheck {

// The arrows between layers and who may look at private headers.
struct Rules {
    // Layer (a top folder) -> the layers it may use; "*" for any.
    std::map<std::string, std::set<std::string>> uses;
    // Folders whose files may include the private headers of other layers (tests, benchmarks),
    // and folders among them that may not (fuzz targets see what any caller sees).
    std::vector<std::string> privateViewers;
    std::vector<std::string> publicOnly;

    // Parses "a -> b c" (a may use b and c; "*" any layer, nothing after the arrow: none).
    bool addLayer(const std::string& line, std::string& error);
    bool allows(const std::string& from, const std::string& to) const;
    bool isLayer(const std::string& name) const { return uses.count(name) != 0; }
    // "feeds may not use app (feeds -> client, platform)".
    std::string refusal(const std::string& from, const std::string& to) const;
};

// One link dependency as the build reports it: `target`, defined in folder `dir` (relative to the
// source root), links `dependency`, defined in `dependencyDir`.
struct Link {
    std::string target, dir, dependency, dependencyDir;
};

struct Violation {
    std::string file; // relative to the source root
    int line = 0;
    std::string message;
};

struct Report {
    std::vector<Violation> violations;
    int files = 0;
    int includes = 0;
    int links = 0;
};

// Checks every C and C++ source and header under the source root's layer folders; `includeRoots`
// are the folders (relative to the root) that quoted includes are also looked up in, after the
// including file's folder and the root itself.
void checkIncludes(const std::string& root, const Rules& rules,
                   const std::vector<std::string>& includeRoots, Report& report);
// Checks the link dependencies between layers; a violation names the CMakeLists.txt line that
// makes the arrow.
void checkLinks(const std::string& root, const Rules& rules, const std::vector<Link>& links,
                Report& report);

// Reads what the build wrote (tools/layercheck/layering.cmake): "link TARGET DIR DEP DEPDIR" and
// "include-root DIR" lines.
bool readBuildFacts(const std::string& path, std::vector<Link>& links,
                    std::vector<std::string>& includeRoots, std::string& error);

} // namespace layercheck
