/*
 * Resource and control ids of Haltall.
 *
 * Only #define lines and comments: this header is read by both the C++
 * compiler and windres. The numbers are fixed (tests and window automation
 * find controls and commands by number), so never renumber an entry.
 */
#ifndef HALTALL_RESOURCE_H
#define HALTALL_RESOURCE_H

#ifndef IDC_STATIC
#define IDC_STATIC                      (-1)
#endif

/* ---- Dialog templates -------------------------------------------------- */
#define IDD_MAIN                        101   /* main window (modeless)       */
#define IDD_WARNING                     104   /* warning countdown (modal)    */
#define IDD_USAGE                       150   /* usage text, scrolling        */

/* ---- Menus ------------------------------------------------------------- */
#define IDM_TRAY                        117   /* tray icon popup              */
#define IDM_MAIN                        118   /* main window menu bar         */

/* ---- Icons ------------------------------------------------------------- */
#define IDI_BIG                         113   /* program icon, 32/16/48 px    */
#define IDI_SMALL                       124   /* small icon, tray and caption */

/* ---- Main window (IDD_MAIN) -------------------------------------------- */

/* "Select Computer" box */
#define IDC_LOCAL_COMPUTER              1028
#define IDC_REMOTE_COMPUTER             1029
#define IDC_GROUP                       1030
#define IDC_SPECIFY                     1011  /* "Specify..." button          */
#define IDC_PROGRESS                    1108  /* group progress bar (hidden)  */
#define IDC_PROGRESS_TEXT               1109  /* "0%" next to it (hidden)     */

/* "Action" box; the radio buttons follow the order of the Action values */
#define IDC_LOGOFF                      1000
#define IDC_REBOOT                      1001
#define IDC_SHUTDOWN                    1002
#define IDC_POWEROFF                    1003
#define IDC_STANDBY                     1004
#define IDC_HIBERNATE                   1005
#define IDC_LOCK                        1006
#define IDC_WAKE_ON_LAN                 1007
#define IDC_MONITOR_OFF                 1016
#define IDC_MONITOR_ON                  1019
#define IDC_NO_ACTION                   1020

/* "Options" box */
#define IDC_OPTIONS_BOX                 1052
#define IDC_WARNING                     1031  /* "Warning message" check box  */
#define IDC_MESSAGE                     1010  /* "Message..." button          */
#define IDC_RUN_PROGRAM                 1032  /* "Run program" check box      */
#define IDC_PROGRAM                     1014  /* "Program..." button          */
#define IDC_FORCE                       1017  /* "Force applications to close" */
#define IDC_IN_TRAY                     1018  /* "Visible in tray"            */
#define IDC_ALLOW_CANCEL                1022
#define IDC_ALLOW_REMOTE_CONTROL        1023
#define IDC_SETTINGS                    1015  /* "Settings..." (remote control) */

/* "When" box */
#define IDC_WHEN_BOX                    1047
#define IDC_WHEN_IMMEDIATE              1049
#define IDC_WHEN_SCHEDULED              1050
#define IDC_WHEN_PROCESS                1051  /* "After a process stops"      */
#define IDC_SCHEDULE                    1012  /* "Schedule..." button         */
#define IDC_PROCESS                     1013  /* "Process..." button          */
#define IDC_WHEN_IDLE                   1250  /* "When idle"                  */
#define IDC_IDLE                        1251  /* "Idle..." button             */

/* Status line: what is armed, for which computer, when */
#define IDC_STATUS                      1263

/* Bottom buttons */
#define IDC_DOIT                        1009  /* "Do it"; "Stop action" while armed */
#define IDC_CLOSE                       1008  /* "Close"                      */

/* ---- Main window menu (IDM_MAIN) --------------------------------------- */
#define ID_FILE_SAVE                    40004
#define ID_FILE_LOAD                    40009
#define ID_FILE_REMOVE                  40010
#define ID_FILE_EXIT                    IDC_CLOSE   /* same command as "Close" */
#define ID_SERVICE_CREATE               40005
#define ID_SERVICE_REMOVE               40006
#define ID_SERVICE_SAVE                 40007
#define ID_SERVICE_LOAD                 40008

/* ---- Tray menu (IDM_TRAY) ---------------------------------------------- */
#define ID_TRAY_RESTORE                 40003
#define ID_TRAY_LOGOFF                  IDC_LOGOFF
#define ID_TRAY_REBOOT                  IDC_REBOOT
#define ID_TRAY_SHUTDOWN                IDC_SHUTDOWN
#define ID_TRAY_POWEROFF                IDC_POWEROFF
#define ID_TRAY_STANDBY                 IDC_STANDBY
#define ID_TRAY_HIBERNATE               40011
#define ID_TRAY_LOCK                    40012
#define ID_TRAY_MONITOR_OFF             40013
#define ID_TRAY_CANCEL                  IDC_CLOSE   /* "Cancel pending action" */
#define ID_TRAY_EXIT                    40001
#define ID_TRAY_CONFIRM                 40031 /* "Ask before quick actions"    */

/* ---- Warning countdown (IDD_WARNING) ----------------------------------- */
#define IDC_WARN_ACTION                 1039  /* action name line             */
#define IDC_WARN_TIME                   1040  /* "Time left: %d seconds"      */
#define IDC_WARN_TEXT                   1041  /* warning text (multi-line)    */
#define IDC_WARN_OK                     1042  /* hidden default button        */
#define IDC_WARN_CANCEL                 IDC_CLOSE   /* "Cancel"                */
#define IDC_WARN_POSTPONE               1260  /* "Postpone"                   */
#define IDC_WARN_DELAY                  1261  /* its delay, a drop-down list  */
#define IDC_WARN_PROGRESS               1262  /* the time left as a bar      */

/* ---- Usage text (IDD_USAGE) -------------------------------------------- */
#define IDC_USAGE_TEXT                  1140  /* the text, read-only          */
#include "remote_dialogs_ids.h"
#include "settings_dialogs_ids.h"
#include "group_editor_ids.h"
#include "power_dialog_ids.h"
#include "group_results_ids.h"

#endif /* HALTALL_RESOURCE_H */
