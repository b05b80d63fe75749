// The "Remote computer", "Wake-on-LAN" and "Remote Control" dialogs on
// their real templates, driven in-process: a hook sees the dialog come up
// and a timer inside its modal loop plays the user. Also the MAC lookup
// behind "Lookup", with its libraries and the address table.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "actions/wake_on_lan.h"
#include "core/app_state.h"
#include "core/remote_password.h"
#include "core/start_up.h"
#include "resource.h"
#include "box_watcher.h"
#include "controls.h"
#include "record_bytes.h"
#include "scratch_log.h"
#include "ui/main_window.h"
#include "ui/remote_dialogs.h"

namespace {

// Plays the user in the first window of this thread that shows a child
// with the given text (a dialog's label, say) once it is active. Whatever
// the script leaves open is cancelled.
class DialogDriver {
public:
    DialogDriver(const char* marker, std::function<void(HWND)> script)
    {
        marker_ = marker;
        script_ = std::move(script);
        caption_.clear();
        hook_ = SetWindowsHookExA(WH_CBT, Watch, nullptr, GetCurrentThreadId());
    }
    ~DialogDriver()
    {
        UnhookWindowsHookEx(hook_);
        script_ = nullptr;
    }
    bool Opened() const { return !caption_.empty(); }
    const std::string& Caption() const { return caption_; }

private:
    static BOOL CALLBACK HasMarker(HWND child, LPARAM found)
    {
        char text[128];
        GetWindowTextA(child, text, sizeof text);
        if (marker_ == text)
            *(bool*)found = true;
        return !*(bool*)found;
    }
    static LRESULT CALLBACK Watch(int code, WPARAM wParam, LPARAM lParam)
    {
        HWND window = (HWND)wParam;
        bool found = false;
        if (code == HCBT_ACTIVATE && script_ && caption_.empty()) {
            EnumChildWindows(window, HasMarker, (LPARAM)&found);
            if (found) {
                char caption[128];
                GetWindowTextA(window, caption, sizeof caption);
                caption_ = caption;
                SetTimer(window, 0x5C1, 10, Run);
            }
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }
    static void CALLBACK Run(HWND window, UINT, UINT_PTR id, DWORD)
    {
        // Activation can come before the dialog is shown: wait for that.
        if (!IsWindowVisible(window))
            return;
        KillTimer(window, id);
        std::function<void(HWND)> script = std::move(script_);
        script_ = nullptr;
        if (script)
            script(window);
        if (IsWindow(window))
            PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
    }

    static inline std::string marker_, caption_;
    static inline std::function<void(HWND)> script_;
    HHOOK hook_;
};

// Labels that tell the three dialogs apart.
const char REMOTE_MARKER[] = "Use current cre&dentials:";
const char WAKE_ON_LAN_MARKER[] = "&MAC address:";
const char REMOTE_CONTROL_MARKER[] = "&Port number:";

void Type(HWND dialog, int id, const char* text) { SetDlgItemTextA(dialog, id, text); }
DWORD Address(HWND dialog, int id)
{
    DWORD packed = 0xDEADBEEF;
    SendDlgItemMessageA(dialog, id, IPM_GETADDRESS, 0, (LPARAM)&packed);
    return packed;
}

class RemoteDialogs : public ::testing::Test {
protected:
    void SetUp() override
    {
        INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_INTERNET_CLASSES};
        InitCommonControlsEx(&controls);
        g_instance = GetModuleHandleA(nullptr);
        SetDefaultSettings(&state);
        state.os_version.dwPlatformId = 2;
        state.os_version.dwMajorVersion = 5;
        state.quiet = 1;
    }
    // Opens the dialog ShowRemoteDialog chooses and plays script in it.
    std::string RunRemote(const char* marker, std::function<void(HWND)> script)
    {
        DialogDriver driver(marker, std::move(script));
        ShowRemoteDialog(nullptr, &state);
        EXPECT_TRUE(driver.Opened()) << marker;
        return driver.Caption();
    }
    std::string RunRemoteControl(std::function<void(HWND)> script)
    {
        DialogDriver driver(REMOTE_CONTROL_MARKER, std::move(script));
        ShowRemoteControlDialog(nullptr, &state);
        EXPECT_TRUE(driver.Opened());
        return driver.Caption();
    }
    std::vector<std::string> Errors() const
    {
        std::vector<std::string> found;
        for (const std::string& line : log.Lines())
            if (line.compare(0, 7, "ERROR: ") == 0)
                found.push_back(line.substr(7));
        return found;
    }

