#include "ui/power_dialog.h"

#include "core/app_state.h"
#include "core/reason_code.h"
#include "core/report.h"
#include "resource.h"
#include "ui/dialog_fields.h"

namespace {

void Check(HWND dialog, int id, bool checked)
{
    CheckDlgButton(dialog, id, checked ? BST_CHECKED : BST_UNCHECKED);
}

bool Checked(HWND dialog, int id)
{
    return IsDlgButtonChecked(dialog, id) == BST_CHECKED;
}

void OpenPower(HWND dialog, AppState* state)
{
    const auto& power = state->power;
    LimitEdit(dialog, IDC_PWR_REASON, sizeof power.reason);
    LimitEdit(dialog, IDC_PWR_REASON_CODE, REASON_CODE_TEXT_SIZE);
    Check(dialog, IDC_PWR_HYBRID, power.hybrid);
    Check(dialog, IDC_PWR_RESTART_APPS, power.restart_apps);
    // Both set (from the command line) shows the firmware, which "Do it" refuses alike.
    int into = power.firmware ? IDC_PWR_INTO_FIRMWARE
               : power.boot_options ? IDC_PWR_INTO_BOOT_OPTIONS
                                    : IDC_PWR_INTO_WINDOWS;
    CheckRadioButton(dialog, IDC_PWR_INTO_WINDOWS, IDC_PWR_INTO_BOOT_OPTIONS, into);
    SetDlgItemTextA(dialog, IDC_PWR_REASON, power.reason);
    char code[REASON_CODE_TEXT_SIZE];
    ReasonCodeText(power.reason_code, code, sizeof code);
    SetDlgItemTextA(dialog, IDC_PWR_REASON_CODE, code);
}

// A reason code that is no "major:minor" keeps the dialog open with
// nothing stored.
bool TakePower(HWND dialog, AppState* state)
{
    char code_text[REASON_CODE_TEXT_SIZE + 1];
    uint32_t code;
    GetDlgItemTextA(dialog, IDC_PWR_REASON_CODE, code_text, sizeof code_text);
    if (!ParseReasonCode(code_text, &code)) {
        Error(state, dialog, "Invalid reason code specified (major:minor, at most 255:65535)");
        return false;
    }
    auto& power = state->power;
    if (!ReadEdit(dialog, IDC_PWR_REASON, power.reason))
        return false;
    power.reason_code = code;
    power.hybrid = Checked(dialog, IDC_PWR_HYBRID);
    power.restart_apps = Checked(dialog, IDC_PWR_RESTART_APPS);
    power.firmware = Checked(dialog, IDC_PWR_INTO_FIRMWARE);
    power.boot_options = Checked(dialog, IDC_PWR_INTO_BOOT_OPTIONS);
    return true;
}

const DialogParts power_parts = {OpenPower, TakePower, nullptr};

}  // namespace

INT_PTR CALLBACK PowerDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    return SettingsDialogMessage(power_parts, dialog, message, wParam, lParam);
}

void ShowPowerDialog(HWND owner, AppState* state)
{
    RunSettingsDialog("ShowPowerDialog", owner, state, IDD_POWER, PowerDialogProc);
}
