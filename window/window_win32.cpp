// Each window operation as the Win32 calls that carry it out, on the main window whose
// handle is the table's user pointer. Texts go through the ANSI (single-byte) interface.
#include "window_win32.h"

#include <commdlg.h>
#include <objbase.h>
#include <shlobj.h>
#include <string.h>

#include "folder_platform.h"   // the worker's thread

namespace {

constexpr DWORD OPEN_FLAGS = OFN_SHOWHELP | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST |
                             OFN_NONETWORKBUTTON | OFN_EXPLORER | OFN_ENABLESIZING;
// Save As asks before it replaces a file that exists.
constexpr DWORD SAVE_AS_FLAGS = (OPEN_FLAGS & ~OFN_FILEMUSTEXIST) | OFN_OVERWRITEPROMPT;
static_assert(OPEN_FLAGS == 0x8A1810 && SAVE_AS_FLAGS == 0x8A0812, "file dialog flags");
constexpr char SAVE_AS_TITLE[] = "Сохранить как";

// One pair, each string NUL-terminated, the list ended by a further NUL.
constexpr char FILE_FILTER[] =
    "Текстовые документы\0*.txt;*.log;*.ini;*.inf;*.htm;*.html;*.js;*.css;*.c;*.cpp;*.h\0";

HWND main_of(void* user) {
    return static_cast<HWND>(user);
}

HWND editor_of(void* user) {
    return GetDlgItem(main_of(user), IDC_EDITOR);
}

uint32_t op_text_length(void* user, int control) {
    int length = GetWindowTextLengthA(GetDlgItem(main_of(user), control));
    return length > 0 ? static_cast<uint32_t>(length) : 0;
}

uint32_t op_read_text(void* user, int control, char* buffer, uint32_t size) {
    if (size == 0) return 0;
    return GetDlgItemTextA(main_of(user), control, buffer, static_cast<int>(size));
}

void op_set_text(void* user, int control, const char* text) {
    SetDlgItemTextA(main_of(user), control, text ? text : "");
}

uint32_t op_selection_end(void* user) {
    DWORD end = 0;
    SendMessageA(editor_of(user), EM_GETSEL, 0, reinterpret_cast<LPARAM>(&end));
    return end;
}

void op_select(void* user, int32_t start, int32_t end) {
    SendMessageA(editor_of(user), EM_SETSEL, static_cast<WPARAM>(start), static_cast<LPARAM>(end));
}

void op_replace_selection(void* user, const char* text) {
    SendMessageA(editor_of(user), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text));
}

void op_scroll_caret(void* user) {
    SendMessageA(editor_of(user), EM_SCROLLCARET, 0, 0);
}

void op_select_all_focused(void*) {
    HWND focused = GetFocus();
    char class_name[16];
    if (!focused || !GetClassNameA(focused, class_name, sizeof class_name)) return;
    if (lstrcmpiA(class_name, "Edit") == 0) SendMessageA(focused, EM_SETSEL, 0, -1);
}

void op_focus(void* user, int control) {
    SetFocus(GetDlgItem(main_of(user), control));
}

void op_enable_control(void* user, int control, int enabled) {
    EnableWindow(GetDlgItem(main_of(user), control), enabled ? TRUE : FALSE);
}

