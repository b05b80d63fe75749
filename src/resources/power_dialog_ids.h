/*
 * Ids of the "Power options" dialog and of the buttons that reach the
 * power options of today's systems. Only #define lines and comments (read by
 * windres too); included from resource.h. Never renumber an entry.
 */
#ifndef HALTALL_POWER_DIALOG_IDS_H
#define HALTALL_POWER_DIALOG_IDS_H

#define IDD_POWER                       160   /* "Power options"              */

#define IDC_POWER_OPTIONS               1160  /* main window: "Advanced..."   */
#define IDC_PWR_HYBRID                  1161  /* keep fast start-up           */
#define IDC_PWR_RESTART_APPS            1162  /* reopen registered apps       */
#define IDC_PWR_INTO_WINDOWS            1163  /* reboot into: buttons in the  */
#define IDC_PWR_INTO_FIRMWARE           1164  /* order Windows, firmware,     */
#define IDC_PWR_INTO_BOOT_OPTIONS       1165  /* advanced start-up options    */
#define IDC_PWR_REASON                  1166  /* reason text                  */
#define IDC_PWR_REASON_CODE             1167  /* "major:minor"                */
#define IDC_REMOTE_ABORT                1168  /* Remote computer: "Abort shutdown" */

#endif /* HALTALL_POWER_DIALOG_IDS_H */
