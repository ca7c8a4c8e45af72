#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

#include "TestAlgorithm.h"
#include "framework/CDLLLoader.h"
#include "platform/environment.h"
#include "platform/module.h"
#include "platform/processor.h"
#include "tests/support/scoped_environment.h"

namespace {

// The test program's folder holds the stand-in kernel module (its CMake list puts both there).
class Loader : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = platform::FolderOf(platform::ModulePath(TestModule()));
        standin_ = platform::JoinPath(folder_, VELVANE_STANDIN_KERNEL);
        preferred_ = platform::JoinPath(folder_, platform::KernelModuleNames().front());
        ASSERT_TRUE(std::filesystem::exists(standin_)) << standin_;
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove(preferred_, ignored);
    }
    // The mark the routine leaves for 5 frames, or -1 when there is no routine.
    static int32_t Mark(VelvaneProcessFn routine) {
        int32_t out = -1;
        if (routine) routine(nullptr, 0, 5, nullptr, 0, &out, nullptr, nullptr, nullptr, 0);
        return out;
    }
    int32_t MarkOf(const char* name) { return Mark(CDLLLoader(TestModule()).GetProcessFunc(name)); }

    ScopedEnvironment kernel_{"VELVANE_KERNEL", std::nullopt};  // the loader's own search
    std::string folder_, standin_, preferred_;
};

TEST_F(Loader, PicksThePreferredModuleBesideThePlugIn) {
    EXPECT_EQ(MarkOf("VelvaneProc"), -1) << "no kernel module in the folder: the routine is absent";
    std::filesystem::copy_file(standin_, preferred_);
    CDLLLoader loader(TestModule());
    EXPECT_EQ(Mark(loader.GetProcessFunc("VelvaneProc")), 1005);
    EXPECT_EQ(Mark(loader.GetProcessFunc("VelvaneProcMono")), 2005);
    EXPECT_EQ(loader.GetProcessFunc("NoSuchRoutine"), nullptr);
    EXPECT_EQ(loader.GetProcessFunc(nullptr), nullptr);
}

TEST_F(Loader, HonoursVelvaneKernel) {
    std::filesystem::copy_file(standin_, preferred_);
    struct Case {
        std::string value;
        int32_t mark;
    };
    const std::string bare = std::filesystem::path(VELVANE_STANDIN_KERNEL).stem().string();
    const Case cases[] = {
        {standin_, 1005},                                     // a path
        {VELVANE_STANDIN_KERNEL, 1005},                       // a file name beside the plug-in
        {bare, 1005},                                         // without its suffix
        {platform::JoinPath(folder_, "missing_kernel"), -1},  // no fallback to the preferred one
        {"missing_kernel", -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        platform::SetEnvironment("VELVANE_KERNEL", c.value);
        EXPECT_EQ(MarkOf("VelvaneProc"), c.mark);
    }
}

TEST(LoaderWithoutModule, FindsNothingWithoutAFolder) {
    EXPECT_EQ(CDLLLoader(nullptr).GetProcessFunc("VelvaneProc"), nullptr);
}

}  // namespace
