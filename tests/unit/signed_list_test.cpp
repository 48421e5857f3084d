#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/base64.h"
#include "common/hex_digest.h"
#include "engine/list_age.h"
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

TEST(HexDigest, WritesLowerCaseDigitsThatReadBack)
{
    unsigned char digest[digestSize];
    for (int i = 0; i < digestSize; ++i)
        digest[i] = static_cast<unsigned char>(i * 37 + 5);
    char text[digestTextLength + 1];
    formatHexDigest(digest, text);
    EXPECT_EQ(std::string("052a4f7499bee308"), std::string(text, 16));
    unsigned char back[digestSize];
    ASSERT_TRUE(parseHexDigest(text, back));
    EXPECT_EQ(0, memcmp(digest, back, digestSize));
}

TEST(ListAge, ASerialBelowTheHighestOrTheSameWithOtherBytesIsOlder)
{
    const unsigned char mine[digestSize] = { 1 };
    const unsigned char other[digestSize] = { 2 };
    auto list = [](bool known, uint32_t serial, const unsigned char* digest) {
        AcceptedList accepted = {};
        accepted.known = known;
        accepted.serial = serial;
        accepted.hasDigest = digest != nullptr;
        if (digest != nullptr)
            memcpy(accepted.digest, digest, digestSize);
        return accepted;
    };
    const AcceptedList none = list(false, 0, nullptr);
    struct Case {
        uint32_t serial;
        AcceptedList recorded;
        AcceptedList kept;
        bool older;
    } cases[] = {
        { 5, none, none, false },                                          // the first list on the machine
        { 0, none, none, false },
        { 4, list(true, 5, mine), none, true },                            // below the recorded serial
        { 4, none, list(true, 5, mine), true },                            // below the kept list's
        { 4, list(true, 3, nullptr), list(true, 5, mine), true },          // the higher of the two counts
        { 6, list(true, 5, other), list(true, 5, other), false },          // a newer list
        { 5, list(true, 5, mine), none, false },                           // the very list accepted before
        { 5, list(true, 5, other), none, true },                           // the same serial, other bytes
        { 5, list(true, 5, nullptr), list(true, 5, other), true },         // recorded without a digest: the kept list's
        { 5, list(true, 5, nullptr), list(true, 5, mine), false },
        { 5, list(true, 5, nullptr), none, false },                        // nothing tells the bytes
        { 5, list(true, 5, mine), list(true, 5, other), false },           // the record speaks before the kept list
        { 5, list(true, 4, other), list(true, 5, other), true },           // only the kept list has this serial
        { 0, list(true, 0, other), list(true, 0, other), false },          // lists without a serial
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.older, isOlderList(c.serial, mine, c.recorded, c.kept))
            << c.serial << " recorded " << c.recorded.known << "/" << c.recorded.serial << " kept " << c.kept.known
            << "/" << c.kept.serial;
}

TEST(ListAge, TheRecordKeepsTheDigestBesideItsSerial)
{
    unsigned char digest[digestSize];
    for (int i = 0; i < digestSize; ++i)
        digest[i] = static_cast<unsigned char>(255 - i);
    char text[recordedListTextSize];
    ASSERT_TRUE(formatRecordedList(4294967295u, digest, text));
    EXPECT_EQ("4294967295,fffefdfc", std::string(text, 19));
    uint32_t serial = 0;
    unsigned char back[digestSize];
    ASSERT_TRUE(parseRecordedList(text, &serial, back));
    EXPECT_EQ(4294967295u, serial);
    EXPECT_EQ(0, memcmp(digest, back, digestSize));
    const std::string hex = std::string(text).substr(11);
    const std::vector<std::string> refused = { hex, "," + hex, "12" + hex, "12,", "-1," + hex, "4294967296," + hex,
                                                "12," + hex + "0", "12 ," + hex, std::string() };
    for (const std::string& bad : refused)
        EXPECT_FALSE(parseRecordedList(bad.c_str(), &serial, back)) << bad;
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
