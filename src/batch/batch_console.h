#pragma once
// The batch on a terminal: document lines on standard output and, when the
// error stream is a terminal, a progress line rewritten in place there.

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <ostream>
#include <streambuf>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "batch/batch_run.h"

namespace tarnfold::batch {

// What the batch prints passes through here on its way to the terminal.
// Messages quote values from files (a junk line of kvel.ini, a file name), and
// a terminal takes control characters for commands: each control character
// other than the line end is shown as "\xNN" (its code), a broken UTF-8 piece
// as "?". A line longer than the head and tail limits keeps its first and its
// last characters with "…" between, so that a 10 MB value gives a readable
// message whose reason, at its end, survives. A line is passed on when it
// ends; an unfinished one when the buffer is destroyed.
class ConsoleTextBuffer : public std::streambuf {
public:
    static constexpr std::size_t kHeadCharacters = 400;
    static constexpr std::size_t kTailCharacters = 100;

    explicit ConsoleTextBuffer(std::ostream& target);
    ~ConsoleTextBuffer() override;
    ConsoleTextBuffer(const ConsoleTextBuffer&) = delete;
    ConsoleTextBuffer& operator=(const ConsoleTextBuffer&) = delete;

protected:
    int_type overflow(int_type c) override;
    std::streamsize xsputn(const char* text, std::streamsize count) override;
    int sync() override;

private:
    void Put(unsigned char byte);
    void EndSequence();
    void Character(std::string_view shown);
    void EndLine(bool lineEnd);

    std::ostream& target_;
    std::string sequence_;  // the bytes of a UTF-8 character begun
    std::size_t sequenceLength_ = 0;
    std::string head_;
    std::size_t headCharacters_ = 0;
    std::deque<std::string> tail_;
    bool cut_ = false;
};

// An output stream through a ConsoleTextBuffer.
class ConsoleStream : public std::ostream {
public:
    explicit ConsoleStream(std::ostream& target);

private:
    ConsoleTextBuffer buffer_;
};

// An action run on a thread of its own once a delay has passed, unless it is
// cancelled first.
class DelayedAction {
public:
    DelayedAction() = default;
    ~DelayedAction();
    DelayedAction(const DelayedAction&) = delete;
    DelayedAction& operator=(const DelayedAction&) = delete;

    void Start(std::chrono::milliseconds delay, std::function<void()> action);
    // Returns when the action has run or never will.
    void Cancel();

private:
    std::mutex mutex_;
    std::condition_variable cancelled_;
    bool cancel_ = false;
    std::thread thread_;
};

class ConsoleOutput : public BatchOutput {
public:
    // A save that lasts longer than this is told while it runs.
    static constexpr std::chrono::milliseconds kSaveNoticeDelay{1000};

    ConsoleOutput(std::ostream& lines, std::ostream& progress, bool liveProgress, std::string decimalSeparator,
                  std::function<bool()> stopRequested, std::chrono::milliseconds saveNoticeDelay = kSaveNoticeDelay);

    void Progress(std::size_t documentsDone, std::size_t documentTotal, std::size_t rowsDone,
                  std::size_t rowTotal) override;
    // "Сохранение документа …" on the progress stream: at once when the user
    // has asked the batch to stop and waits for it, else once the save has
    // lasted a moment; the office says nothing while it saves.
    void SavingDocument(const std::string& path) override;
    void DocumentFinished(const DocumentResult& result) override;
    void Summary(const std::vector<std::string>& lines);
    double ElapsedSeconds() const;

private:
    void ClearProgress();
    void PrintSaving(const std::string& path);
    // Nothing more is printed once the program is ending at once: what fails
    // then fails because of that end.
    bool Silent() const;

    std::ostream& lines_;
    std::ostream& progress_;
    const bool live_;
    const std::string decimalSeparator_;
    const std::function<bool()> stopRequested_;
    const std::chrono::milliseconds saveNoticeDelay_;
    DelayedAction saveNotice_;
    const std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point lastProgress_{};
    bool progressShown_ = false;
};

}  // namespace tarnfold::batch
