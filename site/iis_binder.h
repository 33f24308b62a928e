// IisBinder: registers and removes a site with the local web server through the
// web-server administration tool (rundir/tools/iisweb, which configures nginx).
//
// The tool is started with an argument vector, never through a shell, so a value
// holding shell syntax reaches it as one plain argument:
//
//     <tool> /create <root> <description> [/d <host>] [/i <ip>] [/b <port>] [/dontstart]
//     <tool> /delete <description>
//
// (an empty host, ip or port is left out). The binder sends the tool's standard output
// to the output file, waits for the tool to end, reads the file as text (bytes up to
// the first NUL), deletes it and judges the result only by a marker in that text:
// "Metabase Path =" for a creation, "Server W3SVC/" for a deletion. A tool that cannot
// be started, or output without the marker, is a failure. There is no time-out.
//
// The binder holds only its two paths; it may be used from any thread, but two
// operations of binders sharing one output file must not overlap (the editor never
// runs two at once: saving disables the save button, deletion holds the window thread).
#pragma once

#include "foundation/text_kit.h"

namespace qm {

inline constexpr char kCreateMarker[] = "Metabase Path =";
inline constexpr char kDeleteMarker[] = "Server W3SVC/";
inline constexpr char kToolOutputFile[] = "displayMsg.txt";

class IisBinder {
  public:
    // tool: the administration tool's path. outputFile: where its standard output goes;
    // the default is "displayMsg.txt" in the process's current directory.
    explicit IisBinder(Text tool, Text outputFile = kToolOutputFile);

    // The binder the program uses: the tool named by the environment variable
    // QUILLMOOR_IISWEB, else <runDirectory>/tools/iisweb, with the output file
    // <runDirectory>/displayMsg.txt (the run directory is writable, the process's
    // current directory need not be when the program is started from a desktop).
    static IisBinder fromEnvironment(const Text& runDirectory);

    // root is a GBK path (passed to the tool in the file system's encoding); the other
    // texts are passed as they are.
    bool createWebSite(const Text& root, const Text& description, const Text& host, const Text& ip,
                       const Text& port, bool start);
    bool deleteWebSite(const Text& description);

    // The argument vectors the two operations start (argv[0] is the tool).
    std::vector<std::string> createArguments(const Text& root, const Text& description,
                                             const Text& host, const Text& ip, const Text& port,
                                             bool start) const;
    std::vector<std::string> deleteArguments(const Text& description) const;

    const Text& tool() const { return tool_; }
    const Text& outputFile() const { return outputFile_; }

  private:
    bool runAndFind(const std::vector<std::string>& argv, const Text& marker);

    Text tool_;
    Text outputFile_;
};

}  // namespace qm
