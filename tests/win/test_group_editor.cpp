// "Edit Group" on its real template, driven in-process: validation, the
// list operations and the virtual list's cells, the save question on every
// way out, the File menu with stand-in file dialogs, and the range scan
// over loopback addresses.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "actions/group_file.h"
#include "core/app_state.h"
#include "resource.h"
#include "box_watcher.h"
#include "controls.h"
#include "dialog_driver.h"
#include "scratch_log.h"
#include "ui/group_editor.h"

namespace {

const char NEW_CAPTION[] = "Edit Group - <New>";

// The stand-in file dialogs: each hands out `chosen` (empty: cancelled)
// and keeps the request it was given.
struct FileChoice {
    std::string chosen;
    int calls = 0;
    DWORD flags = 0;
    std::string filter, default_extension;
};
FileChoice open_choice, save_choice;

BOOL Choose(FileChoice& choice, OPENFILENAMEA* request)
{
    choice.calls++;
    choice.flags = request->Flags;
    choice.filter.assign(request->lpstrFilter, 41);  // up to its double NUL
    choice.default_extension = request->lpstrDefExt;
    if (choice.chosen.empty())
        return FALSE;
    lstrcpynA(request->lpstrFile, choice.chosen.c_str(), (int)request->nMaxFile);
    return TRUE;
}
BOOL WINAPI FakeOpen(OPENFILENAMEA* request) { return Choose(open_choice, request); }
BOOL WINAPI FakeSave(OPENFILENAMEA* request) { return Choose(save_choice, request); }

struct Fields {
    const char* name;
    const char* mac;
    bool nt, current;
    const char* user;
    const char* port;
    const char* password = "pw";
};

void Fill(HWND dialog, const Fields& f)
{
    SetDlgItemTextA(dialog, IDC_GROUP_NAME, f.name);
    SetDlgItemTextA(dialog, IDC_GROUP_MAC, f.mac);
    CheckDlgButton(dialog, IDC_GROUP_USE_NT, f.nt ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dialog, IDC_GROUP_CURRENT_CREDENTIALS, f.current ? BST_CHECKED : BST_UNCHECKED);
    SetDlgItemTextA(dialog, IDC_GROUP_USERNAME, f.user);
    SetDlgItemTextA(dialog, IDC_GROUP_PORT, f.port);
    SetDlgItemTextA(dialog, IDC_GROUP_PASSWORD, f.password);
}

int Rows(HWND dialog)
{
    return (int)SendDlgItemMessageA(dialog, IDC_GROUP_LIST, LVM_GETITEMCOUNT, 0, 0);
}

// A row as the list shows it: its seven cells joined by "|".
std::string Row(HWND dialog, int row)
{
    return ListRow(dialog, IDC_GROUP_LIST, row, GROUP_COLUMNS);
}

void Select(HWND dialog, int row)
{
    LVITEMA item = {};
    item.stateMask = LVIS_SELECTED;
    item.state = row >= 0 ? LVIS_SELECTED : 0;
    SendDlgItemMessageA(dialog, IDC_GROUP_LIST, LVM_SETITEMSTATE, (WPARAM)row, (LPARAM)&item);
}

void Command(HWND dialog, int id)
{
    SendMessageA(dialog, WM_COMMAND, (WPARAM)id, 0);
}

DWORD Address(HWND dialog, int id)
{
    DWORD address = 0;
    SendDlgItemMessageA(dialog, id, IPM_GETADDRESS, 0, (LPARAM)&address);
    return address;
}

void SetRange(HWND dialog, int first, int last)
{
    SendDlgItemMessageA(dialog, IDC_GROUP_RANGE_START, IPM_SETADDRESS, 0,
                        (LPARAM)MAKEIPADDRESS(127, 0, 0, first));
    SendDlgItemMessageA(dialog, IDC_GROUP_RANGE_END, IPM_SETADDRESS, 0,
                        (LPARAM)MAKEIPADDRESS(127, 0, 0, last));
}

// Handles this thread's messages (the scan's hand-overs among them) until
// done() holds; false after 20 s.
template <typename Done> bool PumpUntil(Done done)
{
    DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > 20000)
            return false;
        MSG message;
        if (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        } else {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        }
    }
    return true;
}

