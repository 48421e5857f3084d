#include "startup/entry.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR argumentText, int showCommand)
{
    return runInstaller(instance, argumentText, showCommand);
}
