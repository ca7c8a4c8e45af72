#include "fixedstring/NCFixedString.h"

#include <cctype>
#include <cstdio>
#include <cstring>

const uint32_t NCFixedStringBase::npos = 0xFFFFFFFFu;
const char NCFixedStringBase::hexdigits[17] = "0123456789ABCDEF";

namespace {

bool InSet(const char* set, char c) {
    for (; *set; ++set)
        if (*set == c) return true;
    return false;
}

int Fold(char c) { return std::tolower(static_cast<unsigned char>(c)); }

}  // namespace

NCFixedStringBase::NCFixedStringBase(char* buffer, uint32_t capacity)
    : begin_(buffer), capacity_(capacity), end_(buffer) {
    *buffer = 0;
}

NCFixedStringBase::~NCFixedStringBase() {}

uint32_t NCFixedStringBase::Room() const { return capacity_ - size(); }

void NCFixedStringBase::Terminate() { *end_ = 0; }

uint32_t NCFixedStringBase::TextLength() {
    Terminate();
    return static_cast<uint32_t>(std::strlen(begin_));
}

// Measured before anything is written, so a source inside this very buffer (the text itself,
// or a part of it) is copied as it was.
void NCFixedStringBase::AppendText(const char* text, uint32_t length) {
    const uint32_t n = length < Room() ? length : Room();
    if (n) std::memmove(end_, text, n);
    end_ += n;
    Terminate();
}

// Writes only the zero behind the text, which is part of every buffer: a const string may be
// terminated.
const char* NCFixedStringBase::TerminatedText() const {
    *end_ = 0;
    return begin_;
}

NCFixedStringBase& NCFixedStringBase::operator=(const NCFixedStringBase& other) {
    if (&other == this) return *this;
    return *this = other.TerminatedText();
}

NCFixedStringBase& NCFixedStringBase::operator=(const char* text) {
    assign(text, text ? static_cast<uint32_t>(std::strlen(text)) : 0);
    return *this;
}

NCFixedStringBase& NCFixedStringBase::operator=(char c) {
    clear();
    return *this << c;
}

void NCFixedStringBase::assign(const char* text) { *this = text; }

void NCFixedStringBase::assign(const char* bytes, uint32_t count) {
    const uint32_t n = bytes ? (count < capacity_ ? count : capacity_) : 0;
    if (n) std::memmove(begin_, bytes, n);
    end_ = begin_ + n;
    Terminate();
}

char NCFixedStringBase::operator[](uint32_t index) const { return begin_[index < capacity_ ? index : capacity_]; }

char& NCFixedStringBase::operator[](uint32_t index) { return begin_[index < capacity_ ? index : capacity_]; }

char* NCFixedStringBase::peek() { return begin_; }

const char* NCFixedStringBase::c_str() {
    Terminate();
    return begin_;
}

uint32_t NCFixedStringBase::size() const { return static_cast<uint32_t>(end_ - begin_); }

uint32_t NCFixedStringBase::length() const { return size(); }

uint32_t NCFixedStringBase::capacity() const { return capacity_; }

uint32_t NCFixedStringBase::max_size() const { return capacity_; }

bool NCFixedStringBase::empty() const { return begin_ == end_; }

void NCFixedStringBase::clear() {
    end_ = begin_;
    Terminate();
}

uint32_t NCFixedStringBase::resize(uint32_t count) {
    end_ = begin_ + (count < capacity_ ? count : capacity_);
    Terminate();
    return size();
}

void NCFixedStringBase::append(char c, uint32_t count) {
    const uint32_t n = count < Room() ? count : Room();
    std::memset(end_, c, n);
    end_ += n;
    Terminate();
}

void NCFixedStringBase::append(const char* text) {
    if (text) AppendText(text, static_cast<uint32_t>(std::strlen(text)));
}

void NCFixedStringBase::append(const char* first, const char* last) {
    AppendText(first, first && last > first ? static_cast<uint32_t>(last - first) : 0);
}

void NCFixedStringBase::append(const char* bytes, uint32_t count) { AppendText(bytes, bytes ? count : 0); }

NCFixedStringBase& NCFixedStringBase::operator<<(char c) {
    append(c, 1);
    return *this;
}

NCFixedStringBase& NCFixedStringBase::operator<<(const char* text) {
    append(text);
    return *this;
}

NCFixedStringBase& NCFixedStringBase::operator<<(const NCFixedStringBase& other) {
    append(other.TerminatedText());
    return *this;
}

NCFixedStringBase& NCFixedStringBase::operator<<(bool value) { return *this << (value ? "true" : "false"); }

NCFixedStringBase& NCFixedStringBase::operator<<(unsigned int value) {
    append_uint(value, 10);
    return *this;
}

NCFixedStringBase& NCFixedStringBase::operator<<(unsigned long value) {
    append_uint(value, 10);
    return *this;
}

NCFixedStringBase& NCFixedStringBase::operator<<(unsigned long long value) {
    append_uint(value, 10);
    return *this;
}

// The magnitude as an unsigned 64-bit number, so the most negative value prints correctly.
void NCFixedStringBase::AppendSigned(long long value) {
    if (value < 0) *this << '-';
    append_uint(value < 0 ? 0ull - static_cast<unsigned long long>(value) : static_cast<unsigned long long>(value), 10);
}

NCFixedStringBase& NCFixedStringBase::operator<<(int value) {
    AppendSigned(value);
    return *this;
}

NCFixedStringBase& NCFixedStringBase::operator<<(long value) {
    AppendSigned(value);
    return *this;
}

NCFixedStringBase& NCFixedStringBase::operator<<(short value) {
    AppendSigned(value);
    return *this;
}

