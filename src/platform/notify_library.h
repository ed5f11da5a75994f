// libnotify and the GLib functions the desktop notifier calls, loaded when the first notice
// is shown rather than at every start of the program: the library and what it pulls in
// (GLib, GIO, GdkPixbuf and theirs) cost a program that shows no notice more to load than
// all of its own start.
//
// Threads: Load from any thread; the table it gives never changes afterwards.
#pragma once

#include <libnotify/notify.h>

namespace platform {

struct NotifyLibrary {
  decltype(&g_main_context_new) mainContextNew;
  decltype(&g_main_context_unref) mainContextUnref;
  decltype(&g_main_context_push_thread_default) pushThreadDefault;
  decltype(&g_main_context_pop_thread_default) popThreadDefault;
  decltype(&g_main_context_invoke_full) invokeFull;
  decltype(&g_main_loop_new) mainLoopNew;
  decltype(&g_main_loop_run) mainLoopRun;
  decltype(&g_main_loop_quit) mainLoopQuit;
  decltype(&g_main_loop_unref) mainLoopUnref;
  decltype(&g_object_unref) objectUnref;
  decltype(&g_signal_connect_data) signalConnectData;
  decltype(&g_list_free_full) listFreeFull;
  decltype(&g_free) free;
  decltype(&g_clear_error) clearError;
  decltype(&g_markup_escape_text) markupEscapeText;
  decltype(&notify_init) init;
  decltype(&notify_uninit) uninit;
  decltype(&notify_get_server_caps) getServerCaps;
  decltype(&notify_notification_new) notificationNew;
  decltype(&notify_notification_add_action) addAction;
  decltype(&notify_notification_show) show;
  decltype(&notify_notification_close) close;

  // The table, loaded on the first call; nullptr when libnotify cannot be loaded (then no
  // notice can be shown).
  static const NotifyLibrary* Load();
};

}  // namespace platform
