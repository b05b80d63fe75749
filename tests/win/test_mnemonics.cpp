// Keyboard access, read from the program's own resources: every dialog is
// made from its template and every labelled control and button must be
// reachable by an Alt key, with no letter twice in a dialog (its menu bar
// included) or in a menu.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <cctype>
#include <map>
#include <string>
#include <vector>

namespace {

// The mnemonic letter of a text, lower case, or 0 ("&&" is a plain "&").
char Mnemonic(const std::string& text)
{
    for (size_t i = 0; i + 1 < text.size(); i++) {
        if (text[i] != '&')
            continue;
        if (text[i + 1] != '&')
            return (char)tolower((unsigned char)text[i + 1]);
        i++;
    }
    return 0;
}

std::string ClassOf(HWND window)
{
    char name[64] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

std::string TextOf(HWND window)
{
    char text[256] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

bool HasLetterOrDigit(const std::string& text)
{
    for (char c : text)
        if (isalnum((unsigned char)c))
            return true;
    return false;
}

// Controls a label in front of gives keyboard access to.
bool IsInput(HWND control)
{
    std::string name = ClassOf(control);
    if (name == "Edit")
        return !(GetWindowLongA(control, GWL_STYLE) & ES_READONLY);
    return name == "SysIPAddress32" || name == "SysDateTimePick32" || name == "ListBox" ||
           name == "ComboBox" || name == "SysListView32";
}

// What is wrong with one dialog's keyboard access; empty when nothing.
std::vector<std::string> Problems(HWND dialog)
{
    std::vector<std::string> problems;
    std::map<char, std::string> letters;
    auto take = [&](const std::string& text) {
        char letter = Mnemonic(text);
        if (!letter)
            return;
        auto known = letters.find(letter);
        if (known != letters.end())
            problems.push_back(std::string("'") + letter + "' on both \"" + known->second +
                               "\" and \"" + text + "\"");
        else
            letters[letter] = text;
    };
    if (HMENU bar = GetMenu(dialog)) {
        for (int i = 0; i < GetMenuItemCount(bar); i++) {
            char item[64] = "";
            GetMenuStringA(bar, (UINT)i, item, sizeof item, MF_BYPOSITION);
            take(item);
        }
    }

    HWND label = nullptr;  // the static text just before this control
    bool box_has_mnemonic = false;  // of the last group box: reaches its radio buttons
    for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        std::string name = ClassOf(c), text = TextOf(c);
        LONG style = GetWindowLongA(c, GWL_STYLE);
        int id = GetDlgCtrlID(c);
        take(text);
        bool labelled = label && Mnemonic(TextOf(label));
        bool needs = false;
        if (name == "Button" && (style & WS_VISIBLE)) {
            LONG type = style & BS_TYPEMASK;
            if (type == BS_GROUPBOX)
                box_has_mnemonic = Mnemonic(text) != 0;
            else if (type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON)
                needs = !Mnemonic(text) && !labelled && !box_has_mnemonic;
            else if (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON)
                // OK and Cancel have Return and Escape; "..." has no letter.
                needs = id != IDOK && id != IDCANCEL && HasLetterOrDigit(text) && !Mnemonic(text);
            else
                needs = !Mnemonic(text) && !labelled;
        } else if (label && (style & WS_VISIBLE) && IsInput(c)) {
            needs = !labelled;
        }
        if (needs)
            problems.push_back("no mnemonic for control " + std::to_string(id) + " \"" +
                               (text.empty() && label ? TextOf(label) : text) + "\"");
        label = name == "Static" ? c : nullptr;
    }
    return problems;
}

INT_PTR CALLBACK QuietDialog(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG;
}

BOOL CALLBACK AddName(HMODULE, LPCSTR, LPSTR name, LONG_PTR list)
{
    if (IS_INTRESOURCE(name))
        ((std::vector<WORD>*)list)->push_back((WORD)(ULONG_PTR)name);
    return TRUE;
}

std::vector<WORD> ResourceIds(LPCSTR type)
{
    std::vector<WORD> ids;
    EnumResourceNamesA(GetModuleHandleA(nullptr), type, AddName, (LONG_PTR)&ids);
    return ids;
}

void CheckMenu(HMENU menu, const std::string& where, std::vector<std::string>* problems)
{
    std::map<char, std::string> letters;
    for (int i = 0; i < GetMenuItemCount(menu); i++) {
        char item[64] = "";
        GetMenuStringA(menu, (UINT)i, item, sizeof item, MF_BYPOSITION);
        if (HMENU sub = GetSubMenu(menu, i))
            CheckMenu(sub, where + " > " + item, problems);
        if (!item[0])
            continue;  // a separator
        char letter = Mnemonic(item);
        if (!letter)
            problems->push_back(where + ": no mnemonic on \"" + item + "\"");
        else if (!letters.emplace(letter, item).second)
            problems->push_back(where + ": '" + letter + "' twice, \"" + item + "\"");
    }
}

}  // namespace

TEST(Mnemonics, EveryDialogReachesItsControlsByUniqueLetters)
{
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES | ICC_DATE_CLASSES |
                                                          ICC_INTERNET_CLASSES};
    InitCommonControlsEx(&controls);
    std::vector<WORD> dialogs = ResourceIds(RT_DIALOG);
    ASSERT_GE(dialogs.size(), 10u);
    for (WORD id : dialogs) {
        HWND dialog = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), nullptr,
                                         QuietDialog, 0);
        ASSERT_NE(dialog, nullptr) << "dialog " << id;
        for (const std::string& problem : Problems(dialog))
            ADD_FAILURE() << "dialog " << id << " \"" << TextOf(dialog) << "\": " << problem;
        DestroyWindow(dialog);
    }
}

TEST(Mnemonics, EveryMenuItemHasItsOwnLetter)
{
    std::vector<WORD> menus = ResourceIds(RT_MENU);
    ASSERT_GE(menus.size(), 3u);
    for (WORD id : menus) {
        HMENU menu = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id));
        ASSERT_NE(menu, nullptr) << "menu " << id;
        std::vector<std::string> problems;
        // The bar's own items are checked with the dialog that shows them;
        // a tray menu's single popup has no letter of its own.
        for (int i = 0; i < GetMenuItemCount(menu); i++)
            if (HMENU sub = GetSubMenu(menu, i))
                CheckMenu(sub, "menu " + std::to_string(id), &problems);
        for (const std::string& problem : problems)
            ADD_FAILURE() << problem;
        DestroyMenu(menu);
    }
}
