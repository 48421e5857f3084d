// The command line: any argument text gets a verdict that depends on the text
// alone, never leaves baseUrl unterminated, and is refused whole when it is
// longer than the working copy.
#include "startup/command_line_parser.h"

#include "fuzz_support.h"

namespace {

const size_t kLongestArgumentText = 1023;

// Two starting points as different as possible: whatever the parser writes
// must be the same from both, and what it does not write must stay.
CommandLineSettings freshSettings()
{
    CommandLineSettings settings = {0, 0, 1, 0, 0, {}};
    strcpy(settings.baseUrl, "http://default.example/zorv/distribution/win32");
    return settings;
}

CommandLineSettings usedSettings()
{
    CommandLineSettings settings = {1, 1, 0, 1, 1, {}};
    memset(settings.baseUrl, 'p', sizeof settings.baseUrl - 1);
    settings.baseUrl[sizeof settings.baseUrl - 1] = '\0';
    return settings;
}

struct Run {
    bool accepted;
    CommandLineSettings settings;
};

Run run(const std::string& text, const CommandLineSettings& start)
{
    HeapText argumentText(text);
    Run result;
    result.settings = start;
    result.accepted = applyCommandLine(argumentText.c_str(), result.settings);
    FUZZ_CHECK(argumentText.str() == text, "the argument text is not written to");
    FUZZ_CHECK(memchr(result.settings.baseUrl, '\0', sizeof result.settings.baseUrl) != nullptr,
               "baseUrl is terminated within its 512 characters");
    return result;
}

bool sameSettings(const CommandLineSettings& a, const CommandLineSettings& b)
{
    return a.afterBoot == b.afterBoot && a.restartPending == b.restartPending && a.urlIsHttp == b.urlIsHttp
        && a.forceAll == b.forceAll && a.noReg == b.noReg && strcmp(a.baseUrl, b.baseUrl) == 0;
}

bool sameRun(const Run& a, const Run& b)
{
    return a.accepted == b.accepted && sameSettings(a.settings, b.settings);
}

// True when value occurs in text ending where a value ends: at a separator,
// a quote or the end of the text.
bool isWholeValue(const std::string& text, const std::string& value)
{
    for (size_t at = text.find(value); at != std::string::npos; at = text.find(value, at + 1)) {
        size_t end = at + value.size();
        if (end == text.size() || strchr(" \t\r\n\"'", text[end]) != nullptr)
            return true;
    }
    return false;
}

bool isSeparator(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// The rules read plainly over a whole string: tokens between separators,
// options by name ignoring case, and a url value that, when it opens with a
// quote, runs to the next quote of either kind or to the end of the text.
Run referenceRun(const std::string& text, const CommandLineSettings& start)
{
    Run result = {true, start};
    if (text.size() > kLongestArgumentText)
        return {false, start};
    size_t at = 0;
    auto nextToken = [&](std::string* token) {
        while (at < text.size() && isSeparator(text[at]))
            ++at;
        if (at == text.size())
            return false;
        size_t begin = at;
        while (at < text.size() && !isSeparator(text[at]))
            ++at;
        *token = text.substr(begin, at - begin);
        return true;
    };
    CommandLineSettings& settings = result.settings;
    std::string token;
    while (nextToken(&token)) {
        if (token[0] != '-' && token[0] != '/')
            continue;
        const std::string name = lowerAscii(token.substr(1));
        if (name == "afterboot") {
            settings.afterBoot = 1;
        } else if (name == "boot") {
            settings.restartPending = 1;
        } else if (name == "all") {
            settings.forceAll = 1;
        } else if (name == "no-reg") {
            settings.noReg = 1;
        } else if (name == "url") {
            while (at < text.size() && isSeparator(text[at]))
                ++at;
            std::string value;
            if (at < text.size() && (text[at] == '"' || text[at] == '\'')) {
                size_t close = text.find_first_of("\"'", at + 1);
                value = text.substr(at + 1, close == std::string::npos ? std::string::npos : close - at - 1);
                at = close == std::string::npos ? text.size() : close + 1;
            } else if (!nextToken(&value)) {
                continue;
            }
            std::string location = value;
            const std::string scheme = lowerAscii(value.substr(0, 5));
            if (scheme == "file:") {
                settings.urlIsHttp = 0;
                location = value.substr(5);
            } else if (scheme == "http:") {
                settings.urlIsHttp = 1;
            } else {
                result.accepted = false;
                continue;
            }
            if (location.size() >= sizeof settings.baseUrl)
                result.accepted = false;
            else if (result.accepted)
                strcpy(settings.baseUrl, location.c_str());
        } else {
            result.accepted = false;
        }
    }
    return result;
}

bool isFlag(int value)
{
    return value == 0 || value == 1;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text = inputText(data, size);
    const CommandLineSettings fresh = freshSettings();
    const CommandLineSettings used = usedSettings();

    Run first = run(text, fresh);
    FUZZ_CHECK(sameRun(first, run(text, fresh)), "the same text gives the same verdict and settings");
    FUZZ_CHECK(sameRun(first, referenceRun(text, fresh)), "the text is split and applied by the rules");

    if (text.size() > kLongestArgumentText) {
        FUZZ_CHECK(!first.accepted, "a text over 1023 characters is refused");
        FUZZ_CHECK(sameSettings(first.settings, fresh), "a refused overlong text changes nothing");
    }

    // The verdict depends on the text alone, and every field the text writes
    // gets the same value whatever it held before.
    Run other = run(text, used);
    FUZZ_CHECK(other.accepted == first.accepted, "the verdict does not depend on the previous settings");
    FUZZ_CHECK(sameRun(other, referenceRun(text, used)), "the rules hold from any previous settings");
    const CommandLineSettings& a = first.settings;
    const CommandLineSettings& b = other.settings;
    FUZZ_CHECK(isFlag(a.afterBoot) && isFlag(a.restartPending) && isFlag(a.urlIsHttp) && isFlag(a.forceAll)
                   && isFlag(a.noReg),
               "the fields stay flags");
    FUZZ_CHECK(b.afterBoot == 1 && b.restartPending == 1 && b.forceAll == 1 && b.noReg == 1,
               "options only set flags, never clear them");
    FUZZ_CHECK(isFlag(b.urlIsHttp), "urlIsHttp stays a flag");
    if (a.urlIsHttp != fresh.urlIsHttp || b.urlIsHttp != used.urlIsHttp)
        FUZZ_CHECK(a.urlIsHttp == b.urlIsHttp, "a written urlIsHttp is the same from any start");
    bool urlWritten = strcmp(a.baseUrl, fresh.baseUrl) != 0 || strcmp(b.baseUrl, used.baseUrl) != 0;
    if (urlWritten)
        FUZZ_CHECK(strcmp(a.baseUrl, b.baseUrl) == 0, "a written baseUrl is the same from any start");

    // A new baseUrl is a location the text names: the whole http: value, or
    // what follows file:. (A refused text may leave urlIsHttp from a value it
    // refused beside the baseUrl of an earlier one.)
    if (strcmp(b.baseUrl, used.baseUrl) != 0) {
        const std::string url = b.baseUrl;
        FUZZ_CHECK(text.find(url) != std::string::npos, "baseUrl comes from the text");
    }
    if (first.accepted && strcmp(b.baseUrl, used.baseUrl) != 0) {
        const std::string url = b.baseUrl;
        FUZZ_CHECK(isWholeValue(text, url), "an accepted location is a whole value, never cut");
        if (b.urlIsHttp == 1)
            FUZZ_CHECK(lowerAscii(url.substr(0, 5)) == "http:", "an http location keeps its http: prefix");
        else
            FUZZ_CHECK(lowerAscii(text).find("file:" + lowerAscii(url)) != std::string::npos,
                       "a file location is the text behind file:");
    }

    // Without "-" or "/" there is no option, so nothing but the length counts.
    if (text.size() <= kLongestArgumentText && text.find_first_of("-/") == std::string::npos) {
        FUZZ_CHECK(first.accepted, "a text without options is accepted");
        FUZZ_CHECK(sameSettings(a, fresh), "a text without options changes nothing");
    }

    // Leading separators are ignored, and a leading /all takes no value.
    if (text.size() + 1 <= kLongestArgumentText)
        FUZZ_CHECK(sameRun(first, run(" " + text, fresh)), "a leading blank changes nothing");
    if (text.size() + 5 <= kLongestArgumentText) {
        Run withAll = run("/all " + text, fresh);
        FUZZ_CHECK(withAll.accepted == first.accepted, "a leading /all does not change the verdict");
        FUZZ_CHECK(withAll.settings.forceAll == 1, "a leading /all sets forceAll");
        withAll.settings.forceAll = a.forceAll;
        FUZZ_CHECK(sameSettings(withAll.settings, a), "a leading /all changes nothing else");
    }
    return 0;
}