bool FileMenuEnabled(HWND dialog)
{
    return !(GetMenuState(GetMenu(dialog), 0, MF_BYPOSITION) & (MF_GRAYED | MF_DISABLED));
}

std::string Contents(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

class GroupEditor : public DialogTest {
protected:
    void SetUp() override
    {
        DialogTest::SetUp();
        INITCOMMONCONTROLSEX controls = {sizeof controls,
                                         ICC_LISTVIEW_CLASSES | ICC_INTERNET_CLASSES};
        InitCommonControlsEx(&controls);
        open_choice = FileChoice();
        save_choice = FileChoice();
    }
    void TearDown() override { FreeGroupList(&state); }

    void Run() { ShowRemoteGroupDialog(nullptr, &state, GroupFileDialogs{FakeOpen, FakeSave}); }
    void AddComputer(const char* name)
    {
        RemotePC pc = {};
        CopyField(pc.computer_name, name);
        pc.port = 1;
        AppendRemotePC(&state, &pc);
    }

    ScratchLog scratch;
};

}  // namespace

TEST_F(GroupEditor, OpensWithDefaultsAndTheGroupShown)
{
    AddComputer("first");
    state.group_modified = 0;
    CopyField(state.group_file, "C:\\groups\\office.csv");
    DialogDriver driver;
    driver.On("Edit Group - C:\\groups\\office.csv", [](HWND d) {
        EXPECT_EQ(Rows(d), 1);
        EXPECT_EQ(Row(d, 0), "first|||N|N||1");
        EXPECT_EQ(Text(d, IDC_GROUP_PORT), "3210");
        EXPECT_EQ(Address(d, IDC_GROUP_MASK), (DWORD)MAKEIPADDRESS(255, 255, 255, 0));
        EXPECT_EQ(Text(d, IDC_GROUP_RANGE_ADD), "Add ran&ge");
        HWND list = GetDlgItem(d, IDC_GROUP_LIST);
        for (int i = 0; i < GROUP_COLUMNS; i++) {
            char title[32] = "";
            LVCOLUMNA column = {};
            column.mask = LVCF_TEXT;
            column.pszText = title;
            column.cchTextMax = sizeof title;
            SendMessageA(list, LVM_GETCOLUMNA, (WPARAM)i, (LPARAM)&column);
            EXPECT_STREQ(title, GROUP_COLUMN_TITLES[i]);
        }
        // The enable rules of the protocol and credentials choice.
        struct {
            bool nt, current, current_on, user_on, password_on, port_on;
        } rules[] = {{true, true, true, false, false, false},
                     {true, false, true, true, true, false},
                     {false, false, false, false, true, true},
                     {false, true, false, false, true, true}};
        for (auto r : rules) {
            Fill(d, {"x", "", r.nt, r.current, "", ""});
            Command(d, IDC_GROUP_USE_NT);
            EXPECT_EQ(Enabled(d, IDC_GROUP_CURRENT_CREDENTIALS), r.current_on) << r.nt << r.current;
            EXPECT_EQ(Enabled(d, IDC_GROUP_USERNAME), r.user_on) << r.nt << r.current;
            EXPECT_EQ(Enabled(d, IDC_GROUP_PASSWORD), r.password_on) << r.nt << r.current;
            EXPECT_EQ(Enabled(d, IDC_GROUP_PORT), r.port_on) << r.nt << r.current;
            EXPECT_EQ(Enabled(d, IDC_GROUP_SECURE), r.port_on) << r.nt << r.current;
        }
        Click(d, IDOK);
    });
    Run();
    EXPECT_EQ(state.group_count, 1);
}

