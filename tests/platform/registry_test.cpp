#include "platform/registry.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/scratch_registry.h"
#include "tests/support/stored_value.h"

namespace {

using platform::RegAccess;
using platform::RegKey;

class Registry : public ::testing::Test {
protected:
    ScratchRegistry scratch_;
};

TEST_F(Registry, StoresStringsByteForByteAndDwords) {
    RegKey key;
    ASSERT_EQ(key.Create(HKEY_CLASSES_ROOT, "Filter\\{X}"), ERROR_SUCCESS);
    const std::string twenty("Red\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0", 20);
    struct Case {
        const char* name;
        std::string data;
    } cases[] = {{nullptr, std::string("Norde Velvane", 14)},  // NUL included
                 {"Color", twenty},
                 {"Quote", std::string("a\"b\\c") + '\0'},
                 {"Empty", ""}};
    for (const Case& c : cases) ASSERT_EQ(key.SetString(c.name, c.data), ERROR_SUCCESS);
    ASSERT_EQ(key.SetDword("UniqueID", 0x464C4E53), ERROR_SUCCESS);

    for (const Case& c : cases) {
        SCOPED_TRACE(c.name ? c.name : "(default)");
        StoredValue r = ReadStored(HKEY_CLASSES_ROOT, "filter\\{x}", c.name);  // names in any case
        EXPECT_EQ(r.status, ERROR_SUCCESS);
        EXPECT_EQ(r.type, REG_SZ);
        EXPECT_EQ(r.data, c.data);
    }
    StoredValue id = ReadStored(HKEY_CLASSES_ROOT, "FILTER\\{X}", "uniqueid");
    EXPECT_EQ(id.type, REG_DWORD);
    EXPECT_EQ(id.data, std::string("\x53\x4E\x4C\x46", 4));
}

TEST_F(Registry, QueryHonoursTheByteLimit) {
    RegKey key;
    ASSERT_EQ(key.Create(HKEY_CLASSES_ROOT, "K"), ERROR_SUCCESS);
    const std::string text("Native Offline", 15);
    ASSERT_EQ(key.SetString("V", text), ERROR_SUCCESS);
    char data[8] = "canary";
    DWORD bytes = sizeof data;
    EXPECT_EQ(key.Query("V", nullptr, data, &bytes), ERROR_MORE_DATA);
    EXPECT_EQ(bytes, 15u);  // the size it needs
    char exact[15];
    EXPECT_EQ(key.Query("V", nullptr, exact, &bytes), ERROR_SUCCESS);
    EXPECT_EQ(std::string(exact, 15), text);
    bytes = 4;
    EXPECT_EQ(key.Query("Missing", nullptr, data, &bytes), ERROR_FILE_NOT_FOUND);
}

TEST_F(Registry, MissingKeysAndReadOnlyKeysRefuseChanges) {
    RegKey key;
    EXPECT_EQ(key.Open(HKEY_CLASSES_ROOT, "Nowhere", RegAccess::Read), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(key);
    ASSERT_EQ(key.Create(HKEY_LOCAL_MACHINE, "Software\\Velvane"), ERROR_SUCCESS);
    ASSERT_EQ(key.Open(HKEY_LOCAL_MACHINE, "Software\\Velvane", RegAccess::Read), ERROR_SUCCESS);
    EXPECT_NE(key.SetDword("X", 1), ERROR_SUCCESS);
    RegKey other;
    EXPECT_EQ(other.Open(HKEY_CLASSES_ROOT, "Software\\Velvane", RegAccess::Read), ERROR_FILE_NOT_FOUND)
        << "roots are separate trees";
}

TEST_F(Registry, DeleteTreeRemovesTheKeyAndEverythingBelowOnly) {
    for (const char* path :
         {"CLSID\\{A}\\Pins\\In\\Types", "CLSID\\{A}\\InprocServer32", "CLSID\\{A}2", "CLSID\\{B}"}) {
        RegKey key;
        ASSERT_EQ(key.Create(HKEY_CLASSES_ROOT, path), ERROR_SUCCESS);
        ASSERT_EQ(key.SetDword("x", 1), ERROR_SUCCESS);
    }
    EXPECT_EQ(platform::DeleteKeyTree(HKEY_CLASSES_ROOT, "clsid\\{a}"), ERROR_SUCCESS);
    EXPECT_EQ(platform::DeleteKeyTree(HKEY_CLASSES_ROOT, "CLSID\\{A}"), ERROR_FILE_NOT_FOUND);
    RegKey key;
    for (const char* gone : {"CLSID\\{A}", "CLSID\\{A}\\Pins", "CLSID\\{A}\\InprocServer32"})
        EXPECT_EQ(key.Open(HKEY_CLASSES_ROOT, gone, RegAccess::Read), ERROR_FILE_NOT_FOUND) << gone;
    for (const char* kept : {"CLSID", "CLSID\\{A}2", "CLSID\\{B}"})
        EXPECT_EQ(key.Open(HKEY_CLASSES_ROOT, kept, RegAccess::Read), ERROR_SUCCESS) << kept;
}

}  // namespace
