#pragma once
// Message boxes. The caption and text always go to stderr; a box is shown too
// when dialogs are enabled and a display is up (it blocks until dismissed, so
// automated runs disable dialogs).

namespace dialogs {
void setEnabled(bool enabled);
// Called by the display when its window comes and goes.
void setDisplayUp(bool up);
void showMessage(const char* text, const char* caption);
}  // namespace dialogs
