// The end of a component list: whatever the file holds, a signature line is
// found only when the file's last line is "S," and 344 characters of strict
// base64, behind a line end or at the start of the file; what it signs is
// every byte before that line, and the tail it is read from is never overrun.
//
// Input: the whole file.
#include "common/base64.h"
#include "engine/signature_line.h"

#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string file(reinterpret_cast<const char*>(data), size);
    const long fileLength = static_cast<long>(size);
    const long tailLength = fileLength < signatureTailSize ? fileLength : signatureTailSize;
    const HeapText tail(file.substr(size - static_cast<size_t>(tailLength)));
    SignatureLine line;
    const bool found = findSignatureLine(tail.c_str(), tailLength, fileLength, &line);

    // The reference: strip one line end, take the last line, judge it.
    std::string rest = file;
    if (!rest.empty() && rest.back() == '\n')
        rest.pop_back();
    if (!rest.empty() && rest.back() == '\r')
        rest.pop_back();
    const size_t lineStart = rest.rfind('\n') == std::string::npos ? 0 : rest.rfind('\n') + 1;
    const std::string last = rest.substr(lineStart);
    unsigned char expected[signatureSize];
    const bool wellFormed = last.size() == 2 + signatureTextLength && last.compare(0, 2, "S,") == 0
        && decodeBase64(last.data() + 2, signatureTextLength, expected, signatureSize) == signatureSize;
    FUZZ_CHECK(found == wellFormed, "a signature line is found exactly when the last line is one");
    if (found) {
        FUZZ_CHECK(line.signedLength == static_cast<long>(lineStart), "it signs every byte before its line");
        FUZZ_CHECK(memcmp(line.signature, expected, signatureSize) == 0, "the signature is the line's bytes");
    }
    return 0;
}
