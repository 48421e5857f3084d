#include <gtest/gtest.h>

#include <string.h>

#include <string>

#include "transfer/http_request.h"

TEST(DirectUrl, SplitsHostPortAndTarget)
{
    DirectUrl direct;
    const char* url = "http://download.zorv.example/zorv/distribution/win32/zorv3.lst";
    ASSERT_TRUE(splitDirectUrl(url, &direct));
    EXPECT_STREQ("download.zorv.example", direct.host);
    EXPECT_EQ(80, direct.port);
    EXPECT_STREQ("/zorv/distribution/win32/zorv3.lst", direct.target);
    EXPECT_EQ(url + 28, direct.target);  // the url's own text, not a copy

    ASSERT_TRUE(splitDirectUrl("http://127.0.0.1:8080/a/b.dll?x=1:2/3", &direct));
    EXPECT_STREQ("127.0.0.1", direct.host);
    EXPECT_EQ(8080, direct.port);
    EXPECT_STREQ("/a/b.dll?x=1:2/3", direct.target);

    ASSERT_TRUE(splitDirectUrl("http://h/", &direct));
    EXPECT_STREQ("h", direct.host);
    EXPECT_STREQ("/", direct.target);

    // Only the first "://" counts, whatever comes before it.
    ASSERT_TRUE(splitDirectUrl("x://h:81/p://q", &direct));
    EXPECT_STREQ("h", direct.host);
    EXPECT_EQ(81, direct.port);
    EXPECT_STREQ("/p://q", direct.target);
}

TEST(DirectUrl, PortsAreReadLikeAtoiIn16Bits)
{
    DirectUrl direct;
    struct Case {
        const char* url;
        int port;
    } cases[] = {
        {"http://h:/x", 0},
        {"http://h:0/x", 0},
        {"http://h:abc/x", 0},
        {"http://h:65535/x", 65535},
        {"http://h:65536/x", 0},
        {"http://h:65617/x", 81},
        {"http://h:-1/x", 65535},
        {"http://h: 8080/x", 8080},
        {"http://h:80x/x", 80},
        {"http://h:99999999999999999999/x", 0xFFFF},  // wraps at 32 bits first, no overflow
        {"http://h:1:2/x", 1},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(splitDirectUrl(c.url, &direct)) << c.url;
        EXPECT_STREQ("h", direct.host) << c.url;
        EXPECT_EQ(c.port, direct.port) << c.url;
        EXPECT_STREQ("/x", direct.target) << c.url;
    }
}

TEST(DirectUrl, RefusesUrlsWithoutSchemeOrPath)
{
    DirectUrl direct;
    EXPECT_FALSE(splitDirectUrl("http://h.example", &direct));
    EXPECT_FALSE(splitDirectUrl("http://h.example:8080", &direct));
    EXPECT_FALSE(splitDirectUrl("h.example/zorv3.lst", &direct));
    EXPECT_FALSE(splitDirectUrl("http:/h.example/x", &direct));
    EXPECT_FALSE(splitDirectUrl("", &direct));
    EXPECT_FALSE(splitDirectUrl("http://", &direct));

    // The part behind "://" is cut at 1023 characters: a "/" beyond is not seen.
    std::string longHost(1023, 'h');
    EXPECT_FALSE(splitDirectUrl(("http://" + longHost + "/x").c_str(), &direct));
    std::string fits(1022, 'h');
    std::string fitting = "http://" + fits + "/x";  // the target points into it
    ASSERT_TRUE(splitDirectUrl(fitting.c_str(), &direct));
    EXPECT_EQ(fits, direct.host);
    EXPECT_STREQ("/x", direct.target);

    // The target is the url's own tail, so a long path is kept whole.
    std::string longPath = "/" + std::string(3000, 'p');
    std::string longUrl = "http://h" + longPath;
    ASSERT_TRUE(splitDirectUrl(longUrl.c_str(), &direct));
    EXPECT_EQ(longPath, direct.target);
}

