// Component locations: URLs and paths fit their buffers, and no path that the
// guard lets through resolves to anywhere outside the installation folder.
//
// Input: up to four texts separated by LF: the file field, the folder field
// (absent: none), the installation folder and the base URL (absent: the
// defaults below).
#include "engine/component_location.h"

#include "fuzz_support.h"

#include <ctype.h>

namespace {

const char* const kDefaultInstallFolder = "C:\\Program Files\\Brenix\\ZORV3";
const char* const kDefaultBaseUrl = "http://download.zorv.example/zorv/distribution/win32";

bool isPathSeparator(char c)
{
    return c == '\\' || c == '/';
}

// Resolves a path's components the way Windows does: split at "\" and "/",
// trailing dots and blanks dropped from each component, "." staying and ".."
// going up (no further than the top). A component that passes
// through ".." while its trailing dots and blanks are dropped counts as "..",
// so "... " goes up as well. Reports the folder depth after each component.
class PathResolver {
public:
    void component(std::string name)
    {
        for (;;) {
            if (name == "..") {
                if (!folders_.empty())
                    folders_.pop_back();
                return;
            }
            if (name.empty() || name == ".")
                return;
            char last = name.back();
            if (last != '.' && last != ' ')
                break;
            name.pop_back();
        }
        folders_.push_back(name);
    }

    size_t depth() const { return folders_.size(); }
    const std::vector<std::string>& folders() const { return folders_; }

private:
    std::vector<std::string> folders_;
};

std::vector<std::string> componentsOf(const std::string& path)
{
    std::vector<std::string> components(1);
    for (char c : path) {
        if (isPathSeparator(c))
            components.emplace_back();
        else
            components.back().push_back(c);
    }
    return components;
}

void checkStaysInside(const std::string& installFolder, const std::string& path)
{
    const std::vector<std::string> installComponents = componentsOf(installFolder);
    const std::vector<std::string> pathComponents = componentsOf(path);
    FUZZ_CHECK(pathComponents.size() > installComponents.size(), "the path goes on behind the installation folder");

    PathResolver resolver;
    for (size_t i = 0; i < installComponents.size(); ++i) {
        FUZZ_CHECK(pathComponents[i] == installComponents[i], "the path begins with the installation folder");
        resolver.component(pathComponents[i]);
    }
    const std::vector<std::string> inside = resolver.folders();
    for (size_t i = installComponents.size(); i < pathComponents.size(); ++i) {
        resolver.component(pathComponents[i]);
        FUZZ_CHECK(resolver.depth() >= inside.size(), "a guarded path never leaves the installation folder");
    }
    const std::vector<std::string> resolved = resolver.folders();
    FUZZ_CHECK(std::equal(inside.begin(), inside.end(), resolved.begin()),
               "a guarded path resolves below the installation folder");
}

void checkUrl(const HeapText& baseUrl, const HeapText& file)
{
    HeapBuffer url(componentTextSize);
    const bool fits = buildComponentUrl(url.get(), baseUrl.c_str(), file.c_str());
    FUZZ_CHECK(url.terminated(), "the URL is terminated within 512 characters");
    const std::string base = baseUrl.str();
    const std::string expected = base + (base.empty() || base.back() != '/' ? "/" : "") + file.str();
    FUZZ_CHECK(fits == (expected.size() < static_cast<size_t>(componentTextSize)), "the URL fits exactly up to 511 characters");
    if (fits)
        FUZZ_CHECK(url.get() == expected, "the URL is the base, one slash and the file");
    else
        FUZZ_CHECK(expected.compare(0, strlen(url.get()), url.get()) == 0, "a cut URL is a prefix of the whole");
}

void checkPath(const HeapText& installFolder, const char* folder, const HeapText& file)
{
    HeapBuffer path(componentTextSize);
    const bool fits = buildComponentPath(path.get(), installFolder.c_str(), folder, file.c_str());
    FUZZ_CHECK(path.terminated(), "the path is terminated within 512 characters");
    const bool hasFolder = folder != nullptr && folder[0] != '\0';
    const std::string expected = installFolder.str() + (hasFolder ? "\\" + std::string(folder) : "") + "\\" + file.str();
    FUZZ_CHECK(fits == (expected.size() < static_cast<size_t>(componentTextSize)), "the path fits exactly up to 511 characters");
    if (fits)
        FUZZ_CHECK(path.get() == expected, "the path is the folders and the file joined by backslashes");
    else
        FUZZ_CHECK(expected.compare(0, strlen(path.get()), path.get()) == 0, "a cut path is a prefix of the whole");

    // The guard as the engine applies it before it builds a path.
    const bool fileSafe = isSafeRelativePath(file.c_str());
    const bool folderSafe = !hasFolder || isSafeRelativePath(folder);
    if (fileSafe && folderSafe && fits)
        checkStaysInside(installFolder.str(), path.get());
}

// Windows opens these as devices, whatever the folder and the extension.
bool isDeviceName(const std::string& component)
{
    std::string stem = component.substr(0, component.find('.'));
    while (!stem.empty() && stem.back() == ' ')
        stem.pop_back();
    for (char& c : stem)
        c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    static const char* const names[] = { "CON", "PRN", "AUX", "NUL", "CLOCK$", "CONIN$", "CONOUT$" };
    for (const char* name : names) {
        if (stem == name)
            return true;
    }
    const std::string digits = "0123456789\xb9\xb2\xb3";
    return stem.size() == 4 && (stem.compare(0, 3, "COM") == 0 || stem.compare(0, 3, "LPT") == 0)
        && digits.find(stem[3]) != std::string::npos;
}

void checkGuard(const HeapText& text)
{
    if (!isSafeRelativePath(text.c_str()))
        return;
    const std::string name = text.str();
    FUZZ_CHECK(!name.empty(), "an empty name is refused");
    FUZZ_CHECK(!isPathSeparator(name[0]), "a rooted name is refused");
    FUZZ_CHECK(name.find(':') == std::string::npos, "a name with a colon is refused");
    // Whatever folder it is put under, it stays there.
    checkStaysInside("C:\\Z", "C:\\Z\\" + name);
    // Each component names a file or folder of its own, none a device; an
    // empty one (behind the first) names nothing, as in Windows.
    PathResolver resolver;
    bool first = true;
    for (const std::string& component : componentsOf(name)) {
        const size_t before = resolver.depth();
        resolver.component(component);
        if (component.empty())
            FUZZ_CHECK(!first && resolver.depth() == before, "only a component behind a name is empty");
        else
            FUZZ_CHECK(resolver.depth() == before + 1, "no component of an accepted name is only dots and blanks");
        FUZZ_CHECK(!isDeviceName(component), "no component of an accepted name is a device");
        first = false;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::vector<std::string> parts = splitInput(inputText(data, size), '\n', 4);
    const HeapText file(parts[0]);
    const std::unique_ptr<HeapText> folder(parts.size() > 1 ? new HeapText(parts[1]) : nullptr);
    const HeapText installFolder(parts.size() > 2 ? parts[2] : kDefaultInstallFolder);
    const HeapText baseUrl(parts.size() > 3 ? parts[3] : kDefaultBaseUrl);

    checkUrl(baseUrl, file);
    checkPath(installFolder, folder ? folder->c_str() : nullptr, file);
    checkGuard(file);
    if (folder)
        checkGuard(*folder);
    return 0;
}
