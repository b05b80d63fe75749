/*
 * Ids of the Schedule, Warning message, Program, Process, Select process and
 * Idle dialogs. Only #define lines and comments (read by windres too); included
 * from resource.h. The numbers are fixed: never renumber an entry.
 */
#ifndef HALTALL_SETTINGS_DIALOGS_IDS_H
#define HALTALL_SETTINGS_DIALOGS_IDS_H

/* ---- Dialog templates -------------------------------------------------- */
#define IDD_SCHEDULE                    109   /* "Schedule"                   */
#define IDD_MESSAGE                     110   /* "Warning message"            */
#define IDD_PROGRAM                     112   /* "Program"                    */
#define IDD_PROCESS                     114   /* "Process"                    */
#define IDD_SELECT_PROCESS              115   /* "Select process"             */
#define IDD_IDLE                        140   /* "Idle"                       */

/* ---- Schedule (IDD_SCHEDULE) ------------------------------------------- */
#define IDC_SCHED_TIME                  1005  /* time picker "HH:mm"          */
#define IDC_SCHED_DATE                  1012  /* date picker "dd/MM/yyy"      */
#define IDC_SCHED_FIXED_DAY             1056  /* kind buttons, in the order   */
#define IDC_SCHED_DAILY                 1057  /* of the ScheduleKind values   */
#define IDC_SCHED_DAY_OF_MONTH          1058
#define IDC_SCHED_AFTER                 1059
#define IDC_SCHED_MONDAY                1090  /* weekday boxes, Monday first  */
#define IDC_SCHED_TUESDAY               1091
#define IDC_SCHED_WEDNESDAY             1092
#define IDC_SCHED_THURSDAY              1093
#define IDC_SCHED_FRIDAY                1094
#define IDC_SCHED_SATURDAY              1095
#define IDC_SCHED_SUNDAY                1096
#define IDC_SCHED_WEEK1                 1069  /* "Week 1" .. "Week 5"         */
#define IDC_SCHED_WEEK2                 1070
#define IDC_SCHED_WEEK3                 1071
#define IDC_SCHED_WEEK4                 1072
#define IDC_SCHED_WEEK5                 1073
#define IDC_SCHED_DAY                   1067  /* day of the month             */
#define IDC_SCHED_SECONDS               1068
#define IDC_SCHED_WAIT                  1074
#define IDC_SCHED_NOW_LABEL             1084  /* "Current time:"              */
#define IDC_SCHED_CLOCK                 1086  /* the running clock            */

/* ---- Warning message (IDD_MESSAGE) ------------------------------------- */
#define IDC_MSG_SECONDS                 1032
#define IDC_MSG_TEXT                    1037  /* multi-line                   */
#define IDC_MSG_PLAY_SOUND              1075  /* check box without text       */
#define IDC_MSG_SOUND_FILE              1077
#define IDC_MSG_BROWSE_SOUND            1079  /* "..."                        */

/* ---- Program (IDD_PROGRAM) --------------------------------------------- */
#define IDC_PRG_PROGRAM                 1055
#define IDC_PRG_BROWSE_PROGRAM          1018  /* "..."                        */
#define IDC_PRG_DIRECTORY               1056
#define IDC_PRG_BROWSE_DIRECTORY        1019  /* "..."                        */

/* ---- Process (IDD_PROCESS) and Select process (IDD_SELECT_PROCESS) ------ */
#define IDC_PRC_PROCESS                 1068
#define IDC_PRC_BROWSE                  1013  /* "...": opens Select process  */
#define IDC_SEL_LIST                    1071  /* sorted list of the processes */

/* ---- Idle (IDD_IDLE) ----------------------------------------------------- */
#define IDC_IDLE_MINUTES                1252
#define IDC_IDLE_CPU_ON                 1253  /* "and the processor load below" */
#define IDC_IDLE_CPU                    1254
#define IDC_IDLE_NET_ON                 1255  /* "and the network traffic below" */
#define IDC_IDLE_NET                    1256

#endif /* HALTALL_SETTINGS_DIALOGS_IDS_H */
