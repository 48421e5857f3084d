// formatSize: any count gives one of the three forms with the value rounded
// half up, inside its 64-character slot, and a slot's text stays put while
// the other slots are written.
//
// Input: five 32-bit words (little-endian, missing bytes 0): the counts for
// slots 0, 1 and 2, then any slot number and a count written into it.
#include "wizard/format_size.h"

#include "fuzz_support.h"

namespace {

// The text for people, from 64-bit integers: "N bytes" for counts below 1024
// (read as unsigned), else hundredths of a KB or MB rounded half up.
std::string referenceText(int32_t count)
{
    char text[80];
    if (count < 1024) {
        snprintf(text, sizeof text, "%u bytes", static_cast<unsigned>(static_cast<uint32_t>(count)));
        return text;
    }
    const uint64_t unit = count < 1048576 ? 1024u : 1048576u;
    const uint64_t hundredths = (static_cast<uint64_t>(count) * 200u + unit) / (2u * unit);
    snprintf(text, sizeof text, "%llu.%02llu %s", static_cast<unsigned long long>(hundredths / 100u),
             static_cast<unsigned long long>(hundredths % 100u), unit == 1024u ? "KB" : "MB");
    return text;
}

// The form alone, checked character by character: digits, then " bytes", or
// digits, ".", two digits and " KB" or " MB".
bool hasOneOfTheForms(const char* text)
{
    size_t at = 0;
    while (text[at] >= '0' && text[at] <= '9')
        ++at;
    if (at == 0)
        return false;
    if (strcmp(text + at, " bytes") == 0)
        return true;
    if (text[at] != '.' || text[at + 1] < '0' || text[at + 1] > '9' || text[at + 2] < '0' || text[at + 2] > '9')
        return false;
    return strcmp(text + at + 3, " KB") == 0 || strcmp(text + at + 3, " MB") == 0;
}

std::string checkedText(int slot, int32_t count)
{
    const char* text = formatSize(slot, count);
    FUZZ_CHECK(text != nullptr, "there is always a text");
    FUZZ_CHECK(memchr(text, '\0', formatSizeSlotSize) != nullptr, "the text fits its 64-character slot");
    FUZZ_CHECK(hasOneOfTheForms(text), "the text is N bytes, N.NN KB or N.NN MB");
    FUZZ_CHECK(text == referenceText(count), "the value is the count in its unit, rounded half up");
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const int32_t counts[formatSizeSlots] = {wordAt(data, size, 0), wordAt(data, size, 1), wordAt(data, size, 2)};
    const int slotNumber = wordAt(data, size, 3);
    const int32_t lastCount = wordAt(data, size, 4);

    const char* slots[formatSizeSlots];
    std::string texts[formatSizeSlots];
    for (int slot = 0; slot < formatSizeSlots; ++slot) {
        texts[slot] = checkedText(slot, counts[slot]);
        slots[slot] = formatSize(slot, counts[slot]);
        FUZZ_CHECK(slots[slot] == texts[slot], "the same count gives the same text");
    }
    for (int slot = 0; slot < formatSizeSlots; ++slot)
        FUZZ_CHECK(slots[slot] == texts[slot], "writing one slot leaves the others' texts");
    FUZZ_CHECK(slots[0] != slots[1] && slots[1] != slots[2] && slots[0] != slots[2], "the three slots are apart");

    // Any slot number: 0 to 2 name their slot, anything else slot 0.
    const int used = slotNumber >= 0 && slotNumber < formatSizeSlots ? slotNumber : 0;
    const std::string last = checkedText(slotNumber, lastCount);
    FUZZ_CHECK(formatSize(slotNumber, lastCount) == slots[used], "the text goes into the named slot, else slot 0");
    for (int slot = 0; slot < formatSizeSlots; ++slot)
        FUZZ_CHECK(slots[slot] == (slot == used ? last : texts[slot]), "only the slot written changes");
    return 0;
}
