#include <gtest/gtest.h>

#include <string>

#include "wizard/proxy_setting.h"

namespace {

struct Proposal {
    bool found;
    std::string host;
    std::string port;
};

Proposal propose(const char* value)
{
    char host[256];
    char port[256];
    Proposal p;
    p.found = findHttpProxy(value, host, sizeof host, port, sizeof port);
    p.host = host;
    p.port = port;
    return p;
}

}  // namespace

TEST(ProxySetting, OneProxyForAllProtocols)
{
    Proposal p = propose("proxy.example:880");
    EXPECT_TRUE(p.found);
    EXPECT_EQ("proxy.example", p.host);
    EXPECT_EQ("880", p.port);

    p = propose("localhost:888");
    EXPECT_EQ("localhost", p.host);
    EXPECT_EQ("888", p.port);

    p = propose("proxy.example");  // no port: the port field stays empty
    EXPECT_TRUE(p.found);
    EXPECT_EQ("proxy.example", p.host);
    EXPECT_EQ("", p.port);

    p = propose(";;proxy.example:1;;");  // empty entries are skipped
    EXPECT_EQ("proxy.example", p.host);
    EXPECT_EQ("1", p.port);

    p = propose("a:1:2");
    EXPECT_EQ("a", p.host);
    EXPECT_EQ("1:2", p.port);

    p = propose(" proxy : 80 ");  // nothing is trimmed
    EXPECT_EQ(" proxy ", p.host);
    EXPECT_EQ(" 80 ", p.port);
}

TEST(ProxySetting, TheHttpEntryWins)
{
    Proposal p = propose("ftp=f.example:21;HTTP=h.example:312;https=s.example:443");
    EXPECT_TRUE(p.found);
    EXPECT_EQ("h.example", p.host);
    EXPECT_EQ("312", p.port);

    // Also over a plain first entry, and the first http entry of several.
    p = propose("plain:1;http=h:2;http=i:3");
    EXPECT_EQ("h", p.host);
    EXPECT_EQ("2", p.port);

    p = propose("https=s:443;http=h:80");  // "https" is not "http"
    EXPECT_EQ("h", p.host);

    p = propose("http=a=b:5");  // the name ends at the first "="
    EXPECT_EQ("a=b", p.host);
    EXPECT_EQ("5", p.port);

    p = propose("http=");
    EXPECT_TRUE(p.found);
    EXPECT_EQ("", p.host);
    EXPECT_EQ("", p.port);

    p = propose("http=h.example");
    EXPECT_EQ("h.example", p.host);
    EXPECT_EQ("", p.port);
}

TEST(ProxySetting, NoProxyForHttp)
{
    const char* values[] = {
        "", ";;;", "ftp=f.example:21;https=s.example:443", "https=s:1;plain:2",
        " http=h:1", "=h:1", "xhttp=h:1",
    };
    for (const char* value : values) {
        Proposal p = propose(value);
        EXPECT_FALSE(p.found) << value;
        EXPECT_EQ("", p.host) << value;
        EXPECT_EQ("", p.port) << value;
    }
}

TEST(ProxySetting, OnlyTheFirst255CharactersCount)
{
    std::string longValue = "ftp=" + std::string(250, 'f') + ";http=h:1";
    EXPECT_FALSE(propose(longValue.c_str()).found);

    std::string plain = std::string(250, 'p') + ":12345678";
    Proposal p = propose(plain.c_str());
    EXPECT_EQ(std::string(250, 'p'), p.host);
    EXPECT_EQ("1234", p.port);
}

TEST(ProxySetting, TextsAreCutToTheirBuffers)
{
    char host[5];
    char port[3];
    EXPECT_TRUE(findHttpProxy("proxy.example:8080", host, sizeof host, port, sizeof port));
    EXPECT_STREQ("prox", host);
    EXPECT_STREQ("80", port);
}

TEST(ProxySetting, LocalHosts)
{
    const char* local[] = {
        "localhost", "LOCALHOST.localdomain", "LocalHost:1", "localhostx", "zorv", "Zorvgate",
        "ZORV.example", "127.0.0.1", "127.", "127.x",
    };
    for (const char* host : local)
        EXPECT_TRUE(isLocalProxyHost(host)) << host;

    const char* remote[] = {
        "", "zor", "localhos", "10.1.2.3", "128.0.0.1", "127", "1270.0.0.1", "127,0,0,1",
        " localhost", "proxy.zorv.example", "z0rv", "::1",
    };
    for (const char* host : remote)
        EXPECT_FALSE(isLocalProxyHost(host)) << host;
}

TEST(ProxySetting, PortField)
{
    struct Case {
        const char* text;
        bool ok;
        unsigned long port;
    } cases[] = {
        {"880", true, 880},
        {"   880", true, 880},
        {"\t880  ", true, 880},
        {"0", true, 0},
        {"0000000000000000312", true, 312},
        {"65536", true, 65536},            // no range check
        {"4294967295", true, 4294967295ul},
        {"4294967296", false, 0},
        {"99999999999999999999999", false, 0},
        {"", false, 0},
        {"   ", false, 0},
        {"880x", false, 0},
        {"8 80", false, 0},
        {"+880", false, 0},
        {"-1", false, 0},
        {"0x50", false, 0},
    };
    for (const Case& c : cases) {
        unsigned long port = 12345;
        EXPECT_EQ(c.ok, parsePortField(c.text, &port)) << c.text;
        EXPECT_EQ(c.ok ? c.port : 12345ul, port) << c.text;
    }
}

TEST(ProxySetting, ComposedAddress)
{
    char out[512];
    EXPECT_TRUE(composeProxyAddress(out, sizeof out, "proxy.example", "880"));
    EXPECT_STREQ("proxy.example:880", out);
    EXPECT_TRUE(composeProxyAddress(out, sizeof out, "proxy.example", "  880"));
    EXPECT_STREQ("proxy.example:880", out);
    EXPECT_TRUE(composeProxyAddress(out, sizeof out, "p", "0"));
    EXPECT_STREQ("p:0", out);
    EXPECT_TRUE(composeProxyAddress(out, sizeof out, "", "312"));
    EXPECT_STREQ(":312", out);
    EXPECT_TRUE(composeProxyAddress(out, sizeof out, "p", "4294967295"));
    EXPECT_STREQ("p:4294967295", out);

    // No port: the host alone, and a refusal.
    EXPECT_FALSE(composeProxyAddress(out, sizeof out, "proxy.example", ""));
    EXPECT_STREQ("proxy.example", out);
    EXPECT_FALSE(composeProxyAddress(out, sizeof out, "proxy.example", "88x"));
    EXPECT_STREQ("proxy.example", out);

    // A host too long for its port is refused, never cut.
    std::string host(507, 'h');
    EXPECT_TRUE(composeProxyAddress(out, sizeof out, host.c_str(), "880"));
    EXPECT_EQ(host + ":880", out);
    EXPECT_FALSE(composeProxyAddress(out, sizeof out, host.c_str(), "8800"));
    EXPECT_EQ(host, out);
    std::string longest(511, 'h');
    EXPECT_FALSE(composeProxyAddress(out, sizeof out, longest.c_str(), "1"));
    EXPECT_EQ(longest, out);
    std::string tooLong(512, 'h');
    EXPECT_FALSE(composeProxyAddress(out, sizeof out, tooLong.c_str(), "1"));
    EXPECT_STREQ("", out);
}
