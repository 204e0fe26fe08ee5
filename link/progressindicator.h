#pragma once
// The progress bar a long device operation drives; the main window shows it in
// its status bar.

namespace vyn {

class ProgressIndicator
{
public:
    virtual ~ProgressIndicator() = default;

    // Sets the maximum and shows the bar.
    virtual void SetProgressBarMax(int maximum) = 0;
    // One step; the bar starts over at 0 when it reaches the maximum.
    virtual void IncrementProgressBar() = 0;
    virtual void ResetProgressBar() = 0;
};

} // namespace vyn
