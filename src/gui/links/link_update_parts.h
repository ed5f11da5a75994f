// The link update dialog as the main window plugs it in: fills MainWindowParts'
// runLinkUpdate. The dialog runs modally over the main window on the stored link folder,
// with the application's settings; its questions belong to the dialog. "ウォッチアイテム"
// opens the site definition sheet through the main window, a link updated by double click
// is shown through the main window's display hand-off. "設定" asks the main window for the
// environment settings.
//
// Threads: UI thread only. The application object and the queue outlive the main window.
#pragma once

class CWatchApp;
class CWxUiQueue;
struct MainWindowParts;

void AddLinkUpdateDialog(MainWindowParts& parts, CWatchApp& app, CWxUiQueue& queue);
