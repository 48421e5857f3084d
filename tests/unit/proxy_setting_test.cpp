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