    ScratchLog log;
    AppState state;
};

}  // namespace

TEST_F(RemoteDialogs, RemoteComputerOpensWithTheRecordAndItsEnableRules)
{
    const int all[] = {IDC_REMOTE_CURRENT_CREDENTIALS, IDC_REMOTE_USERNAME, IDC_REMOTE_PASSWORD,
                       IDC_REMOTE_SAVE_PASSWORD, IDC_REMOTE_PORT, IDC_REMOTE_SCHEDULE};
    struct {
        int use_nt, current_credentials;
        bool enabled[6];  // in the order of all[]
    } cases[] = {
        {1, 1, {true, false, false, false, false, false}},
        {1, 0, {true, true, true, true, false, false}},
        {0, 1, {false, false, true, true, true, true}},
        {0, 0, {false, false, true, true, true, true}},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "use_nt " << c.use_nt << " current " << c.current_credentials);
        SetDefaultSettings(&state);
        state.os_version.dwPlatformId = 2;
        strcpy(state.remote.computer_name, "\\\\PC7");
        strcpy(state.remote.username, "admin");
        strcpy(state.remote.password, "stored");
        state.remote.port = 4000;
        state.remote.save_password = 1;
        state.remote.schedule_remote = 1;
        state.remote.use_nt = (Flag)c.use_nt;
        state.remote.current_credentials = (Flag)c.current_credentials;
        std::vector<unsigned char> before = RecordBytes(state);
        std::string caption = RunRemote(REMOTE_MARKER, [&](HWND d) {
            EXPECT_EQ(Text(d, IDC_REMOTE_NAME), "\\\\PC7");
            EXPECT_EQ(Checked(d, IDC_REMOTE_USE_NT), c.use_nt == 1);
            EXPECT_TRUE(Enabled(d, IDC_REMOTE_USE_NT));
            EXPECT_EQ(Checked(d, IDC_REMOTE_CURRENT_CREDENTIALS), c.current_credentials == 1);
            EXPECT_EQ(Text(d, IDC_REMOTE_USERNAME), "admin");
            EXPECT_EQ(Text(d, IDC_REMOTE_PASSWORD), "********");
            // With the NT protocol the remote-copy fields open empty.
            EXPECT_EQ(Text(d, IDC_REMOTE_PORT), c.use_nt ? "" : "4000");
            EXPECT_EQ(Checked(d, IDC_REMOTE_SAVE_PASSWORD), !c.use_nt);
            EXPECT_EQ(Checked(d, IDC_REMOTE_SCHEDULE), !c.use_nt);
            for (int i = 0; i < 6; i++)
                EXPECT_EQ(Enabled(d, all[i]), c.enabled[i]) << "control " << all[i];
            Click(d, IDCANCEL);
        });
        EXPECT_EQ(caption, "Remote computer");
        EXPECT_EQ(RecordBytes(state), before) << "Cancel must write nothing";
    }

    // Clicking the two check boxes applies the rules at once.
    state.remote.use_nt = 0;
    state.remote.current_credentials = 1;
    RunRemote(REMOTE_MARKER, [&](HWND d) {
        Click(d, IDC_REMOTE_USE_NT);  // TCP -> NT, current credentials still on
        EXPECT_FALSE(Enabled(d, IDC_REMOTE_PORT));
        EXPECT_FALSE(Enabled(d, IDC_REMOTE_USERNAME));
        Click(d, IDC_REMOTE_CURRENT_CREDENTIALS);
        EXPECT_TRUE(Enabled(d, IDC_REMOTE_USERNAME));
        EXPECT_TRUE(Enabled(d, IDC_REMOTE_PASSWORD));
        Click(d, IDC_REMOTE_USE_NT);
        EXPECT_FALSE(Enabled(d, IDC_REMOTE_CURRENT_CREDENTIALS));
        EXPECT_TRUE(Enabled(d, IDC_REMOTE_SCHEDULE));
    });
}

