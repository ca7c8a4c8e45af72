#include <gtest/gtest.h>

#include "platform/module.h"

namespace {

TEST(Module, FindsTheModuleHoldingCodeAndItsPath) {
    static int marker;
    HMODULE self = platform::ModuleOf(&marker);
    ASSERT_NE(self, nullptr);
    const std::string path = platform::ModulePath(self);
    EXPECT_NE(path.find("platform_test"), std::string::npos) << path;
    EXPECT_FALSE(platform::FolderOf(path).empty());
    const std::string program = platform::ExecutablePath();
    EXPECT_NE(program.find("platform_test"), std::string::npos) << program;
    EXPECT_FALSE(platform::FolderOf(program).empty()) << "a full path";
}

TEST(Module, FolderOfHandlesBothSeparators) {
    EXPECT_EQ(platform::FolderOf("/a/b/c.so"), "/a/b");
    EXPECT_EQ(platform::FolderOf("C:\\x\\y.dll"), "C:\\x");
    EXPECT_EQ(platform::FolderOf("plain"), "");
}

TEST(Library, MissingFileGivesAnEmptyLibrary) {
    auto lib = platform::Library::Open("velvane-no-such-module-xyz");
    EXPECT_FALSE(lib);
    EXPECT_EQ(lib.Symbol("anything"), nullptr);
    EXPECT_FALSE(platform::Library::LastError().empty());
}

}  // namespace