void op_enable_command(void* user, int command, int enabled) {
    EnableMenuItem(GetMenu(main_of(user)), static_cast<UINT>(command),
                   MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
    DrawMenuBar(main_of(user));   // items of the bar itself are not redrawn otherwise
}

int op_is_checked(void* user, int control) {
    return IsDlgButtonChecked(main_of(user), control) == BST_CHECKED ? 1 : 0;
}

void op_set_checked(void* user, int control, int checked) {
    CheckDlgButton(main_of(user), control, checked ? BST_CHECKED : BST_UNCHECKED);
}

uint32_t op_read_title(void* user, char* buffer, uint32_t size) {
    if (size == 0) return 0;
    int length = GetWindowTextA(main_of(user), buffer, static_cast<int>(size));
    return length > 0 ? static_cast<uint32_t>(length) : 0;
}

void op_set_title(void* user, const char* title) {
    SetWindowTextA(main_of(user), title);
}

// When a modal window closes, the main window's activation gives the focus to the main
// window itself, where typed keys go nowhere; it goes back to the control that had it.
void restore_focus(HWND focused) {
    if (focused && IsWindow(focused)) SetFocus(focused);
}

// A message box owned by the main window, the focus back where it was afterwards;
// the answer as an ANSWER_... (Cancel, or a box closed otherwise, ANSWER_CANCEL).
int show_box(void* user, const char* text, const char* caption, UINT buttons) {
    HWND focused = GetFocus();
    int answer = MessageBoxA(main_of(user), text, caption, buttons);
    restore_focus(focused);
    return answer == IDYES ? ANSWER_YES : answer == IDNO ? ANSWER_NO : ANSWER_CANCEL;
}

void op_message_box(void* user, const char* text, const char* caption) {
    show_box(user, text, caption, MB_OK);
}

int op_question_box(void* user, const char* text, const char* caption) {
    return show_box(user, text, caption, MB_YESNOCANCEL);
}

int op_yes_no_box(void* user, const char* text, const char* caption) {
    return show_box(user, text, caption, MB_YESNO) == ANSWER_YES ? ANSWER_YES : ANSWER_NO;
}

int op_choose_file(void* user, int kind, char* path, uint32_t size) {
    OPENFILENAMEA dialog;
    ZeroMemory(&dialog, sizeof dialog);
    dialog.lStructSize = OPENFILENAME_SIZE_VERSION_400A;   // 76: without the later fields
    dialog.hwndOwner = main_of(user);
    dialog.lpstrFilter = FILE_FILTER;
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = path;
    dialog.nMaxFile = size;
    dialog.lpstrInitialDir = path;
    bool saving = kind == FILE_DIALOG_SAVE_AS;
    dialog.lpstrTitle = saving ? SAVE_AS_TITLE : nullptr;
    dialog.lpstrDefExt = saving ? "txt" : nullptr;
    dialog.Flags = saving ? SAVE_AS_FLAGS : OPEN_FLAGS;
    HWND focused = GetFocus();
    BOOL chosen = saving ? GetSaveFileNameA(&dialog) : GetOpenFileNameA(&dialog);
    restore_focus(focused);
    return chosen ? 1 : 0;
}

// Opens the folder dialog on the folder that the field names.
int CALLBACK browse_callback(HWND dialog, UINT event, LPARAM, LPARAM data) {
    if (event == BFFM_INITIALIZED) SendMessageA(dialog, BFFM_SETSELECTIONA, TRUE, data);
    return 1;
}

int op_choose_folder(void* user, char* path, uint32_t size) {
    BROWSEINFOA browse;
    ZeroMemory(&browse, sizeof browse);
    browse.hwndOwner = main_of(user);
    browse.ulFlags = BIF_RETURNONLYFSDIRS | BIF_DONTGOBELOWDOMAIN | BIF_EDITBOX;
    browse.lpfn = browse_callback;
    browse.lParam = reinterpret_cast<LPARAM>(path);
    HRESULT com = CoInitialize(nullptr);   // the shell's dialog wants COM on this thread
    HWND focused = GetFocus();
    LPITEMIDLIST item = SHBrowseForFolderA(&browse);
    restore_focus(focused);
    // An item without a file-system path counts as no choice: the field keeps its text.
    char chosen[MAX_PATH];
    int found = item && SHGetPathFromIDListA(item, chosen) && strlen(chosen) < size;
    if (found) memcpy(path, chosen, strlen(chosen) + 1);
    if (item) CoTaskMemFree(item);
    if (SUCCEEDED(com)) CoUninitialize();
    return found;
}

void op_client_size(void* user, int32_t* width, int32_t* height) {
    RECT client;
    GetClientRect(main_of(user), &client);
    *width = client.right - client.left;
    *height = client.bottom - client.top;
}

void op_control_rect(void* user, int control, Rect* rect) {
    RECT outer = {0, 0, 0, 0};
    HWND item = GetDlgItem(main_of(user), control);
    if (item && GetWindowRect(item, &outer))
        MapWindowPoints(nullptr, main_of(user), reinterpret_cast<POINT*>(&outer), 2);
    *rect = Rect{outer.left, outer.top, outer.right, outer.bottom};
}

void op_move_control(void* user, int control, const Rect* rect) {
    SetWindowPos(GetDlgItem(main_of(user), control), nullptr, rect->left, rect->top,
                 rect->right - rect->left, rect->bottom - rect->top,
                 SWP_NOZORDER | SWP_NOOWNERZORDER | SWP_NOACTIVATE);
}

void op_unlimit_editor(void* user) {
    SendMessageA(editor_of(user), EM_SETLIMITTEXT, 0, 0);
}

// The one worker of the one window.
Thread* worker = nullptr;

int op_start_worker(void*, void (*work)(void* argument), void* argument) {
    if (worker) return 0;
    worker = start_thread(work, argument);
    return worker ? 1 : 0;
}

void op_join_worker(void*) {
    if (!worker) return;
    join_thread(worker);
    worker = nullptr;
}

// Timer messages come only when no other message waits: input goes first.
void op_set_ticking(void* user, uint32_t interval) {
    if (interval) SetTimer(main_of(user), TICK_TIMER, interval, nullptr);
    else KillTimer(main_of(user), TICK_TIMER);
}

void op_set_editor_read_only(void* user, int read_only) {
    SendMessageA(editor_of(user), EM_SETREADONLY, read_only ? TRUE : FALSE, 0);
}

// Whether the end of the editor's text is in view: the top of its last character lies
// inside the client area.
bool end_in_view(HWND editor, int length) {
    if (length == 0) return true;
    LRESULT position = SendMessageA(editor, EM_POSFROMCHAR, static_cast<WPARAM>(length - 1), 0);
    if (position == -1) return false;
    RECT client;
    GetClientRect(editor, &client);
    int y = static_cast<short>(HIWORD(position));
    return y >= client.top && y < client.bottom;
}

void op_append_text(void* user, const char* text, int follow_end) {
    HWND editor = editor_of(user);
    DWORD start = 0, end = 0;
    SendMessageA(editor, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    int length = GetWindowTextLengthA(editor);
    bool follow = follow_end && end_in_view(editor, length);
    bool caret_at_end = follow_end && start == end && static_cast<int>(end) == length;
    LRESULT first = SendMessageA(editor, EM_GETFIRSTVISIBLELINE, 0, 0);
    SendMessageA(editor, EM_SETSEL, length, length);
    SendMessageA(editor, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text));
    // A caret that the user left at the end stays there; any other selection is kept.
    if (!caret_at_end) SendMessageA(editor, EM_SETSEL, start, end);
    if (follow) {
        SendMessageA(editor, WM_VSCROLL, SB_BOTTOM, 0);
    } else {
        LRESULT now = SendMessageA(editor, EM_GETFIRSTVISIBLELINE, 0, 0);
        if (now != first) SendMessageA(editor, EM_LINESCROLL, 0, first - now);
    }
}

int op_focused_control(void* user) {
    HWND focused = GetFocus();
    if (!focused || GetParent(focused) != main_of(user)) return 0;
    return GetDlgCtrlID(focused);
}

void op_close_window(void* user) {
    DestroyWindow(main_of(user));
}

uint32_t op_program_folder(void*, char* buffer, uint32_t size) {
    if (size == 0) return 0;
    DWORD length = GetModuleFileNameA(nullptr, buffer, size);
    if (length == 0 || length >= size) return 0;   // none, or cut short
    char* separator = strrchr(buffer, '\\');
    if (!separator) return 0;
    separator[1] = '\0';
    return static_cast<uint32_t>(separator + 1 - buffer);
}

void op_swap_editors(void* user) {
    HWND shown = editor_of(user);
    HWND hidden = GetDlgItem(main_of(user), IDC_KEPT_REPORT);
    bool focused = GetFocus() == shown;
    SetWindowLongPtrA(shown, GWLP_ID, IDC_KEPT_REPORT);
    SetWindowLongPtrA(hidden, GWLP_ID, IDC_EDITOR);
    ShowWindow(hidden, SW_SHOW);
    if (focused) SetFocus(hidden);
    ShowWindow(shown, SW_HIDE);
}

void op_beep(void*) {
    MessageBeep(MB_OK);
}

void op_forget_undo(void* user) {
    SendMessageA(editor_of(user), EM_EMPTYUNDOBUFFER, 0, 0);
}

void op_release_mouse(void*) {
    ReleaseCapture();
}

const WindowOps WIN32_WINDOW_OPS = {
    /* text_length */          op_text_length,
    /* read_text */            op_read_text,
    /* set_text */             op_set_text,
    /* selection_end */        op_selection_end,
    /* select */               op_select,
    /* replace_selection */    op_replace_selection,
    /* scroll_caret */         op_scroll_caret,
    /* select_all_focused */   op_select_all_focused,
    /* focus */                op_focus,
    /* enable_control */       op_enable_control,
    /* enable_command */       op_enable_command,
    /* is_checked */           op_is_checked,
    /* set_checked */          op_set_checked,
    /* read_title */           op_read_title,
    /* set_title */            op_set_title,
    /* message_box */          op_message_box,
    /* question_box */         op_question_box,
    /* yes_no_box */           op_yes_no_box,
    /* choose_file */          op_choose_file,
    /* choose_folder */        op_choose_folder,
    /* client_size */          op_client_size,
    /* control_rect */         op_control_rect,
    /* move_control */         op_move_control,
    /* unlimit_editor */       op_unlimit_editor,
    /* start_worker */         op_start_worker,
    /* join_worker */          op_join_worker,
    /* set_ticking */          op_set_ticking,
    /* set_editor_read_only */ op_set_editor_read_only,
    /* append_text */          op_append_text,
    /* focused_control */      op_focused_control,
    /* close_window */         op_close_window,
    /* program_folder */       op_program_folder,
    /* swap_editors */         op_swap_editors,
    /* beep */                 op_beep,
    /* forget_undo */          op_forget_undo,
    /* release_mouse */        op_release_mouse,
};

}  // namespace