TEST_F(RemoteDialogs, RemoteComputerOkStoresTheFields)
{
    struct {
        const char* name;
        bool nt, current, schedule, save;
        const char* port;
        const char* password;  // as typed; the placeholder as it opened
        int stored_port;
        const char* stored_password;
        int stored_schedule;
    } cases[] = {
        {"PC8", false, true, true, true, "4100", "secret", 4100, "secret", 1},
        {"PC8", false, true, false, false, "0", "********", 3210, "stored", 0},
        {"PC8", false, true, true, false, "", "", 3210, "", 1},       // an empty password is a password
        {"PC8", false, true, false, false, "-7", "********", 3210, "stored", 0},
        // NT protocol: default port, no remote schedule; the placeholder
        // keeps the stored password here too.
        {"\\\\PC9", true, false, true, true, "4100", "********", 3210, "stored", 0},
        {"\\\\PC9", true, false, false, true, "", "ntpass", 3210, "ntpass", 0},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.name << " port '" << c.port << "' password '" << c.password << "'");
        SetDefaultSettings(&state);
        state.os_version.dwPlatformId = 2;
        strcpy(state.remote.password, "stored");
        RunRemote(REMOTE_MARKER, [&](HWND d) {
            Type(d, IDC_REMOTE_NAME, c.name);
            if (c.nt)
                Click(d, IDC_REMOTE_USE_NT);
            if (!c.current)
                Click(d, IDC_REMOTE_CURRENT_CREDENTIALS);
            Type(d, IDC_REMOTE_USERNAME, "DOMAIN\\me");
            Type(d, IDC_REMOTE_PORT, c.port);
            CheckDlgButton(d, IDC_REMOTE_SCHEDULE, c.schedule ? BST_CHECKED : BST_UNCHECKED);
            CheckDlgButton(d, IDC_REMOTE_SAVE_PASSWORD, c.save ? BST_CHECKED : BST_UNCHECKED);
            Type(d, IDC_REMOTE_PASSWORD, c.password);
            Click(d, IDOK);
            EXPECT_FALSE(IsWindowVisible(d));
        });
        EXPECT_STREQ(state.remote.computer_name, c.name);
        EXPECT_EQ(state.remote.use_nt, c.nt ? 1 : 0);
        EXPECT_EQ(state.remote.current_credentials, c.current ? 1 : 0);
        EXPECT_STREQ(state.remote.username, "DOMAIN\\me");
        EXPECT_EQ(state.remote.port, c.stored_port);
        EXPECT_STREQ(state.remote.password, c.stored_password);
        EXPECT_EQ(state.remote.schedule_remote, c.stored_schedule);
        EXPECT_EQ(state.remote.save_password, c.save ? 1 : 0);
    }
}

TEST_F(RemoteDialogs, Windows9xHasNoNtProtocol)
{
    state.os_version.dwPlatformId = 1;
    state.remote.use_nt = 1;
    state.remote.port = 4000;
    RunRemote(REMOTE_MARKER, [&](HWND d) {
        EXPECT_FALSE(Enabled(d, IDC_REMOTE_USE_NT));
        EXPECT_FALSE(Checked(d, IDC_REMOTE_USE_NT));
        EXPECT_EQ(Text(d, IDC_REMOTE_PORT), "4000");  // opened as a TCP setting
        Click(d, IDC_REMOTE_CURRENT_CREDENTIALS);     // the rules leave the box alone
        EXPECT_FALSE(Enabled(d, IDC_REMOTE_USE_NT));
        Click(d, IDCANCEL);
    });
    EXPECT_EQ(state.remote.use_nt, 0) << "reset as the dialog opens, even when cancelled";
}

