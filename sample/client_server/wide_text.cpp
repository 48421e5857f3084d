#include "wide_text.h"

bool bstrToAnsi(BSTR text, char* buffer, size_t capacity)
{
    if (capacity == 0)
        return false;
    buffer[0] = '\0';
    if (text == nullptr)
        return true;
    int written = WideCharToMultiByte(CP_ACP, 0, text, -1, buffer, static_cast<int>(capacity), nullptr, nullptr);
    if (written <= 0) {
        buffer[0] = '\0';
        return false;
    }
    return true;
}

BSTR ansiToBstr(const char* text)
{
    WCHAR wide[1024];
    if (MultiByteToWideChar(CP_ACP, 0, text, -1, wide, sizeof wide / sizeof wide[0]) <= 0)
        return nullptr;
    return SysAllocString(wide);
}
