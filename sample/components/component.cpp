// A stand-in for one of the client's libraries: it does nothing but carry a
// version resource, which is what the installer and the distribution tool look at.

#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID)
{
    return TRUE;
}
