// The image check page: a one-line HTML file that shows one image, written to
// "imagetest.htm" in the program folder and handed to the browser or the helper.
#pragma once

#include <string>

// The page for the image at `address` (a path or a URL, CP932). The address is escaped for
// the attribute it stands in, so that no address can add markup to a page the browser
// opens from a local file.
std::string ImageTestPage(const std::string& address);

// `text` with &, <, >, " and ' written as character references. CP932 trail bytes are
// never among them, so the text is scanned byte by byte.
std::string EscapeHtmlAttribute(const std::string& text);
