// The benchmark's reference for the installer's transfers, run under the
// same Wine: the transfer the design allows, inside the loops the installer
// runs it in, and nothing else; and the platform's own copy.
//
//   design_limit file SRC DST
//     A 4096-byte ReadFile and WriteFile per posted message.
//   design_limit http HOST PORT TARGET DST
//     GET TARGET (a path, or a whole URL when HOST:PORT is a proxy) over
//     HTTP/1.0; one recv of 4096 bytes and one WriteFile per FD_READ,
//     the response header included.
//   design_limit copyfile SRC DST
//     CopyFileA.
//
// The transfers run in a wizard page's modal dialog (wizard_frame.h), which
// closes when they end. Each prints "bytes=N ms=T" (from the start of the
// transfer to its closed destination, measured inside the program, so
// neither the process start nor the wizard's windows are part of it) and
// exits 0, or prints a message and exits 1.

#include "bench/design_limit/wizard_frame.h"
#include "bench/bench_clock.h"
#include "win32/wsa_startup.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

int transferMode(const TransferRequest& request)
{
    if (!runInWizard(request)) {
        const TransferResult result = referenceTransferResult();
        printf("failed after %llu bytes\n", result.bytes);
        return 1;
    }
    const TransferResult result = referenceTransferResult();
    printf("bytes=%llu ms=%.3f\n", result.bytes, result.milliseconds);
    return 0;
}

int fileMode(const char* source, const char* destination)
{
    TransferRequest request = {};
    request.kind = TransferRequest::File;
    request.source = source;
    request.destination = destination;
    return transferMode(request);
}

int httpMode(const char* host, const char* port, const char* target, const char* destination)
{
    WsaStartup sockets(1, 1);
    if (sockets.result() != 0) {
        printf("no Windows Sockets\n");
        return 1;
    }
    TransferRequest request = {};
    request.kind = TransferRequest::Http;
    request.host = host;
    request.port = static_cast<unsigned short>(atoi(port));
    request.target = target;
    request.destination = destination;
    return transferMode(request);
}

int copyFileMode(const char* source, const char* destination)
{
    const double started = milliseconds();
    if (!CopyFileA(source, destination, FALSE)) {
        printf("CopyFileA failed: %lu\n", GetLastError());
        return 1;
    }
    const double elapsed = milliseconds() - started;
    WIN32_FILE_ATTRIBUTE_DATA attributes = {};
    GetFileAttributesExA(destination, GetFileExInfoStandard, &attributes);
    printf("bytes=%lu ms=%.3f\n", attributes.nFileSizeLow, elapsed);
    return 0;
}

int usage()
{
    fprintf(stderr, "usage: design_limit file SRC DST | http HOST PORT TARGET DST | copyfile SRC DST\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    setvbuf(stdout, nullptr, _IONBF, 0);
    const char* mode = argc > 1 ? argv[1] : "";
    if (strcmp(mode, "file") == 0 && argc == 4)
        return fileMode(argv[2], argv[3]);
    if (strcmp(mode, "http") == 0 && argc == 6)
        return httpMode(argv[2], argv[3], argv[4], argv[5]);
    if (strcmp(mode, "copyfile") == 0 && argc == 4)
        return copyFileMode(argv[2], argv[3]);
    return usage();
}