NCFixedStringBase& NCFixedStringBase::operator<<(long long value) {
    AppendSigned(value);
    return *this;
}

// Formatted into 32 bytes (at most 31 characters), then appended up to the capacity.
void NCFixedStringBase::AppendFormatted(double value, int precision) {
    char scratch[32];
    const int written = std::snprintf(scratch, sizeof scratch, "%.*f", precision, value);
    if (written > 0) append(scratch);
}

NCFixedStringBase& NCFixedStringBase::operator<<(double value) {
    AppendFormatted(value, 10);
    return *this;
}

NCFixedStringBase& NCFixedStringBase::operator<<(float value) {
    AppendFormatted(value, 5);
    return *this;
}

void NCFixedStringBase::append_double_with_precision(double value, int precision) { AppendFormatted(value, precision); }

// A base outside 2 .. 36 appends nothing (0 would divide by zero, 1 would never finish).
void NCFixedStringBase::append_uint(unsigned long long value, uint32_t base) {
    if (base < 2 || base > 36) return;
    char* const first = end_;
    do {
        const unsigned digit = static_cast<unsigned>(value % base);
        *this << static_cast<char>(digit < 10 ? '0' + digit : 'A' + (digit - 10));
        value /= base;
    } while (value != 0);
    reverse(first, end_);
}

void NCFixedStringBase::append_hex_binary(const void* bytes, uint32_t count) {
    const auto* p = static_cast<const unsigned char*>(bytes);
    if (!p) return;
    for (uint32_t k = count; k-- > 0;) *this << hexdigits[p[k] >> 4] << hexdigits[p[k] & 15];
}

int NCFixedStringBase::compare(const char* text) {
    if (!text) return 1;
    const int order = std::strcmp(c_str(), text);  // compares as unsigned char
    return (order > 0) - (order < 0);
}

int NCFixedStringBase::compare(const NCFixedStringBase& other) { return compare(other.TerminatedText()); }

int NCFixedStringBase::case_insensitive_compare(const char* text) {
    if (!text) return 1;
    const char* a = c_str();
    while (*a && Fold(*a) == Fold(*text)) ++a, ++text;
    return Fold(*a) - Fold(*text);
}

int NCFixedStringBase::case_insensitive_compare(const NCFixedStringBase& other) {
    return case_insensitive_compare(other.TerminatedText());
}

uint32_t NCFixedStringBase::find(char c) const {
    for (const char* p = begin_; p < end_; ++p)
        if (*p == c) return static_cast<uint32_t>(p - begin_);
    return npos;
}

uint32_t NCFixedStringBase::find(const char* needle) {
    const uint32_t length = TextLength();
    const uint32_t wanted = needle ? static_cast<uint32_t>(std::strlen(needle)) : 0;
    if (wanted == 0) return npos;
    for (uint32_t at = 0; at + wanted <= length; ++at)
        if (std::memcmp(begin_ + at, needle, wanted) == 0) return at;
    return npos;
}

uint32_t NCFixedStringBase::FindFirst(const char* set, uint32_t start, bool inSet) {
    const uint32_t length = TextLength();
    if (!set) return npos;
    for (uint32_t at = start; at < length; ++at)
        if (InSet(set, begin_[at]) == inSet) return at;
    return npos;
}

uint32_t NCFixedStringBase::FindLast(const char* set, uint32_t start, bool inSet) {
    const uint32_t length = TextLength();
    uint32_t found = npos;
    if (!set) return npos;
    for (uint32_t at = start; at < length; ++at)
        if (InSet(set, begin_[at]) == inSet) found = at;
    return found;
}

uint32_t NCFixedStringBase::find_first_of(const char* set, uint32_t start) { return FindFirst(set, start, true); }

uint32_t NCFixedStringBase::find_last_of(const char* set, uint32_t start) { return FindLast(set, start, true); }

uint32_t NCFixedStringBase::find_first_not_of(const char* set, uint32_t start) { return FindFirst(set, start, false); }

uint32_t NCFixedStringBase::find_last_not_of(const char* set, uint32_t start) { return FindLast(set, start, false); }

void NCFixedStringBase::erase(uint32_t position, uint32_t count) {
    const uint32_t length = size();
    if (position >= length || count == 0) return;
    const uint32_t n = count < length - position ? count : length - position;
    std::memmove(begin_ + position, begin_ + position + n, length - position - n);
    end_ -= n;
    Terminate();
}

// One removal at a time, each searched for from the previous one, as the text is seen up to
// its first zero.
void NCFixedStringBase::EraseWhere(const char* set, bool inSet) {
    if (!set) return;
    for (uint32_t at = FindFirst(set, 0, inSet); at != npos; at = FindFirst(set, at, inSet)) erase(at, 1);
}

void NCFixedStringBase::erase_all_of(const char* set) { EraseWhere(set, true); }

void NCFixedStringBase::erase_all_not_of(const char* set) { EraseWhere(set, false); }

void NCFixedStringBase::reverse() { reverse(begin_, end_); }

void NCFixedStringBase::reverse(char* first, char* last) {
    while (first < last) {
        const char c = *first;
        *first++ = *--last;
        *last = c;
    }
}

void NCFixedStringBase::to_lower() {
    for (char* p = begin_; p < end_; ++p) *p = static_cast<char>(std::tolower(static_cast<unsigned char>(*p)));
}

void NCFixedStringBase::to_upper() {
    for (char* p = begin_; p < end_; ++p) *p = static_cast<char>(std::toupper(static_cast<unsigned char>(*p)));
}

template class NCFixedString<4>;
