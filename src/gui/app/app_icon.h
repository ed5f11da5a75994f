// The program's pictures, drawn at start-up: the application icon (also the tray icon) and
// the three result icons of the results list.
#pragma once

#include <wx/bitmap.h>
#include <wx/iconbndl.h>

// The application icon at `size` pixels square.
wxBitmap MakeAppBitmap(int size);
// The application icon in the sizes the desktop asks for (16, 32, 48).
wxIconBundle MakeAppIcons();
// Result icon 16 x 16: 0 not updated, 1 updated, 2 error.
wxBitmap MakeResultBitmap(int image);
