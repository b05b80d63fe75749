/*
 * Ids of the window that shows a group run and its results. Only #define
 * lines and comments (read by windres too); included from resource.h.
 * Never renumber an entry.
 */
#ifndef HALTALL_GROUP_RESULTS_IDS_H
#define HALTALL_GROUP_RESULTS_IDS_H

#define IDD_GROUP_RUN                   170   /* the run and its results      */

#define IDC_RUN_LIST                    1300  /* computer, result, message    */
#define IDC_RUN_STATUS                  1301  /* counts so far, or the summary */
#define IDC_RUN_SAVE                    1302  /* "Save report..."             */
#define IDC_RUN_RETRY                   1303  /* "Retry failed"               */
#define IDC_RUN_CANCEL                  1304  /* stops starting computers     */

#endif /* HALTALL_GROUP_RESULTS_IDS_H */
