// Every resource, command, control, timer and private message id of the
// program, in one place. Included by the resource script and by the C++ code,
// so it holds #define lines only.
#ifndef TL_RES_RESOURCE_H
#define TL_RES_RESOURCE_H

// Resources.
#define IDR_MAIN_MENU 101   // the menu bar of the main window
#define IDI_TROVELINKS 102  // the program icon, also the window class's icon
#define IDD_PROPERTIES 103  // the Properties dialog: one Bookmark's title, URL and keywords
#define IDB_TOOLBAR 104     // four 16 x 16 toolbar images: Fast Add, Add, Properties, Delete
#define IDD_ABOUT 105       // the About dialog
#define IDD_OPTIONS 106     // the Options dialog
#define IDB_LOGO 106        // the About dialog's logo (white and black are mapped)
#define IDB_STATUS 110      // four 9 x 9 status images: no change, failed, new, checking
#define IDR_ACCELERATORS 118
#define IDD_DICTIONARY 119 // the Keyword Dictionary
#define IDD_SCOPE 120      // the scope chooser: all Trovelinks or the selected ones

// Child windows of the main window.
#define IDC_TOOLBAR 100
#define IDC_STATUS_BAR 101
#define IDC_LIST 0xFFFF

// Commands (menu items, toolbar buttons, accelerators, right-click menu).
#define IDM_QUIT 40001
#define IDM_ADD 40002
#define IDM_DELETE 40003
#define IDM_CONTENTS 40004
#define IDM_ABOUT 40005
#define IDM_PROPERTIES 40007
#define IDC_FILTER 40008 // the filter box; its change notification refreshes the filter
#define IDM_OPTIONS 40010
#define IDM_IMPORT 40011
#define IDM_SAVE 40012
#define IDM_EXPORT 40013
#define IDM_FAST_ADD 40014
#define IDM_OPEN 40015
#define IDM_MARK_VISITED 40016
#define IDM_IMPORT_FAVORITES 40026
#define IDM_WHATS_NEW 40029
#define IDM_STOP_CHECKING 40030
#define IDM_DICTIONARY 40031
#define IDM_COPY_URL 40032

// Controls of the Properties dialog.
#define IDC_TITLE 1000
#define IDC_URL 1001
#define IDC_KEYWORDS 1002
#define IDC_LAST_MODIFIED 1017
#define IDC_LAST_VISIT 1018
#define IDC_ADD_DATE 1019
#define IDC_PROPERTY_TABS 1026

// Controls of the Options dialog, each check box named after its field.
#define IDC_PARTIAL_MATCH 1007
#define IDC_AUTO_LAUNCH 1008
#define IDC_AUTO_RESCAN 1009
#define IDC_CASE_SENS 1010
#define IDC_TL_FILE 1011
#define IDC_TOOLTIPS 1012
#define IDC_BROWSE 1013
#define IDC_AUTO_CHECK 1020
#define IDC_BACKUP 1033

// Controls of the About dialog.
#define IDC_VERSION 1003
#define IDC_BUILD 1004
#define IDC_LOGO 1035

// Controls of the Keyword Dictionary.
#define IDC_WORD_LIST 1029
#define IDC_WORD_CASE 1030
#define IDC_WORD_COUNT 1034

// Controls of the scope chooser.
#define IDC_SCOPE_ALL 1031
#define IDC_SCOPE_SELECTED 1032
#define IDC_SCOPE_ICON 1039

// The one-minute timer of the main window.
#define IDT_MINUTE 1

// Messages between the checker thread and the main window (WM_USER is 0x400).
#define WM_CHECK_STATUS (0x400 + 2) // checker -> main window, sent
#define WM_CHECK_URL (0x400 + 3)    // main window -> checker thread, posted
#define WM_CHECKER_IDLE (0x400 + 4) // checker -> main window, sent

#endif
