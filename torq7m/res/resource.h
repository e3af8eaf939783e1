// Resource and control identifiers, named once for the library, its
// resource script and the tests.
#pragma once

// String table: class short and long names.
#define IDS_Q7AD_LONG 3950
#define IDS_Q7DA_LONG 3951
#define IDS_Q7DI_LONG 3953
#define IDS_Q7DO_LONG 3954
#define IDS_Q7DI_SHORT 3955
#define IDS_Q7AD_SHORT 3956
#define IDS_Q7DA_SHORT 3957
#define IDS_Q7DO_SHORT 3958

// Board selection dialog Q7_DEVSEL.
#define IDC_DEVSEL_LIST 103
#define IDC_DEVSEL_PORT_ADDRESS 1001
#define IDC_DEVSEL_PORT_LENGTH 1002
#define IDC_DEVSEL_SWITCH_VALUE 1003
#define IDC_DEVSEL_SLOT 1011

// Vendor menu commands, one per module class.
#define IDM_Q7AD 2951
#define IDM_Q7DA 2952
#define IDM_Q7DI 2953
#define IDM_Q7DO 2954

// String table: the version text of the about box.
#define IDS_MODULE_VERSION 3952

// Settings dialogs TORQ7_ADDLG, TORQ7_DIDLG, TORQ7_DODLG, TORQ7_DADLG; the
// arrows send their own ids as commands.
#define IDC_LESS 23000
#define IDC_MORE 23001
#define IDC_CHANNEL_FIRST 23002   // 23002 to 23017, one tab per channel
#define IDC_MODULE_NAME 23018
#define IDC_DESCRIPTION 23019
#define IDC_SELECTED_CHANNEL 23020
#define IDC_CHANNEL_NAME 23021
#define IDC_INFO 1006
#define IDC_BOARD_NUMBER 1045
#define IDC_RANGE 1046            // analog input: input range; analog output: output range
#define IDC_BUFFER_MODE 1054
#define IDC_BUFFER_SIZE 1055
#define IDC_START_METHOD 1056

// About box TORQ7_ABOUT.
#define IDC_ABOUT_VERSION 1007

// Host menu entry whose handler shows the setup note.
#define IDM_SETUP_NOTE 4990
