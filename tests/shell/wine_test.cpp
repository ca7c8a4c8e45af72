// Windows only: the built DLL against the system's own regsvr32, COM runtime, registry and reg
// tool (under Wine in CI).
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "platform/com.h"
#include "platform/module.h"
#include "tests/shell/expected_components.h"
#include "tests/shell/wine_commands.h"

namespace {

// reg query "HKCR\KEY" [/v NAME]
Finished Query(const std::string& key, const char* name = nullptr) {
    return RunCommand("reg query \"HKCR\\" + key + "\"" + (name ? std::string(" /v ") + name : std::string()));
}

void CreateEveryClassIn(DWORD apartment) {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, apartment)));
    for (const ExpectedComponent& c : kExpectedComponents) {
        SCOPED_TRACE(c.clsid);
        IUnknown* object = nullptr;
        EXPECT_EQ(CoCreateInstance(*platform::GuidFromString(c.clsid), nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                   reinterpret_cast<void**>(&object)),
                  S_OK);
        if (object) object->Release();
    }
    CoUninitialize();
}

TEST(Wine, Regsvr32RegistersComCreatesEveryClassAndRegsvr32UnregistersIt) {
    const std::string dll = std::string("\"").append(DllPath()).append("\"");
    ASSERT_EQ(RunCommand("regsvr32 /s " + dll).exitCode, 0u);

    const std::string row3 = kExpectedComponents[3].clsid;
    const struct {
        std::string key;
        const char* name;
        const char* shows;
    } values[] = {{"Filter\\" + row3, "Process", "Native"},
                  {"Filter\\" + row3, "UniqueID", "0x464c4e53"},
                  {"Filter\\" + row3, "Version", "5.0"},
                  {"CLSID\\" + row3, "Merit", "0x200000"},
                  {"CLSID\\" + row3 + "\\Pins\\Out", "Direction", "0x1"},
                  {"CLSID\\" + row3 + "\\InprocServer32", "ThreadingModel", "Both"},
                  {std::string("Filter\\") + kExpectedComponents[7].clsid, "Process", "DSP"}};
    for (const auto& v : values) {
        SCOPED_TRACE(v.key + " " + v.name);
        Finished run = Query(v.key, v.name);
        EXPECT_EQ(run.exitCode, 0u) << run.output;
        EXPECT_NE(run.output.find(v.shows), std::string::npos) << run.output;
    }
    EXPECT_NE(Query(std::string("Filter\\") + kExpectedComponents[9].clsid).exitCode, 0u) << "the page has no entry";

    std::thread(CreateEveryClassIn, COINIT_APARTMENTTHREADED).join();
    std::thread(CreateEveryClassIn, COINIT_MULTITHREADED).join();

    ASSERT_EQ(RunCommand("regsvr32 /s /u " + dll).exitCode, 0u);
    for (const ExpectedComponent& c : kExpectedComponents) {
        EXPECT_NE(Query(std::string("CLSID\\") + c.clsid).exitCode, 0u) << c.clsid;
        EXPECT_NE(Query(std::string("Filter\\") + c.clsid).exitCode, 0u) << c.clsid;
    }
}

}  // namespace
