#include "platform/desktop_notifier.h"

#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <sys/stat.h>
#include <thread>
#include <vector>

#include "platform/file_system.h"
#include "platform/notify_library.h"
#include "platform/text_codec.h"

namespace platform {

namespace {

// libnotify's state is the process's: one notifier at a time may use it.
std::atomic<bool> g_libnotifyTaken{false};

constexpr const char* kActionKey = "show";

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

}  // namespace

struct CDesktopNotifier::Loop {
  explicit Loop(const NotifyLibrary& library) : lib(library) {}

  const NotifyLibrary& lib;
  GMainContext* context = lib.mainContextNew();
  GMainLoop* loop = lib.mainLoopNew(context, FALSE);
  std::thread thread;
  std::mutex mutex;
  std::condition_variable changed;
  int pending = 0;
  // The rest belongs to the loop's thread.
  bool usable = false;
  std::vector<NotifyNotification*> waiting;  // shown with an action, not closed yet

  struct Task {
    Loop* loop;
    DesktopNotice notice;
  };

  void Run(const std::string& appName) {
    lib.pushThreadDefault(context);
    bool expected = false;
    usable = g_libnotifyTaken.compare_exchange_strong(expected, true) &&
             lib.init(Cp932ToUtf8(appName).c_str());
    lib.mainLoopRun(loop);
    for (NotifyNotification* notification : waiting) {
      lib.close(notification, nullptr);
      lib.objectUnref(notification);
    }
    waiting.clear();
    if (usable) {
      lib.uninit();
      g_libnotifyTaken = false;
    }
    lib.popThreadDefault(context);
  }

  static gboolean ShowTask(gpointer data) {
    auto* task = static_cast<Task*>(data);
    task->loop->ShowNow(task->notice);
    {
      std::lock_guard lock(task->loop->mutex);
      --task->loop->pending;
    }
    task->loop->changed.notify_all();
    return G_SOURCE_REMOVE;
  }

  static void DeleteTask(gpointer data) { delete static_cast<Task*>(data); }

  static void OnAction(NotifyNotification*, char*, gpointer data) {
    auto* action = static_cast<std::function<void()>*>(data);
    if (*action) (*action)();
  }

  static void DeleteAction(gpointer data) { delete static_cast<std::function<void()>*>(data); }

  static void OnClosed(NotifyNotification* notification, gpointer data) {
    auto* self = static_cast<Loop*>(data);
    for (auto it = self->waiting.begin(); it != self->waiting.end(); ++it) {
      if (*it == notification) {
        self->waiting.erase(it);
        self->lib.objectUnref(notification);
        return;
      }
    }
  }

  // The service's capabilities; false when no service answers.
  bool Capabilities(bool& actions, bool& markup) {
    GList* caps = lib.getServerCaps();
    if (!caps) return false;
    actions = markup = false;
    for (GList* cap = caps; cap; cap = cap->next) {
      std::string name = static_cast<const char*>(cap->data);
      actions = actions || name == "actions";
      markup = markup || name == "body-markup";
    }
    lib.listFreeFull(caps, lib.free);
    return true;
  }

  void ShowNow(const DesktopNotice& notice) {
    bool actions = false;
    bool markup = false;
    if (!usable || !Capabilities(actions, markup)) return;
    std::string body = Cp932ToUtf8(notice.body);
    if (markup) {
      gchar* escaped = lib.markupEscapeText(body.c_str(), -1);
      body = escaped;
      lib.free(escaped);
    }
    std::string icon = notice.iconPath.empty() ? std::string() : NativePath(notice.iconPath);
    NotifyNotification* notification = lib.notificationNew(
        Cp932ToUtf8(notice.summary).c_str(), body.c_str(), icon.empty() ? nullptr : icon.c_str());
    bool withAction = actions && !notice.actionLabel.empty() && notice.onAction;
    if (withAction) {
      lib.addAction(notification, kActionKey, Cp932ToUtf8(notice.actionLabel).c_str(), OnAction,
                    new std::function<void()>(notice.onAction), DeleteAction);
      lib.signalConnectData(notification, "closed", G_CALLBACK(OnClosed), this, nullptr,
                            static_cast<GConnectFlags>(0));
    }
    GError* error = nullptr;
    if (!lib.show(notification, &error)) {
      lib.clearError(&error);
      lib.objectUnref(notification);
      return;
    }
    if (withAction) {
      waiting.push_back(notification);
    } else {
      lib.objectUnref(notification);
    }
  }
};

CDesktopNotifier::CDesktopNotifier(std::string appName) : m_appName(std::move(appName)) {}

CDesktopNotifier::~CDesktopNotifier() {
  if (!m_loop) return;
  const NotifyLibrary& lib = m_loop->lib;
  lib.mainLoopQuit(m_loop->loop);
  m_loop->thread.join();
  lib.mainLoopUnref(m_loop->loop);
  lib.mainContextUnref(m_loop->context);
}

bool CDesktopNotifier::SessionBusAvailable() {
  if (!Environment("DBUS_SESSION_BUS_ADDRESS").empty()) return true;
  std::string runtime = Environment("XDG_RUNTIME_DIR");
  struct stat info {};
  return !runtime.empty() && stat((runtime + "/bus").c_str(), &info) == 0 &&
         S_ISSOCK(info.st_mode);
}

CDesktopNotifier::Loop* CDesktopNotifier::StartedLoop() {
  // Several checks may show their notices at the same moment; only one starts the loop.
  std::lock_guard lock(m_startMutex);
  if (!m_loop) {
    const NotifyLibrary* library = NotifyLibrary::Load();
    if (!library) return nullptr;
    m_loop = std::make_unique<Loop>(*library);
    Loop* loop = m_loop.get();
    loop->thread = std::thread([loop, name = m_appName] { loop->Run(name); });
  }
  return m_loop.get();
}

void CDesktopNotifier::Show(DesktopNotice notice) {
  if (!SessionBusAvailable()) return;
  Loop* loop = StartedLoop();
  if (!loop) return;
  {
    std::lock_guard lock(loop->mutex);
    ++loop->pending;
  }
  loop->lib.invokeFull(loop->context, G_PRIORITY_DEFAULT, Loop::ShowTask,
                       new Loop::Task{loop, std::move(notice)}, Loop::DeleteTask);
}

void CDesktopNotifier::Flush() {
  Loop* loop = nullptr;
  {
    std::lock_guard lock(m_startMutex);
    loop = m_loop.get();
  }
  if (!loop) return;
  std::unique_lock lock(loop->mutex);
  loop->changed.wait(lock, [loop] { return loop->pending == 0; });
}

}  // namespace platform