TEST_F(GroupEditor, ValidationRefusesWithItsMessage)
{
    struct Case {
        Fields fields;
        const char* message;  // null: added
    } cases[] = {
        {{"", "", false, false, "", "3210"}, "Host name not filled in"},
        {{"pc", "0011223344", false, false, "", "3210"}, "Invalid MAC address"},
        {{"pc", "00112233445G", false, false, "", "3210"}, "Invalid MAC address"},
        {{"pc", "", true, false, "", ""}, "User name not filled in"},
        {{"pc", "", false, false, "", ""}, "Invalid port number"},
        {{"pc", "", false, false, "", "0"}, "Invalid port number"},
        {{"nt", "", true, true, "", ""}, nullptr},  // any port, no user name
        {{"tcp", "00aabbccddee", false, false, "", "1"}, nullptr},
    };
    DialogDriver driver;
    driver.On(NEW_CAPTION, [&](HWND d) {
        for (const Case& c : cases) {
            BoxWatcher watcher;
            int before = state.group_count;
            Fill(d, c.fields);
            Click(d, IDC_GROUP_ADD);
            if (c.message) {
                ASSERT_EQ(BoxWatcher::boxes.size(), 1u) << c.message;
                EXPECT_EQ(BoxWatcher::boxes[0].second, c.message);
                EXPECT_EQ(state.group_count, before);
                EXPECT_EQ(Text(d, IDC_GROUP_NAME), c.fields.name);  // the fields keep their text
            } else {
                EXPECT_TRUE(BoxWatcher::boxes.empty()) << c.fields.name;
                EXPECT_EQ(state.group_count, before + 1);
            }
        }
        BoxWatcher watcher;
        SetDlgItemTextA(d, IDC_GROUP_NAME, "");
        Click(d, IDC_GROUP_LOOKUP);
        ASSERT_EQ(BoxWatcher::boxes.size(), 1u);
        EXPECT_EQ(BoxWatcher::boxes[0].second, "Host name not filled in");
        state.group_modified = 0;
        Click(d, IDOK);
    });
    Run();
    ASSERT_EQ(state.group_count, 2);
    EXPECT_STREQ(state.group_list[1].mac_address, "00aabbccddee");  // stored as typed
}

