#include "gui/app/app_icon.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <wx/dcmemory.h>
#include <wx/graphics.h>
#include <wx/icon.h>
#include <wx/image.h>

namespace {

// A transparent canvas of `size` pixels with a graphics context on it.
wxBitmap Draw(int size, void (*paint)(wxGraphicsContext&, double, int), int extra = 0) {
  wxImage image(size, size);
  image.InitAlpha();
  std::memset(image.GetAlpha(), 0, static_cast<std::size_t>(size) * size);
  wxBitmap bitmap(image, 32);
  {
    wxMemoryDC dc(bitmap);
    std::unique_ptr<wxGraphicsContext> gc(wxGraphicsContext::Create(dc));
    if (gc) {
      gc->SetAntialiasMode(wxANTIALIAS_DEFAULT);
      paint(*gc, static_cast<double>(size), extra);
    }
  }
  return bitmap;
}

// A page on a blue ground, watched by an eye: the program keeps an eye on pages.
void PaintApp(wxGraphicsContext& gc, double s, int) {
  gc.SetPen(*wxTRANSPARENT_PEN);
  gc.SetBrush(wxBrush(wxColour(32, 96, 192)));
  gc.DrawRoundedRectangle(0, 0, s, s, s * 0.18);
  gc.SetBrush(*wxWHITE_BRUSH);
  gc.DrawRectangle(s * 0.22, s * 0.12, s * 0.56, s * 0.76);
  gc.SetPen(wxPen(wxColour(32, 96, 192), std::max(1.0, s / 16)));
  for (int line = 0; line < 3; ++line) {
    double y = s * (0.24 + 0.1 * line);
    gc.StrokeLine(s * 0.3, y, s * 0.7, y);
  }
  gc.SetPen(*wxTRANSPARENT_PEN);
  gc.SetBrush(wxBrush(wxColour(240, 160, 0)));
  gc.DrawEllipse(s * 0.3, s * 0.56, s * 0.4, s * 0.24);
  gc.SetBrush(wxBrush(wxColour(20, 20, 20)));
  gc.DrawEllipse(s * 0.43, s * 0.61, s * 0.14, s * 0.14);
}

void PaintResult(wxGraphicsContext& gc, double s, int image) {
  static const wxColour kColours[] = {wxColour(150, 150, 150), wxColour(230, 120, 0),
                                      wxColour(200, 30, 30)};
  gc.SetPen(*wxTRANSPARENT_PEN);
  gc.SetBrush(wxBrush(kColours[image]));
  gc.DrawEllipse(1, 1, s - 2, s - 2);
  gc.SetPen(wxPen(*wxWHITE, 2));
  if (image == 1) {  // updated: an exclamation mark
    gc.StrokeLine(s / 2, s * 0.25, s / 2, s * 0.6);
    gc.StrokeLine(s / 2, s * 0.72, s / 2, s * 0.78);
  } else if (image == 2) {  // error: a cross
    gc.StrokeLine(s * 0.32, s * 0.32, s * 0.68, s * 0.68);
    gc.StrokeLine(s * 0.68, s * 0.32, s * 0.32, s * 0.68);
  } else {  // not updated: a bar
    gc.StrokeLine(s * 0.3, s / 2, s * 0.7, s / 2);
  }
}

}  // namespace

wxBitmap MakeAppBitmap(int size) { return Draw(size, PaintApp); }

wxIconBundle MakeAppIcons() {
  wxIconBundle icons;
  for (int size : {16, 32, 48}) {
    wxIcon icon;
    icon.CopyFromBitmap(MakeAppBitmap(size));
    icons.AddIcon(icon);
  }
  return icons;
}

wxBitmap MakeResultBitmap(int image) {
  if (image < 0 || image > 2) image = 0;
  return Draw(16, PaintResult, image);
}