TEST(Request, IsTheThreeLinesAndAnEmptyOne)
{
    char request[requestTextSize];
    ASSERT_TRUE(formatRequest(request, "/zorv/distribution/win32/zorv3.lst"));
    EXPECT_STREQ("GET /zorv/distribution/win32/zorv3.lst HTTP/1.0\r\n"
                 "Pragma: no-cache\r\n"
                 "User-Agent: JQ/2\r\n"
                 "\r\n",
                 request);

    // Through a proxy the whole URL is the target.
    ASSERT_TRUE(formatRequest(request, "http://h.example:8080/a.dll"));
    EXPECT_STREQ("GET http://h.example:8080/a.dll HTTP/1.0\r\nPragma: no-cache\r\nUser-Agent: JQ/2\r\n\r\n",
                 request);

    ASSERT_TRUE(formatRequest(request, ""));
    EXPECT_EQ(53u, strlen(request));
}

TEST(Request, RefusesATargetThatDoesNotFit)
{
    char request[requestTextSize];
    std::string target(970, 't');
    ASSERT_TRUE(formatRequest(request, target.c_str()));
    EXPECT_EQ(1023u, strlen(request));
    EXPECT_EQ(0, strcmp(request + 1023 - 4, "\r\n\r\n"));

    std::string tooLong(971, 't');
    EXPECT_FALSE(formatRequest(request, tooLong.c_str()));
    EXPECT_STREQ("", request);
    EXPECT_FALSE(formatRequest(request, std::string(5000, 't').c_str()));
    EXPECT_STREQ("", request);
}

TEST(ProxyAddress, SplitsAtTheFirstColon)
{
    char host[512];
    uint16_t port = 0;
    EXPECT_EQ(1, splitProxyAddress("proxy.example:880", host, sizeof host, &port));
    EXPECT_STREQ("proxy.example", host);
    EXPECT_EQ(880, port);

    EXPECT_EQ(1, splitProxyAddress("p:0", host, sizeof host, &port));
    EXPECT_STREQ("p", host);
    EXPECT_EQ(0, port);  // port 0: the fetch goes direct

    EXPECT_EQ(1, splitProxyAddress(":312", host, sizeof host, &port));
    EXPECT_STREQ("", host);
    EXPECT_EQ(312, port);

    EXPECT_EQ(1, splitProxyAddress("p:8:9", host, sizeof host, &port));
    EXPECT_STREQ("p", host);
    EXPECT_EQ(8, port);

    EXPECT_EQ(1, splitProxyAddress("p:4294967295", host, sizeof host, &port));
    EXPECT_EQ(65535, port);
    EXPECT_EQ(1, splitProxyAddress("p:", host, sizeof host, &port));
    EXPECT_EQ(0, port);
}

TEST(ProxyAddress, WithoutColonKeepsThePort)
{
    char host[512];
    uint16_t port = 3128;
    EXPECT_EQ(0, splitProxyAddress("proxy.example", host, sizeof host, &port));
    EXPECT_STREQ("proxy.example", host);
    EXPECT_EQ(3128, port);

    port = 0;
    EXPECT_EQ(0, splitProxyAddress("", host, sizeof host, &port));
    EXPECT_STREQ("", host);
    EXPECT_EQ(0, port);
}

TEST(ProxyAddress, HostTooLongIsRefused)
{
    char host[8];
    uint16_t port = 7;
    EXPECT_EQ(-1, splitProxyAddress("12345678:80", host, sizeof host, &port));
    EXPECT_STREQ("", host);
    EXPECT_EQ(7, port);
    EXPECT_EQ(-1, splitProxyAddress("12345678", host, sizeof host, &port));
    EXPECT_STREQ("", host);
    EXPECT_EQ(1, splitProxyAddress("1234567:80", host, sizeof host, &port));
    EXPECT_STREQ("1234567", host);
    EXPECT_EQ(80, port);
}

TEST(StatusLine, CodeBeginsAtTheTenthCharacter)
{
    EXPECT_EQ(200, statusCodeOf("HTTP/1.0 200 OK"));
    EXPECT_EQ(404, statusCodeOf("HTTP/1.0 404 File C:\\dist/zorv3.lst not found"));
    EXPECT_EQ(302, statusCodeOf("HTTP/1.1 302 Found"));
    EXPECT_EQ(2, statusCodeOf("HTTP/1.0 2"));        // exactly ten characters
    EXPECT_EQ(-1, statusCodeOf("HTTP/1.0 "));        // nine
    EXPECT_EQ(-1, statusCodeOf(""));
    EXPECT_EQ(0, statusCodeOf("HTTP/1.0 OK"));
    EXPECT_EQ(200, statusCodeOf("HTTP/1.0  200"));   // blanks skipped like atoi
    EXPECT_EQ(-200, statusCodeOf("HTTP/1.0 -200"));
    EXPECT_EQ(201, statusCodeOf("XXXXXXXXX201"));    // the protocol name is not checked
    EXPECT_EQ(200, statusCodeOf("HTTP/1.0X200 OK")); // read from the tenth, whatever precedes it
    EXPECT_EQ(0, statusCodeOf("HTTP/1.0200 OK"));
}

