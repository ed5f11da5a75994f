// The one way a CP932 string reaches wx, and back.
#pragma once

#include <string>
#include <wx/string.h>

wxString ToWx(const std::string& cp932);
std::string FromWx(const wxString& text);
