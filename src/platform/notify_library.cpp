#include "platform/notify_library.h"

#include <dlfcn.h>

#include <mutex>

namespace platform {

namespace {

// Each entry from the library or the libraries it depends on; false when one is missing.
template <class Function>
bool Resolve(void* library, const char* name, Function& function) {
  function = reinterpret_cast<Function>(dlsym(library, name));
  return function != nullptr;
}

bool ResolveAll(void* library, NotifyLibrary& table) {
  return Resolve(library, "g_main_context_new", table.mainContextNew) &&
         Resolve(library, "g_main_context_unref", table.mainContextUnref) &&
         Resolve(library, "g_main_context_push_thread_default", table.pushThreadDefault) &&
         Resolve(library, "g_main_context_pop_thread_default", table.popThreadDefault) &&
         Resolve(library, "g_main_context_invoke_full", table.invokeFull) &&
         Resolve(library, "g_main_loop_new", table.mainLoopNew) &&
         Resolve(library, "g_main_loop_run", table.mainLoopRun) &&
         Resolve(library, "g_main_loop_quit", table.mainLoopQuit) &&
         Resolve(library, "g_main_loop_unref", table.mainLoopUnref) &&
         Resolve(library, "g_object_unref", table.objectUnref) &&
         Resolve(library, "g_signal_connect_data", table.signalConnectData) &&
         Resolve(library, "g_list_free_full", table.listFreeFull) &&
         Resolve(library, "g_free", table.free) &&
         Resolve(library, "g_clear_error", table.clearError) &&
         Resolve(library, "g_markup_escape_text", table.markupEscapeText) &&
         Resolve(library, "notify_init", table.init) &&
         Resolve(library, "notify_uninit", table.uninit) &&
         Resolve(library, "notify_get_server_caps", table.getServerCaps) &&
         Resolve(library, "notify_notification_new", table.notificationNew) &&
         Resolve(library, "notify_notification_add_action", table.addAction) &&
         Resolve(library, "notify_notification_show", table.show) &&
         Resolve(library, "notify_notification_close", table.close);
}

}  // namespace

const NotifyLibrary* NotifyLibrary::Load() {
  static std::once_flag once;
  static NotifyLibrary table;
  static bool loaded = false;
  std::call_once(once, [] {
    // Kept loaded for the rest of the process: GLib's types cannot be unloaded.
    void* library = dlopen("libnotify.so.4", RTLD_NOW | RTLD_LOCAL);
    loaded = library != nullptr && ResolveAll(library, table);
  });
  return loaded ? &table : nullptr;
}

}  // namespace platform
