// The resources as they are compiled into fuzzyreplace.exe: the dialog template, the
// menu, the accelerators and the version, in Russian, with the texts decoded from the
// Windows-1251 source into the right letters.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "window_ops.h"

namespace {

const WORD RUSSIAN = MAKELANGID(LANG_RUSSIAN, SUBLANG_DEFAULT);

class ProgramResources : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        module = LoadLibraryExA(FUZZYREPLACE_EXE, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    }
    static void TearDownTestSuite() {
        if (module) FreeLibrary(module);
    }
    void SetUp() override { ASSERT_NE(module, nullptr) << FUZZYREPLACE_EXE; }

    // The bytes of a Russian (or a language-neutral) resource, or an empty vector.
    static std::vector<BYTE> resource(LPCSTR type, LPCSTR name, WORD language = RUSSIAN) {
        HRSRC found = FindResourceExA(module, type, name, language);
        if (!found) return {};
        const BYTE* bytes = static_cast<const BYTE*>(LockResource(LoadResource(module, found)));
        return std::vector<BYTE>(bytes, bytes + SizeofResource(module, found));
    }
    static HMODULE module;
};
HMODULE ProgramResources::module = nullptr;

// Reads a dialog or menu template word by word.
struct Reader {
    const std::vector<BYTE>& bytes;
    size_t at;

    WORD word() {
        WORD value = 0;
        if (at + 2 <= bytes.size()) memcpy(&value, &bytes[at], 2);
        at += 2;
        return value;
    }
    DWORD dword() {
        DWORD low = word();
        return low | (static_cast<DWORD>(word()) << 16);
    }
    // A zero-terminated UTF-16 string, as Windows-1251 bytes.
    std::string text() {
        std::wstring wide;
        for (WORD character; (character = word()) != 0;) wide += static_cast<wchar_t>(character);
        std::string narrow(wide.size() * 2 + 1, '\0');
        int length = WideCharToMultiByte(1251, 0, wide.c_str(), static_cast<int>(wide.size()),
                                         &narrow[0], static_cast<int>(narrow.size()), nullptr, nullptr);
        narrow.resize(length > 0 ? length : 0);
        return narrow;
    }
    // A string, or an ordinal (0xFFFF and a number) given as "#number".
    std::string text_or_number() {
        if (at + 2 <= bytes.size() && bytes[at] == 0xFF && bytes[at + 1] == 0xFF) {
            word();
            return "#" + std::to_string(word());
        }
        return text();
    }
    void align() { at = (at + 3) & ~static_cast<size_t>(3); }
};

// A control's class, by ordinal or by name, in capitals: windres stores the names in
// capitals, and Windows matches class names without regard to case.
std::string control_class(std::string name) {
    if (name == "#128") return "BUTTON";
    if (name == "#129") return "EDIT";
    if (name == "#130") return "STATIC";
    CharUpperA(&name[0]);
    return name;
}

