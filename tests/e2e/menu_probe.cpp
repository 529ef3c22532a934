// Loaded into the program by the end-to-end driver to read its menu bar.
#include "menu_query.h"

extern "C" __declspec(dllexport) DWORD WINAPI QueryMenu(void* parameter) {
    MenuQuery* query = static_cast<MenuQuery*>(parameter);
    HMENU bar = GetMenu(query->window);
    if (!bar) {
        query->count = -1;
        return 0;
    }
    int count = GetMenuItemCount(bar);
    query->count = count;
    for (int i = 0; i < count && i < MENU_QUERY_ITEMS; i++) {
        UINT id = GetMenuItemID(bar, i);
        query->items[i].id = id;
        query->items[i].state = GetMenuState(bar, id, MF_BYCOMMAND);
        GetMenuStringA(bar, i, query->items[i].text, sizeof query->items[i].text, MF_BYPOSITION);
    }
    return 1;
}
