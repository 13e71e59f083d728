#pragma once
// Word for a program nobody watches (the batch): one Word for the whole
// program, started at the first need. COM may hand over a Word the user works
// in (one already shown or holding documents): that one is left running at
// the end; an invisible one of the program's own is quit.

#include <functional>
#include <memory>
#include <optional>

#include "word/com/automation.h"
#include "word/conversion/template_conversion.h"
#include "word/word.h"

namespace tarnfold::word::com {

struct WordEnding;

class UnattendedWord final : public Server {
public:
    UnattendedWord();
    ~UnattendedWord() override;
    UnattendedWord(const UnattendedWord&) = delete;
    UnattendedWord& operator=(const UnattendedWord&) = delete;

    // A run's view of this Word: its documents are closed unsaved when the
    // run lets go of it, and showing does nothing.
    std::unique_ptr<Application> CreateApplication() override;

    // Word, started now when it is not yet. Throws Error ("Не удалось
    // запустить Word: …") when it cannot be, or once it has been ended.
    const Dispatch& Running();

    // What quits this Word at once, from any thread, for a program that is
    // about to end without unwinding; it holds copies, so it stays valid after
    // this object is gone. A Word that was the user's is left alone.
    std::function<void()> EndingAction() const;

    // Template conversion through this Word, which reads the copies back
    // itself; it opens every document read-only and closes it unsaved.
    std::unique_ptr<conversion::TemplateConverter> Converter();

private:
    std::shared_ptr<WordEnding> ending_;
    std::optional<Dispatch> application_;
    bool own_ = false;
};

}  // namespace tarnfold::word::com
