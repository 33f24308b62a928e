#include "site/iis_binder.h"

#include "foundation/gbk_codec.h"
#include "foundation/process_output.h"

namespace qm {

IisBinder::IisBinder(Text tool, Text outputFile)
    : tool_(std::move(tool)), outputFile_(std::move(outputFile)) {}

IisBinder IisBinder::fromEnvironment(const Text& runDirectory) {
    Text tool = get_env("QUILLMOOR_IISWEB");
    if (tool.empty()) tool = join_path(join_path(runDirectory, "tools"), "iisweb");
    return IisBinder(std::move(tool), join_path(runDirectory, kToolOutputFile));
}

std::vector<std::string> IisBinder::createArguments(const Text& root, const Text& description,
                                                    const Text& host, const Text& ip,
                                                    const Text& port, bool start) const {
    std::vector<std::string> argv{native_path(tool_), "/create", native_path(root),
                                  gbk_to_utf8(description)};
    if (!host.empty()) {
        argv.emplace_back("/d");
        argv.push_back(gbk_to_utf8(host));
    }
    if (!ip.empty()) {
        argv.emplace_back("/i");
        argv.push_back(gbk_to_utf8(ip));
    }
    if (!port.empty()) {
        argv.emplace_back("/b");
        argv.push_back(gbk_to_utf8(port));
    }
    if (!start) argv.emplace_back("/dontstart");
    return argv;
}

std::vector<std::string> IisBinder::deleteArguments(const Text& description) const {
    return {native_path(tool_), "/delete", gbk_to_utf8(description)};
}

bool IisBinder::createWebSite(const Text& root, const Text& description, const Text& host,
                              const Text& ip, const Text& port, bool start) {
    return runAndFind(createArguments(root, description, host, ip, port, start), kCreateMarker);
}

bool IisBinder::deleteWebSite(const Text& description) {
    return runAndFind(deleteArguments(description), kDeleteMarker);
}

bool IisBinder::runAndFind(const std::vector<std::string>& argv, const Text& marker) {
    const int status = launch_program_to_file(argv, native_path(outputFile_));
    const Text output = to_text(read_file(outputFile_));
    delete_file(outputFile_);
    if (status < 0) return false;
    return output.find(marker) != Text::npos;
}

}  // namespace qm