TEST_F(RemoteDialogs, RemoteComputerBrowsesTheNetworkForAName)
{
    strcpy(state.remote.computer_name, "PC7");
    RunRemote(REMOTE_MARKER, [&](HWND d) {
        DialogDriver browser("Select remote computer", [](HWND b) { PostMessageA(b, WM_COMMAND, IDCANCEL, 0); });
        Click(d, IDC_REMOTE_BROWSE);
        EXPECT_TRUE(browser.Opened());
        EXPECT_EQ(Text(d, IDC_REMOTE_NAME), "PC7");  // nothing chosen
        Click(d, IDOK);
    });
    EXPECT_TRUE(log.Logged("BrowseComputers end, computer="));
    EXPECT_STREQ(state.remote.computer_name, "PC7");
}

TEST_F(RemoteDialogs, WakeOnLanOpensWithTheAddressesAndStoresThemOnOk)
{
    state.action = WAKE_ON_LAN;
    strcpy(state.remote.ip_address, "192.168.1.20");
    strcpy(state.remote.mac_address, "0011223344AA");
    std::string caption = RunRemote(WAKE_ON_LAN_MARKER, [&](HWND d) {
        EXPECT_EQ(Address(d, IDC_WOL_IP), 0xC0A80114u);
        EXPECT_EQ(Address(d, IDC_WOL_MASK), 0u);  // empty mask shows 0.0.0.0
        EXPECT_EQ(Text(d, IDC_WOL_MAC), "0011223344AA");
        EXPECT_EQ(SendDlgItemMessageA(d, IDC_WOL_MAC, EM_GETLIMITTEXT, 0, 0), 17);
        SendDlgItemMessageA(d, IDC_WOL_MASK, IPM_SETADDRESS, 0, MAKEIPADDRESS(255, 255, 0, 0));
        SendDlgItemMessageA(d, IDC_WOL_IP, IPM_CLEARADDRESS, 0, 0);
        Type(d, IDC_WOL_MAC, "a0-b1-c2-d3-e4-f5");
        Click(d, IDOK);
        EXPECT_FALSE(IsWindowVisible(d));
    });
    EXPECT_EQ(caption, "Wake-on-LAN");
    EXPECT_TRUE(log.Logged("Action=WOL"));
    EXPECT_STREQ(state.remote.mac_address, "A0B1C2D3E4F5");
    EXPECT_STREQ(state.remote.ip_address, "0.0.0.0");  // a blank control
    EXPECT_STREQ(state.remote.subnet_mask, "255.255.0.0");
}

TEST_F(RemoteDialogs, WakeOnLanRefusesABadMacOrMaskAndStaysOpen)
{
    state.action = WAKE_ON_LAN;
    state.quiet = 0;
    strcpy(state.remote.ip_address, "10.0.0.1");
    std::vector<unsigned char> before = RecordBytes(state);
    BoxWatcher boxes;
    struct {
        const char* mac;
        LPARAM mask;
        const char* message;
    } cases[] = {
        {"0011223344G0", MAKEIPADDRESS(255, 0, 0, 0), "Invalid MAC address specified"},
        {"00112233445", MAKEIPADDRESS(255, 0, 0, 0), "Invalid MAC address specified"},
        {"", MAKEIPADDRESS(255, 0, 0, 0), "Invalid MAC address specified"},
        {"001122334455", 0, "Invalid subnet mask specified"},  // a blank mask
        {"001122334455", MAKEIPADDRESS(255, 0, 255, 0), "Invalid subnet mask specified"},
    };
    for (auto& c : cases) {
        RunRemote(WAKE_ON_LAN_MARKER, [&](HWND d) {
            SendDlgItemMessageA(d, IDC_WOL_IP, IPM_SETADDRESS, 0, MAKEIPADDRESS(10, 0, 0, 9));
            SendDlgItemMessageA(d, IDC_WOL_MASK, IPM_SETADDRESS, 0, c.mask);
            Type(d, IDC_WOL_MAC, c.mac);
            Click(d, IDOK);
            EXPECT_TRUE(IsWindowVisible(d)) << c.mac;
        });
        EXPECT_EQ(RecordBytes(state), before) << c.mac;
    }
    ASSERT_EQ(BoxWatcher::boxes.size(), std::size(cases));
    for (size_t i = 0; i < std::size(cases); i++)
        EXPECT_EQ(BoxWatcher::boxes[i],
                  std::make_pair(std::string("haltall"), std::string(cases[i].message)));
}

