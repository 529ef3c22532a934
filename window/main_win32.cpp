// The program's entry, its window procedure and its message loop.
#include <stdlib.h>
#include <windows.h>
#include <commctrl.h>

#include "window.h"
#include "window_win32.h"

namespace {

constexpr char WINDOW_CLASS[] = "WndFromRes";   // also the dialog template's name
constexpr WORD ACCELERATORS = 104;
constexpr WORD PROGRAM_ICON = 1;

constexpr int EXIT_NO_WINDOW = 1;
constexpr int EXIT_NO_MEMORY = 5;

WindowState state;   // one window per process
WNDPROC edit_procedure;   // the edit controls' own, behind the editors' subclass

// The editor and the kept report's control: the edit control does not tell its parent
// about double clicks, so they are seen here, after the control has selected the word.
LRESULT CALLBACK editor_proc(HWND editor, UINT message, WPARAM wparam, LPARAM lparam) {
    LRESULT result = CallWindowProcA(edit_procedure, editor, message, wparam, lparam);
    if (message == WM_LBUTTONDBLCLK && GetDlgCtrlID(editor) == IDC_EDITOR) {
        DWORD start = 0;
        SendMessageA(editor, EM_GETSEL, reinterpret_cast<WPARAM>(&start), 0);
        Window window = win32_window(GetParent(editor));
        window_double_clicked(&state, &window, start);
    }
    return result;
}

}  // namespace

// The class procedure of the window built from the dialog template. There is no dialog
// procedure, so every message of the window arrives here.
LRESULT CALLBACK main_window_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    Window window = win32_window(hwnd);
    switch (message) {
    case WM_INITDIALOG:
        if (window_initialise(&state, &window) == INIT_NO_MEMORY) exit(EXIT_NO_MEMORY);
        return 1;
    case WM_SIZE:
        if (window_size_changed(&state, &window, static_cast<uint32_t>(wparam), LOWORD(lparam),
                                HIWORD(lparam)))
            return 1;
        break;
    case WM_GETMINMAXINFO: {
        // The smallest client area, with the frame and menu bar that the window has now
        // (a narrow window's menu bar may take two lines). Not while minimised: its
        // client area is empty then.
        int32_t width = 0, height = 0;
        if (IsIconic(hwnd) || !window_minimum_size(&state, &width, &height)) break;
        RECT outer, client;
        GetWindowRect(hwnd, &outer);
        GetClientRect(hwnd, &client);
        MINMAXINFO* limits = reinterpret_cast<MINMAXINFO*>(lparam);
        limits->ptMinTrackSize.x = width + (outer.right - outer.left) - client.right;
        limits->ptMinTrackSize.y = height + (outer.bottom - outer.top) - client.bottom;
        return 0;
    }
    case WM_TIMER:
        if (wparam != TICK_TIMER) break;
        window_tick(&state, &window);
        return 0;
    case WM_CLOSE:
        // During a folder search the window closes once the search has stopped.
        if (window_close_requested(&state, &window)) DestroyWindow(hwnd);
        return 0;
    case WM_DESTROY:
        window_destroyed(&state);
        PostQuitMessage(0);
        return 0;
    case WM_COMMAND:
        if (window_command(&state, &window, LOWORD(wparam), HIWORD(wparam)) == COMMAND_DONE)
            return 0;
        break;
    case WM_NEXTDLGCTL:
        // IsDialogMessageA moves the focus for Tab and Shift+Tab by asking the window
        // with this message, which only the dialog manager's default procedure handles.
        return DefDlgProcA(hwnd, message, wparam, lparam);
    }
    return DefWindowProcA(hwnd, message, wparam, lparam);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR command_line, int show) {
    state.instance = instance;
    // Today's controls, which the manifest asks for.
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);

    WNDCLASSEXA window_class;
    ZeroMemory(&window_class, sizeof window_class);
    window_class.cbSize = sizeof window_class;
    window_class.style = CS_HREDRAW | CS_VREDRAW;
    window_class.lpfnWndProc = main_window_proc;
    window_class.cbWndExtra = DLGWINDOWEXTRA;   // a window built from a template needs them
    window_class.hInstance = instance;
    // The program's own icon, each at the size that the system (and its DPI) asks for.
    window_class.hIcon = static_cast<HICON>(
        LoadImageA(instance, MAKEINTRESOURCEA(PROGRAM_ICON), IMAGE_ICON,
                   GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), LR_DEFAULTCOLOR));
    window_class.hIconSm = static_cast<HICON>(
        LoadImageA(instance, MAKEINTRESOURCEA(PROGRAM_ICON), IMAGE_ICON,
                   GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
    window_class.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    window_class.lpszClassName = WINDOW_CLASS;
    RegisterClassExA(&window_class);

    HWND main_window = CreateDialogParamA(instance, WINDOW_CLASS, nullptr, nullptr, 0);
    if (!main_window) return EXIT_NO_WINDOW;
    HWND editor = GetDlgItem(main_window, IDC_EDITOR);
    HWND kept_report = add_kept_report_control(main_window, editor_proc, &edit_procedure);
    if (!kept_report) return EXIT_NO_WINDOW;
    HACCEL accelerators = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(ACCELERATORS));
    // Without a dialog procedure the creation sends none: this is the only one.
    SendMessageA(main_window, WM_INITDIALOG, reinterpret_cast<WPARAM>(instance),
                 reinterpret_cast<LPARAM>(command_line));
    ShowWindow(main_window, show);
    UpdateWindow(main_window);

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (TranslateAcceleratorA(main_window, accelerators, &message)) continue;
        // Every key that the accelerators leave, Tab and Enter included, reaches the editor
        // (either of the two controls that take turns as the editor).
        bool to_editor = message.hwnd == editor || message.hwnd == kept_report;
        if (!to_editor && IsDialogMessageA(main_window, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return static_cast<int>(message.wParam);
}
