// The status line: any line gives a defined code, saturated rather than
// wrapped, and success means exactly a code from 200 to 299.
#include "transfer/http_request.h"

#include "fuzz_support.h"

namespace {

// The code read the way the engine describes it, with 64-bit arithmetic that
// stops growing once past the 32-bit range: blanks and tabs skipped from the
// tenth character, an optional sign, the digits up to the first other one.
int64_t referenceCode(const std::string& line)
{
    if (line.size() < 10)
        return -1;
    size_t at = 9;
    while (at < line.size() && (line[at] == ' ' || line[at] == '\t'))
        ++at;
    bool negative = false;
    if (at < line.size() && (line[at] == '+' || line[at] == '-')) {
        negative = line[at] == '-';
        ++at;
    }
    int64_t value = 0;
    for (; at < line.size() && line[at] >= '0' && line[at] <= '9'; ++at) {
        value = value * 10 + (line[at] - '0');
        if (value > INT64_C(1) << 32)
            value = INT64_C(1) << 32;
    }
    value = negative ? -value : value;
    if (value > INT32_MAX)
        return INT32_MAX;
    if (value < INT32_MIN)
        return INT32_MIN;
    return value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const HeapText line(inputText(data, size));
    const int code = statusCodeOf(line.c_str());
    FUZZ_CHECK(code == referenceCode(line.str()), "the code is the saturated decimal at the tenth character");
    FUZZ_CHECK(statusCodeOf(line.c_str()) == code, "the same line gives the same code");
    FUZZ_CHECK(isSuccessStatus(line.c_str()) == (code >= 200 && code <= 299),
               "success is exactly a code from 200 to 299");
    if (line.length() < 10)
        FUZZ_CHECK(code == -1 && !isSuccessStatus(line.c_str()), "a line under ten characters has no code");
    return 0;
}
