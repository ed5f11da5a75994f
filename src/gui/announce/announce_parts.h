// The announcement check as the main window plugs it in: fills MainWindowParts'
// startAnnouncement. At the deferred initialisation it starts the check of the product
// "Pagewarden" (category "free", this program's version) 30 seconds later, downloading
// through the global proxy of the settings. The question is asked with CAnnounceDlg, kept
// above the other windows; the answer reaches CMainDlg::AnnounceDone, which shows the page
// through the display hand-off, and the check is then deleted. When the main window ends
// first, a question still open is closed as "次の機会にします" and the check is stopped.
//
// Threads: UI thread only. The application object and the queue outlive the main window.
#pragma once

class CWatchApp;
class CWxUiQueue;
struct MainWindowParts;

// Where the announcement file is looked for while the value store names no address.
inline constexpr const char* kDefaultAnnouncementAddress =
    "https://velmar.example/pagewarden/announce.txt";
inline constexpr unsigned kAnnouncementDelayMs = 30000;

// `delayMs`: how long after the start the file is fetched.
void AddAnnouncement(MainWindowParts& parts, CWatchApp& app, CWxUiQueue& queue,
                     unsigned delayMs = kAnnouncementDelayMs);
