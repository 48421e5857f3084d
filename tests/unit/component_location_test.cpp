#include <gtest/gtest.h>

#include <string>

#include "engine/component_location.h"

TEST(ComponentUrl, JoinsWithOneSlash)
{
    char url[componentTextSize];
    EXPECT_TRUE(buildComponentUrl(url, "http://download.zorv.example/zorv/distribution/win32", "zorv3.lst"));
    EXPECT_STREQ("http://download.zorv.example/zorv/distribution/win32/zorv3.lst", url);

    EXPECT_TRUE(buildComponentUrl(url, "http://h.example/dist/", "a.dll"));
    EXPECT_STREQ("http://h.example/dist/a.dll", url);

    // A local folder keeps its backslashes; the separator is still "/".
    EXPECT_TRUE(buildComponentUrl(url, "C:\\dist", "zorv3.lst"));
    EXPECT_STREQ("C:\\dist/zorv3.lst", url);
    EXPECT_TRUE(buildComponentUrl(url, "C:\\dist\\", "zorv3.lst"));
    EXPECT_STREQ("C:\\dist\\/zorv3.lst", url);

    // Only the file field counts, as written.
    EXPECT_TRUE(buildComponentUrl(url, "http://h/d", "sub\\a.dll"));
    EXPECT_STREQ("http://h/d/sub\\a.dll", url);

    EXPECT_TRUE(buildComponentUrl(url, "", "a.dll"));
    EXPECT_STREQ("/a.dll", url);
}

TEST(ComponentUrl, RefusesWhatDoesNotFit)
{
    char url[componentTextSize];
    std::string base(500, 'b');
    EXPECT_TRUE(buildComponentUrl(url, base.c_str(), std::string(10, 'f').c_str()));  // 511
    EXPECT_EQ(511u, std::string(url).size());
    EXPECT_FALSE(buildComponentUrl(url, base.c_str(), std::string(11, 'f').c_str()));
    EXPECT_FALSE(buildComponentUrl(url, std::string(511, 'b').c_str(), "a"));
    EXPECT_FALSE(buildComponentUrl(url, std::string(600, 'b').c_str(), "a"));
    EXPECT_TRUE(buildComponentUrl(url, (std::string(510, 'b') + "/").c_str(), ""));
}

TEST(ComponentPath, JoinsFolderAndFileWithBackslashes)
{
    char path[componentTextSize];
    EXPECT_TRUE(buildComponentPath(path, "C:\\Program Files\\Brenix\\ZORV3", "client", "zorv3.lst"));
    EXPECT_STREQ("C:\\Program Files\\Brenix\\ZORV3\\client\\zorv3.lst", path);

    EXPECT_TRUE(buildComponentPath(path, "C:\\Z", nullptr, "a.dll"));
    EXPECT_STREQ("C:\\Z\\a.dll", path);
    EXPECT_TRUE(buildComponentPath(path, "C:\\Z", "", "a.dll"));
    EXPECT_STREQ("C:\\Z\\a.dll", path);

    EXPECT_TRUE(buildComponentPath(path, "C:\\Z", "client\\plugins", "sub\\b.dll"));
    EXPECT_STREQ("C:\\Z\\client\\plugins\\sub\\b.dll", path);
}

TEST(ComponentPath, RefusesWhatDoesNotFit)
{
    char path[componentTextSize];
    std::string folder(500, 'i');
    EXPECT_TRUE(buildComponentPath(path, folder.c_str(), "c", std::string(8, 'f').c_str()));  // 511
    EXPECT_EQ(511u, std::string(path).size());
    EXPECT_FALSE(buildComponentPath(path, folder.c_str(), "c", std::string(9, 'f').c_str()));
    EXPECT_FALSE(buildComponentPath(path, folder.c_str(), std::string(20, 'c').c_str(), "f"));
    EXPECT_FALSE(buildComponentPath(path, std::string(511, 'i').c_str(), nullptr, ""));
    EXPECT_FALSE(buildComponentPath(path, std::string(700, 'i').c_str(), nullptr, "f"));
}

