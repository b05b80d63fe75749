/*
 * Ids of the "Remote computer", "Wake-on-LAN" and "Remote Control" dialogs.
 * Only #define lines and comments: read by the C++ compiler and windres.
 * Several numbers repeat ids of the main window; they are fixed all the same.
 */
#ifndef HALTALL_REMOTE_DIALOGS_IDS_H
#define HALTALL_REMOTE_DIALOGS_IDS_H

/* ---- Dialog templates -------------------------------------------------- */
#define IDD_REMOTE                      111   /* "Remote computer"            */
#define IDD_WAKE_ON_LAN                 116   /* "Wake-on-LAN"                */
#define IDD_REMOTE_CONTROL              119   /* "Remote Control"             */

/* ---- Remote computer (IDD_REMOTE) -------------------------------------- */
#define IDC_REMOTE_NAME                 1030  /* computer name edit           */
#define IDC_REMOTE_BROWSE               1018  /* "..." network browser        */
#define IDC_REMOTE_USE_NT               1080  /* "(only shutdown and reboot)" */
#define IDC_REMOTE_CURRENT_CREDENTIALS  1085
#define IDC_REMOTE_USERNAME             1086  /* NT user name edit            */
#define IDC_REMOTE_PASSWORD             1081  /* password edit                */
#define IDC_REMOTE_PORT                 1082  /* port edit, digits only       */
#define IDC_REMOTE_SAVE_PASSWORD        1083  /* "(will be stored as plain text!)" */
#define IDC_REMOTE_SCHEDULE             1084  /* schedule on remote machine   */

/* ---- Wake On LAN (IDD_WAKE_ON_LAN) ------------------------------------- */
#define IDC_WOL_IP                      1044  /* IP address control           */
#define IDC_WOL_MASK                    1046  /* IP address control           */
#define IDC_WOL_MAC                     1072  /* MAC edit, 12 characters      */
#define IDC_WOL_LOOKUP                  1083  /* "Lookup"                     */

/* ---- Remote Control (IDD_REMOTE_CONTROL) ------------------------------- */
#define IDC_RC_PORT                     1082  /* port edit, digits only       */
#define IDC_RC_PASSWORD                 1081  /* password edit                */
#define IDC_RC_NO_PASSWORD              1190  /* shown while no password is set */
#define IDC_RC_SECURE_ONLY              1191  /* refuse PASSWORD in clear text */
#define IDC_RC_ALLOW                    1192  /* addresses and ranges that may connect */

#endif /* HALTALL_REMOTE_DIALOGS_IDS_H */
