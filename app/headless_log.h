// HeadlessLog: the run log and prompts of the headless runner. Log texts go to the
// log stream as UTF-8, each CR LF printed as one line end and flushed per append;
// prompts and messages go to the message stream as one UTF-8 line each and return at
// once (there is no operator to wait for). The log text is also kept, so the
// watchdog can count its lines. Thread-safe.
#pragma once

#include <cstdio>
#include <mutex>

#include "foundation/run_log.h"

namespace qm {

class HeadlessLog : public RunLogPort {
  public:
    HeadlessLog(std::FILE* logStream, std::FILE* messageStream)
        : log_(logStream), messages_(messageStream) {}

    void append_log(const Text& text) override;
    void clear_log() override;
    Text read_log() override;
    void show_prompt(const Text& text) override;
    int show_message(const Text& text, int style, const Text& title) override;

  private:
    std::mutex mutex_;
    std::FILE* log_;
    std::FILE* messages_;
    Text text_;
};

// text (GBK) as UTF-8 with every CR that ends a line removed.
std::string consoleText(const Text& text);

}  // namespace qm
