#include "framework/nrXML.h"

#include <exception>
#include <new>
#include <rapidxml.hpp>

namespace {

// Counts open elements the way the parser will meet them (comments, CDATA, declarations and
// quoted attribute values skipped). It never counts fewer than the parser nests, so a pass here
// bounds the parser's recursion.
bool NestingWithin(std::string_view text, int limit) {
    int depth = 0;
    size_t at = 0;
    auto skipPast = [&](std::string_view end) {
        const size_t found = text.find(end, at);
        at = found == std::string_view::npos ? text.size() : found + end.size();
    };
    while ((at = text.find('<', at)) != std::string_view::npos) {
        const std::string_view rest = text.substr(at);
        if (rest.starts_with("<!--")) {
            skipPast("-->");
        } else if (rest.starts_with("<![CDATA[")) {
            skipPast("]]>");
        } else if (rest.starts_with("<?") || rest.starts_with("<!")) {
            skipPast(">");
        } else if (rest.starts_with("</")) {
            --depth;
            skipPast(">");
        } else {
            size_t end = at + 1;
            for (char quote = 0; end < text.size(); ++end) {
                const char c = text[end];
                if (quote) {
                    if (c == quote) quote = 0;
                } else if (c == '"' || c == '\'') {
                    quote = c;
                } else if (c == '>') {
                    break;
                }
            }
            if (end >= text.size()) return true;  // unterminated: the parser reports it
            if (text[end - 1] != '/' && ++depth > limit) return false;
            at = end + 1;
        }
    }
    return true;
}

}  // namespace

class nrXMLBuilder {
public:
    static void Copy(const rapidxml::xml_node<>& from, nrXML& to) {
        to.name_.assign(from.name(), from.name_size());
        for (const rapidxml::xml_attribute<>* a = from.first_attribute(); a; a = a->next_attribute())
            to.attributes_.emplace_back(std::string(a->name(), a->name_size()),
                                        std::string(a->value(), a->value_size()));
        for (const rapidxml::xml_node<>* n = from.first_node(); n; n = n->next_sibling()) {
            if (n->type() == rapidxml::node_data || n->type() == rapidxml::node_cdata)
                to.value_.append(n->value(), n->value_size());
            else if (n->type() == rapidxml::node_element)
                Copy(*n, to.children_.emplace_back());
        }
    }
};

std::unique_ptr<nrXML> nrXML::Parse(std::string_view text, std::string* error) noexcept {
    auto fail = [error](std::string message) noexcept -> std::unique_ptr<nrXML> {
        if (error) {
            try {
                *error = std::move(message);
            } catch (...) {
            }
        }
        return nullptr;
    };
    try {
        if (!NestingWithin(text, kMaxDepth))
            return fail("elements nested deeper than " + std::to_string(kMaxDepth) + " levels");
        // The parser works in place on a terminated copy; a NUL inside the text ends it early,
        // which the parser then reports as unexpected end of data.
        std::vector<char> buffer(text.begin(), text.end());
        buffer.push_back('\0');
        rapidxml::xml_document<> document;
        try {
            document.parse<rapidxml::parse_validate_closing_tags>(buffer.data());
        } catch (const rapidxml::parse_error& e) {
            return fail(std::string(e.what()) + " at offset " + std::to_string(e.where<char>() - buffer.data()));
        }
        const rapidxml::xml_node<>* root = document.first_node();
        while (root && root->type() != rapidxml::node_element) root = root->next_sibling();
        if (!root) return fail("no root element");
        auto tree = std::make_unique<nrXML>();
        nrXMLBuilder::Copy(*root, *tree);
        return tree;
    } catch (const std::bad_alloc&) {
        return fail("out of memory");
    } catch (const std::exception& e) {
        return fail(e.what());
    }
}

const char* nrXML::GetAttrib(std::string_view name) const noexcept {
    for (const auto& [key, value] : attributes_)
        if (key == name) return value.c_str();
    return nullptr;
}

const nrXML* nrXML::GetChild(std::string_view name) const noexcept {
    for (const nrXML& child : children_)
        if (child.name_ == name) return &child;
    return nullptr;
}
