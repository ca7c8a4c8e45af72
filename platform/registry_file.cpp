// Linux backend of platform/registry.h: the registry as one REGEDIT4-like text file.
//
//   REGEDIT4
//
//   [HKEY_CLASSES_ROOT\Filter\{AAD128C0-471C-11D2-90F7-0E039A000000}]
//   @="Norde Velvane"                    REG_SZ ending in its one NUL
//   "Process"=hex(1):4e,61,74,69,76,65   any other REG_SZ, byte for byte
//   "UniqueID"=dword:464c4e53
//
//   ; end
//
// The closing line tells a complete file from a truncated one. Readers take the file as it is
// (a rename replaces it whole); writers hold an flock on "<file>.lock" across read, change and
// rename, so two processes changing different keys at once both land.
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <new>
#include <vector>

#include "platform/ascii.h"
#include "platform/environment.h"
#include "platform/module.h"
#include "platform/registry.h"

namespace platform {
namespace {

// Bounds on what is read or written, so a hostile or damaged file cannot exhaust memory.
constexpr size_t kMaxFileBytes = size_t{16} << 20;
constexpr size_t kMaxKeyNameChars = 255;
constexpr size_t kMaxKeyPathChars = 2048;
constexpr size_t kMaxValueNameChars = 16383;
constexpr size_t kMaxValueBytes = size_t{1} << 20;
constexpr std::string_view kHeader = "REGEDIT4";
constexpr std::string_view kEndLine = "; end";

// Key and value names compare without regard to ASCII case, as in the Win32 registry.
struct CaseLess {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const {
        const size_t n = std::min(a.size(), b.size());
        for (size_t i = 0; i < n; ++i)
            if (AsciiLower(a[i]) != AsciiLower(b[i])) return AsciiLower(a[i]) < AsciiLower(b[i]);
        return a.size() < b.size();
    }
};

struct Value {
    std::string name;  // empty: the default value
    DWORD type;
    std::string data;
};
struct Key {
    std::vector<Value> values;
    Value* Find(std::string_view name) {
        for (Value& v : values)
            if (SameIgnoringAsciiCase(v.name, name)) return &v;
        return nullptr;
    }
};
// Full key path, root name first ("HKEY_CLASSES_ROOT\CLSID"), to its values. The map key keeps
// the case it was first written in.
using Tree = std::map<std::string, Key, CaseLess>;

bool HasControl(std::string_view text) {
    for (unsigned char c : text)
        if (c < 0x20) return true;
    return false;
}

bool ValidKeyPath(std::string_view path) {
    if (path.empty() || path.size() > kMaxKeyPathChars || HasControl(path)) return false;
    size_t start = 0;
    for (;;) {
        const size_t end = std::min(path.find('\\', start), path.size());
        if (end == start || end - start > kMaxKeyNameChars) return false;
        if (end == path.size()) return true;
        start = end + 1;
    }
}

bool ValidValueName(std::string_view name) { return name.size() <= kMaxValueNameChars && !HasControl(name); }

std::string_view RootName(HKEY root) {
    if (root == HKEY_CLASSES_ROOT) return "HKEY_CLASSES_ROOT";
    if (root == HKEY_LOCAL_MACHINE) return "HKEY_LOCAL_MACHINE";
    return {};
}

// "ROOT\path"; empty when the root is unknown or the path malformed.
std::string FullPath(HKEY root, std::string_view path) {
    const std::string_view rootName = RootName(root);
    if (rootName.empty() || !ValidKeyPath(path)) return {};
    std::string full(rootName);
    full += '\\';
    full += path;
    return full;
}

// Adds the key and each missing parent below the root.
Key& AddKey(Tree& tree, const std::string& full) {
    for (size_t slash = full.find('\\'); (slash = full.find('\\', slash + 1)) != std::string::npos;)
        tree.try_emplace(full.substr(0, slash));
    return tree[full];
}

bool IsDescendant(std::string_view path, std::string_view ancestor) {
    return path.size() > ancestor.size() && path[ancestor.size()] == '\\' &&
           SameIgnoringAsciiCase(path.substr(0, ancestor.size()), ancestor);
}

void AppendQuoted(std::string& out, std::string_view text) {
    out += '"';
    for (char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    out += '"';
}

void AppendData(std::string& out, const Value& v) {
    char word[16];
    const auto& d = v.data;
    const bool plainText =
        v.type == REG_SZ && !d.empty() && d.back() == '\0' && !HasControl(std::string_view(d).substr(0, d.size() - 1));
    if (plainText) {
        AppendQuoted(out, std::string_view(d).substr(0, d.size() - 1));
        return;
    }
    if (v.type == REG_DWORD && d.size() == 4) {
        uint32_t x = 0;
        for (int i = 3; i >= 0; --i) x = x << 8 | static_cast<unsigned char>(d[i]);
        std::snprintf(word, sizeof word, "dword:%08x", x);
        out += word;
        return;
    }
    if (v.type == REG_BINARY) {
        out += "hex:";
    } else {
        std::snprintf(word, sizeof word, "hex(%x):", static_cast<unsigned>(v.type));
        out += word;
    }
    for (size_t i = 0; i < d.size(); ++i) {
        std::snprintf(word, sizeof word, i ? ",%02x" : "%02x", static_cast<unsigned char>(d[i]));
        out += word;
    }
}

std::string Format(const Tree& tree) {
    std::string out(kHeader);
    out += "\n\n";
    for (const auto& [path, key] : tree) {
        out += '[';
        out += path;
        out += "]\n";
        for (const Value& v : key.values) {
            if (v.name.empty())
                out += '@';
            else
                AppendQuoted(out, v.name);
            out += '=';
            AppendData(out, v);
            out += '\n';
        }
        out += '\n';
    }
    out += kEndLine;
    out += '\n';
    return out;
}

// Reads one of the text form's pieces off the front of `line`; false when it is malformed.
class LineReader {
public:
    explicit LineReader(std::string_view line) : rest_(line) {}
    bool Done() const { return rest_.empty(); }
    bool Take(std::string_view prefix) {
        if (rest_.substr(0, prefix.size()) != prefix) return false;
        rest_.remove_prefix(prefix.size());
        return true;
    }
    bool Quoted(std::string& out) {
        if (!Take("\"")) return false;
        while (!rest_.empty()) {
            char c = rest_.front();
            rest_.remove_prefix(1);
            if (c == '"') return true;
            if (c == '\\') {
                if (rest_.empty() || (rest_.front() != '"' && rest_.front() != '\\')) return false;
                c = rest_.front();
                rest_.remove_prefix(1);
            } else if (static_cast<unsigned char>(c) < 0x20) {
                return false;
            }
            if (out.size() >= kMaxValueBytes) return false;
            out += c;
        }
        return false;
    }
    // Hexadecimal number of 1 to `maxDigits` digits, or exactly `maxDigits` when `exact`.
    bool Hex(uint32_t& out, size_t maxDigits, bool exact) {
        size_t n = 0;
        out = 0;
        while (n < rest_.size() && n < maxDigits && HexDigitValue(rest_[n]) >= 0)
            out = out << 4 | HexDigitValue(rest_[n++]);
        if (n == 0 || (exact && n != maxDigits)) return false;
        rest_.remove_prefix(n);
        return true;
    }
    // "xx,xx,...", possibly empty.
    bool Bytes(std::string& out) {
        while (!rest_.empty()) {
            uint32_t b;
            if (!Hex(b, 2, true) || out.size() >= kMaxValueBytes) return false;
            out += static_cast<char>(b);
            if (!rest_.empty() && !(Take(",") && !rest_.empty())) return false;
        }
        return true;
    }

private:
    std::string_view rest_;
};

// REG_DWORD data as stored: little-endian.
std::string DwordBytes(DWORD value) {
    std::string bytes;
    for (int i = 0; i < 4; ++i) bytes += static_cast<char>(value >> (8 * i) & 0xFF);
    return bytes;
}

bool ParseValue(std::string_view line, Value& v) {
    LineReader r(line);
    if (!r.Take("@") && !(r.Quoted(v.name) && ValidValueName(v.name) && !v.name.empty())) return false;
    if (!r.Take("=")) return false;
    if (r.Take("dword:")) {
        uint32_t x;
        if (!r.Hex(x, 8, true)) return false;
        v.type = REG_DWORD;
        v.data += DwordBytes(x);
    } else if (r.Take("hex:")) {
        v.type = REG_BINARY;
        if (!r.Bytes(v.data)) return false;
    } else if (r.Take("hex(")) {
        uint32_t type;
        if (!r.Hex(type, 8, false) || !r.Take("):")) return false;
        v.type = type;
        if (!r.Bytes(v.data)) return false;
    } else {
        v.type = REG_SZ;
        if (!r.Quoted(v.data)) return false;
        v.data += '\0';
    }
    return r.Done();
}

bool Parse(std::string_view text, Tree& tree) {
    if (text.empty()) return true;  // an empty file holds no keys to lose
    Key* current = nullptr;
    bool sawHeader = false, sawEnd = false;
    while (!text.empty()) {
        size_t eol = text.find('\n');
        std::string_view line = text.substr(0, eol);
        text.remove_prefix(eol == std::string_view::npos ? text.size() : eol + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (!sawHeader) {
            if (line != kHeader) return false;
            sawHeader = true;
        } else if (line.empty()) {
        } else if (sawEnd) {
            return false;  // nothing may follow the closing line
        } else if (line == kEndLine) {
            sawEnd = true;
        } else if (line.front() == ';') {
        } else if (line.front() == '[') {
            if (line.back() != ']') return false;
            const std::string_view full = line.substr(1, line.size() - 2);
            const size_t slash = full.find('\\');
            if (slash == std::string_view::npos) return false;
            const std::string_view root = full.substr(0, slash);
            if (root != RootName(HKEY_CLASSES_ROOT) && root != RootName(HKEY_LOCAL_MACHINE)) return false;
            if (!ValidKeyPath(full.substr(slash + 1))) return false;
            current = &AddKey(tree, std::string(full));
        } else {
            Value v;
            if (!current || !ParseValue(line, v)) return false;
            if (Value* old = current->Find(v.name))
                *old = std::move(v);
            else
                current->values.push_back(std::move(v));
        }
    }
    return sawEnd;
}

// A descriptor closed on scope exit.
class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    int get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }

private:
    int fd_;
};

// $HOME, else the account's home folder (a service may run without HOME).
std::string HomeFolder() {
    if (std::optional<std::string> home = GetEnvironment("HOME"); home && !home->empty()) return *home;
    passwd entry{};
    passwd* found = nullptr;
    std::vector<char> text(16384);
    if (getpwuid_r(getuid(), &entry, text.data(), text.size(), &found) == 0 && found && found->pw_dir)
        return found->pw_dir;
    return {};
}

LONG StorePath(std::string& file) {
    if (std::optional<std::string> chosen = GetEnvironment("VELVANE_REGISTRY"); chosen && !chosen->empty()) {
        file = *chosen;
        return ERROR_SUCCESS;
    }
    // XDG: a relative XDG_CONFIG_HOME is to be ignored.
    if (std::optional<std::string> config = GetEnvironment("XDG_CONFIG_HOME"); config && config->starts_with('/')) {
        file = *config;
    } else if (const std::string home = HomeFolder(); !home.empty()) {
        file = home + "/.config";
    } else {
        return ERROR_PATH_NOT_FOUND;
    }
    file += "/velvane/registry.reg";
    return ERROR_SUCCESS;
}

LONG Load(const std::string& file, Tree& tree) {
    Fd fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd) return errno == ENOENT ? ERROR_SUCCESS : ERROR_CANTREAD;
    std::string text;
    char chunk[65536];
    for (;;) {
        const ssize_t n = ::read(fd.get(), chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return ERROR_CANTREAD;
        if (n == 0) break;
        if (text.size() + static_cast<size_t>(n) > kMaxFileBytes) return ERROR_BADDB;
        text.append(chunk, static_cast<size_t>(n));
    }
    return Parse(text, tree) ? ERROR_SUCCESS : ERROR_BADDB;
}

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

void MakeFolders(const std::string& folder) {
    for (size_t slash = 0; (slash = folder.find('/', slash + 1)) != std::string::npos;)
        ::mkdir(folder.substr(0, slash).c_str(), 0755);
    if (!folder.empty()) ::mkdir(folder.c_str(), 0755);
}

LONG Save(const std::string& file, const Tree& tree) {
    const std::string text = Format(tree);
    if (text.size() > kMaxFileBytes) return ERROR_CANTWRITE;
    std::string temp = file + ".XXXXXX";
    Fd fd(::mkstemp(temp.data()));
    if (!fd) return ERROR_CANTWRITE;
    struct stat old {};
    const mode_t mode = ::stat(file.c_str(), &old) == 0 ? old.st_mode & 07777 : 0644;
    const bool written = ::fchmod(fd.get(), mode) == 0 && WriteAll(fd.get(), text) && ::fsync(fd.get()) == 0;
    if (!written || ::rename(temp.c_str(), file.c_str()) != 0) {
        ::unlink(temp.c_str());
        return ERROR_CANTWRITE;
    }
    return ERROR_SUCCESS;
}

template <class F>
LONG Guard(F&& body) noexcept {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return ERROR_NOT_ENOUGH_MEMORY;
    }
}

// The file held under its lock, with its keys read in. The lock goes with the descriptor.
struct LockedStore {
    std::string file;
    int lock = -1;
    Tree tree;