TEST_F(ProgramResources, DialogTemplateIsTheMainWindowsLayout) {
    std::vector<BYTE> bytes = resource(MAKEINTRESOURCEA(5), "WNDFROMRES");   // RT_DIALOG
    ASSERT_FALSE(bytes.empty()) << "no Russian dialog template WndFromRes";
    Reader reader{bytes, 0};
    EXPECT_EQ(reader.word(), 1);        // an extended template
    EXPECT_EQ(reader.word(), 0xFFFF);
    EXPECT_EQ(reader.dword(), 0u);      // no help id
    EXPECT_EQ(reader.dword(), 0u);      // no extended style
    EXPECT_EQ(reader.dword(), 0x10CF0040u | DS_SHELLFONT);
    WORD count = reader.word();
    ASSERT_EQ(count, 14);
    EXPECT_EQ(reader.word(), 0);     // x
    EXPECT_EQ(reader.word(), 0);     // y
    EXPECT_EQ(reader.word(), 396);   // width
    EXPECT_EQ(reader.word(), 300);   // height
    EXPECT_EQ(reader.text_or_number(), "#102");   // menu
    EXPECT_EQ(control_class(reader.text_or_number()), "WNDFROMRES");   // the window class
    EXPECT_EQ(reader.text(), "Поиск и замена по нечётким формулировкам");
    EXPECT_EQ(reader.word(), 8);
    reader.word();   // weight
    EXPECT_EQ(reader.word(), DEFAULT_CHARSET << 8);   // not italic
    EXPECT_EQ(reader.text(), "MS Shell Dlg 2");   // the platform's dialog font

    struct Control {
        int id;
        const char* kind;
        DWORD style;
        const char* text;
        short x, y, width, height;
    };
    const Control expected[] = {
        {-1, "Static", 0x50020000, "Найти:", 4, 7, 50, 8},
        {-1, "Static", 0x50020000, "Заменить на:", 4, 25, 50, 8},
        {IDC_FIND_TEXT, "Edit", 0x50830080, "", 56, 4, 282, 14},
        {IDC_FIND, "Button", 0x50030000, "Найти", 342, 4, 50, 14},
        {IDC_REPLACE_TEXT, "Edit", 0x50830080, "", 56, 22, 282, 14},
        {IDC_MATCH_CASE, "Button", 0x50010003, "Учитывать регистр", 4, 58, 84, 10},
        {IDC_WHOLE_WORD, "Button", 0x50010003, "Слово целиком", 92, 58, 72, 10},
        {IDC_REPLACE, "Button", 0x50030000, "Заменить", 342, 22, 50, 14},
        {IDC_IN_FOLDER, "Button", 0x50030003, "В папке:", 4, 42, 50, 10},
        {IDC_FOLDER, "Edit", 0x58830080, "", 56, 40, 166, 14},
        {IDC_BROWSE, "Button", 0x58030000, "...", 224, 40, 16, 14},
        {IDC_EDITOR, "Edit", 0x50A01104, "", 0, 72, 396, 228},
        {IDC_MASK, "Edit", 0x58830080, "", 280, 40, 112, 14},
        {IDC_MASK_LABEL, "Static", 0x58020000, "файлах:", 246, 43, 32, 8},
    };
    for (const Control& control : expected) {
        reader.align();
        SCOPED_TRACE(control.id);
        EXPECT_EQ(reader.dword(), 0u);   // no help id
        EXPECT_EQ(reader.dword(), 0u);   // no extended style
        EXPECT_EQ(reader.dword(), control.style);
        EXPECT_EQ(static_cast<short>(reader.word()), control.x);
        EXPECT_EQ(static_cast<short>(reader.word()), control.y);
        EXPECT_EQ(static_cast<short>(reader.word()), control.width);
        EXPECT_EQ(static_cast<short>(reader.word()), control.height);
        EXPECT_EQ(reader.dword(), static_cast<DWORD>(control.id));
        EXPECT_EQ(control_class(reader.text_or_number()), control_class(control.kind));
        EXPECT_EQ(reader.text_or_number(), control.text);
        WORD extra = reader.word();
        reader.at += extra;
    }
    EXPECT_LE(reader.at, bytes.size());
}

TEST_F(ProgramResources, MenuIsABarOfFiveCommands) {
    std::vector<BYTE> bytes = resource(MAKEINTRESOURCEA(4), MAKEINTRESOURCEA(102));   // RT_MENU
    ASSERT_FALSE(bytes.empty()) << "no Russian menu 102";
    Reader reader{bytes, 0};
    EXPECT_EQ(reader.word(), 0);   // version
    WORD header_rest = reader.word();
    reader.at += header_rest;
    struct Item {
        WORD flags;
        int command;
        const char* text;
    };
    const Item expected[] = {
        {0, IDM_OPEN, "Открыть (Ctrl+O)"},
        {MF_GRAYED, IDM_SAVE, "Сохранить (Ctrl+S)"},
        {MF_GRAYED, IDM_SAVE_AS, "Сохранить как (Ctrl+Shift+S)"},
        {MF_GRAYED, IDM_UNDO_REPLACE, "Отменить замену"},
        {MF_GRAYED | MF_END, IDM_BACK_TO_REPORT, "К отчёту (F7)"},
    };
    for (const Item& item : expected) {
        EXPECT_EQ(reader.word(), item.flags);   // no MF_POPUP: no drop-down menus
        EXPECT_EQ(reader.word(), item.command);
        EXPECT_EQ(reader.text(), item.text);
    }
    EXPECT_EQ(reader.at, bytes.size());
}