TEST_F(RemoteDialogs, PortsAbove65535AreRefusedAndTheDialogStaysOpen)
{
    state.quiet = 0;
    state.os_version.dwPlatformId = 2;
    std::vector<unsigned char> before = RecordBytes(state);
    BoxWatcher boxes;
    RunRemote(REMOTE_MARKER, [&](HWND d) {
        Type(d, IDC_REMOTE_NAME, "pc9");
        Type(d, IDC_REMOTE_PORT, "106386");
        Click(d, IDOK);
        EXPECT_TRUE(IsWindowVisible(d));
    });
    RunRemoteControl([&](HWND d) {
        Type(d, IDC_RC_PORT, "65536");
        Click(d, IDOK);
        EXPECT_TRUE(IsWindowVisible(d));
    });
    EXPECT_EQ(RecordBytes(state), before);
    ASSERT_EQ(BoxWatcher::boxes.size(), 2u);
    for (auto& box : BoxWatcher::boxes)
        EXPECT_EQ(box, std::make_pair(std::string("haltall"),
                                      std::string("Invalid port specified (1-65535)")));
}

TEST_F(RemoteDialogs, AllowedAddressesAreCheckedWhereTheyAreTyped)
{
    state.quiet = 0;
    strcpy(state.remote_control.allow, "10.0.0.1");
    std::vector<unsigned char> before = RecordBytes(state);
    BoxWatcher boxes;
    RunRemoteControl([&](HWND d) {
        EXPECT_EQ(Text(d, IDC_RC_ALLOW), "10.0.0.1");
        Type(d, IDC_RC_PORT, "4321");
        Type(d, IDC_RC_ALLOW, "10.0.5.0/24, pc7");
        Click(d, IDOK);
        EXPECT_TRUE(IsWindowVisible(d));
    });
    EXPECT_EQ(RecordBytes(state), before);
    ASSERT_EQ(BoxWatcher::boxes.size(), 1u);
    EXPECT_EQ(BoxWatcher::boxes[0],
              std::make_pair(std::string("haltall"),
                             std::string("Not an address or a range of addresses: pc7")));
    RunRemoteControl([&](HWND d) {
        Type(d, IDC_RC_ALLOW, "10.0.5.0/24, fd00::/8");
        Click(d, IDOK);
    });
    EXPECT_STREQ(state.remote_control.allow, "10.0.5.0/24, fd00::/8");
}

TEST_F(RemoteDialogs, LookupWithoutAnAnswerKeepsTheMac)
{
    state.action = WAKE_ON_LAN;
    strcpy(state.remote.mac_address, "0011223344AA");
    for (const char* ip : {"", "127.0.0.1"}) {
        RunRemote(WAKE_ON_LAN_MARKER, [&](HWND d) {
            SendDlgItemMessageA(d, IDC_WOL_IP, ip[0] ? IPM_SETADDRESS : IPM_CLEARADDRESS, 0,
                                MAKEIPADDRESS(127, 0, 0, 1));
            Click(d, IDC_WOL_LOOKUP);
            EXPECT_TRUE(IsWindowVisible(d));
            EXPECT_EQ(Text(d, IDC_WOL_MAC), "0011223344AA");
        });
    }
    // A blank control looks up 0.0.0.0; loopback has no physical address.
    EXPECT_TRUE(log.Logged("LookupMACAddress start, address=0.0.0.0"));
    EXPECT_TRUE(log.Logged("LookupMACAddress start, address=127.0.0.1"));
    EXPECT_EQ(Errors(), std::vector<std::string>(2, "MAC address not found"));
}

