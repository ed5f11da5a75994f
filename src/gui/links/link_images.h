// The state pictures of the link update dialog's rows, drawn at start: 16 x 16, in the
// order of LinkRowImage from kImageFilePresent (list image 0) to kImageError (4).
#pragma once

#include <wx/imaglist.h>

// Fills `images` (16 x 16) with the five pictures.
void AddLinkStateImages(wxImageList& images);
