// The front ends' answer to a watch list file that could not be read whole.
#pragma once

#include "core/common/prompter.h"

class CWatchList;

// After the list was loaded: nothing to do when its file was read whole or is missing
// (true). Otherwise tells the user (ConfirmUnreadFile); when the desktop user goes on, the
// list is saved at once, the old file kept aside under a dated name. false: the program
// must end without touching the file.
bool ConfirmWatchListLoad(CWatchList& list, IPrompter& prompter, bool ask);