    LockedStore() = default;
    LockedStore(const LockedStore&) = delete;
    LockedStore& operator=(const LockedStore&) = delete;
    ~LockedStore() {
        if (lock >= 0) ::close(lock);
    }
    LONG Take() {
        if (LONG e = StorePath(file)) return e;
        MakeFolders(FolderOf(file));
        lock = ::open((file + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (lock < 0) return ERROR_CANTWRITE;
        while (::flock(lock, LOCK_EX) != 0)
            if (errno != EINTR) return ERROR_CANTWRITE;
        return Load(file, tree);
    }
};

// Changes this thread gathers between RegBatch and its Commit.
struct Batch {
    LockedStore store;
    LONG status = ERROR_SUCCESS;  // the first failure; every later call reports it
    bool changed = false;
};
thread_local Batch* tBatch = nullptr;

// Runs look(tree) on the file as it is now (or on the open batch).
template <class F>
LONG Read(F&& look) {
    if (tBatch) return tBatch->status ? tBatch->status : look(tBatch->store.tree);
    std::string file;
    Tree tree;
    if (LONG e = StorePath(file)) return e;
    if (LONG e = Load(file, tree)) return e;
    return look(tree);
}

// Runs edit(tree) under the file's lock and writes the result back when edit succeeds (or
// leaves it to the open batch). edit changes nothing when it fails.
template <class F>
LONG Change(F&& edit) {
    if (tBatch) {
        if (tBatch->status) return tBatch->status;
        const LONG e = edit(tBatch->store.tree);
        tBatch->changed |= e == ERROR_SUCCESS;
        return e;
    }
    LockedStore store;
    if (LONG e = store.Take()) return e;
    if (LONG e = edit(store.tree)) return e;
    return Save(store.file, store.tree);
}

LONG SetValue(HKEY root, const std::string& path, bool writable, const char* name, DWORD type, std::string_view data) {
    if (!root) return ERROR_INVALID_HANDLE;
    if (!writable) return ERROR_ACCESS_DENIED;
    const std::string_view valueName = name ? name : "";
    if (!ValidValueName(valueName) || data.size() > kMaxValueBytes) return ERROR_INVALID_PARAMETER;
    return Change([&](Tree& tree) -> LONG {
        auto key = tree.find(FullPath(root, path));
        if (key == tree.end()) return ERROR_KEY_DELETED;
        if (Value* old = key->second.Find(valueName)) {
            old->type = type;
            old->data.assign(data);
        } else {
            key->second.values.push_back({std::string(valueName), type, std::string(data)});
        }
        return ERROR_SUCCESS;
    });
}

}  // namespace

RegBatch::RegBatch() noexcept {
    if (tBatch) return;  // joins the batch already open on this thread
    auto* batch = new (std::nothrow) Batch;
    if (!batch) return;  // the changes then go one by one, which is only slower
    batch->status = Guard([&] { return batch->store.Take(); });
    tBatch = batch;
    state_ = batch;
}

RegBatch::~RegBatch() { Commit(); }

LONG RegBatch::Commit() noexcept {
    auto* batch = static_cast<Batch*>(std::exchange(state_, nullptr));
    if (!batch) return ERROR_SUCCESS;
    tBatch = nullptr;
    LONG status = batch->status;
    if (status == ERROR_SUCCESS && batch->changed)
        status = Guard([&] { return Save(batch->store.file, batch->store.tree); });
    delete batch;
    return status;
}

RegKey::~RegKey() = default;

void RegKey::swap(RegKey& other) noexcept {
    std::swap(root_, other.root_);
    std::swap(path_, other.path_);
    std::swap(writable_, other.writable_);
}

RegKey::operator bool() const noexcept { return root_ != nullptr; }

LONG RegKey::Open(HKEY root, std::string_view path, RegAccess access) noexcept {
    *this = RegKey();
    return Guard([&]() -> LONG {
        const std::string full = FullPath(root, path);
        if (full.empty()) return ERROR_INVALID_PARAMETER;
        if (LONG e = Read([&](Tree& tree) { return tree.count(full) ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND; }))
            return e;
        path_.assign(path);
        root_ = root;
        writable_ = access == RegAccess::Write;
        return ERROR_SUCCESS;
    });
}

LONG RegKey::Create(HKEY root, std::string_view path) noexcept {
    *this = RegKey();
    return Guard([&]() -> LONG {
        const std::string full = FullPath(root, path);
        if (full.empty()) return ERROR_INVALID_PARAMETER;
        if (LONG e = Change([&](Tree& tree) {
                AddKey(tree, full);
                return ERROR_SUCCESS;
            }))
            return e;
        path_.assign(path);
        root_ = root;
        writable_ = true;
        return ERROR_SUCCESS;
    });
}

LONG RegKey::SetString(const char* name, std::string_view bytes) noexcept {
    return Guard([&] { return SetValue(root_, path_, writable_, name, REG_SZ, bytes); });
}

LONG RegKey::SetDword(const char* name, DWORD value) noexcept {
    return Guard([&] { return SetValue(root_, path_, writable_, name, REG_DWORD, DwordBytes(value)); });
}

LONG RegKey::Query(const char* name, DWORD* type, void* data, DWORD* bytes) const noexcept {
    if (!root_) return ERROR_INVALID_HANDLE;
    if (!bytes && data) return ERROR_INVALID_PARAMETER;
    return Guard([&] {
        return Read([&](Tree& tree) -> LONG {
            auto key = tree.find(FullPath(root_, path_));
            if (key == tree.end()) return ERROR_KEY_DELETED;
            const Value* v = key->second.Find(name ? name : "");
            if (!v) return ERROR_FILE_NOT_FOUND;
            if (type) *type = v->type;
            if (!bytes) return ERROR_SUCCESS;
            const DWORD room = *bytes;
            *bytes = static_cast<DWORD>(v->data.size());
            if (!data) return ERROR_SUCCESS;
            if (v->data.size() > room) return ERROR_MORE_DATA;
            std::memcpy(data, v->data.data(), v->data.size());
            return ERROR_SUCCESS;
        });
    });
}

LONG DeleteKeyTree(HKEY root, std::string_view path) noexcept {
    return Guard([&]() -> LONG {
        const std::string full = FullPath(root, path);
        if (full.empty()) return ERROR_INVALID_PARAMETER;
        return Change([&](Tree& tree) -> LONG {
            auto key = tree.find(full);
            if (key == tree.end()) return ERROR_FILE_NOT_FOUND;
            std::erase_if(tree, [&](const auto& entry) {
                return SameIgnoringAsciiCase(entry.first, full) || IsDescendant(entry.first, full);
            });
            return ERROR_SUCCESS;
        });
    });
}

}  // namespace platform
