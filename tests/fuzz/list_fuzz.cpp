// The component list: any bytes are read line by line to their end, every line
// fits its buffer, and splitting a line yields fields inside it.
#include <limits.h>

#include "engine/list_line_reader.h"
#include "engine/list_record.h"

#include "fuzz_support.h"

namespace {

bool isFieldSeparator(char c)
{
    return c == ',' || c == '\r' || c == '\n';
}

// A number as the list writes it: the digits read with the C library's
// strtoull and brought to 32 bits; parseListNumber must agree.
int32_t referenceNumber(const char* text)
{
    while (*text == ' ' || *text == '\t')
        ++text;
    bool negative = *text == '-';
    if (*text == '+' || *text == '-')
        ++text;
    size_t digits = 0;
    while (text[digits] >= '0' && text[digits] <= '9')
        ++digits;
    // Nine digits at a time, reduced modulo 2^32 after each piece, so that a
    // run of any length gets its value modulo 2^32 without overflow.
    uint64_t value = 0;
    for (size_t at = 0; at < digits;) {
        size_t take = digits - at < 9 ? digits - at : 9;
        std::string piece(text + at, take);
        uint64_t scale = 1;
        for (size_t i = 0; i < take; ++i)
            scale *= 10u;
        value = (value * scale + strtoull(piece.c_str(), nullptr, 10)) & 0xFFFFFFFFu;
        at += take;
    }
    uint32_t low = static_cast<uint32_t>(value);
    if (negative)
        low = 0u - low;
    return static_cast<int32_t>(low);
}

// The fields of a line as runs of non-separators, found independently of the
// splitter: the first run gives the type, the next eight are the fields.
std::vector<std::pair<size_t, size_t>> fieldRuns(const char* line, size_t length)
{
    std::vector<std::pair<size_t, size_t>> runs;
    size_t at = 0;
    while (at < length) {
        while (at < length && isFieldSeparator(line[at]))
            ++at;
        if (at == length)
            break;
        size_t begin = at;
        while (at < length && !isFieldSeparator(line[at]))
            ++at;
        runs.push_back({begin, at - begin});
    }
    return runs;
}

void checkRecord(char (&line)[listLineSize], size_t length)
{
    char original[listLineSize];
    memcpy(original, line, sizeof original);
    std::vector<std::pair<size_t, size_t>> runs = fieldRuns(original, length);

    ListRecord record;
    memset(&record, 0xA5, sizeof record);
    splitListLine(line, &record);

    FUZZ_CHECK(record.fieldCount >= 0 && record.fieldCount <= listRecordMaxFields, "at most eight fields");
    size_t expectedCount = runs.empty() ? 0 : runs.size() - 1;
    if (expectedCount > static_cast<size_t>(listRecordMaxFields))
        expectedCount = listRecordMaxFields;
    FUZZ_CHECK(static_cast<size_t>(record.fieldCount) == expectedCount, "every run of non-separators is a field");
    FUZZ_CHECK(record.type == (runs.empty() ? '\0' : original[runs[0].first]),
               "the type is the first character of the first field, or none");

    for (int i = 0; i < listRecordMaxFields; ++i) {
        const char* field = record.fields[i];
        if (i >= record.fieldCount) {
            FUZZ_CHECK(field == nullptr, "fields past the count are null");
            continue;
        }
        FUZZ_CHECK(field >= line && field < line + length, "a field lies inside the line");
        FUZZ_CHECK(field[0] != '\0', "no field is empty");
        size_t fieldLength = strnlen(field, static_cast<size_t>(line + listLineSize - field));
        FUZZ_CHECK(field + fieldLength < line + listLineSize, "a field is terminated inside the line buffer");
        const std::pair<size_t, size_t>& run = runs[static_cast<size_t>(i) + 1];
        FUZZ_CHECK(static_cast<size_t>(field - line) == run.first && fieldLength == run.second,
                   "a field is exactly its run of the line, untrimmed");
        FUZZ_CHECK(parseListNumber(field) == referenceNumber(field), "numbers read as decimals wrapping at 32 bits");
    }

    // In place: the only change is a terminator over a separator. The rest of
    // the buffer is compared in one call, so that a check's cost follows the
    // line's length and an input of many short lines stays quick.
    for (size_t i = 0; i < length; ++i)
        FUZZ_CHECK(line[i] == original[i] || (isFieldSeparator(original[i]) && line[i] == '\0'),
                   "splitting only writes terminators over separators");
    FUZZ_CHECK(memcmp(line + length, original + length, sizeof original - length) == 0,
               "splitting writes nothing past the line");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > static_cast<size_t>(INT_MAX))
        return 0;
    const char* bytes = reinterpret_cast<const char*>(data);
    const int length = static_cast<int>(size);

    char line[listLineSize];
    memset(line, 'x', sizeof line);
    FUZZ_CHECK(readListLine(bytes, -1 - length, line) == 0 && line[0] == '\0',
               "a negative length gives no line");

    int offset = 0;
    for (;;) {
        memset(line, 'x', sizeof line);
        int consumed = readListLine(bytes + offset, length - offset, line);
        FUZZ_CHECK(memchr(line, '\0', sizeof line) != nullptr, "every line is terminated");
        if (offset == length) {
            FUZZ_CHECK(consumed == 0 && line[0] == '\0', "at the end of the data nothing is read");
            break;
        }
        FUZZ_CHECK(consumed > 0, "every read before the end consumes bytes");
        FUZZ_CHECK(consumed <= length - offset, "a read never consumes more than is left");
        FUZZ_CHECK(consumed <= listLineSize - 1, "a line is at most 511 characters");

        const char* piece = bytes + offset;
        const void* lineFeed = memchr(piece, '\n', static_cast<size_t>(consumed));
        FUZZ_CHECK(lineFeed == nullptr || lineFeed == piece + consumed - 1, "a line ends at its first LF");
        FUZZ_CHECK(consumed == listLineSize - 1 || piece[consumed - 1] == '\n' || offset + consumed == length,
                   "a line stops short only at an LF or the end of the data");

        size_t textLength = strlen(line);
        const void* nul = memchr(piece, '\0', static_cast<size_t>(consumed));
        size_t expected = nul != nullptr ? static_cast<size_t>(static_cast<const char*>(nul) - piece)
                                         : static_cast<size_t>(consumed);
        FUZZ_CHECK(textLength == expected && memcmp(line, piece, expected) == 0,
                   "the line's text is the bytes read, up to a NUL");

        checkRecord(line, textLength);
        offset += consumed;
    }
    FUZZ_CHECK(offset == length, "the lines add up to the whole data");
    return 0;
}
