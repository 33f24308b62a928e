// quillmoor: the window, or with --headless the engine without one.
#include <cstdio>

#include "app/headless_runner.h"

#if defined(QUILLMOOR_HAVE_UI) && __has_include("site/ui/run_window.h")
#include "site/ui/run_window.h"  // declares qm::runWindow
#define QUILLMOOR_WINDOW 1
#endif

int main(int argc, char** argv) {
    if (qm::wantsHeadless(argc, argv)) return qm::runHeadless(argc, argv);
#ifdef QUILLMOOR_WINDOW
    return qm::runWindow(argc, argv);
#else
    std::fputs("quillmoor: this build has no window; run it with --headless\n", stderr);
    qm::printHeadlessUsage(stderr);
    return qm::kExitUsage;
#endif
}
