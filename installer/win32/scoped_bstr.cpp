#include "win32/scoped_bstr.h"

namespace {

BSTR allocFromAnsi(const char* ansi)
{
    WCHAR wide[1024];
    int written = MultiByteToWideChar(CP_ACP, 0, ansi, -1, wide, sizeof wide / sizeof wide[0]);
    if (written <= 0)
        wide[0] = L'\0';
    wide[(sizeof wide / sizeof wide[0]) - 1] = L'\0';
    return SysAllocString(wide);
}

} // namespace

ScopedBstr::ScopedBstr(const char* ansi) : text_(allocFromAnsi(ansi)) {}

void ScopedVariant::setString(const char* ansi)
{
    VariantClear(&value_);
    value_.vt = VT_BSTR;
    value_.bstrVal = allocFromAnsi(ansi);
}

void ScopedVariant::setInt32(LONG number)
{
    VariantClear(&value_);
    value_.vt = VT_I4;
    value_.lVal = number;
}
