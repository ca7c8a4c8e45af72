#pragma once
// nrXML: an XML element tree with attribute access, built from text by rapidxml. The tree owns
// copies of every name, value and attribute, so it outlives the text it was read from.
//
// [any thread; a tree is immutable once built] Parse never throws: malformed text, text nested
// deeper than kMaxDepth elements and allocation failures are reported as null plus a message.
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class nrXML {
public:
    // Deeper nesting is refused before parsing, so hostile text cannot exhaust the stack.
    static constexpr int kMaxDepth = 64;

    // The document's root element, or null with `error` (when given) saying what and where.
    static std::unique_ptr<nrXML> Parse(std::string_view text, std::string* error = nullptr) noexcept;

    const std::string& GetName() const noexcept { return name_; }
    // The text directly inside the element (its data and CDATA pieces joined), entities decoded.
    const std::string& GetValue() const noexcept { return value_; }
    // The attribute's value, or null when the element has none of that name.
    const char* GetAttrib(std::string_view name) const noexcept;
    const std::vector<nrXML>& GetChildren() const noexcept { return children_; }
    // The first child element of that name, or null.
    const nrXML* GetChild(std::string_view name) const noexcept;

private:
    friend class nrXMLBuilder;

    std::string name_;
    std::string value_;
    std::vector<std::pair<std::string, std::string>> attributes_;
    std::vector<nrXML> children_;
};
