// The program's own operator new and delete. The library's versions throw
// std::bad_alloc, and with it come the unwinder and the name demangler of
// the default terminate handler: over half of the executable for a path
// that, built without exceptions, ends the process anyway. These end it the
// same way, without them.

#include <stdlib.h>

#include <new>

namespace {

void* allocateOrAbort(size_t size)
{
    void* block = malloc(size != 0 ? size : 1);
    if (block == nullptr)
        abort();
    return block;
}

} // namespace

void* operator new(size_t size)
{
    return allocateOrAbort(size);
}

void* operator new[](size_t size)
{
    return allocateOrAbort(size);
}

void* operator new(size_t size, const std::nothrow_t&) noexcept
{
    return malloc(size != 0 ? size : 1);
}

void* operator new[](size_t size, const std::nothrow_t&) noexcept
{
    return malloc(size != 0 ? size : 1);
}

void operator delete(void* block) noexcept
{
    free(block);
}

void operator delete[](void* block) noexcept
{
    free(block);
}

void operator delete(void* block, size_t) noexcept
{
    free(block);
}

void operator delete[](void* block, size_t) noexcept
{
    free(block);
}

// A pure virtual call is a programming error; the library's handler would
// bring the demangler along to describe it.
extern "C" void __cxa_pure_virtual()
{
    abort();
}
