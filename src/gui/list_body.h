// The generic list control of wxGTK draws its rows in a child window, and that child gets
// the mouse: handlers for clicks on the rows go there.
#pragma once

class wxListCtrl;
class wxWindow;

// The child of `list` that draws its rows; the list itself when there is none.
wxWindow* ListBody(wxListCtrl* list);
