// Numbers for vantor.rc, which is compiled without any platform header.
#pragma once

#define IDD_VANTOR_TEST 102
#define IDR_VANTOR_ACCEL 2
#define IDI_VANTOR 101
#define IDM_VANTOR_OK 40000

// WS_POPUP | WS_VISIBLE | WS_CAPTION | DS_CENTER | DS_CONTROL | DS_SETFONT | DS_FIXEDSYS
#define VANTOR_DIALOG_STYLE 0x90C00C48