TEST(StatusLine, HugeCodesSaturateInsteadOfWrapping)
{
    // 4294967496 would wrap to 200 in 32 bits.
    EXPECT_EQ(INT32_MAX, statusCodeOf("HTTP/1.0 4294967496 OK"));
    EXPECT_FALSE(isSuccessStatus("HTTP/1.0 4294967496 OK"));
    EXPECT_EQ(INT32_MAX, statusCodeOf("HTTP/1.0 2147483648"));
    EXPECT_EQ(INT32_MAX, statusCodeOf("HTTP/1.0 2147483647"));
    EXPECT_EQ(INT32_MIN, statusCodeOf("HTTP/1.0 -2147483648"));
    EXPECT_EQ(INT32_MIN, statusCodeOf("HTTP/1.0 -99999999999999999999999"));
    EXPECT_EQ(INT32_MAX, statusCodeOf(("HTTP/1.0 " + std::string(500, '9')).c_str()));
}

TEST(StatusLine, SuccessIs200To299)
{
    EXPECT_TRUE(isSuccessStatus("HTTP/1.0 200 OK"));
    EXPECT_TRUE(isSuccessStatus("HTTP/1.0 299"));
    EXPECT_TRUE(isSuccessStatus("HTTP/1.0 206 Partial Content"));
    EXPECT_FALSE(isSuccessStatus("HTTP/1.0 199"));
    EXPECT_FALSE(isSuccessStatus("HTTP/1.0 300"));
    EXPECT_FALSE(isSuccessStatus("HTTP/1.0 302 Found"));
    EXPECT_FALSE(isSuccessStatus("HTTP/1.0 404 Not Found"));
    EXPECT_FALSE(isSuccessStatus(""));
    EXPECT_FALSE(isSuccessStatus("HTTP/1.0 "));
    EXPECT_FALSE(isSuccessStatus("200 OK"));           // fewer than ten characters
    EXPECT_FALSE(isSuccessStatus("garbage line"));
}

TEST(StatusLine, TakenFromTheFirstChunkUpToItsLineEnd)
{
    char line[statusLineSize];
    const char ok[] = "HTTP/1.0 200 OK\r\nServer: x\r\n\r\n";
    takeStatusLine(line, ok, sizeof ok - 1);
    EXPECT_STREQ("HTTP/1.0 200 OK", line);

    takeStatusLine(line, "HTTP/1.0 404 Not Found\nX", 24);
    EXPECT_STREQ("HTTP/1.0 404 Not Found", line);

    const char withNul[] = {'H', 'T', '\0', 'P', '\n'};
    takeStatusLine(line, withNul, 5);
    EXPECT_STREQ("HT", line);

    // A chunk without a line end is taken whole, only its n bytes.
    takeStatusLine(line, "HTTP/1.0 2xxxxxxx", 10);
    EXPECT_STREQ("HTTP/1.0 2", line);

    takeStatusLine(line, "\r\nHTTP", 6);
    EXPECT_STREQ("", line);
    takeStatusLine(line, "HTTP", 0);
    EXPECT_STREQ("", line);
    takeStatusLine(line, "HTTP", -1);
    EXPECT_STREQ("", line);

    // At most 511 characters.
    std::string longLine(5000, 's');
    takeStatusLine(line, longLine.data(), static_cast<int>(longLine.size()));
    EXPECT_EQ(std::string(511, 's'), line);
}

TEST(ProxyAddress, PortNumbersWrapTo16Bits)
{
    EXPECT_EQ(880, portNumber("880"));
    EXPECT_EQ(880, portNumber("  880x"));
    EXPECT_EQ(0, portNumber(""));
    EXPECT_EQ(0, portNumber("65536"));
    EXPECT_EQ(65535, portNumber("-1"));
    EXPECT_EQ(0xFFFF, portNumber("99999999999999999999"));
}
