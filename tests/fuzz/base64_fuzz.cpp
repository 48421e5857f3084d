// The text of a signed list's digests and signature: any text decodes as
// base64 only in its one strict spelling (encoding the bytes gives the text
// back), never past the room given, and a digest is exactly 64 hexadecimal
// digits, read as their bytes. A digest comes from a list field, a C string:
// the line reader ends a line at its first NUL, so the digest's text is what
// comes before it.
//
// Input: the first byte is the room for the decoded bytes; the rest is the
// text, and also bytes whose spelling must decode back to them.
#include "common/base64.h"
#include "common/hex_digest.h"

#include "fuzz_support.h"

namespace {

std::string encoded(const unsigned char* bytes, size_t length)
{
    static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text;
    for (size_t i = 0; i < length; i += 3) {
        const size_t left = length - i;
        const unsigned long bits = static_cast<unsigned long>(bytes[i]) << 16
            | (left > 1 ? static_cast<unsigned long>(bytes[i + 1]) << 8 : 0) | (left > 2 ? bytes[i + 2] : 0);
        text += alphabet[bits >> 18 & 63];
        text += alphabet[bits >> 12 & 63];
        text += left > 1 ? alphabet[bits >> 6 & 63] : '=';
        text += left > 2 ? alphabet[bits & 63] : '=';
    }
    return text;
}

int hexValue(char c)
{
    const char* digits = "0123456789abcdef0123456789ABCDEF";
    const char* found = c != '\0' ? strchr(digits, c) : nullptr;
    return found == nullptr ? -1 : static_cast<int>(found - digits) % 16;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const size_t capacity = data[0];
    const HeapText text(reinterpret_cast<const char*>(data + 1), size - 1);

    std::unique_ptr<unsigned char[]> out(new unsigned char[capacity + 1]);
    const int decoded = decodeBase64(text.c_str(), text.length(), out.get(), capacity);
    FUZZ_CHECK(decoded >= -1 && decoded <= static_cast<int>(capacity), "the decoded bytes fit the room given");
    if (decoded >= 0)
        FUZZ_CHECK(encoded(out.get(), static_cast<size_t>(decoded)) == text.str(),
                   "accepted text is the one spelling of its bytes");

    // And the other way: the spelling of any bytes decodes to them.
    const std::string spelling = encoded(data + 1, size - 1);
    std::unique_ptr<unsigned char[]> back(new unsigned char[size]);
    FUZZ_CHECK(decodeBase64(spelling.data(), spelling.size(), back.get(), size - 1) == static_cast<int>(size - 1)
                   && memcmp(back.get(), data + 1, size - 1) == 0,
               "every byte string's spelling decodes to it");

    const HeapText field(inputText(data + 1, size - 1));
    unsigned char digest[digestSize];
    const bool parsed = parseHexDigest(field.c_str(), digest);
    bool allHex = field.length() == digestTextLength;
    for (size_t i = 0; allHex && i < field.length(); ++i)
        allHex = hexValue(field.c_str()[i]) >= 0;
    FUZZ_CHECK(parsed == allHex, "a digest is exactly 64 hexadecimal digits");
    for (int i = 0; i < digestSize; ++i) {
        const int expected = parsed ? hexValue(field.c_str()[2 * i]) * 16 + hexValue(field.c_str()[2 * i + 1]) : 0;
        FUZZ_CHECK(digest[i] == expected, "the digest holds the digits' bytes, or nothing");
    }
    return 0;
}