TEST_F(RemoteDialogs, RemoteControlStoresOnlyThePasswordsVerifier)
{
    char kept[sizeof state.remote_control.verifier];
    SetRemoteControlPassword(&state, "kept");
    memcpy(kept, state.remote_control.verifier, sizeof kept);
    struct {
        const char* port;
        const char* password;
        bool secure_only;
        int stored_port;
        const char* matches;  // the password the stored verifier holds; null: kept
    } cases[] = {
        {"4321", "secret", true, 4321, "secret"},
        {"0", "********", false, 3210, nullptr},
        {"", "", false, 3210, ""},
        {"-1", "********", true, 3210, nullptr},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "port '" << c.port << "' password '" << c.password << "'");
        memcpy(state.remote_control.verifier, kept, sizeof kept);
        // Settings of an older copy: their encoded form goes when the password is set.
        strcpy(state.remote_control.password, "old");
        state.remote_control.port = 5000;
        state.remote_control.secure_only = 0;
        std::string caption = RunRemoteControl([&](HWND d) {
            EXPECT_EQ(Text(d, IDC_RC_PORT), "5000");
            EXPECT_EQ(Text(d, IDC_RC_PASSWORD), "********");
            EXPECT_FALSE(IsWindowVisible(GetDlgItem(d, IDC_RC_NO_PASSWORD)));
            EXPECT_FALSE(Checked(d, IDC_RC_SECURE_ONLY));
            Type(d, IDC_RC_PORT, c.port);
            Type(d, IDC_RC_PASSWORD, c.password);
            if (c.secure_only)
                Click(d, IDC_RC_SECURE_ONLY);
            Click(d, IDOK);
        });
        EXPECT_EQ(caption, "Remote Control");
        EXPECT_EQ(state.remote_control.port, c.stored_port);
        if (c.matches) {
            EXPECT_STREQ(state.remote_control.password, "");
            EXPECT_EQ(HasRemoteControlPassword(&state), c.matches[0] != '\0');
            if (c.matches[0]) {
                EXPECT_TRUE(RemoteControlPasswordMatches(&state, c.matches));
                EXPECT_EQ(strstr(state.remote_control.verifier, c.password), nullptr);
            }
        } else {
            EXPECT_STREQ(state.remote_control.verifier, kept);
        }
        EXPECT_EQ(state.remote_control.secure_only, c.secure_only ? 1 : 0);
    }
    // The placeholder also shows when nothing is stored, beside the note
    // that there is no password; Cancel stores nothing.
    state.remote_control.password[0] = '\0';
    state.remote_control.verifier[0] = '\0';
    state.remote_control.port = 5000;
    RunRemoteControl([&](HWND d) {
        EXPECT_EQ(Text(d, IDC_RC_PASSWORD), "********");
        EXPECT_TRUE(IsWindowVisible(GetDlgItem(d, IDC_RC_NO_PASSWORD)));
        Type(d, IDC_RC_PORT, "1");
        Click(d, IDCANCEL);
    });
    EXPECT_EQ(state.remote_control.port, 5000);
}

TEST_F(RemoteDialogs, MainWindowButtonsOpenThem)
{
    struct {
        Action action;
        int button;
        const char* marker;
        const char* caption;
    } cases[] = {
        {REBOOT, IDC_SPECIFY, REMOTE_MARKER, "Remote computer"},
        {WAKE_ON_LAN, IDC_SPECIFY, WAKE_ON_LAN_MARKER, "Wake-on-LAN"},
        {REBOOT, IDC_SETTINGS, REMOTE_CONTROL_MARKER, "Remote Control"},
    };
    for (auto& c : cases) {
        state.action = c.action;
        state.who = REMOTE_COMPUTER;
        state.options.allow_remote_control = 1;
        ASSERT_EQ(InitDialog(nullptr, g_instance, &state), 1);
        HWND window = g_main_window;
        DialogDriver driver(c.marker, [](HWND d) { Click(d, IDCANCEL); });
        Click(window, c.button);
        EXPECT_EQ(driver.Caption(), c.caption);
        DestroyWindow(window);
        g_main_window = nullptr;
        MSG message;
        PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
    }
}

TEST_F(RemoteDialogs, ADialogThatCannotBeCreatedIsReported)
{
    g_instance = GetModuleHandleA("kernel32.dll");  // holds none of the templates
    ShowRemoteDialog(nullptr, &state);
    ShowRemoteControlDialog(nullptr, &state);
    g_instance = GetModuleHandleA(nullptr);
    EXPECT_EQ(log.CountStartingWith("DisplayLastError start"), 2);
    EXPECT_TRUE(log.Logged("ShowRemoteControlDialog end"));
}

