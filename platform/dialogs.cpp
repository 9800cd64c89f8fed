#include "platform/dialogs.h"

#include <SDL.h>

#include <cstdio>

namespace {
bool enabled = true;
bool displayUp = false;
}  // namespace

namespace dialogs {

void setEnabled(bool on) { enabled = on; }

void setDisplayUp(bool up) { displayUp = up; }

void showMessage(const char* text, const char* caption) {
    std::fprintf(stderr, "%s: %s\n", caption, text);
    std::fflush(stderr);
    if (enabled && displayUp) SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_INFORMATION, caption, text, nullptr);
}

}  // namespace dialogs
