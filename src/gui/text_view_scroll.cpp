#include "gui/text_view_scroll.h"

#include <gtk/gtk.h>
#include <wx/textctrl.h>

void ScrollLineToTop(wxTextCtrl& text, long line) {
  // A multi-line wxTextCtrl of wxGTK is a scrolled window around a GtkTextView.
  GtkWidget* scrolled = static_cast<GtkWidget*>(text.GetHandle());
  if (!scrolled || !GTK_IS_BIN(scrolled)) return;
  GtkWidget* child = gtk_bin_get_child(GTK_BIN(scrolled));
  if (!child || !GTK_IS_TEXT_VIEW(child)) return;
  GtkTextView* view = GTK_TEXT_VIEW(child);
  GtkTextBuffer* buffer = gtk_text_view_get_buffer(view);
  GtkTextIter start;
  gtk_text_buffer_get_iter_at_line(buffer, &start, static_cast<gint>(line));
  // A mark, not an iterator: the view may not have laid out the text yet, and it scrolls to
  // a mark once it has.
  static const char kMarkName[] = "pagewarden-top-line";
  GtkTextMark* mark = gtk_text_buffer_get_mark(buffer, kMarkName);
  if (mark) {
    gtk_text_buffer_move_mark(buffer, mark, &start);
  } else {
    mark = gtk_text_buffer_create_mark(buffer, kMarkName, &start, TRUE);
  }
  gtk_text_view_scroll_to_mark(view, mark, 0.0, TRUE, 0.0, 0.0);
}
