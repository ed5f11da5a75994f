#include "gui/links/link_images.h"

#include <cstring>
#include <memory>
#include <wx/dcmemory.h>
#include <wx/graphics.h>
#include <wx/image.h>

#include "core/links/link_update_model.h"

namespace {

// A sheet of paper, with a mark for the state: the file the link downloads into.
void PaintState(wxGraphicsContext& gc, int image) {
  bool missing = image == kImageFileMissing;
  gc.SetPen(wxPen(missing ? wxColour(160, 160, 160) : wxColour(90, 90, 90), 1,
                  missing ? wxPENSTYLE_SHORT_DASH : wxPENSTYLE_SOLID));
  gc.SetBrush(missing ? *wxTRANSPARENT_BRUSH : *wxWHITE_BRUSH);
  gc.DrawRectangle(2.5, 0.5, 10, 14);
  gc.SetPen(*wxTRANSPARENT_PEN);
  switch (image) {
    case kImageUpdated:  // a new version came: an orange arrow down into the sheet
      gc.SetBrush(wxBrush(wxColour(230, 120, 0)));
      gc.DrawEllipse(6, 7, 9, 9);
      gc.SetPen(wxPen(*wxWHITE, 2));
      gc.StrokeLine(10.5, 8.5, 10.5, 13);
      gc.StrokeLine(8.5, 11, 10.5, 13.5);
      gc.StrokeLine(12.5, 11, 10.5, 13.5);
      break;
    case kImageNotUpdated:  // checked, unchanged: a green tick
      gc.SetPen(wxPen(wxColour(30, 150, 60), 2));
      gc.StrokeLine(5, 9, 7.5, 12);
      gc.StrokeLine(7.5, 12, 13, 5);
      break;
    case kImageError:  // a red cross
      gc.SetBrush(wxBrush(wxColour(200, 30, 30)));
      gc.DrawEllipse(6, 7, 9, 9);
      gc.SetPen(wxPen(*wxWHITE, 1.5));
      gc.StrokeLine(8.5, 9.5, 12.5, 13.5);
      gc.StrokeLine(12.5, 9.5, 8.5, 13.5);
      break;
    case kImageFileMissing:
      break;
    default:  // present, not updated here yet: lines of text
      gc.SetPen(wxPen(wxColour(120, 140, 180), 1));
      for (double y = 4.5; y < 13; y += 3) gc.StrokeLine(5, y, 10, y);
      break;
  }
}

wxBitmap DrawState(int image) {
  wxImage canvas(16, 16);
  canvas.InitAlpha();
  std::memset(canvas.GetAlpha(), 0, 16 * 16);
  wxBitmap bitmap(canvas, 32);
  {
    wxMemoryDC dc(bitmap);
    std::unique_ptr<wxGraphicsContext> gc(wxGraphicsContext::Create(dc));
    if (gc) {
      gc->SetAntialiasMode(wxANTIALIAS_DEFAULT);
      PaintState(*gc, image);
    }
  }
  return bitmap;
}

}  // namespace

void AddLinkStateImages(wxImageList& images) {
  for (int image = kImageFilePresent; image <= kImageError; ++image) images.Add(DrawState(image));
}
