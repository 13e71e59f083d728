#pragma once
// The word processor on Linux: LibreOffice Writer in a process of its own,
// driven through UNO. The office is started on demand and reused; like Word it
// is never told to quit, so the documents stay open after the tool ends.

#include <chrono>
#include <memory>
#include <string>
#include <string_view>

#include "word/word.h"

namespace tarnfold::word {

struct LibreOfficeOptions {
    // The office's user profile; seeded before the first start so that a
    // start takes a fraction of a second. soffice writes its output to
    // "soffice.log" in it.
    std::string profileFolder;
    // The pipe on which the office listens; a headless batch run chooses its
    // own so that it never shares the window program's office.
    std::string pipeName;
    std::string sofficePath = "/usr/lib/libreoffice/program/soffice";
    // How long a start may take before it counts as failed.
    std::chrono::seconds startDeadline{30};
    // A call the office has not answered in this time ends the office (it is
    // hung or gone) and fails clearly; the next run starts a fresh one.
    std::chrono::seconds callTimeout{120};
    // With an X display the office starts invisible and showing the document
    // makes its window appear; without one (or when false) it runs headless
    // and showing does nothing.
    bool visible = true;
    // Where the office keeps its temporary files; empty: the system's. An
    // office that is ended rather than closed leaves them behind.
    std::string temporaryFolder;
    // Fills each list of bookmarks (a source row, the header) in one call to
    // a Basic routine that the back-end installs read-only into the office's
    // profile. When false, or when the routine cannot be installed or called
    // in the office (told once on stderr), every bookmark is a call of its own.
    bool fillInOffice = true;
    // The library of the office's application Basic that holds the routine.
    std::string fillLibrary = "TarnfoldFill";
};

// The user's own office on this desktop: a profile under $XDG_CACHE_HOME (or
// ~/.cache) in tarnfold/office-<display> and a pipe named after the user and
// the display, so that two sessions of one account (a terminal server, two
// displays) each have an office of their own and no document of one opens on
// the other's screen. Without a display: tarnfold/office and the user's pipe.
LibreOfficeOptions DefaultLibreOfficeOptions();

// The part of those names that tells the desktop session: the display's host
// and number with anything but letters and digits made "_" (":1" gives "1",
// "host:10.0" gives "host_10"); empty without a display.
std::string DisplaySessionName(std::string_view display);

class FillRoutine;
class OfficeConnection;
class OfficeLauncher;

// Let it go before the process exits (not as a static object): its connection
// is released through the UNO runtime, which exit tears down first.
class LibreOfficeServer : public Server {
public:
    explicit LibreOfficeServer(LibreOfficeOptions options);
    ~LibreOfficeServer() override;
    LibreOfficeServer(const LibreOfficeServer&) = delete;
    LibreOfficeServer& operator=(const LibreOfficeServer&) = delete;

    // Connects to the office that serves the pipe, or starts one and waits
    // for it until the start deadline. Throws Error when that fails.
    std::unique_ptr<Application> CreateApplication() override;

    // The connection CreateApplication hands to its application, established
    // the same way; for the back-end's helpers that work on documents of
    // their own (the template conversion). Throws Error when the office
    // cannot be reached or started.
    std::shared_ptr<OfficeConnection> Connection();

    // Shows a plain-text file of the host system (code page 1251, CR LF) in a
    // window of the office, opened anew when it is already shown: the
    // desktop's text program would take its bytes for UTF-8. Throws Error.
    void ShowPlainText(const std::string& path);

    const LibreOfficeOptions& Options() const { return options_; }

private:
    LibreOfficeOptions options_;
    std::unique_ptr<OfficeLauncher> launcher_;
    std::shared_ptr<OfficeConnection> connection_;
    // One per connection: a new office has to be given the routine anew.
    std::shared_ptr<FillRoutine> routine_;
};

}  // namespace tarnfold::word