TEST_F(GroupEditor, AddModifyRemoveAndTheCellsOfTheList)
{
    DialogDriver driver;
    driver.On(NEW_CAPTION, [&](HWND d) {
        Fill(d, {"alpha", "00AABBCCDDEE", false, false, "", "3211", "secret"});
        SendDlgItemMessageA(d, IDC_GROUP_MASK, IPM_SETADDRESS, 0,
                            (LPARAM)MAKEIPADDRESS(255, 255, 0, 0));
        CheckDlgButton(d, IDC_GROUP_SECURE, BST_CHECKED);
        Click(d, IDC_GROUP_ADD);
        EXPECT_EQ(state.group_list[0].secure, 1);
        CheckDlgButton(d, IDC_GROUP_SECURE, BST_UNCHECKED);
        Fill(d, {"beta", "", true, false, "DOMAIN\\bob", "", "pw"});
        Click(d, IDC_GROUP_ADD);
        ASSERT_EQ(Rows(d), 2);
        EXPECT_EQ(Row(d, 0), "alpha|00AABBCCDDEE|255.255.0.0|N|N||3211");  // no password
        EXPECT_EQ(Row(d, 1), "beta||255.255.0.0|Y|N|DOMAIN\\bob|0");
        EXPECT_EQ(state.group_modified, 1u);

        // Selecting a row shows it in the editing fields.
        Select(d, 0);
        EXPECT_EQ(Text(d, IDC_GROUP_NAME), "alpha");
        EXPECT_EQ(Text(d, IDC_GROUP_PASSWORD), "secret");
        EXPECT_EQ(Text(d, IDC_GROUP_PORT), "3211");
        EXPECT_TRUE(Enabled(d, IDC_GROUP_PORT));
        EXPECT_TRUE(Checked(d, IDC_GROUP_SECURE));

        SetDlgItemTextA(d, IDC_GROUP_NAME, "gamma");
        Click(d, IDC_GROUP_MODIFY);
        EXPECT_EQ(Row(d, 0), "gamma|00AABBCCDDEE|255.255.0.0|N|N||3211");
        EXPECT_EQ(state.group_list[0].secure, 1);
        Select(d, 1);
        EXPECT_FALSE(Checked(d, IDC_GROUP_SECURE));
        Select(d, 0);
        EXPECT_EQ(state.group_count, 2);

        Click(d, IDC_GROUP_REMOVE);  // the selected row goes, without a question
        ASSERT_EQ(Rows(d), 1);
        EXPECT_EQ(Row(d, 0), "beta||255.255.0.0|Y|N|DOMAIN\\bob|0");

        // Without a selection Modify and Remove do nothing.
        Select(d, -1);
        state.group_modified = 0;
        SetDlgItemTextA(d, IDC_GROUP_NAME, "delta");
        Click(d, IDC_GROUP_MODIFY);
        Click(d, IDC_GROUP_REMOVE);
        EXPECT_EQ(Row(d, 0), "beta||255.255.0.0|Y|N|DOMAIN\\bob|0");
        EXPECT_EQ(state.group_modified, 0u);
        Click(d, IDOK);
    });
    Run();
    ASSERT_EQ(state.group_count, 1);
    EXPECT_STREQ(state.group_list[0].username, "DOMAIN\\bob");
    EXPECT_STREQ(state.group_list[0].password, "pw");
    EXPECT_EQ(state.group_list[0].use_nt, 1);
}

TEST_F(GroupEditor, AfterRemoveTheFieldsShowTheSelectedRowSoModifyActsOnIt)
{
    // From alpha, bravo, charlie each position is removed; the fields then
    // show the row selected now, and Modify (a new port) changes that one.
    struct {
        int removed;
        const char* shown;
        std::vector<std::string> after_modify;  // the group in storage order
    } cases[] = {
        {0, "bravo", {"bravo:4000", "charlie"}},
        {1, "charlie", {"alpha", "charlie:4000"}},
        {2, "bravo", {"alpha", "bravo:4000"}},  // the new last row
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.removed);
        FreeGroupList(&state);
        for (const char* name : {"alpha", "bravo", "charlie"})
            AddComputer(name);
        DialogDriver driver;
        driver.On(NEW_CAPTION, [&](HWND d) {
            Select(d, c.removed);
            Click(d, IDC_GROUP_REMOVE);
            ASSERT_EQ(Rows(d), 2);
            EXPECT_EQ(Text(d, IDC_GROUP_NAME), c.shown);
            SetDlgItemTextA(d, IDC_GROUP_PORT, "4000");
            Click(d, IDC_GROUP_MODIFY);
            state.group_modified = 0;
            Click(d, IDOK);
        });
        Run();
        std::vector<std::string> group;
        for (int i = 0; i < state.group_count; i++) {
            const RemotePC& pc = state.group_list[i];
            group.push_back(pc.computer_name + std::string(pc.port == 4000 ? ":4000" : ""));
        }
        EXPECT_EQ(group, c.after_modify);
    }

    // The last computer removed: the fields are cleared, Modify does nothing.
    FreeGroupList(&state);
    AddComputer("alpha");
    DialogDriver driver;
    driver.On(NEW_CAPTION, [&](HWND d) {
        Select(d, 0);
        Click(d, IDC_GROUP_REMOVE);
        EXPECT_EQ(Rows(d), 0);
        EXPECT_EQ(Text(d, IDC_GROUP_NAME), "");
        EXPECT_EQ(Text(d, IDC_GROUP_PORT), "3210");
        BoxWatcher watcher;  // the empty name is refused first
        Click(d, IDC_GROUP_MODIFY);
        EXPECT_EQ(Rows(d), 0);
        state.group_modified = 0;
        Click(d, IDOK);
    });
    Run();
    EXPECT_EQ(state.group_count, 0);
}

