#include "client_folder.h"

#include "server_module.h"

#include "common/bounded_copy.h"
#include "journal.h"

bool clientFolder(char* folder, size_t capacity)
{
    return moduleFolder(serverModule(), folder, capacity);
}

bool clientFilePath(const char* name, char* path, size_t capacity)
{
    return clientFolder(path, capacity) && appendBounded(path, capacity, "\\") && appendBounded(path, capacity, name);
}