TEST(SafeRelativePath, AcceptsPathsBelowTheInstallFolder)
{
    const char* good[] = {
        "a.dll", "client", "client\\plugins", "client/plugins/x.dll", "sub\\b.dll",
        "a..b", "..a", "a..", "...x", "a b\\c d.exe",
        // Names that only begin like devices, and device names inside a name.
        "console.dll", "nul_", "COM10", "LPT00.txt", "com", "aux1", "xcon", "a.con", "clock", "null\\a",
    };
    for (const char* text : good)
        EXPECT_TRUE(isSafeRelativePath(text)) << text;
}

TEST(SafeRelativePath, RefusesPathsThatLeaveIt)
{
    const char* bad[] = {
        "", "C:\\Windows\\system32\\a.dll", "C:a.dll", "c:", "a.dll:stream", "client\\a:b",
        "\\Windows\\a.dll", "/etc/passwd", "\\\\server\\share\\a.dll", "//server/share",
        "..", "..\\a.dll", "../a.dll", "client\\..\\..\\a.dll", "client/../x", "a\\..",
        "...", "... ", ".. ", " ..", "a\\. .. \\b", "client\\....\\x", "a/..\\b",
    };
    for (const char* text : bad)
        EXPECT_FALSE(isSafeRelativePath(text)) << "'" << text << "'";
}

TEST(SafeRelativePath, RefusesDotComponents)
{
    // "." and its kin name the folder itself: a menu folder "." would have
    // the whole programs folder emptied.
    const char* bad[] = {
        ".", ". .", " ", ".\\a.dll", "a\\.\\b", "a\\.", "a/ . /b", "a\\ ", "a\\\\..", "a\\\\.\\", "a\\ \\",
    };
    for (const char* text : bad)
        EXPECT_FALSE(isSafeRelativePath(text)) << "'" << text << "'";
}

TEST(SafeRelativePath, TakesEmptyComponentsBehindANameAsWindowsDoes)
{
    // "client\" is "client", "a\\b" is "a\b": nothing outside the folder.
    const char* good[] = {
        "client\\", "client/", "a\\\\b", "a//b", "a\\/b", "client\\\\", "a\\\\\\b\\", "client\\\\zorvc.exe",
        "a\\\\\\\\server",
    };
    for (const char* text : good)
        EXPECT_TRUE(isSafeRelativePath(text)) << "'" << text << "'";
    // A separator in front is no empty component but a root: a drive's
    // root, a UNC server, or the "\\?\" and "\\.\" namespaces.
    const char* bad[] = {
        "\\", "/", "\\client", "\\\\server\\share", "//server/share", "\\/x", "/\\x", "\\\\?\\C:\\x",
        "\\\\.\\pipe\\x", "\\\\.\\COM1", "\\\\?\\UNC\\server\\x", "C:", "C:\\", "C:x", "client\\C:",
    };
    for (const char* text : bad)
        EXPECT_FALSE(isSafeRelativePath(text)) << "'" << text << "'";
}

TEST(SafeRelativePath, RefusesDeviceNamesAnywhere)
{
    const char* bad[] = {
        "CON", "con", "Prn", "aux", "NUL", "nul.txt", "NUL.tar.gz", "COM1", "com9.dll", "LPT1", "lpt9.log",
        "CLOCK$", "conin$", "CONOUT$.x", "con .txt", "nul ", "client\\nul", "nul\\a.dll", "a/COM3/b.dll",
        "COM\xb9", "lpt\xb2.txt", "COM0", "lpt0", "LPT0.txt", "com0 .dll", "client\\\\COM0\\",
    };
    for (const char* text : bad)
        EXPECT_FALSE(isSafeRelativePath(text)) << "'" << text << "'";
}
