#include "batch/batch_console.h"

#include <utility>

#include "batch/interrupt.h"

namespace tarnfold::batch {

namespace {
// Redrawing more often only costs time on a slow terminal.
constexpr std::chrono::milliseconds kProgressInterval{100};

// "\x1B" for ESC: a control character named, not obeyed.
std::string ControlCode(char32_t code) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    return {'\\', 'x', kDigits[code >> 4 & 0xF], kDigits[code & 0xF]};
}
}  // namespace

ConsoleTextBuffer::ConsoleTextBuffer(std::ostream& target) : target_(target) {}

ConsoleTextBuffer::~ConsoleTextBuffer() {
    if (!sequence_.empty() || headCharacters_) EndLine(false);
    target_.flush();
}

ConsoleTextBuffer::int_type ConsoleTextBuffer::overflow(int_type c) {
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    Put(static_cast<unsigned char>(traits_type::to_char_type(c)));
    return c;
}

std::streamsize ConsoleTextBuffer::xsputn(const char* text, std::streamsize count) {
    for (std::streamsize i = 0; i < count; ++i) Put(static_cast<unsigned char>(text[i]));
    return count;
}

int ConsoleTextBuffer::sync() {
    target_.flush();
    return target_ ? 0 : -1;
}

void ConsoleTextBuffer::Put(unsigned char byte) {
    if (sequenceLength_) {
        if ((byte & 0xC0) == 0x80) {
            sequence_ += static_cast<char>(byte);
            if (sequence_.size() == sequenceLength_) EndSequence();
            return;
        }
        Character("?");
        sequence_.clear();
        sequenceLength_ = 0;
    }
    if (byte == '\n') {
        EndLine(true);
    } else if (byte < 0x20 || byte == 0x7F) {
        Character(ControlCode(byte));
    } else if (byte < 0x80) {
        Character(std::string(1, static_cast<char>(byte)));
    } else if (byte >= 0xC2 && byte <= 0xF4) {
        sequence_.assign(1, static_cast<char>(byte));
        sequenceLength_ = byte < 0xE0 ? 2 : byte < 0xF0 ? 3 : 4;
    } else {
        Character("?");
    }
}

void ConsoleTextBuffer::EndSequence() {
    const auto lead = static_cast<unsigned char>(sequence_[0]);
    char32_t code = lead & (sequenceLength_ == 2 ? 0x1F : sequenceLength_ == 3 ? 0x0F : 0x07);
    for (std::size_t i = 1; i < sequence_.size(); ++i)
        code = code << 6 | (static_cast<unsigned char>(sequence_[i]) & 0x3F);
    static constexpr char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < kLeast[sequenceLength_] || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) {
        Character("?");
    } else if (code < 0xA0) {
        // The C1 controls, which some terminals obey as well.
        Character(ControlCode(code));
    } else {
        Character(sequence_);
    }
    sequence_.clear();
    sequenceLength_ = 0;
}

void ConsoleTextBuffer::Character(std::string_view shown) {
    if (headCharacters_ < kHeadCharacters) {
        head_ += shown;
        ++headCharacters_;
        return;
    }
    tail_.emplace_back(shown);
    if (tail_.size() > kTailCharacters) {
        tail_.pop_front();
        cut_ = true;
    }
}

void ConsoleTextBuffer::EndLine(bool lineEnd) {
    if (!sequence_.empty()) {
        Character("?");
        sequence_.clear();
        sequenceLength_ = 0;
    }
    std::string line = std::move(head_);
    if (cut_) line += "…";
    for (const std::string& shown : tail_) line += shown;
    if (lineEnd) line += '\n';
    target_ << line;
    head_.clear();
    headCharacters_ = 0;
    tail_.clear();
    cut_ = false;
}

ConsoleStream::ConsoleStream(std::ostream& target) : std::ostream(nullptr), buffer_(target) { rdbuf(&buffer_); }

DelayedAction::~DelayedAction() { Cancel(); }

void DelayedAction::Start(std::chrono::milliseconds delay, std::function<void()> action) {
    Cancel();
    cancel_ = false;
    thread_ = std::thread([this, delay, action = std::move(action)] {
        std::unique_lock<std::mutex> lock(mutex_);
        // Run under the lock, so that Cancel waits for it to end.
        if (!cancelled_.wait_for(lock, delay, [this] { return cancel_; })) action();
    });
}

void DelayedAction::Cancel() {
    if (!thread_.joinable()) return;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        cancel_ = true;
    }
    cancelled_.notify_all();
    thread_.join();
}

ConsoleOutput::ConsoleOutput(std::ostream& lines, std::ostream& progress, bool liveProgress,
                             std::string decimalSeparator, std::function<bool()> stopRequested,
                             std::chrono::milliseconds saveNoticeDelay)
    : lines_(lines),
      progress_(progress),
      live_(liveProgress),
      decimalSeparator_(std::move(decimalSeparator)),
      stopRequested_(std::move(stopRequested)),
      saveNoticeDelay_(saveNoticeDelay) {}

double ConsoleOutput::ElapsedSeconds() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
}

void ConsoleOutput::Progress(std::size_t documentsDone, std::size_t documentTotal, std::size_t rowsDone,
                             std::size_t rowTotal) {
    if (!live_ || Silent()) return;
    const auto now = std::chrono::steady_clock::now();
    if (rowsDone != rowTotal && now - lastProgress_ < kProgressInterval) return;
    lastProgress_ = now;
    progress_ << '\r' << ProgressLine(documentsDone, documentTotal, rowsDone, rowTotal, ElapsedSeconds()) << "\x1b[K"
              << std::flush;
    progressShown_ = true;
}

void ConsoleOutput::ClearProgress() {
    if (!progressShown_) return;
    progress_ << "\r\x1b[K" << std::flush;
    progressShown_ = false;
}

bool ConsoleOutput::Silent() const { return EndingAtOnce(); }

void ConsoleOutput::SavingDocument(const std::string& path) {
    if (stopRequested_()) {
        PrintSaving(path);
        return;
    }
    // The main thread waits in the save until DocumentFinished cancels the
    // notice: the two never print at the same time.
    saveNotice_.Start(saveNoticeDelay_, [this, path] { PrintSaving(path); });
}

void ConsoleOutput::PrintSaving(const std::string& path) {
    if (Silent()) return;
    ClearProgress();
    // The name holds the institution's name from the database: tamed as every message is.
    ConsoleStream tamed(progress_);
    tamed << "Сохранение документа " << path << "…\n";
}

void ConsoleOutput::DocumentFinished(const DocumentResult& result) {
    saveNotice_.Cancel();
    if (Silent()) return;
    ClearProgress();
    lines_ << DocumentLine(result, decimalSeparator_) << std::endl;
}

void ConsoleOutput::Summary(const std::vector<std::string>& lines) {
    if (Silent()) return;
    ClearProgress();
    for (const std::string& line : lines) lines_ << line << '\n';
    lines_.flush();
}

}  // namespace tarnfold::batch
