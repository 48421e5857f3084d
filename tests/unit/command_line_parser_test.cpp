#include "startup/command_line_parser.h"
#include "startup/language_offset.h"

#include <gtest/gtest.h>

#include <string.h>
#include <string>

namespace {

struct Parsed {
    bool accepted;
    CommandLineSettings settings;
};

Parsed parse(const char* text)
{
    Parsed result;
    result.settings = CommandLineSettings{ 0, 0, 1, 0, 0, "http://default/zorv/distribution/win32" };
    result.accepted = applyCommandLine(text, result.settings);
    return result;
}

TEST(CommandLine, EmptyAndBlankTextsAreAcceptedUnchanged)
{
    for (const char* text : { "", "   ", " \t\r\n " }) {
        Parsed p = parse(text);
        EXPECT_TRUE(p.accepted) << text;
        EXPECT_STREQ(p.settings.baseUrl, "http://default/zorv/distribution/win32");
        EXPECT_EQ(p.settings.urlIsHttp, 1);
        EXPECT_EQ(p.settings.forceAll + p.settings.noReg + p.settings.afterBoot + p.settings.restartPending, 0);
    }
}

TEST(CommandLine, OptionNamesIgnoreCaseAndEitherLeader)
{
    for (const char* text : { "/ALL", "-all", "/All", "\t-aLL\r\n" }) {
        Parsed p = parse(text);
        EXPECT_TRUE(p.accepted) << text;
        EXPECT_EQ(p.settings.forceAll, 1) << text;
    }
    Parsed p = parse("/no-reg -BOOT /afterboot");
    EXPECT_TRUE(p.accepted);
    EXPECT_EQ(p.settings.noReg, 1);
    EXPECT_EQ(p.settings.restartPending, 1);
    EXPECT_EQ(p.settings.afterBoot, 1);
    EXPECT_EQ(p.settings.forceAll, 0);
}

TEST(CommandLine, UnknownOptionsRejectButLaterOptionsStillApply)
{
    Parsed doubleDash = parse("--all");
    EXPECT_FALSE(doubleDash.accepted);
    EXPECT_EQ(doubleDash.settings.forceAll, 0);

    Parsed mixed = parse("/boot /bogus /all");
    EXPECT_FALSE(mixed.accepted);
    EXPECT_EQ(mixed.settings.restartPending, 1);
    EXPECT_EQ(mixed.settings.forceAll, 1);

    EXPECT_FALSE(parse("/").accepted);   // an empty name is no option either
    EXPECT_FALSE(parse("/allx").accepted);
}

TEST(CommandLine, BareWordsAndQuotedTokensAreIgnored)
{
    Parsed p = parse("setup.exe word \"/all\" '-no-reg'");
    EXPECT_TRUE(p.accepted);
    EXPECT_EQ(p.settings.forceAll, 0);
    EXPECT_EQ(p.settings.noReg, 0);
}

TEST(CommandLine, UrlValuesSelectTheLocation)
{
    Parsed file = parse("/url file:C:\\Dist");
    EXPECT_TRUE(file.accepted);
    EXPECT_EQ(file.settings.urlIsHttp, 0);
    EXPECT_STREQ(file.settings.baseUrl, "C:\\Dist");

    Parsed fileUpper = parse("/url FILE:D:\\x");
    EXPECT_TRUE(fileUpper.accepted);
    EXPECT_STREQ(fileUpper.settings.baseUrl, "D:\\x");

    Parsed http = parse("-url HTTP://Host:81/Path");
    EXPECT_TRUE(http.accepted);
    EXPECT_EQ(http.settings.urlIsHttp, 1);
    EXPECT_STREQ(http.settings.baseUrl, "HTTP://Host:81/Path");

    Parsed ftp = parse("/url ftp://host/x");
    EXPECT_FALSE(ftp.accepted);
    EXPECT_STREQ(ftp.settings.baseUrl, "http://default/zorv/distribution/win32");

    Parsed last = parse("/all /url");
    EXPECT_TRUE(last.accepted);
    EXPECT_EQ(last.settings.forceAll, 1);
    EXPECT_STREQ(last.settings.baseUrl, "http://default/zorv/distribution/win32");

    Parsed several = parse("/url file:A /url http://b/c");
    EXPECT_TRUE(several.accepted);
    EXPECT_EQ(several.settings.urlIsHttp, 1);
    EXPECT_STREQ(several.settings.baseUrl, "http://b/c");
}

TEST(CommandLine, UrlConsumesItsValueEvenWhenItLooksLikeAnOption)
{
    Parsed p = parse("/url /all");
    EXPECT_FALSE(p.accepted);
    EXPECT_EQ(p.settings.forceAll, 0);
}

TEST(CommandLine, QuotedUrlValues)
{
    Parsed blanks = parse("/url \"file:C:\\My Dist\" /all");
    EXPECT_TRUE(blanks.accepted);
    EXPECT_EQ(blanks.settings.urlIsHttp, 0);
    EXPECT_STREQ(blanks.settings.baseUrl, "C:\\My Dist");
    EXPECT_EQ(blanks.settings.forceAll, 1);

    Parsed single = parse("/url 'file:E:\\a b'/all");
    EXPECT_TRUE(single.accepted);
    EXPECT_STREQ(single.settings.baseUrl, "E:\\a b");
    EXPECT_EQ(single.settings.forceAll, 1);   // "/all" glued to the quote is split off behind it

    // Either quote character ends the value.
    Parsed apostrophe = parse("/url \"file:C:\\Bob's Dist\" /no-reg");
    EXPECT_STREQ(apostrophe.settings.baseUrl, "C:\\Bob");
    EXPECT_EQ(apostrophe.settings.noReg, 1);   // splitting goes on behind the apostrophe

    // Without a closing quote the value swallows the rest of the text.
    Parsed open = parse("/url \"file:C:\\x /all");
    EXPECT_TRUE(open.accepted);
    EXPECT_STREQ(open.settings.baseUrl, "C:\\x /all");
    EXPECT_EQ(open.settings.forceAll, 0);
}

TEST(CommandLine, OverlongTextsAreRefusedNotCut)
{
    std::string longText = "/all " + std::string(1100, 'x');
    Parsed tooLong = parse(longText.c_str());
    EXPECT_FALSE(tooLong.accepted);

    std::string fits = std::string(1019, ' ') + "/all";
    EXPECT_EQ(fits.size(), 1023u);
    EXPECT_TRUE(parse(fits.c_str()).accepted);

    std::string url511 = "/url http://h/" + std::string(511 - 9, 'p');
    Parsed atLimit = parse(url511.c_str());
    EXPECT_TRUE(atLimit.accepted);
    EXPECT_EQ(strlen(atLimit.settings.baseUrl), 511u);

    std::string url512 = url511 + "p";
    Parsed overLimit = parse(url512.c_str());
    EXPECT_FALSE(overLimit.accepted);
    EXPECT_STREQ(overLimit.settings.baseUrl, "http://default/zorv/distribution/win32");
}

TEST(LanguageOffset, OnlyThePrimaryLanguageCounts)
{
    EXPECT_EQ(languageOffsetFor(0x0407), 1000);   // German (Germany)
    EXPECT_EQ(languageOffsetFor(0x0807), 1000);   // German (Switzerland)
    EXPECT_EQ(languageOffsetFor(0x0C07), 1000);   // German (Austria)
    EXPECT_EQ(languageOffsetFor(0x040C), 2000);   // French (France)
    EXPECT_EQ(languageOffsetFor(0x0C0C), 2000);   // French (Canada)
    EXPECT_EQ(languageOffsetFor(0x100C), 2000);   // French (Switzerland)
    EXPECT_EQ(languageOffsetFor(0x0409), 0);
    EXPECT_EQ(languageOffsetFor(0x0410), 0);      // Italian
    EXPECT_EQ(languageOffsetFor(0x0000), 0);
}

} // namespace
