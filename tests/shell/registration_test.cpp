#include <gtest/gtest.h>

#include <string>

#include "platform/module.h"
#include "platform/registry.h"
#include "tests/shell/shell_fixture.h"
#include "tests/support/stored_value.h"

namespace {

const std::string kAudioTypes =
    "\\Types\\{73647561-0000-0010-8000-00AA00389B71}\\{00000000-0000-0000-0000-000000000000}";

std::string Sz(const char* text) { return std::string(text) + '\0'; }
std::string Dword(uint32_t v) {
    return {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8 & 0xFF), static_cast<char>(v >> 16 & 0xFF),
            static_cast<char>(v >> 24)};
}

void ExpectValue(HKEY root, const std::string& path, const char* name, DWORD type, const std::string& data) {
    SCOPED_TRACE(path + " : " + (name ? name : "(default)"));
    StoredValue v = ReadStored(root, path, name);
    EXPECT_EQ(v.status, ERROR_SUCCESS);
    EXPECT_EQ(v.type, type);
    EXPECT_EQ(v.data, data);
}

std::string ClsidKey(const ExpectedComponent& c) { return std::string("CLSID\\") + c.clsid; }
std::string FilterKey(const ExpectedComponent& c) { return std::string("Filter\\") + c.clsid; }

TEST_F(Shell, RegistrationWritesEveryKeyAndValue) {
    ASSERT_EQ(DllRegisterServer(), S_OK);
    const std::string library = platform::ModulePath(ModuleHandle());
    for (const ExpectedComponent& c : kExpectedComponents) {
        SCOPED_TRACE(c.clsid);
        const std::string server = ClsidKey(c);
        ExpectValue(HKEY_CLASSES_ROOT, server, nullptr, REG_SZ, Sz(c.name));
        ExpectValue(HKEY_CLASSES_ROOT, server + "\\InprocServer32", nullptr, REG_SZ, Sz(library.c_str()));
        ExpectValue(HKEY_CLASSES_ROOT, server + "\\InprocServer32", "ThreadingModel", REG_SZ, Sz("Both"));
        if (c.meritAndPins) {
            ExpectValue(HKEY_CLASSES_ROOT, server, "Merit", REG_DWORD, Dword(0x00200000));
            for (const char* pin : {"In", "Out"}) {
                const std::string key = server + "\\Pins\\" + pin;
                ExpectValue(HKEY_CLASSES_ROOT, key, "AllowedMany", REG_DWORD, Dword(0));
                ExpectValue(HKEY_CLASSES_ROOT, key, "AllowedZero", REG_DWORD, Dword(0));
                ExpectValue(HKEY_CLASSES_ROOT, key, "IsRendered", REG_DWORD, Dword(0));
                ExpectValue(HKEY_CLASSES_ROOT, key, "Direction", REG_DWORD, Dword(pin[0] == 'O'));
                EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, key + kAudioTypes)) << key;
            }
        } else {
            EXPECT_EQ(ReadStored(HKEY_CLASSES_ROOT, server, "Merit").status, ERROR_FILE_NOT_FOUND);
            EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, server + "\\Pins"));
        }
        if (c.process) {
            ExpectValue(HKEY_CLASSES_ROOT, FilterKey(c), nullptr, REG_SZ, Sz(c.name));
            ExpectValue(HKEY_CLASSES_ROOT, FilterKey(c), "Version", REG_SZ, Sz("5.0"));
            // Written without its NUL; whether one is stored is the platform's affair (see
            // registration_file_test.cpp for the exact bytes).
            StoredValue process = ReadStored(HKEY_CLASSES_ROOT, FilterKey(c), "Process");
            EXPECT_EQ(process.type, REG_SZ);
            EXPECT_EQ(process.data.substr(0, process.data.find('\0')), c.process);
            ExpectValue(HKEY_CLASSES_ROOT, FilterKey(c), "UniqueID", REG_DWORD, Dword(c.uniqueId));
        } else {
            EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, FilterKey(c)));
        }
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, std::string("Software\\Classes\\MfxSoftSynths\\") + c.clsid))
            << "no row is a soft synth";
    }
}

