#include "startup/command_line_parser.h"

#include "common/ascii.h"
#include "common/bounded_copy.h"
#include "common/location_kind.h"

#include <string.h>

namespace {

const size_t kWorkingCopySize = 1024;

bool isSeparator(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool isQuote(char c)
{
    return c == '"' || c == '\'';
}

// Walks the zero-filled working copy token by token, writing terminators into
// it the way a strtok-style splitter does.
class Tokenizer {
public:
    explicit Tokenizer(char* text) : cursor_(text) {}

    char* next()
    {
        while (*cursor_ != '\0' && isSeparator(*cursor_))
            ++cursor_;
        if (*cursor_ == '\0')
            return nullptr;
        char* token = cursor_;
        while (*cursor_ != '\0' && !isSeparator(*cursor_))
            ++cursor_;
        terminateAndStep();
        return token;
    }

    // A value that opens with a quote runs to the next quote of either kind,
    // separators included, or to the end of the text; splitting then goes on
    // behind the closing quote.
    char* nextValue()
    {
        while (*cursor_ != '\0' && isSeparator(*cursor_))
            ++cursor_;
        if (!isQuote(*cursor_))
            return next();
        char* value = ++cursor_;
        while (*cursor_ != '\0' && !isQuote(*cursor_))
            ++cursor_;
        terminateAndStep();
        return value;
    }

private:
    void terminateAndStep()
    {
        if (*cursor_ != '\0') {
            *cursor_ = '\0';
            ++cursor_;
        }
    }

    char* cursor_;
};

// A value that names neither a file: nor an http: location rejects the
// command line; so does one too long for baseUrl.
void applyUrlValue(const char* value, bool& accepted, CommandLineSettings& settings)
{
    const char* location = value;
    LocationKind kind;
    if (startsWithIgnoreCase(value, "file:", 5)) {
        kind = LocationKind::Folder;
        location = value + 5;
    } else if (startsWithIgnoreCase(value, "http:", 5)) {
        kind = LocationKind::Http;
    } else {
        accepted = false;
        return;
    }
    // Recorded even when the value is refused below: the command line is
    // rejected as a whole then.
    settings.urlIsHttp = kind == LocationKind::Http ? 1 : 0;
    if (strlen(location) >= sizeof settings.baseUrl) {
        accepted = false;
        return;
    }
    if (accepted)
        copyBounded(settings.baseUrl, sizeof settings.baseUrl, location);
}

} // namespace

bool applyCommandLine(const char* argumentText, CommandLineSettings& settings)
{
    if (argumentText == nullptr)
        return true;
    if (strlen(argumentText) >= kWorkingCopySize)
        return false;

    char workingCopy[kWorkingCopySize] = {};
    copyBounded(workingCopy, sizeof workingCopy, argumentText);

    bool accepted = true;
    Tokenizer tokens(workingCopy);
    for (char* token = tokens.next(); token != nullptr; token = tokens.next()) {
        if (token[0] != '-' && token[0] != '/')
            continue;
        const char* name = token + 1;
        if (equalsIgnoreCase(name, "afterboot")) {
            settings.afterBoot = 1;
        } else if (equalsIgnoreCase(name, "boot")) {
            settings.restartPending = 1;
        } else if (equalsIgnoreCase(name, "url")) {
            const char* value = tokens.nextValue();
            if (value != nullptr)
                applyUrlValue(value, accepted, settings);
        } else if (equalsIgnoreCase(name, "all")) {
            settings.forceAll = 1;
        } else if (equalsIgnoreCase(name, "no-reg")) {
            settings.noReg = 1;
        } else {
            accepted = false;
        }
    }
    return accepted;
}