TEST_F(GroupEditor, ReturnInTheFieldsAddsOrModifiesAndDeleteRemoves)
{
    AddComputer("alpha");
    state.group_modified = 0;
    DialogDriver driver;
    driver.On(NEW_CAPTION, [&](HWND d) {
        // A new name is added; the dialog stays open.
        Fill(d, {"bravo", "", false, false, "", "3210"});
        SetFocus(GetDlgItem(d, IDC_GROUP_NAME));
        PressKey(d, VK_RETURN);
        ASSERT_EQ(Rows(d), 2);
        EXPECT_EQ(Row(d, 1), "bravo||255.255.255.0|N|N||3210");
        EXPECT_EQ(DialogDriver::Find(NEW_CAPTION), d);

        // The selected computer's own name: it is modified.
        SetDlgItemTextA(d, IDC_GROUP_PORT, "4000");
        SetFocus(GetDlgItem(d, IDC_GROUP_PORT));
        PressKey(d, VK_RETURN);
        ASSERT_EQ(Rows(d), 2);
        EXPECT_EQ(Row(d, 1), "bravo||255.255.255.0|N|N||4000");

        // A refused computer is neither added nor does Return close.
        BoxWatcher watcher;
        SetDlgItemTextA(d, IDC_GROUP_NAME, "");
        PressKey(d, VK_RETURN);
        EXPECT_EQ(BoxWatcher::boxes.size(), 1u);
        EXPECT_EQ(Rows(d), 2);

        // Delete in the list removes the selected row.
        Select(d, 0);
        SetFocus(GetDlgItem(d, IDC_GROUP_LIST));
        PressKey(d, VK_DELETE);
        ASSERT_EQ(Rows(d), 1);
        EXPECT_EQ(Row(d, 0), "bravo||255.255.255.0|N|N||4000");
        EXPECT_EQ(Text(d, IDC_GROUP_NAME), "bravo");
        state.group_modified = 0;
        Click(d, IDOK);
    });
    Run();
    EXPECT_EQ(state.group_count, 1);
}

TEST_F(GroupEditor, EveryWayOutAsksToSaveUnsavedChanges)
{
    // OK, Escape and the close box: Cancel keeps the dialog, No closes it
    // and keeps the changes unsaved in memory.
    struct Way {
        const char* name;
        void (*leave)(HWND);
    } ways[] = {
        {"OK", [](HWND d) { Click(d, IDOK); }},
        {"Escape", [](HWND d) {
             SetFocus(GetDlgItem(d, IDC_GROUP_NAME));
             PostMessageA(GetDlgItem(d, IDC_GROUP_NAME), WM_KEYDOWN, VK_ESCAPE, 0);
         }},
        {"close box", [](HWND d) { PostMessageA(d, WM_SYSCOMMAND, SC_CLOSE, 0); }},
    };
    for (const Way& way : ways) {
        AddComputer("pc");
        DialogDriver driver;
        BoxWatcher watcher(IDCANCEL);
        driver.On(NEW_CAPTION, way.leave);
        driver.On(NEW_CAPTION, [&](HWND d) {
            EXPECT_EQ(BoxWatcher::boxes.size(), 1u) << way.name;  // still open after Cancel
            BoxWatcher::Answer(IDNO);
            way.leave(d);
        });
        Run();
        ASSERT_EQ(BoxWatcher::boxes.size(), 2u) << way.name;
        for (const auto& box : BoxWatcher::boxes)
            EXPECT_EQ(box, std::make_pair(std::string("haltall"),
                                          std::string("Save changes to the group?")));
        EXPECT_EQ(state.group_modified, 1u);
    }
    EXPECT_EQ(state.group_count, 3);

    // Yes on an unnamed group saves as; a cancelled Save As keeps the dialog.
    {
        DialogDriver driver;
        BoxWatcher yes(IDYES);
        driver.On(NEW_CAPTION, [](HWND d) { Click(d, IDOK); });
        driver.On(NEW_CAPTION, [&](HWND d) {
            EXPECT_EQ(save_choice.calls, 1);
            save_choice.chosen = scratch.Path("saved.csv");
            Click(d, IDOK);
        });
        Run();
    }
    EXPECT_EQ(save_choice.calls, 2);
    EXPECT_EQ(state.group_modified, 0u);
    EXPECT_EQ(std::string(state.group_file), scratch.Path("saved.csv"));
    EXPECT_EQ(Contents(scratch.Path("saved.csv")),
              std::string(GROUP_FILE_HEADER) + "\n" + "pc;;;1;0;0;;\npc;;;1;0;0;;\npc;;;1;0;0;;\n");
    DeleteFileA(scratch.Path("saved.csv").c_str());

    // Nothing unsaved: no question.
    {
        DialogDriver driver;
        BoxWatcher watcher(IDCANCEL);
        driver.On(("Edit Group - " + scratch.Path("saved.csv")).c_str(),
                  [](HWND d) { PostMessageA(d, WM_SYSCOMMAND, SC_CLOSE, 0); });
        Run();
        EXPECT_TRUE(BoxWatcher::boxes.empty());
    }
}