// The lookup's libraries are bound by name; each missing piece has its code.
TEST_F(RemoteDialogs, LookupReportsEachMissingLibraryAndEntry)
{
    struct {
        const char* AddressLookupNames::*name;
        int code;
    } cases[] = {
        {&AddressLookupNames::icmp_library, LOOKUP_NO_ICMP},
        {&AddressLookupNames::icmp_create_file, LOOKUP_NO_ICMP_CREATE_FILE},
        {&AddressLookupNames::icmp_send_echo, LOOKUP_NO_ICMP_SEND_ECHO},
        {&AddressLookupNames::icmp_close_handle, LOOKUP_NO_ICMP_CLOSE_HANDLE},
        {&AddressLookupNames::iphlpapi_library, LOOKUP_NO_IPHLPAPI},
        {&AddressLookupNames::get_ip_net_table, LOOKUP_NO_GET_IP_NET_TABLE},
    };
    for (auto& c : cases) {
        AddressLookupNames names = SYSTEM_ADDRESS_LOOKUP_NAMES;
        names.*c.name = "NoSuchThing.dll";
        int errors_before = log.CountStartingWith("DisplayLastError start");
        EXPECT_EQ(LookupMACAddressUsing(names, &state, nullptr, NetworkOrder(0x7F000001), IDC_WOL_MAC),
                  c.code);
        EXPECT_EQ(log.CountStartingWith("DisplayLastError start") - errors_before, 1) << c.code;
    }
    EXPECT_EQ(LookupMACAddress(&state, nullptr, NetworkOrder(0x7F000001), IDC_WOL_MAC), LOOKUP_NOT_FOUND);
}

namespace {

DWORD fake_rows = 0, fake_result = NO_ERROR;
int fake_calls = 0;

// An address table of fake_rows rows, row i for 10.0.i/256.i%256.
DWORD WINAPI FakeGetIpNetTable(void* table, ULONG* size, BOOL)
{
    fake_calls++;
    if (fake_result != NO_ERROR)
        return fake_result;
    ULONG needed = 4 + fake_rows * sizeof(AddressTableRow);
    if (*size < needed) {
        *size = needed;
        return ERROR_INSUFFICIENT_BUFFER;
    }
    memcpy(table, &fake_rows, 4);
    AddressTableRow* rows = (AddressTableRow*)((char*)table + 4);
    for (DWORD i = 0; i < fake_rows; i++)
        rows[i] = {1, 6, {2, 0, 0, 0, (uint8_t)(i >> 8), (uint8_t)i}, NetworkOrder(0x0A000000 + i), 3};
    return NO_ERROR;
}

}  // namespace

TEST(AddressTable, ReadsTablesOfAnySize)
{
    struct {
        DWORD rows, result;
        bool read;
        int calls;
    } cases[] = {
        {3, NO_ERROR, true, 1},
        {100, NO_ERROR, true, 1},
        {150, NO_ERROR, true, 2},  // more than the first buffer holds
        {0, ERROR_NO_DATA, true, 1},
        {0, ERROR_NOT_SUPPORTED, false, 1},
    };
    for (auto& c : cases) {
        fake_rows = c.rows;
        fake_result = c.result;
        fake_calls = 0;
        size_t rows = 99999;
        DWORD error = 0;
        unsigned char* table = ReadAddressTable(FakeGetIpNetTable, &rows, &error);
        EXPECT_EQ(table != nullptr, c.read) << c.rows;
        EXPECT_EQ(fake_calls, c.calls) << c.rows;
        if (!table) {
            EXPECT_EQ(error, c.result);
            continue;
        }
        EXPECT_EQ(rows, (size_t)c.rows);
        if (c.rows == 150) {
            char mac[17];
            FindPhysicalAddress((AddressTableRow*)(table + 4), rows, NetworkOrder(0x0A000000 + 140),
                                mac, sizeof mac);
            EXPECT_STREQ(mac, "02000000008C");
        }
        free(table);
    }
}
