#pragma once
#include <windows.h>

// The dialog procedures of the five wizard pages.
INT_PTR CALLBACK welcomePageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK folderPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK proxyPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK readyPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK finishPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
