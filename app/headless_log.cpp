#include "app/headless_log.h"

#include "foundation/gbk_codec.h"

namespace qm {

std::string consoleText(const Text& text) {
    std::string out = gbk_to_utf8(text);
    std::string::size_type at = 0;
    while ((at = out.find("\r\n", at)) != std::string::npos) out.erase(at, 1);
    return out;
}

void HeadlessLog::append_log(const Text& text) {
    std::lock_guard lock(mutex_);
    text_ += text;
    const std::string line = consoleText(text);
    std::fwrite(line.data(), 1, line.size(), log_);
    std::fflush(log_);
}

void HeadlessLog::clear_log() {
    std::lock_guard lock(mutex_);
    text_.clear();
}

Text HeadlessLog::read_log() {
    std::lock_guard lock(mutex_);
    return text_;
}

void HeadlessLog::show_prompt(const Text& text) {
    std::lock_guard lock(mutex_);
    const std::string line = consoleText(text) + "\n";
    std::fwrite(line.data(), 1, line.size(), messages_);
    std::fflush(messages_);
}

int HeadlessLog::show_message(const Text& text, int, const Text& title) {
    std::lock_guard lock(mutex_);
    const std::string line = consoleText(title) + ": " + consoleText(text) + "\n";
    std::fwrite(line.data(), 1, line.size(), messages_);
    std::fflush(messages_);
    return kMbResultOk;
}

}  // namespace qm
