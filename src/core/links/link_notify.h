// What a link update tells the window that shows the link list.
#pragma once

#include "core/fetch/fetch_request.h"

class ILinkNotify {
 public:
  virtual ~ILinkNotify() = default;
  // One link was updated: `result` 1 updated, 2 not updated, 4 error; `item` is the link
  // as it stands after the update.
  virtual void OnLinkItemDone(int index, int result, const FetchRequest& item) = 0;
  // The run of StartUpdateAll has ended (all done, or stopped).
  virtual void OnLinkAllDone() = 0;
};
