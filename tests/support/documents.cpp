#include "documents.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "core/paths.h"

namespace tarnfold::testing {

namespace {

namespace fs = std::filesystem;

constexpr auto kOfficeTimeout = std::chrono::seconds(180);
const char* const kSoffice = "/usr/lib/libreoffice/program/soffice";

fs::path OfficeRoot() { return fs::temp_directory_path() / ("tarnfold-office-" + std::to_string(::getuid())); }

// A folder of its own under the temp folder, removed afterwards.
class ScratchFolder {
public:
    ScratchFolder() {
        std::string pattern = (fs::temp_directory_path() / "tarnfold-doc-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
    }
    ~ScratchFolder() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    const fs::path& Path() const { return path_; }

private:
    fs::path path_;
};

// One office per profile at a time: a second one would hand its work to the first.
class ProfileLock {
public:
    explicit ProfileLock(const fs::path& profile) {
        fs::create_directories(profile);
        fd_ = ::open((profile / ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd_ < 0 || ::flock(fd_, LOCK_EX) != 0) throw std::runtime_error("cannot lock " + profile.string());
    }
    ~ProfileLock() { ::close(fd_); }

private:
    int fd_ = -1;
};

std::string Tail(const fs::path& log) {
    const std::string text = ReadWholeFile(log);
    return text.size() > 3000 ? text.substr(text.size() - 3000) : text;
}

// Runs a program with its output appended to `log`; returns its exit code.
int Run(const std::vector<std::string>& arguments, const fs::path& log) {
    std::vector<std::string> variables;
    for (char** entry = environ; *entry; ++entry) {
        const std::string variable = *entry;
        if (variable.rfind("LC_ALL=", 0) == 0 || variable.rfind("LC_CTYPE=", 0) == 0) continue;
        variables.push_back(variable);
    }
    // Cyrillic file names fail in the C locale.
    variables.push_back("LC_CTYPE=C.UTF-8");
    std::vector<char*> argv, envp;
    std::vector<std::string> args = arguments;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    for (std::string& v : variables) envp.push_back(v.data());
    envp.push_back(nullptr);

    const int out = ::open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (out < 0) throw std::runtime_error("cannot open " + log.string());
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::setsid();
        const int in = ::open("/dev/null", O_RDONLY);
        ::dup2(in, 0);
        ::dup2(out, 1);
        ::dup2(out, 2);
        ::execve(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    ::close(out);
    if (pid < 0) throw std::runtime_error("fork failed");
    const auto until = std::chrono::steady_clock::now() + kOfficeTimeout;
    int status = 0;
    while (::waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > until) {
            ::kill(-pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            throw std::runtime_error(arguments[0] + " did not finish in time; log:\n" + Tail(log));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// First-start work marked done, so that each conversion starts in a fraction of a second.
void SeedProfile(const fs::path& profile) {
    const fs::path settings = profile / "user" / "registrymodifications.xcu";
    if (fs::exists(settings)) return;
    fs::create_directories(settings.parent_path());
    const std::string xcd = ReadWholeFile("/usr/lib/libreoffice/share/registry/main.xcd");
    std::string version;
    const std::size_t at = xcd.find("oor:name=\"ooSetupVersion\">");
    if (at != std::string::npos) {
        const std::size_t open = xcd.find("<value>", at), close = xcd.find("</value>", at);
        if (open != std::string::npos && close != std::string::npos && open < close)
            version = xcd.substr(open + 7, close - open - 7);
    }
    std::ofstream out(settings.string() + ".part");
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<oor:items xmlns:oor=\"http://openoffice.org/2001/registry\" "
           "xmlns:xs=\"http://www.w3.org/2001/XMLSchema\" xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">\n";
    if (!version.empty())
        out << "<item oor:path=\"/org.openoffice.Setup/Product\"><prop oor:name=\"ooSetupLastVersion\" "
               "oor:op=\"fuse\"><value>"
            << version << "</value></prop></item>\n";
    out << "</oor:items>\n";
    out.close();
    fs::rename(settings.string() + ".part", settings);
}

// ------------------------------------------------------------ flat ODF text

std::string DecodeEntities(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '&') {
            out += text[i];
            continue;
        }
        const std::size_t end = text.find(';', i);
        if (end == std::string_view::npos) {
            out += text[i];
            continue;
        }
        const std::string_view entity = text.substr(i + 1, end - i - 1);
        unsigned long code = 0;
        if (entity == "lt")
            code = '<';
        else if (entity == "gt")
            code = '>';
        else if (entity == "amp")
            code = '&';
        else if (entity == "quot")
            code = '"';
        else if (entity == "apos")
            code = '\'';
        else if (!entity.empty() && entity[0] == '#')
            code = entity.size() > 1 && (entity[1] == 'x' || entity[1] == 'X')
                       ? std::stoul(std::string(entity.substr(2)), nullptr, 16)
                       : std::stoul(std::string(entity.substr(1)));
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (code >> 18));
            out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
        i = end;
    }
    return out;
}

std::string Attribute(std::string_view tag, std::string_view name) {
    const std::string key = std::string(name) + "=\"";
    const std::size_t at = tag.find(key);
    if (at == std::string_view::npos) return {};
    const std::size_t end = tag.find('"', at + key.size());
    return DecodeEntities(tag.substr(at + key.size(), end - at - key.size()));
}

bool IsHeader(std::string_view name) { return name.rfind("style:header", 0) == 0 && name != "style:header-style"; }
bool IsFooter(std::string_view name) { return name.rfind("style:footer", 0) == 0 && name != "style:footer-style"; }

DocumentContent ParseFlatOdf(const std::string& xml) {
    DocumentContent content;
    std::vector<std::string>* part = nullptr;
    std::string partElement;
    int paragraphDepth = 0;
    std::string paragraph;
    std::size_t i = 0;
    while (i < xml.size()) {
        if (xml[i] != '<') {
            const std::size_t next = xml.find('<', i);
            const std::size_t end = next == std::string::npos ? xml.size() : next;
            if (paragraphDepth > 0) paragraph += DecodeEntities(std::string_view(xml).substr(i, end - i));
            i = end;
            continue;
        }
        if (xml.compare(i, 4, "<!--") == 0) {
            i = xml.find("-->", i) + 3;
            continue;
        }
        const std::size_t close = xml.find('>', i);
        const std::string_view tag = std::string_view(xml).substr(i + 1, close - i - 1);
        i = close + 1;
        if (tag.empty() || tag[0] == '?' || tag[0] == '!') continue;
        const bool ending = tag[0] == '/';
        const bool empty = tag.back() == '/';
        const std::string_view inner = ending ? tag.substr(1) : tag;
        const std::string name(inner.substr(0, inner.find_first_of(" \t\r\n/")));
        if (ending) {
            if (name == "text:p" || name == "text:h") {
                if (--paragraphDepth == 0 && part) part->push_back(paragraph);
            } else if (name == partElement) {
                part = nullptr;
                partElement.clear();
            }
            continue;
        }
        if (!part && IsHeader(name) && !empty)
            part = &content.header, partElement = name;
        else if (!part && IsFooter(name) && !empty)
            part = &content.footer, partElement = name;
        else if (!part && name == "office:body")
            part = &content.body, partElement = name;
        else if (name == "text:p" || name == "text:h") {
            if (empty) {
                if (paragraphDepth == 0 && part) part->push_back("");
            } else if (paragraphDepth++ == 0) {
                paragraph.clear();
            }
        } else if (name == "text:bookmark" || name == "text:bookmark-start") {
            content.bookmarks.push_back(Attribute(tag, "text:name"));
        } else if (paragraphDepth > 0 && name == "text:s") {
            const std::string count = Attribute(tag, "text:c");
            paragraph.append(count.empty() ? 1 : std::stoul(count), ' ');
        } else if (paragraphDepth > 0 && name == "text:tab") {
            paragraph += '\t';
        } else if (paragraphDepth > 0 && name == "text:line-break") {
            paragraph += '\n';
        }
    }
    return content;
}

}  // namespace

void MakeTemplates(const std::vector<std::pair<std::string, std::string>>& layoutsAndOutputs) {
    ScratchFolder scratch;
    std::vector<std::string> arguments = {"/usr/bin/python3",
                                          std::string(TARNFOLD_SOURCE_DIR) + "/scripts/make_template.py"};
    for (std::size_t n = 0; n < layoutsAndOutputs.size(); ++n) {
        const fs::path layout = scratch.Path() / ("layout" + std::to_string(n) + ".json");
        std::ofstream(layout) << layoutsAndOutputs[n].first;
        arguments.insert(arguments.end(), {"--layout", layout.string(), "--out", layoutsAndOutputs[n].second});
    }
    arguments.insert(arguments.end(), {"--profile", (OfficeRoot() / "templates").string()});
    const fs::path log = scratch.Path() / "make_template.log";
    if (Run(arguments, log) != 0) throw std::runtime_error("make_template.py failed:\n" + Tail(log));
}

void MakeTemplate(const std::string& layoutJson, const std::string& outPath) { MakeTemplates({{layoutJson, outPath}}); }

DocumentContent ReadDocument(const std::string& path) {
    if (!fs::is_regular_file(path)) throw std::runtime_error("no document at " + path);
    const fs::path profile = OfficeRoot() / "readback";
    ProfileLock lock(profile);
    SeedProfile(profile);
    ScratchFolder scratch;
    // A copy: the document may be open in the office under test, with its lock file beside it.
    const fs::path copy = scratch.Path() / ("document" + fs::path(path).extension().string());
    fs::copy_file(path, copy);
    const std::vector<std::string> arguments = {kSoffice,
                                                "--headless",
                                                "--norestore",
                                                "--nologo",
                                                "--nodefault",
                                                "--nolockcheck",
                                                "-env:UserInstallation=" + FileUrl(PathToUtf8(profile)),
                                                "--convert-to",
                                                "fodt:OpenDocument Text Flat XML",
                                                "--outdir",
                                                scratch.Path().string(),
                                                copy.string()};
    const fs::path log = profile / "soffice.log";
    const fs::path flat = scratch.Path() / "document.fodt";
    for (int attempt = 0; attempt < 2 && !fs::exists(flat); ++attempt) Run(arguments, log);
    if (!fs::exists(flat)) throw std::runtime_error("LibreOffice could not read " + path + "; log:\n" + Tail(log));
    return ParseFlatOdf(ReadWholeFile(flat));
}

std::string ReadDocumentText(const std::string& path) {
    const DocumentContent content = ReadDocument(path);
    std::string text;
    for (const auto* part : {&content.header, &content.body, &content.footer})
        for (const std::string& line : *part) text += line + "\n";
    return text;
}

}  // namespace tarnfold::testing
