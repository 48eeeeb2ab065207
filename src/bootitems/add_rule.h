#pragma once

// When the configuration dialog takes a new custom boot item. Inputs it refuses are dropped
// without a word: the dialog is for people who know what they are doing.

#include "bootitems/isolist.h"

namespace zr::bootitems {

// A title and an image path are both given, and a file (not a folder) exists at the path.
// Nothing else is judged: spaces, "|" and the extension are the user's business.
bool IsAddable(const TISOFileInfo& item);

}  // namespace zr::bootitems
