// Dialogs on the desktop's dialog manager with the handset's rules: the program's dialog
// procedure runs behind a thunk that gives the initial focus the handset's way, and a template
// with neither popup nor child style is created as the popup the handset makes of it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/win32/desktop.h"

namespace win32 {

// Creates a modeless dialog from template bytes whose procedure is the program's.
// templateSize: the template's size when known (0: the template is used as it is).
HWND CreateHandsetDialog(HINSTANCE instance, const void* dialogTemplate, std::size_t templateSize,
                         HWND parent, harness::DlgProc dialogProc, LPARAM initParam);

// The template as the handset reads it: a top-level template with neither WS_POPUP nor WS_CHILD
// becomes a popup (the desktop would give it a caption and border). Classic and extended forms.
std::vector<std::uint8_t> HandsetDialogTemplate(const void* dialogTemplate, std::size_t size);

// True while the program's procedure of this dialog is running (on any level).
bool InsideDialogProcedure(HWND dialog);

// The desktop's DefDlgProcW for a dialog, without asking the program's procedure about the
// message again when called from inside it.
LRESULT DefaultDialogProcessing(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace win32