TEST_F(GroupEditor, FileMenuNewOpenSaveAndSaveAs)
{
    std::string path = scratch.Path("office.csv");
    std::string caption = "Edit Group - " + path;
    AddComputer("unsaved");
    DialogDriver driver;
    driver.On(NEW_CAPTION, [&](HWND d) {
        // "&Save" on an unnamed group behaves as "Save &As ...".
        save_choice.chosen = path;
        Command(d, ID_GROUP_SAVE);
        EXPECT_EQ(save_choice.calls, 1);
        EXPECT_EQ(save_choice.flags & (OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST),
                  (DWORD)(OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST));
        EXPECT_EQ(save_choice.filter,
                  std::string("Group files (*.CSV)\0*.CSV\0All Files\0*.*\0", 41));
        EXPECT_EQ(save_choice.default_extension, "CSV");
        EXPECT_EQ(state.group_modified, 0u);
    });
    driver.On(caption.c_str(), [&](HWND d) {
        // New with unsaved changes: Cancel keeps everything.
        AddComputer("second");
        BoxWatcher watcher(IDCANCEL);
        Command(d, ID_GROUP_NEW);
        EXPECT_EQ(BoxWatcher::boxes.size(), 1u);
        EXPECT_EQ(state.group_count, 2);
        EXPECT_EQ(std::string(state.group_file), path);

        // Open asks once; after No the group is cleared, and the chosen
        // file read in its place.
        BoxWatcher::Answer(IDNO);
        open_choice.chosen = path;
        Command(d, ID_GROUP_OPEN);
        EXPECT_EQ(BoxWatcher::boxes.size(), 2u);
        EXPECT_EQ(open_choice.flags & OFN_PATHMUSTEXIST, (DWORD)OFN_PATHMUSTEXIST);
        ASSERT_EQ(state.group_count, 1);
        EXPECT_STREQ(state.group_list[0].computer_name, "unsaved");
        EXPECT_EQ(Rows(d), 1);
        EXPECT_EQ(state.group_modified, 0u);

        // "&Save" of a named group writes it without asking for a name.
        AddComputer("third");
        Command(d, ID_GROUP_SAVE);
        EXPECT_EQ(save_choice.calls, 1);
        EXPECT_EQ(Contents(path), std::string(GROUP_FILE_HEADER) +
                                      "\nunsaved;;;1;0;0;;\nthird;;;1;0;0;;\n");

        // A cancelled open leaves an empty, new group.
        open_choice.chosen.clear();
        Command(d, ID_GROUP_OPEN);
        EXPECT_EQ(state.group_count, 0);
        EXPECT_EQ(state.group_file[0], '\0');
        EXPECT_EQ(Rows(d), 0);
    });
    driver.On(NEW_CAPTION, [&](HWND d) {
        // New with unsaved changes and No: cleared.
        AddComputer("fourth");
        BoxWatcher no(IDNO);
        Command(d, ID_GROUP_NEW);
        EXPECT_EQ(state.group_count, 0);
        EXPECT_EQ(state.group_modified, 0u);
        Click(d, IDOK);
    });
    Run();
    DeleteFileA(path.c_str());
}

