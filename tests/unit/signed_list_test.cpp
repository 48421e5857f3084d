#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/base64.h"
#include "common/hex_digest.h"
#include "engine/signature_line.h"

namespace {

// The bytes in a heap block of exactly their size, so that the address
// sanitizer catches a read past the end.
std::vector<char> exactly(const std::string& text)
{
    return std::vector<char>(text.begin(), text.end());
}

int decode(const std::string& text, unsigned char* out, size_t capacity)
{
    const std::vector<char> bytes = exactly(text);
    return decodeBase64(bytes.data(), bytes.size(), out, capacity);
}

// 256 bytes 0..255 and their base64, as Python's base64.b64encode writes it.
std::string signatureText()
{
    static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text;
    for (int i = 0; i < 255; i += 3) {
        const unsigned bits = i << 16 | (i + 1) << 8 | (i + 2);
        for (int shift = 18; shift >= 0; shift -= 6)
            text += alphabet[bits >> shift & 63];
    }
    text += alphabet[255 >> 2];
    text += alphabet[(255 & 3) << 4];
    text += "==";
    return text;
}

bool find(const std::string& file, long tailSize, SignatureLine* line)
{
    const long tailLength = static_cast<long>(file.size()) < tailSize ? static_cast<long>(file.size()) : tailSize;
    const std::vector<char> tail = exactly(file.substr(file.size() - tailLength));
    return findSignatureLine(tail.data(), tailLength, static_cast<long>(file.size()), line);
}

}  // namespace

TEST(Base64, DecodesStandardTextWithPadding)
{
    unsigned char out[16];
    ASSERT_EQ(3, decode("TWFu", out, sizeof out));
    EXPECT_EQ(0, memcmp(out, "Man", 3));
    ASSERT_EQ(2, decode("TWE=", out, sizeof out));
    EXPECT_EQ(0, memcmp(out, "Ma", 2));
    ASSERT_EQ(1, decode("TQ==", out, sizeof out));
    EXPECT_EQ('M', out[0]);
    EXPECT_EQ(0, decode("", out, sizeof out));
    ASSERT_EQ(3, decode("+/+/", out, sizeof out));
    EXPECT_EQ(0xFB, out[0]);
    EXPECT_EQ(0xFF, out[1]);
    EXPECT_EQ(0xBF, out[2]);
}

TEST(Base64, RefusesEverySpellingButTheStrictOne)
{
    unsigned char out[16];
    for (const char* text : { "TWF", "TWFuT", "TW=u", "T===", "====", "TQ=A", "TWFu\n", " TWF", "TW-u", "TW_u",
                              "TR==",   // unused bits set: "TQ==" is the one spelling of "M"
                              "TWF=",   // likewise for two bytes
                              "TQ==TWFu" })
        EXPECT_EQ(-1, decode(text, out, sizeof out)) << text;
    // Too little room refuses instead of cutting.
    EXPECT_EQ(-1, decode("TWFuTWFu", out, 5));
    EXPECT_EQ(6, decode("TWFuTWFu", out, 6));
}

TEST(HexDigest, ReadsSixtyFourDigitsOfEitherCase)
{
    unsigned char digest[digestSize];
    const std::string text = "00ff10Ab" + std::string(56, 'e');
    ASSERT_TRUE(parseHexDigest(text.c_str(), digest));
    EXPECT_EQ(0x00, digest[0]);
    EXPECT_EQ(0xFF, digest[1]);
    EXPECT_EQ(0x10, digest[2]);
    EXPECT_EQ(0xAB, digest[3]);
    EXPECT_EQ(0xEE, digest[31]);
}

TEST(HexDigest, RefusesAnyOtherTextAndLeavesNoDigest)
{
    unsigned char digest[digestSize];
    const std::string good(64, 'a');
    for (const std::string& text : { good.substr(1), good + "a", good + " ", " " + good.substr(1), good.substr(1) + "g",
                                     good.substr(0, 10) + "x" + good.substr(11), std::string() }) {
        memset(digest, 0x55, sizeof digest);
        EXPECT_FALSE(parseHexDigest(text.c_str(), digest)) << text;
        for (unsigned char byte : digest)
            EXPECT_EQ(0, byte);
    }
}

TEST(SignatureLine, FindsTheLastLineAndWhatItSigns)
{
    const std::string body = "N,7\r\nT,100\r\nI,a.dll,100,1.0.0.0\r\n";
    for (const char* end : { "\r\n", "\n", "" }) {
        const std::string file = body + "S," + signatureText() + end;
        SignatureLine line;
        ASSERT_TRUE(find(file, signatureTailSize, &line)) << end;
        EXPECT_EQ(static_cast<long>(body.size()), line.signedLength);
        for (int i = 0; i < signatureSize; ++i)
            ASSERT_EQ(i, line.signature[i]);
    }
    // A list of nothing but the signature line signs no bytes.
    SignatureLine line;
    ASSERT_TRUE(find("S," + signatureText() + "\r\n", signatureTailSize, &line));
    EXPECT_EQ(0, line.signedLength);
}

TEST(SignatureLine, RefusesAListWhoseLastLineIsNoSignature)
{
    const std::string body = "T,100\r\nI,a.dll,100,1.0.0.0\r\n";
    const std::string signature = "S," + signatureText();
    const std::string cases[] = {
        body,                                                 // unsigned
        body + signature + "\r\nI,b.dll,1,1.0.0.0\r\n",       // a line after it
        body + signature + "\r\n\r\n",                        // an empty line after it
        body + signature + " \r\n",                           // a blank inside the line
        body + "s," + signatureText() + "\r\n",               // another record type
        body + "S;" + signatureText() + "\r\n",
        body + "S," + signatureText().substr(1) + "\r\n",     // a character short
        body + "S," + signatureText() + "A\r\n",              // a character more
        body + "S," + signatureText().substr(0, 340) + "!!==\r\n",
        body + "x" + signature + "\r\n",                      // more before "S" on the line
        std::string(),
        "\n",
    };
    for (const std::string& file : cases) {
        SignatureLine line;
        EXPECT_FALSE(find(file, signatureTailSize, &line)) << file;
    }
}

TEST(SignatureLine, ALineLongerThanTheTailIsNoSignatureLine)
{
    // The tail holds the line whole; a longer last line begins before it.
    const std::string file = std::string(600, 'x') + "S," + signatureText() + "\r\n";
    SignatureLine line;
    EXPECT_FALSE(find(file, signatureTailSize, &line));
    // The same with a line break: found, and the tail's offset counts.
    const std::string broken = std::string(600, 'x') + "\nS," + signatureText() + "\r\n";
    ASSERT_TRUE(find(broken, signatureTailSize, &line));
    EXPECT_EQ(601, line.signedLength);
}