TEST_F(Shell, UnregistrationRemovesEveryKeyAndLeavesOthersAlone) {
    const std::string foreign[] = {"CLSID\\{11111111-2222-3333-4444-555555555555}\\InprocServer32",
                                   "Filter\\{11111111-2222-3333-4444-555555555555}"};
    for (const std::string& path : foreign) {
        platform::RegKey key;
        ASSERT_EQ(key.Create(HKEY_CLASSES_ROOT, path), ERROR_SUCCESS);
    }
    ASSERT_EQ(DllRegisterServer(), S_OK);
    ASSERT_EQ(DllUnregisterServer(), S_OK);
    for (const ExpectedComponent& c : kExpectedComponents) {
        EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, ClsidKey(c))) << c.clsid;
        EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, FilterKey(c))) << c.clsid;
    }
    for (const std::string& path : foreign) EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, path)) << path;
    EXPECT_EQ(DllUnregisterServer(), S_OK) << "nothing left to remove is no failure";
}

TEST_F(Shell, RegisteringAgainRebuildsTheFilterEntries) {
    ASSERT_EQ(DllRegisterServer(), S_OK);
    char info[] = "Color Red";
    ASSERT_EQ(AdditionalInfoRegister(nullptr, nullptr, info, 0), 0);
    ASSERT_EQ(DllRegisterServer(), S_OK);
    for (int row = 0; row < 9; ++row)
        EXPECT_EQ(ReadStored(HKEY_CLASSES_ROOT, FilterKey(kExpectedComponents[row]), "Color").status,
                  ERROR_FILE_NOT_FOUND);
}

// One AdditionalInfoRegister call, its result and the rows whose Filter entry gets "Color".
struct InfoCase {
    const char* text;
    LONG result;
    const char* rows;  // digits of the rows written, "" for none
    const char* value = "Red";
};
const InfoCase kInfoCases[] = {
    {"Color Red", 0, "012345678"},
    {"Color Red flnm", 0, "147"},
    {"  Color\tRed   FLNS  ", 0, "036"},
    {"Color Red FLN?", 0, "012345678"},
    {"Color Red *LNX", 0, "258"},
    {"Color Red FLN", 0, ""},  // a short pattern matches nothing
    {"Color Red FLNSXYZ", 0, "036"},
    {"Color Red FLNM trailing words", 0, "147"},
    {"Color 1234567890123456789", 0, "012345678", "1234567890123456789"},
    {"Color", -1, ""},
    {"", -1, ""},
    {"Color Red FLNSXYZW", -1, ""},
    {"Color 12345678901234567890", -1, ""},
    {"C1234567890123456789 Red", -1, ""},
};

TEST_F(Shell, AdditionalInfoRegisterWritesTwentyBytesIntoTheChosenRows) {
    for (const InfoCase& c : kInfoCases) {
        SCOPED_TRACE(c.text);
        ASSERT_EQ(DllRegisterServer(), S_OK);
        std::string text = c.text;
        EXPECT_EQ(AdditionalInfoRegister(nullptr, nullptr, text.data(), 0), c.result);
        std::string twenty(20, '\0');
        twenty.replace(0, std::string(c.value).size(), c.value);
        const std::string chosen = c.rows;
        for (int row = 0; row < 10; ++row) {
            SCOPED_TRACE(row);
            StoredValue v = ReadStored(HKEY_CLASSES_ROOT, FilterKey(kExpectedComponents[row]), "Color");
            if (chosen.find(static_cast<char>('0' + row)) == std::string::npos) {
                EXPECT_NE(v.status, ERROR_SUCCESS);
                continue;
            }
            EXPECT_EQ(v.type, REG_SZ);
            EXPECT_EQ(v.data, twenty);
        }
    }
}

TEST_F(Shell, AdditionalInfoEntryPointsForwardAndNeedRegisteredEntries) {
    char text[] = "Color Red flnm";
    EXPECT_EQ(AdditionalInfoRegister(nullptr, nullptr, nullptr, 0), -1);
    EXPECT_EQ(CallDllFX_AdditionalInfoRegister(nullptr, nullptr, text), 0);
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, FilterKey(kExpectedComponents[1]))) << "nothing is created";
    ASSERT_EQ(DllRegisterServer(), S_OK);
    EXPECT_EQ(CallDllFX_AdditionalInfoRegister(nullptr, nullptr, text), 0);
    EXPECT_EQ(ReadStored(HKEY_CLASSES_ROOT, FilterKey(kExpectedComponents[4]), "Color").status, ERROR_SUCCESS);
    EXPECT_NE(ReadStored(HKEY_CLASSES_ROOT, FilterKey(kExpectedComponents[3]), "Color").status, ERROR_SUCCESS);
}

}  // namespace
