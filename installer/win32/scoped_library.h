#pragma once
#include "win32/noncopyable.h"

#include <windows.h>

// A loaded library, freed on destruction.
class ScopedLibrary : NonCopyable {
public:
    ScopedLibrary() : module_(nullptr) {}
    ~ScopedLibrary() { reset(); }

    // Loads fileName (a bare name) from the system folder by its full path,
    // and what it imports from there too where the platform allows: a copy
    // lying beside the program or in the current folder is never taken.
    bool loadFromSystemFolder(const char* fileName);
    // Loads the library at path with LoadLibraryExA's flags.
    bool load(const char* path, DWORD flags);

    bool loaded() const { return module_ != nullptr; }
    HMODULE get() const { return module_; }
    void reset();

    // The exported function name as a pointer of the caller's type; false
    // (and nullptr) when the library is not loaded or lacks it.
    template <typename Function>
    bool find(const char* name, Function& function) const
    {
        function = module_ == nullptr
            ? nullptr
            : reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module_, name)));
        return function != nullptr;
    }

private:
    HMODULE module_;
};
