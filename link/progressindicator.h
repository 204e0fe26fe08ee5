#pragma once
// The progress bar a long device operation drives; the main window shows it in
// its status bar.

#include "comunicator.h"

namespace vyn {

using ProgressIndicator = ProgressSink;

} // namespace vyn
