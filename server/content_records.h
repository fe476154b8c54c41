// Records read out of the content directory's XML documents: every element of one name with its
// attributes and the text of its child elements.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zserver {

struct ContentRecord {
    std::string element;
    std::map<std::string, std::string> attributes;
    std::map<std::string, std::string> children; // child element name -> its text
    std::string text;                            // the element's own text

    std::string attribute(const std::string& name) const;
    std::string child(const std::string& name) const;
};

// Every element named one of `elements`, in document order; nullopt when the document is not
// well-formed or has a document type declaration.
std::optional<std::vector<ContentRecord>> readRecords(std::string_view xml,
                                                      const std::vector<std::string>& elements);

} // namespace zserver
