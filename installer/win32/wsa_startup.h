#pragma once
#include "win32/noncopyable.h"

#include <windows.h>
#include <winsock.h>

// Windows Sockets for the process, from construction to destruction.
class WsaStartup : NonCopyable {
public:
    WsaStartup(BYTE major, BYTE minor) : result_(WSAStartup(MAKEWORD(major, minor), &data_)) {}
    ~WsaStartup()
    {
        if (result_ == 0)
            WSACleanup();
    }

    int result() const { return result_; }

private:
    WSADATA data_;
    int result_;
};
