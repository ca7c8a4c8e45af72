#include <gtest/gtest.h>

#include <string>

#include "framework/nrXML.h"

namespace {

// `depth` elements inside each other, innermost empty; `attribute` inside every start tag.
std::string Nested(int depth, const std::string& attribute = "") {
    std::string open, close;
    for (int i = 0; i < depth; ++i) {
        open += "<a" + attribute + ">";
        close += "</a>";
    }
    return open + "<b/>" + close;
}

TEST(nrXML, BuildsTheTreeWithTextAndAttributes) {
    const auto root = nrXML::Parse(
        "<?xml version=\"1.0\"?><!-- note --><List version='1'><Item Name=\"a &amp; b\"><Label>&#9;Edit "
        "Mode</Label><Label>x </Label><Empty/></Item><Item Name=\"second\"><![CDATA[<raw>]]></Item></List>");
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->GetName(), "List");
    EXPECT_STREQ(root->GetAttrib("version"), "1");
    EXPECT_EQ(root->GetAttrib("missing"), nullptr);
    ASSERT_EQ(root->GetChildren().size(), 2u);
    const nrXML& first = root->GetChildren()[0];
    EXPECT_STREQ(first.GetAttrib("Name"), "a & b");
    ASSERT_NE(first.GetChild("Label"), nullptr);
    EXPECT_EQ(first.GetChild("Label")->GetValue(), "\tEdit Mode") << "the first of that name, blanks and tabs kept";
    EXPECT_EQ(first.GetChildren()[1].GetValue(), "x ");
    EXPECT_NE(first.GetChild("Empty"), nullptr);
    EXPECT_EQ(first.GetChild("None"), nullptr);
    EXPECT_EQ(root->GetChildren()[1].GetValue(), "<raw>");
}

TEST(nrXML, ReportsErrorsWithoutThrowing) {
    struct Case {
        const char* name;
        std::string text;
    };
    const Case cases[] = {
        {"empty", ""},
        {"text only", "just text"},
        {"unclosed", "<a><b></b>"},
        {"mismatched closing tag", "<a><b></a></b>"},
        {"truncated attribute", "<a name=\"x"},
        {"bad entity", "<a>&#xZZ;</a>"},
        {"garbage after the root", "<a/>tail"},
        {"NUL inside", std::string("<a>\0</a>", 8)},
        {"nested too deep", Nested(nrXML::kMaxDepth + 1)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string error;
        EXPECT_EQ(nrXML::Parse(c.text, &error), nullptr);
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(nrXML::Parse(c.text), nullptr) << "an error without a message slot";
    }
}

TEST(nrXML, NestingAtTheLimitStillReads) {
    // Markup inside comments and quoted values does not count.
    EXPECT_NE(nrXML::Parse("<!-- <a><a><a> -->" + Nested(nrXML::kMaxDepth, " x='<a>'")), nullptr);
}

}  // namespace
