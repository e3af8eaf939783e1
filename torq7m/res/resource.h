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
