// What a link update tells the window that shows the link list.
#pragma once

#include "core/fetch/fetch_request.h"

// What the update of one link came to.
enum class LinkResult {
  NotRun,      // no such link, or no update while others run (nothing is reported)
  Updated,     // a new file was downloaded
  NotUpdated,  // the file on disk is still the page
  Error,
};

class ILinkNotify {
 public:
  virtual ~ILinkNotify() = default;
  // One link was updated (never NotRun); `item` is the link as it stands after the update.
  virtual void OnLinkItemDone(int index, LinkResult result, const FetchRequest& item) = 0;
  // The run of StartUpdateAll has ended (all done, or stopped).
  virtual void OnLinkAllDone() = 0;
};
