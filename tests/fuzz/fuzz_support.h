#pragma once
// Helpers shared by the fuzz targets: the property check and inputs laid out
// so that the address sanitizer sees every read past their end.
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <memory>
#include <string>
#include <vector>

// A property that does not hold ends the run at once, so that libFuzzer keeps
// the input as a crash and the corpus replay fails on it.
#define FUZZ_CHECK(condition, message)                                              \
    do {                                                                            \
        if (!(condition)) {                                                         \
            fprintf(stderr, "%s:%d: property failed: %s\n  check: %s\n", __FILE__, \
                    __LINE__, message, #condition);                                 \
            abort();                                                                \
        }                                                                           \
    } while (0)

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

// A text in a heap block of exactly its length and terminator: the code under
// test may read up to the terminator and not one byte further.
class HeapText {
public:
    HeapText(const char* text, size_t length) : length_(length), bytes_(new char[length + 1])
    {
        memcpy(bytes_.get(), text, length);
        bytes_[length] = '\0';
    }
    explicit HeapText(const std::string& text) : HeapText(text.data(), text.size()) {}

    const char* c_str() const { return bytes_.get(); }
    size_t length() const { return length_; }
    std::string str() const { return std::string(bytes_.get(), length_); }

private:
    size_t length_;
    std::unique_ptr<char[]> bytes_;
};

// The input read as a C string: its bytes up to the first NUL.
inline std::string inputText(const uint8_t* data, size_t size)
{
    const char* text = reinterpret_cast<const char*>(data);
    const void* nul = memchr(text, '\0', size);
    return std::string(text, nul != nullptr ? static_cast<const char*>(nul) - text : size);
}

// A fixed output buffer of exactly capacity bytes, filled with a pattern so
// that a missing terminator or a stray write shows.
class HeapBuffer {
public:
    explicit HeapBuffer(size_t capacity) : capacity_(capacity), bytes_(new char[capacity > 0 ? capacity : 1])
    {
        memset(bytes_.get(), kFill, capacity > 0 ? capacity : 1);
    }

    char* get() { return bytes_.get(); }
    const char* get() const { return bytes_.get(); }
    size_t capacity() const { return capacity_; }
    bool terminated() const { return capacity_ > 0 && memchr(bytes_.get(), '\0', capacity_) != nullptr; }
    bool untouched() const
    {
        for (size_t i = 0; i < (capacity_ > 0 ? capacity_ : 1); ++i)
            if (bytes_[i] != kFill)
                return false;
        return true;
    }

    static const char kFill = '\x5a';

private:
    size_t capacity_;
    std::unique_ptr<char[]> bytes_;
};

inline char lowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

inline std::string lowerAscii(std::string text)
{
    for (char& c : text)
        c = lowerAscii(c);
    return text;
}

// The input as up to count texts separated by separator; the last one takes
// the rest of the input, separators included.
inline std::vector<std::string> splitInput(const std::string& input, char separator, size_t count)
{
    std::vector<std::string> parts;
    size_t begin = 0;
    while (parts.size() + 1 < count) {
        size_t end = input.find(separator, begin);
        if (end == std::string::npos)
            break;
        parts.push_back(input.substr(begin, end - begin));
        begin = end + 1;
    }
    parts.push_back(input.substr(begin));
    return parts;
}

// The index-th 32-bit word of the input, little-endian; bytes past its end
// count as 0.
inline int32_t wordAt(const uint8_t* data, size_t size, size_t index)
{
    uint32_t value = 0;
    for (size_t i = 0; i < 4; ++i) {
        size_t at = index * 4 + i;
        value |= static_cast<uint32_t>(at < size ? data[at] : 0) << (8 * i);
    }
    return static_cast<int32_t>(value);
}
