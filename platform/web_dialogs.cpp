// Messages in the browser: written into the page (#messages) and to the
// console; an alert box only when dialogs are asked for (?dialogs).
#include <emscripten.h>

#include <cstdio>

#include "platform/dialogs.h"

namespace {
bool enabled = true;
bool displayUp = false;
}  // namespace

EM_JS(void, showPageMessage, (const char* caption, const char* text, int alertToo), {
    const line = UTF8ToString(caption) + ": " + UTF8ToString(text);
    if (typeof qorbtPage !== "undefined") qorbtPage.message(line);
    if (alertToo) alert(line);
});

namespace dialogs {

void setEnabled(bool on) { enabled = on; }

void setDisplayUp(bool up) { displayUp = up; }

void showMessage(const char* text, const char* caption) {
    std::fprintf(stderr, "%s: %s\n", caption, text);
    showPageMessage(caption, text, enabled && displayUp ? 1 : 0);
}

}  // namespace dialogs
