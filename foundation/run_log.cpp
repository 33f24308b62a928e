#include "foundation/run_log.h"

namespace qm {

void RecordingRunLog::append_log(const Text& text) {
    std::lock_guard lock(mutex_);
    log_ += text;
    appended_.push_back(text);
}

void RecordingRunLog::clear_log() {
    std::lock_guard lock(mutex_);
    log_.clear();
    ++clears_;
}

Text RecordingRunLog::read_log() {
    std::lock_guard lock(mutex_);
    return log_;
}

void RecordingRunLog::show_prompt(const Text& text) {
    std::lock_guard lock(mutex_);
    prompts_.push_back(text);
}

int RecordingRunLog::show_message(const Text& text, int style, const Text& title) {
    std::lock_guard lock(mutex_);
    messages_.push_back({text, style, title});
    return kMbResultOk;
}

std::vector<Text> RecordingRunLog::prompts() {
    std::lock_guard lock(mutex_);
    return prompts_;
}

std::vector<RecordingRunLog::Message> RecordingRunLog::messages() {
    std::lock_guard lock(mutex_);
    return messages_;
}

std::vector<Text> RecordingRunLog::appended() {
    std::lock_guard lock(mutex_);
    return appended_;
}

int RecordingRunLog::clear_count() {
    std::lock_guard lock(mutex_);
    return clears_;
}

}  // namespace qm
