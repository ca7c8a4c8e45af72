#pragma once
// A character string that never allocates. NCFixedStringBase works in a buffer of capacity + 1
// bytes that it is handed; NCFixedString<N> carries its own. Whatever would grow the text past
// the capacity stops there silently, and every operation that moves the end writes a zero
// behind the text. Nothing reports an error or throws; indices and counts are unsigned 32-bit.
// Comparisons and the searches for strings or sets see the text up to its first zero byte.
#include <cstdint>

class NCFixedStringBase {
public:
    static const uint32_t npos;       // what the searches return when they find nothing
    static const char hexdigits[17];  // "0123456789ABCDEF", the digits of append_hex_binary

    NCFixedStringBase(char* buffer, uint32_t capacity);

    // Copies up to the source's first zero, at most the capacity. A null source empties the text.
    NCFixedStringBase& operator=(const NCFixedStringBase& other);
    NCFixedStringBase& operator=(const char* text);
    NCFixedStringBase& operator=(char c);
    void assign(const char* text);
    void assign(const char* bytes, uint32_t count);  // raw bytes, zeros included

    // The index is clamped to the capacity, never checked against the length.
    char operator[](uint32_t index) const;
    char& operator[](uint32_t index);
    char* peek();  // the buffer, writable, not terminated first
    const char* c_str();
    uint32_t size() const;
    uint32_t length() const;
    uint32_t capacity() const;
    uint32_t max_size() const;
    bool empty() const;
    void clear();
    // Growing leaves the new positions as the buffer held them. Returns the new length.
    uint32_t resize(uint32_t count);

    void append(char c, uint32_t count);
    void append(const char* text);  // a null text changes nothing, not even the terminator
    void append(const char* first, const char* last);
    void append(const char* bytes, uint32_t count);
    NCFixedStringBase& operator<<(char c);
    NCFixedStringBase& operator<<(const char* text);
    NCFixedStringBase& operator<<(const NCFixedStringBase& other);
    NCFixedStringBase& operator<<(bool value);
    NCFixedStringBase& operator<<(unsigned int value);
    NCFixedStringBase& operator<<(unsigned long value);
    NCFixedStringBase& operator<<(unsigned long long value);
    NCFixedStringBase& operator<<(int value);
    NCFixedStringBase& operator<<(long value);
    NCFixedStringBase& operator<<(short value);
    NCFixedStringBase& operator<<(long long value);
    NCFixedStringBase& operator<<(double value);  // "%.10f"
    NCFixedStringBase& operator<<(float value);   // "%.5f"
    void append_double_with_precision(double value, int precision);
    // Digits in `base`, upper-case letters from 10 on; any base outside 2 to 36 appends nothing.
    // Cut short by the capacity, the least significant digits remain.
    void append_uint(unsigned long long value, uint32_t base);
    // Two hexadecimal digits per byte, from the last byte to the first: a little-endian number
    // comes out as that number.
    void append_hex_binary(const void* bytes, uint32_t count);

    // -1, 0 or 1 by unsigned bytes; 1 against a null text.
    int compare(const char* text);
    int compare(const NCFixedStringBase& other);
    // The difference of the first differing bytes after folding A..Z onto a..z; 1 against null.
    int case_insensitive_compare(const char* text);
    int case_insensitive_compare(const NCFixedStringBase& other);
    uint32_t find(char c) const;
    uint32_t find(const char* needle);
    // Both "last" searches scan forward from `start`: it is a lower bound, not a starting point
    // for a backward search.
    uint32_t find_first_of(const char* set, uint32_t start = 0);
    uint32_t find_last_of(const char* set, uint32_t start = 0);
    uint32_t find_first_not_of(const char* set, uint32_t start = 0);
    uint32_t find_last_not_of(const char* set, uint32_t start = 0);

    void erase(uint32_t position, uint32_t count);
    void erase_all_of(const char* set);
    void erase_all_not_of(const char* set);
    void reverse();
    static void reverse(char* first, char* last);
    void to_lower();
    void to_upper();

protected:
    ~NCFixedStringBase();

private:
    uint32_t Room() const;
    void Terminate();
    const char* TerminatedText() const;
    uint32_t TextLength();  // terminated, up to the first zero
    void AppendText(const char* text, uint32_t length);
    void AppendFormatted(double value, int precision);
    void AppendSigned(long long value);
    uint32_t FindLast(const char* set, uint32_t start, bool inSet);
    uint32_t FindFirst(const char* set, uint32_t start, bool inSet);
    void EraseWhere(const char* set, bool inSet);

    char* begin_;
    uint32_t capacity_;
    char* end_;
};

template <uint32_t N>
class NCFixedString : public NCFixedStringBase {
public:
    NCFixedString() : NCFixedStringBase(storage_, N) {}
    NCFixedString(const NCFixedString& other) : NCFixedStringBase(storage_, N) { NCFixedStringBase::operator=(other); }
    NCFixedString& operator=(const NCFixedString& other) {
        NCFixedStringBase::operator=(other);
        return *this;
    }
    using NCFixedStringBase::operator=;
    ~NCFixedString() {}

private:
    char storage_[N + 1];
};

extern template class NCFixedString<4>;
