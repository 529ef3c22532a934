// What the menu probe reads inside the program: another process cannot read a Wine
// program's menus, so the driver runs QueryMenu in the program through a remote thread.
#pragma once

#include <windows.h>

constexpr int MENU_QUERY_ITEMS = 8;

struct MenuQuery {
    HWND window;   // in: the window whose menu bar is read
    int count;     // out: items of the bar, -1 when it has no menu
    struct {
        UINT id;
        UINT state;     // GetMenuState by command
        char text[64];  // GetMenuStringA, in the ANSI code page
    } items[MENU_QUERY_ITEMS];
};

// Exported without decoration (-Wl,--kill-at); a thread procedure.
extern "C" __declspec(dllexport) DWORD WINAPI QueryMenu(void* query);
