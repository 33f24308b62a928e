// Starting a program with its standard output sent to a file, for tools whose result
// is judged by what they print (the web-server administration tool).
//
// The program is started through posix_spawn with an argument vector, never a shell:
// every element reaches the program as one argument, whatever characters it holds.
// The strings are passed as they are (file-system encoding, UTF-8). Standard input
// and standard error are inherited. Any thread may call it.
#pragma once

#include <string>
#include <vector>

namespace qm {

// Starts argv[0] (searched on PATH when it holds no "/") with its standard output
// truncated into out_path (created with mode 0644), and waits until it ends. Returns
// its exit status (0-255; 128 + the signal number when a signal ended it), or -1 when
// argv is empty or the program cannot be started.
int launch_program_to_file(const std::vector<std::string>& argv, const std::string& out_path);

}  // namespace qm
