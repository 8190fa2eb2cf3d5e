// The Windows headers as the Win32 side of the toolkit includes them.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

// The application object has a member called MessageBox; the ANSI/Unicode macro must not rename it.
#undef MessageBox
