// The tests' stand-in for the installer's callers of the client objects: one
// operation per run, made through the installer's own createClientObject and
// postExitBroadcast, so the tests see what the installer would see.
//
//   client_probe path                          GetClientPath
//   client_probe set SECTION KEY str VALUE     SetValue with a string
//   client_probe set SECTION KEY int VALUE     SetValue with a 32-bit integer
//   client_probe set SECTION KEY none          SetValue with an empty variant
//   client_probe import NAME                   ImportConfigFile
//   client_probe finish                        QueryAtFinish
//   client_probe running                       IsRunning
//   client_probe quit                          Quit
//   client_probe broadcast                     postExitBroadcast
//   client_probe create CLASS_TEXT             createClientObject (ProgID or {CLSID}) for IUnknown
//
// Output lines: "create=0x%08lX" (the creation's HRESULT), "object=1|0",
// "call=0x%08lX" (the operation's HRESULT) and "value=..." for what it gave.
// Exit code 0 when creation and call succeeded, 1 when either failed, 2 on bad usage.
// Unlike the installer the probe posts no broadcast after a use: a test asks for it.

#include "client/client_objects.h"
#include "win32/com_init.h"
#include "win32/com_ptr.h"
#include "win32/scoped_bstr.h"

#include <windows.h>

#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

int usage()
{
    fprintf(stderr, "usage: client_probe path | set SECTION KEY str|int VALUE | set SECTION KEY none | import NAME"
                    " | finish | running | quit | broadcast | create CLASS_TEXT\n");
    return 2;
}

void printResult(const char* name, HRESULT result)
{
    printf("%s=0x%08lX\n", name, static_cast<unsigned long>(result));
}

void printValue(BSTR text)
{
    char ansi[1024] = "";
    if (text != nullptr && WideCharToMultiByte(CP_ACP, 0, text, -1, ansi, sizeof ansi, nullptr, nullptr) <= 0)
        ansi[0] = '\0';
    printf("value=%s\n", ansi);
}

// A decimal 32-bit number and nothing else; false for anything that is not one.
bool parseInt32(const char* text, LONG& number)
{
    char* end = nullptr;
    errno = 0;
    long value = strtol(text, &end, 10);
    if (text[0] == '\0' || *end != '\0' || errno == ERANGE || value < -2147483647L - 1 || value > 2147483647L)
        return false;
    number = static_cast<LONG>(value);
    return true;
}

template <typename Interface>
bool create(const char* progId, REFIID wanted, ComPtr<Interface>& object)
{
    HRESULT result = createClientObject(progId, wanted, object.putVoid());
    printResult("create", result);
    return SUCCEEDED(result) && object;
}

int finishCall(HRESULT result)
{
    printResult("call", result);
    return SUCCEEDED(result) ? 0 : 1;
}

int runConf(int argc, char** argv)
{
    const char* command = argv[1];
    ScopedVariant value;
    if (strcmp(command, "set") == 0) {
        LONG number = 0;
        if (argc == 6 && strcmp(argv[4], "str") == 0)
            value.setString(argv[5]);
        else if (argc == 6 && strcmp(argv[4], "int") == 0 && parseInt32(argv[5], number))
            value.setInt32(number);
        else if (argc != 5 || strcmp(argv[4], "none") != 0)
            return usage();
    } else if (strcmp(command, "import") == 0 ? argc != 3 : argc != 2) {
        return usage();
    }

    ComPtr<IZorvClientConf> conf;
    if (!create("Zorv.Client.Conf", IID_IZorvClientConf, conf))
        return 1;
    if (strcmp(command, "path") == 0 || strcmp(command, "finish") == 0) {
        ScopedBstr text;
        HRESULT result = command[0] == 'p' ? conf->GetClientPath(text.put()) : conf->QueryAtFinish(text.put());
        if (SUCCEEDED(result))
            printValue(text.get());
        return finishCall(result);
    }
    if (strcmp(command, "set") == 0) {
        ScopedBstr section(argv[2]);
        ScopedBstr key(argv[3]);
        return finishCall(conf->SetValue(section.get(), key.get(), value.get()));
    }
    ScopedBstr name(argv[2]);
    return finishCall(conf->ImportConfigFile(name.get()));
}

int runClient(const char* command)
{
    ComPtr<IZorvClient> client;
    if (!create("Zorv.Client", IID_IZorvClient, client))
        return 1;
    if (strcmp(command, "quit") == 0)
        return finishCall(client->Quit());
    VARIANT_BOOL running = 0;
    HRESULT result = client->IsRunning(&running);
    if (SUCCEEDED(result))
        printf("value=%d\n", static_cast<int>(running));
    return finishCall(result);
}

int runCreate(const char* classText)
{
    ComPtr<IUnknown> object;
    HRESULT result = createClientObject(classText, IID_IUnknown, object.putVoid());
    printResult("create", result);
    printf("object=%d\n", object ? 1 : 0);
    return SUCCEEDED(result) && object ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return usage();
    const char* command = argv[1];
    if (strcmp(command, "broadcast") == 0) {
        if (argc != 2)
            return usage();
        postExitBroadcast();
        printf("broadcast=posted\n");
        return 0;
    }

    bool conf = strcmp(command, "path") == 0 || strcmp(command, "set") == 0 || strcmp(command, "import") == 0
        || strcmp(command, "finish") == 0;
    bool client = strcmp(command, "running") == 0 || strcmp(command, "quit") == 0;
    bool creation = strcmp(command, "create") == 0;
    if (!conf && !client && !creation)
        return usage();
    if ((client && argc != 2) || (creation && argc != 3))
        return usage();

    ScopedCoInitialize com;
    if (!com.succeeded()) {
        fprintf(stderr, "client_probe: CoInitialize failed\n");
        return 1;
    }
    int status = conf ? runConf(argc, argv) : client ? runClient(command) : runCreate(argv[2]);
    fflush(stdout);
    return status;
}
