#include "core/language_string.h"

#include "core/install_state.h"

void loadLanguageString(int baseId, char* buffer, int capacity)
{
    if (LoadStringA(installState.instanceHandle, baseId + installState.languageOffset, buffer, capacity) <= 0)
        buffer[0] = '\0';
}
