/*
 * Ids of the "Edit Group" dialog and its menu.
 * Only #define lines and comments: read by the C++ compiler and windres.
 * Several numbers repeat ids of other dialogs; they are fixed all the same.
 */
#ifndef HALTALL_GROUP_EDITOR_IDS_H
#define HALTALL_GROUP_EDITOR_IDS_H

/* ---- Dialog template and menu ------------------------------------------ */
#define IDD_GROUP                       125   /* "Edit Group"                 */
#define IDM_GROUP                       126   /* its "&File" menu             */

/* ---- Menu commands ----------------------------------------------------- */
#define ID_GROUP_NEW                    40017
#define ID_GROUP_OPEN                   40014
#define ID_GROUP_SAVE                   40015
#define ID_GROUP_SAVE_AS                40016

/* ---- Editing fields of one computer ------------------------------------ */
#define IDC_GROUP_NAME                  1088  /* host name or IP edit         */
#define IDC_GROUP_BROWSE                1090  /* "..." network browser        */
#define IDC_GROUP_MAC                   1094  /* MAC address edit             */
#define IDC_GROUP_LOOKUP                1096  /* "Lookup"                     */
#define IDC_GROUP_MASK                  1047  /* subnet mask, IP address control */
#define IDC_GROUP_USE_NT                1099  /* "(only shutdown and reboot)" */
#define IDC_GROUP_CURRENT_CREDENTIALS   1101
#define IDC_GROUP_USERNAME              1103
#define IDC_GROUP_PORT                  1105  /* digits only                  */
#define IDC_GROUP_PASSWORD              1107
#define IDC_GROUP_SECURE                1112  /* never send the password in clear */
#define IDC_GROUP_ADD                   1091
#define IDC_GROUP_MODIFY                1092
#define IDC_GROUP_REMOVE                1093
#define IDC_GROUP_CHECK                 1113  /* "Check", "Cancel" during a check */
#define IDC_GROUP_CHECK_TEXT            1114  /* how far the check has come   */

/* ---- "IP Range" box ---------------------------------------------------- */
#define IDC_GROUP_RANGE_START           1051  /* IP address control           */
#define IDC_GROUP_RANGE_END             1053  /* IP address control           */
#define IDC_GROUP_RANGE_ADD             1097  /* "Add", "Cancel" during a scan */

/* ---- The computers of the group ---------------------------------------- */
#define IDC_GROUP_LIST                  1087  /* owner-data list view         */

#endif /* HALTALL_GROUP_EDITOR_IDS_H */
