#pragma once
#include <stddef.h>

// Longest "ProxyServer" value the proxy page reads (a 256-byte buffer).
const int proxyServerValueLength = 255;

// Finds the proxy for http in an Internet Settings "ProxyServer" value (only
// its first 255 characters count): the entry named "http" (any case) among
// the ";"-separated entries, else the first entry when it has no "=" (the
// one proxy for all protocols). The host is the text before its first ":",
// the port the text behind it (empty without ":"); both are cut to their
// capacities. Returns false, with host and port empty, when the value names
// no proxy for http (only name=value entries for other protocols).
bool findHttpProxy(const char* proxyServer, char* host, size_t hostCapacity,
                   char* port, size_t portCapacity);

// A proxy on this machine or one of the product's own, which the page shows
// but does not select: the host begins with "localhost" or "zorv" (any case)
// or with "127.". A host shorter than the prefix never matches.
bool isLocalProxyHost(const char* host);

// The port field's text as a number: digits, optionally with blanks before
// and after them, of at most 32 bits. Anything else (no digits, a sign,
// other characters, a larger number) is no port.
bool parsePortField(const char* text, unsigned long* port);

// The proxy address the page stores: host, ":" and the port in decimal
// (no range check: 0 and numbers above 65535 pass). False when the port text
// is no port or when host and port do not fit the capacity together; out
// then holds the host alone, or the empty text when even that does not fit.
bool composeProxyAddress(char* out, size_t capacity, const char* host, const char* portText);
