#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/registry.h"
#include "tests/support/files.h"
#include "tests/support/scoped_environment.h"
#include "tests/support/scratch_registry.h"
#include "tests/support/stored_value.h"

namespace {

using platform::RegAccess;
using platform::RegKey;

// "W<writer>\K<key>"
std::string WriterKey(int writer, int key) {
    char path[32];
    std::snprintf(path, sizeof path, "W%d\\K%d", writer, key);
    return path;
}

class RegistryFile : public ::testing::Test {
protected:
    ScratchRegistry scratch_;
};

TEST_F(RegistryFile, MissingOrEmptyFileIsAnEmptyRegistry) {
    RegKey key;
    EXPECT_EQ(key.Open(HKEY_CLASSES_ROOT, "CLSID", RegAccess::Read), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(std::filesystem::exists(scratch_.File())) << "reading never creates the file";
    WriteWholeFile(scratch_.File(), "");
    EXPECT_EQ(key.Open(HKEY_CLASSES_ROOT, "CLSID", RegAccess::Read), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(key.Create(HKEY_CLASSES_ROOT, "CLSID"), ERROR_SUCCESS);
}

TEST_F(RegistryFile, WritesRegedit4TextAndCreatesTheFolder) {
    const std::string nested = std::filesystem::path(scratch_.File()).parent_path().string() + "/a/b/registry.reg";
    setenv("VELVANE_REGISTRY", nested.c_str(), 1);
    RegKey key;
    ASSERT_EQ(key.Create(HKEY_CLASSES_ROOT, "Filter\\{AAD128C0-471C-11D2-90F7-0E039A000000}"), ERROR_SUCCESS);
    ASSERT_EQ(key.SetString(nullptr, std::string("Norde \"Velvane\"", 16)), ERROR_SUCCESS);
    ASSERT_EQ(key.SetString("Process", "Native"), ERROR_SUCCESS);
    ASSERT_EQ(key.SetDword("UniqueID", 0x464C4E53), ERROR_SUCCESS);
    EXPECT_EQ(ReadWholeFile(nested),
              "REGEDIT4\n\n"
              "[HKEY_CLASSES_ROOT\\Filter]\n\n"
              "[HKEY_CLASSES_ROOT\\Filter\\{AAD128C0-471C-11D2-90F7-0E039A000000}]\n"
              "@=\"Norde \\\"Velvane\\\"\"\n"
              "\"Process\"=hex(1):4e,61,74,69,76,65\n"
              "\"UniqueID\"=dword:464c4e53\n\n"
              "; end\n");
}

TEST_F(RegistryFile, ReadsHandWrittenFiles) {
    WriteWholeFile(scratch_.File(),
                   "REGEDIT4\r\n"
                   "; written by hand\r\n"
                   "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Norde\\Norde Audio Processors\\5.0]\r\n"
                   "\"DXDelayCompensation\"=dword:00000000\r\n"
                   "\"Blob\"=hex:01,ff\r\n"
                   "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Norde\\Norde Audio Processors\\5.0]\r\n"
                   "\"Name\"=\"caf\xE9\"\r\n"
                   "; end\r\n");
    RegKey key;
    ASSERT_EQ(key.Open(HKEY_LOCAL_MACHINE, "Software\\Norde", RegAccess::Read), ERROR_SUCCESS) << "implied parent";
    ASSERT_EQ(key.Open(HKEY_LOCAL_MACHINE, "SOFTWARE\\Norde\\Norde Audio Processors\\5.0", RegAccess::Read),
              ERROR_SUCCESS);
    DWORD value = 7, type = 0, bytes = sizeof value;
    EXPECT_EQ(key.Query("DXDelayCompensation", &type, &value, &bytes), ERROR_SUCCESS);
    EXPECT_EQ(value, 0u);
    char blob[2];
    bytes = sizeof blob;
    EXPECT_EQ(key.Query("Blob", &type, blob, &bytes), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_BINARY);
    EXPECT_EQ(static_cast<unsigned char>(blob[1]), 0xFFu);
    char name[5];
    bytes = sizeof name;
    EXPECT_EQ(key.Query("Name", &type, name, &bytes), ERROR_SUCCESS) << "a repeated section adds to the key";
    EXPECT_EQ(std::string(name, 5), std::string("caf\xE9", 5));
}

TEST_F(RegistryFile, CorruptOrTruncatedFileFailsEveryCallAndIsKeptAsItIs) {
    const std::string good = "REGEDIT4\n\n[HKEY_CLASSES_ROOT\\K]\n\"S\"=\"text\"\n\"D\"=dword:00000001\n\n; end\n";
    const struct {
        const char* name;
        std::string text;
    } cases[] = {
        {"no header", "[HKEY_CLASSES_ROOT\\K]\n; end\n"},
        {"cut at a line end", good.substr(0, good.find("; end"))},
        {"cut inside a string", good.substr(0, good.find("text") + 2)},
        {"short dword", "REGEDIT4\n[HKEY_CLASSES_ROOT\\K]\n\"D\"=dword:0000001\n; end\n"},
        {"bad hex", "REGEDIT4\n[HKEY_CLASSES_ROOT\\K]\n\"B\"=hex:0g\n; end\n"},
        {"trailing comma", "REGEDIT4\n[HKEY_CLASSES_ROOT\\K]\n\"B\"=hex:01,\n; end\n"},
        {"value before a key", "REGEDIT4\n\"S\"=\"x\"\n; end\n"},
        {"unknown root", "REGEDIT4\n[HKEY_USERS\\K]\n; end\n"},
        {"empty key name", "REGEDIT4\n[HKEY_CLASSES_ROOT\\A\\\\B]\n; end\n"},
        {"bad escape", "REGEDIT4\n[HKEY_CLASSES_ROOT\\K]\n\"S\"=\"a\\nb\"\n; end\n"},
        {"text after the end", good + "[HKEY_CLASSES_ROOT\\L]\n"},
        {"binary noise", std::string("\x7f"
                                     "ELF\0\1\2",
                                     7)},
        {"too large", "REGEDIT4\n;" + std::string(size_t{16} << 20, 'x') + "\n; end\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WriteWholeFile(scratch_.File(), c.text);
        RegKey key;
        EXPECT_EQ(key.Open(HKEY_CLASSES_ROOT, "K", RegAccess::Read), ERROR_BADDB);
        EXPECT_EQ(key.Create(HKEY_CLASSES_ROOT, "New"), ERROR_BADDB);
        EXPECT_EQ(platform::DeleteKeyTree(HKEY_CLASSES_ROOT, "K"), ERROR_BADDB);
        EXPECT_TRUE(ReadWholeFile(scratch_.File()) == c.text) << "the damaged file is left for repair";
    }
    // A key opened before the damage reports it too.
    WriteWholeFile(scratch_.File(), good);
    RegKey key;
    ASSERT_EQ(key.Open(HKEY_CLASSES_ROOT, "K", RegAccess::Write), ERROR_SUCCESS);
    WriteWholeFile(scratch_.File(), cases[1].text);
    DWORD bytes = 0;
    EXPECT_EQ(key.Query("S", nullptr, nullptr, &bytes), ERROR_BADDB);
    EXPECT_EQ(key.SetDword("D", 2), ERROR_BADDB);
}

TEST_F(RegistryFile, KeyDeletedUnderAnOpenKey) {
    RegKey key;
    ASSERT_EQ(key.Create(HKEY_CLASSES_ROOT, "K"), ERROR_SUCCESS);
    ASSERT_EQ(platform::DeleteKeyTree(HKEY_CLASSES_ROOT, "K"), ERROR_SUCCESS);
    EXPECT_EQ(key.SetDword("D", 1), ERROR_KEY_DELETED);
    RegKey other;
    EXPECT_EQ(other.Open(HKEY_CLASSES_ROOT, "K", RegAccess::Read), ERROR_FILE_NOT_FOUND) << "not brought back";
}

TEST_F(RegistryFile, ConcurrentWritersLoseNothing) {
    constexpr int kWriters = 4, kKeysEach = 25;
    pid_t children[kWriters];
    for (int w = 0; w < kWriters; ++w) {
        children[w] = fork();
        ASSERT_GE(children[w], 0);
        if (children[w] == 0) {
            int failures = 0;
            for (int k = 0; k < kKeysEach; ++k) {
                RegKey key;
                failures += key.Create(HKEY_CLASSES_ROOT, WriterKey(w, k)) != ERROR_SUCCESS;
                failures += key.SetDword("N", static_cast<DWORD>(w * 100 + k)) != ERROR_SUCCESS;
            }
            _exit(failures == 0 ? 0 : 1);
        }
    }
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    for (int w = 0; w < kWriters; ++w) {
        for (int k = 0; k < kKeysEach; ++k) {
            RegKey key;
            DWORD n = 0, bytes = sizeof n;
            const std::string path = WriterKey(w, k);
            ASSERT_EQ(key.Open(HKEY_CLASSES_ROOT, path, RegAccess::Read), ERROR_SUCCESS) << path;
            EXPECT_EQ(key.Query("N", nullptr, &n, &bytes), ERROR_SUCCESS);
            EXPECT_EQ(n, static_cast<DWORD>(w * 100 + k));
        }
    }
}

TEST_F(RegistryFile, BatchIsOneUpdateAndHoldsOtherWritersBack) {
    int go[2];
    ASSERT_EQ(pipe(go), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {  // another process registering while the batch is open
        char byte;
        RegKey key;
        _exit(read(go[0], &byte, 1) == 1 && key.Create(HKEY_CLASSES_ROOT, "Other") == ERROR_SUCCESS ? 0 : 1);
    }
    {
        platform::RegBatch batch;
        RegKey key;
        ASSERT_EQ(key.Create(HKEY_CLASSES_ROOT, "Mine\\Sub"), ERROR_SUCCESS);
        ASSERT_EQ(key.SetDword("N", 1), ERROR_SUCCESS);
        EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, "Mine\\Sub")) << "the batch sees its own changes";
        EXPECT_FALSE(std::filesystem::exists(scratch_.File())) << "nothing written before the commit";
        ASSERT_EQ(write(go[1], "x", 1), 1);
        usleep(100 * 1000);
        EXPECT_FALSE(std::filesystem::exists(scratch_.File())) << "the other writer waits for the lock";
        EXPECT_EQ(batch.Commit(), ERROR_SUCCESS);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, "Mine\\Sub"));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, "Other"));
    close(go[0]);
    close(go[1]);
}

TEST_F(RegistryFile, DefaultPathFollowsXdgConfigHome) {
    const std::string folder = std::filesystem::path(scratch_.File()).parent_path().string();
    const ScopedEnvironment registry("VELVANE_REGISTRY", std::nullopt), home("HOME", folder + "/home"),
        xdg("XDG_CONFIG_HOME", std::nullopt);

    struct Case {
        const char* xdg;  // null: unset
        std::string expect;
    } cases[] = {{"/xdg", folder + "/xdg/velvane/registry.reg"},
                 {"relative", folder + "/home/.config/velvane/registry.reg"},
                 {nullptr, folder + "/home/.config/velvane/registry.reg"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.xdg ? c.xdg : "(unset)");
        xdg.Set(c.xdg ? std::optional<std::string>(c.xdg[0] == '/' ? folder + c.xdg : c.xdg) : std::nullopt);
        RegKey key;
        ASSERT_EQ(key.Create(HKEY_CLASSES_ROOT, "K"), ERROR_SUCCESS);
        EXPECT_TRUE(std::filesystem::exists(c.expect));
        std::filesystem::remove(c.expect);
    }
}

}  // namespace
