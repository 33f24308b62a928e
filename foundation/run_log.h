// The run log and operator prompts, as the engine sees them: a port that the window
// and the headless runner implement, and a recording implementation for tests.
//
// Texts are GBK. Callers end every log line with "\r\n"; append_log adds nothing.
// The engine calls these from its worker thread; each call has taken effect when it
// returns, and appends from one thread arrive in call order. show_prompt blocks the
// caller until the operator has answered (implementations that have no operator,
// such as the headless runner, return at once).
#pragma once

#include <mutex>
#include <vector>

#include "foundation/text_kit.h"

namespace qm {

// Message-box styles and results as the engine passes them to show_message.
inline constexpr int kMbIconError = 0x10;
inline constexpr int kMbIconInformation = 0x40;
inline constexpr int kMbSystemModal = 0x1000;
inline constexpr int kMbTaskModal = 0x2000;
inline constexpr int kMbResultOk = 0;

inline const Text kPromptCaption = "\xD3\xD1\xC7\xE9\xCC\xE1\xD0\xD1";  // 友情提醒

class RunLogPort {
  public:
    virtual ~RunLogPort() = default;
    virtual void append_log(const Text& text) = 0;
    virtual void clear_log() = 0;
    virtual Text read_log() = 0;
    // A modal "友情提醒" box with the information icon and one OK button.
    virtual void show_prompt(const Text& text) = 0;
    // A plain message box; returns the button pressed (kMbResultOk for OK).
    virtual int show_message(const Text& text, int style, const Text& title) = 0;
};

// Keeps the log as one text and records every prompt and message. Thread-safe.
class RecordingRunLog : public RunLogPort {
  public:
    struct Message {
        Text text;
        int style = 0;
        Text title;
    };

    void append_log(const Text& text) override;
    void clear_log() override;
    Text read_log() override;
    void show_prompt(const Text& text) override;
    int show_message(const Text& text, int style, const Text& title) override;

    std::vector<Text> prompts();
    std::vector<Message> messages();
    // Every text ever appended, in order, across clear_log calls.
    std::vector<Text> appended();
    int clear_count();

  private:
    std::mutex mutex_;
    Text log_;
    std::vector<Text> appended_;
    std::vector<Text> prompts_;
    std::vector<Message> messages_;
    int clears_ = 0;
};

}  // namespace qm