TEST_F(GroupEditor, SaveAsThroughTheSystemDialog)
{
    AddComputer("pc");
    std::string saved = scratch.Path("office.csv");
    DialogDriver driver;
    driver.On(NEW_CAPTION, [](HWND d) { PostMessageA(d, WM_COMMAND, ID_GROUP_SAVE_AS, 0); });
    driver.On("Save As", [&](HWND box) {
        EXPECT_EQ(Text(box, 1136), "Group files (*.CSV)");  // the type list
        HWND name = FindWindowExA(GetDlgItem(box, 1148), nullptr, "ComboBox", nullptr);
        SetWindowTextA(FindWindowExA(name, nullptr, "Edit", nullptr),
                       saved.c_str());
        PostMessageA(box, WM_COMMAND, IDOK, 0);
    });
    driver.On(("Edit Group - " + saved).c_str(), [](HWND d) { Click(d, IDOK); });
    ShowRemoteGroupDialog(nullptr, &state);
    EXPECT_EQ(Contents(saved), std::string(GROUP_FILE_HEADER) + "\npc;;;1;0;0;;\n");
    EXPECT_EQ(state.group_modified, 0u);
    EXPECT_EQ(std::string(state.group_file), saved);
    DeleteFileA(saved.c_str());
}

TEST_F(GroupEditor, YesSavesFirstAndAFailedSaveChangesNothing)
{
    std::string path = scratch.Path("named.csv");
    CopyField(state.group_file, path.c_str());
    AddComputer("kept");
    state.quiet = 1;  // the failed save below reports to the log only
    DialogDriver driver;
    BoxWatcher watcher(IDYES);
    driver.On(("Edit Group - " + path).c_str(), [&](HWND d) {
        // A named group is saved under its name, then cleared.
        Command(d, ID_GROUP_NEW);
        EXPECT_EQ(Contents(path), std::string(GROUP_FILE_HEADER) + "\nkept;;;1;0;0;;\n");
        EXPECT_EQ(state.group_count, 0);
    });
    driver.On(NEW_CAPTION, [&](HWND d) {
        // A save that fails keeps the group and its name, and opens nothing.
        Fill(d, {"unsaved", "", false, false, "", "1"});
        Click(d, IDC_GROUP_ADD);
        std::string unwritable = scratch.Path("missing\\group.csv");
        CopyField(state.group_file, unwritable.c_str());
        Command(d, ID_GROUP_OPEN);
        EXPECT_EQ(open_choice.calls, 0);
        EXPECT_EQ(state.group_count, 1);
        EXPECT_EQ(std::string(state.group_file), unwritable);
        EXPECT_EQ(state.group_modified, 1u);
        EXPECT_EQ(Rows(d), 1);
        BoxWatcher::Answer(IDNO);
        Click(d, IDOK);
    });
    Run();
    EXPECT_EQ(BoxWatcher::boxes.size(), 3u);  // New, Open, OK: the error stays quiet
    DeleteFileA(path.c_str());
}

