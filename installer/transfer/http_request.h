#pragma once
#include <stddef.h>
#include <stdint.h>

// The part of a direct URL behind "://" is worked on in a buffer of this size.
const int urlWorkSize = 1024;
// The request is formatted into a buffer of this size.
const int requestTextSize = 1024;

// Where a direct fetch goes.
struct DirectUrl {
    char host[urlWorkSize];  // the text between "://" and the first ":" or "/"
    uint16_t port;           // the number behind ":" (wrapped to 16 bits), else 80
    const char* target;      // into the url: its first "/" behind "://" to its end
};

// Splits url for a fetch without a proxy. False when it has no "://", or no
// "/" within the first 1023 characters behind it; out is then not usable.
bool splitDirectUrl(const char* url, DirectUrl* out);

// The whole request for target: "GET <target> HTTP/1.0", "Pragma: no-cache",
// "User-Agent: JQ/2", each ended by CR LF, and an empty line. False (and out
// empty) when it would not fit 1023 characters; a cut request is never sent.
bool formatRequest(char out[requestTextSize], const char* target);

// A port number written in a URL or a proxy address: read like atoi (blanks,
// a sign, digits), wrapped to 16 bits.
uint16_t portNumber(const char* text);

// The proxy's "host:port" text. With a ":": host is the text before the first
// one, port the number behind it (wrapped to 16 bits), result 1. Without: host
// is the whole text, port keeps its value, result 0. A host that does not fit
// hostCapacity gives -1, an empty host and port unchanged.
int splitProxyAddress(const char* hostPort, char* host, size_t hostCapacity, uint16_t* port);

// The code of a status line such as "HTTP/1.0 200 OK": the decimal number at
// its tenth character (blanks skipped, optional sign, saturating at the 32-bit
// limits, so a long run of digits never wraps into a valid code), or -1 when
// the line has fewer than ten characters.
int statusCodeOf(const char* line);

// True for a status line whose code lies in 200..299.
bool isSuccessStatus(const char* line);

// A status line buffer: 511 characters and the terminator.
const int statusLineSize = 512;

// The status line as the first chunk of a response gives it: the chunk's
// characters before its first LF, CR or NUL (all n of them when it holds
// none), at most 511. A chunk of n <= 0 gives the empty text.
void takeStatusLine(char out[statusLineSize], const char* chunk, int n);
