// Resource ids of the line test, shared by the resource script and the code.
#pragma once

#define IDD_LINE_TEST 102
#define IDI_LINE_TEST 128
#define IDB_KEYPAD 129