Window win32_window(HWND main_window) {
    return Window{&WIN32_WINDOW_OPS, main_window};
}

HWND add_kept_report_control(HWND main_window, WNDPROC editor_procedure, WNDPROC* original) {
    HWND editor = GetDlgItem(main_window, IDC_EDITOR);
    if (!editor) return nullptr;
    // The editor's twin: its style and font, hidden, without a text limit. The layout that
    // WM_INITDIALOG remembers puts it in the editor's place.
    DWORD style = static_cast<DWORD>(GetWindowLongPtrA(editor, GWL_STYLE)) & ~WS_VISIBLE;
    DWORD extended = static_cast<DWORD>(GetWindowLongPtrA(editor, GWL_EXSTYLE));
    HWND kept = CreateWindowExA(extended, "EDIT", "", style, 0, 0, 0, 0, main_window,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_KEPT_REPORT)),
                                reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(main_window, GWLP_HINSTANCE)),
                                nullptr);
    if (!kept) return nullptr;
    SendMessageA(kept, WM_SETFONT, SendMessageA(editor, WM_GETFONT, 0, 0), FALSE);
    SendMessageA(kept, EM_SETLIMITTEXT, 0, 0);
    SetWindowPos(kept, editor, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    *original = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(editor, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(editor_procedure)));
    SetWindowLongPtrA(kept, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(editor_procedure));
    return kept;
}