TEST_F(ProgramResources, AcceleratorsAreVirtualKeysWithoutHighlighting) {
    std::vector<BYTE> bytes = resource(MAKEINTRESOURCEA(9), MAKEINTRESOURCEA(104));   // RT_ACCELERATOR
    ASSERT_FALSE(bytes.empty()) << "no Russian accelerator table 104";
    struct Entry {
        WORD flags;
        WORD key;
        int command;
    };
    const WORD KEY = FVIRTKEY | FNOINVERT;
    const Entry expected[] = {
        {KEY | FCONTROL, 'A', IDM_SELECT_ALL},
        {KEY | FCONTROL, 'F', IDM_FOCUS_FIND},
        {KEY | FCONTROL, 'O', IDM_OPEN},
        {KEY | FCONTROL, 'S', IDM_SAVE},
        {KEY | FCONTROL | FSHIFT, 'S', IDM_SAVE_AS},
        {KEY, VK_ESCAPE, IDM_FOCUS_EDITOR},
        {KEY | FALT, 'C', IDM_TOGGLE_MATCH_CASE},
        {KEY | FALT, 'W', IDM_TOGGLE_WHOLE_WORD},
        {KEY, VK_F4, IDM_NEXT_HIT},
        {KEY | FSHIFT, VK_F4, IDM_PREVIOUS_HIT},
        {KEY | 0x80, VK_F7, IDM_BACK_TO_REPORT},   // 0x80: the last entry
    };
    ASSERT_EQ(bytes.size(), sizeof expected / sizeof expected[0] * 8);
    Reader reader{bytes, 0};
    for (const Entry& entry : expected) {
        EXPECT_EQ(reader.word(), entry.flags);
        EXPECT_EQ(reader.word(), entry.key);
        EXPECT_EQ(reader.word(), entry.command);
        reader.word();
    }
}

// The manifest that gives the program today's controls, a dialog scaled to the display's
// DPI and the Windows versions it is made for; the first (the program file's) icon.
TEST_F(ProgramResources, ManifestAndIconAreInTheProgramFile) {
    const WORD NEUTRAL = MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL);
    std::vector<BYTE> bytes = resource(MAKEINTRESOURCEA(24), MAKEINTRESOURCEA(1), NEUTRAL);
    ASSERT_FALSE(bytes.empty()) << "no manifest";   // RT_MANIFEST
    std::string manifest(bytes.begin(), bytes.end());
    for (const char* part :
         {"name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"", ">true</dpiAware>",
          "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",   // Windows 7
          "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",   // Windows 10 and 11
          "level=\"asInvoker\""})
        EXPECT_NE(manifest.find(part), std::string::npos) << part;

    std::vector<BYTE> group = resource(MAKEINTRESOURCEA(14), MAKEINTRESOURCEA(1), NEUTRAL);
    ASSERT_FALSE(group.empty()) << "no icon 1";   // RT_GROUP_ICON
    Reader reader{group, 0};
    reader.word();
    EXPECT_EQ(reader.word(), 1);   // icons
    WORD count = reader.word();
    std::vector<int> sizes;
    for (WORD i = 0; i < count; i++) {
        BYTE width = group[reader.at], height = group[reader.at + 1];
        reader.at += 4;
        reader.word();   // planes
        EXPECT_EQ(reader.word(), 32);   // bits a pixel: colours with alpha
        reader.dword();
        EXPECT_FALSE(resource(MAKEINTRESOURCEA(3), MAKEINTRESOURCEA(reader.word()), NEUTRAL).empty());
        EXPECT_EQ(width, height);
        sizes.push_back(width);
    }
    for (int size : {16, 32, 48})
        EXPECT_NE(std::find(sizes.begin(), sizes.end(), size), sizes.end()) << size;
}

TEST_F(ProgramResources, VersionIsRussianWithTheDescription) {
    ASSERT_NE(FindResourceExA(module, MAKEINTRESOURCEA(16), MAKEINTRESOURCEA(1), RUSSIAN), nullptr);
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeA(FUZZYREPLACE_EXE, &handle);
    ASSERT_GT(size, 0u);
    std::vector<BYTE> info(size);
    ASSERT_TRUE(GetFileVersionInfoA(FUZZYREPLACE_EXE, 0, size, info.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0x00000001u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0x00000001u);
    EXPECT_EQ(fixed->dwFileOS, static_cast<DWORD>(VOS__WINDOWS32));
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
    WORD* translation = nullptr;
    ASSERT_TRUE(VerQueryValueA(info.data(), "\\VarFileInfo\\Translation",
                               reinterpret_cast<void**>(&translation), &length));
    ASSERT_EQ(length, 4u);
    EXPECT_EQ(translation[0], 0x0419);
    EXPECT_EQ(translation[1], 0x04E3);
    char* description = nullptr;
    ASSERT_TRUE(VerQueryValueA(info.data(), "\\StringFileInfo\\041904E3\\FileDescription",
                               reinterpret_cast<void**>(&description), &length));
    EXPECT_STREQ(description, "Нечёткий поиск в тексте и файлах");
}

}  // namespace
