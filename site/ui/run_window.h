// The window front end of the program: builds the application, shows the main window
// and runs until it is closed.
//
//     quillmoor [--run-dir DIR] [--portal URL] [Qt options]
//
// The run directory defaults to QUILLMOOR_RUN_DIR or the executable's folder, the
// portal to QUILLMOOR_PORTAL or the built-in address. Returns the exit status: 0 when
// the window was closed, 2 for bad arguments or a missing run directory.
#pragma once

namespace qm {

int runWindow(int argc, char** argv);

}  // namespace qm