TEST_F(GroupEditor, RangeScanAddsAddressesAndStopsOnCancel)
{
    DialogDriver driver;
    BoxWatcher watcher(IDNO);  // the lookups fail quietly: only the save question comes
    driver.On(NEW_CAPTION, [&](HWND d) {
        Fill(d, {"", "", false, false, "", "3333"});
        auto idle = [d] { return Text(d, IDC_GROUP_RANGE_ADD) == "Add ran&ge"; };

        // A start above the end adds nothing; start equal to end adds one.
        SetRange(d, 5, 4);
        Click(d, IDC_GROUP_RANGE_ADD);
        ASSERT_TRUE(PumpUntil(idle));
        EXPECT_EQ(state.group_count, 0);
        SetRange(d, 9, 9);
        Click(d, IDC_GROUP_RANGE_ADD);
        ASSERT_TRUE(PumpUntil(idle));
        ASSERT_EQ(state.group_count, 1);
        EXPECT_EQ(Row(d, 0), "127.0.0.9||255.255.255.0|N|N||3333");

        // Cancel in the middle: the button is disabled until the worker ends,
        // so no second scan starts beside it; what was added stays.
        SetRange(d, 1, 5);
        Click(d, IDC_GROUP_RANGE_ADD);
        EXPECT_EQ(Text(d, IDC_GROUP_RANGE_ADD), "&Cancel");
        for (int id : {IDC_GROUP_ADD, IDC_GROUP_MODIFY, IDC_GROUP_REMOVE, IDC_GROUP_BROWSE,
                       IDC_GROUP_LOOKUP, IDC_GROUP_USE_NT, IDOK})
            EXPECT_FALSE(Enabled(d, id)) << id;
        EXPECT_FALSE(FileMenuEnabled(d));
        ASSERT_TRUE(PumpUntil([&] { return state.group_count >= 3; }));
        Click(d, IDC_GROUP_RANGE_ADD);
        EXPECT_FALSE(Enabled(d, IDC_GROUP_RANGE_ADD));
        EXPECT_EQ(Text(d, IDC_GROUP_RANGE_ADD), "&Cancel");
        Command(d, IDC_GROUP_RANGE_ADD);  // even a command that gets through starts nothing
        Command(d, ID_GROUP_NEW);         // nor does the File menu run during the scan
        ASSERT_TRUE(PumpUntil(idle));
        int stopped_at = state.group_count;
        EXPECT_GE(stopped_at, 3);
        EXPECT_LE(stopped_at, 4);  // at most the address in progress
        for (int i = 1; i < stopped_at; i++)
            EXPECT_EQ(std::string(state.group_list[i].computer_name),
                      "127.0.0." + std::to_string(i));
        EXPECT_TRUE(Enabled(d, IDC_GROUP_RANGE_ADD));
        EXPECT_TRUE(Enabled(d, IDOK));
        EXPECT_TRUE(FileMenuEnabled(d));
        EXPECT_FALSE(Enabled(d, IDC_GROUP_CURRENT_CREDENTIALS));  // the TCP protocol is chosen

        // "Add" again scans the whole range at once, duplicates and all.
        Click(d, IDC_GROUP_RANGE_ADD);
        ASSERT_TRUE(PumpUntil(idle));
        EXPECT_EQ(state.group_count, stopped_at + 5);
        EXPECT_EQ(Row(d, state.group_count - 1), "127.0.0.5||255.255.255.0|N|N||3333");
        EXPECT_TRUE(BoxWatcher::boxes.empty());

        // Escape during a scan closes the dialog once the scan has stopped,
        // after the save question.
        SetRange(d, 1, 200);
        Click(d, IDC_GROUP_RANGE_ADD);
        Command(d, IDCANCEL);
    });
    Run();
    EXPECT_EQ(state.quiet, 0);  // the scan's lookups never made the record quiet
    EXPECT_EQ(BoxWatcher::boxes.size(), 1u);
    EXPECT_LT(state.group_count, 200);
    EXPECT_EQ(state.group_modified, 1u);
}
