#include "office_reading.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "core/text.h"
#include "support/whole_file.h"

namespace tarnfold::testing {

namespace {

namespace fs = std::filesystem;

std::string ShellQuoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'') {
            quoted += "'\\''";
        } else {
            quoted += c;
        }
    }
    return quoted + "'";
}

void Run(const std::string& command, const std::string& log) {
    const int status = std::system((command + " >>" + ShellQuoted(log) + " 2>&1").c_str());
    if (status != 0) {
        throw std::runtime_error("failed (" + std::to_string(status) + "): " + command + "\n" + ReadWholeFile(log));
    }
}

// The text of an HTML fragment: tags dropped, entities decoded, runs of
// white space made one blank.
std::string HtmlText(const std::string& html) {
    std::string text;
    for (std::size_t i = 0; i < html.size(); ++i) {
        if (html[i] == '<') {
            const std::size_t end = html.find('>', i);
            if (end == std::string::npos) {
                break;
            }
            // Paragraphs, cells and breaks part words; spans of formatting do not.
            std::string tag = html.substr(i + 1, end - i - 1);
            if (!tag.empty() && tag[0] == '/') {
                tag.erase(0, 1);
            }
            tag = tag.substr(0, tag.find_first_of(" \t\n/"));
            for (const char* block : {"p", "br", "div", "td", "th", "tr", "li", "h1", "h2", "h3"}) {
                if (tag == block) {
                    text += ' ';
                }
            }
            i = end;
        } else if (html[i] == '&') {
            const std::size_t end = html.find(';', i);
            const std::string entity = html.substr(i + 1, end - i - 1);
            if (entity == "amp")
                text += '&';
            else if (entity == "lt")
                text += '<';
            else if (entity == "gt")
                text += '>';
            else if (entity == "quot")
                text += '"';
            else if (entity == "nbsp")
                text += ' ';
            else if (!entity.empty() && entity[0] == '#') {
                AppendUtf8(text, static_cast<char32_t>(entity.size() > 1 && (entity[1] == 'x' || entity[1] == 'X')
                                                           ? std::stoul(entity.substr(2), nullptr, 16)
                                                           : std::stoul(entity.substr(1))));
            }
            i = end;
        } else {
            text += html[i];
        }
    }
    std::string collapsed;
    for (char c : text) {
        const bool blank = c == ' ' || c == '\n' || c == '\r' || c == '\t';
        if (blank) {
            if (!collapsed.empty() && collapsed.back() != ' ') {
                collapsed += ' ';
            }
        } else {
            collapsed += c;
        }
    }
    while (!collapsed.empty() && collapsed.back() == ' ') {
        collapsed.pop_back();
    }
    return collapsed;
}

}  // namespace

void Office::MakeTemplates(const std::vector<std::pair<std::string, std::string>>& layoutsAndOutputs) const {
    fs::create_directories(profile_);
    std::string command = "python3 " +
                          ShellQuoted(std::string(TARNFOLD_DOCX_SOURCE_ROOT) + "/scripts/make_template.py") +
                          " --profile " + ShellQuoted(profile_);
    int n = 0;
    for (const auto& [layout, output] : layoutsAndOutputs) {
        const std::string layoutPath = profile_ + "/layout" + std::to_string(n++) + ".json";
        std::ofstream(layoutPath, std::ios::binary) << layout;
        command += " --layout " + ShellQuoted(layoutPath) + " --out " + ShellQuoted(output);
    }
    Run("timeout 300 " + command, profile_ + "/make_template.log");
}

std::string Office::Convert(const std::string& document, const std::string& filter,
                            const std::string& extension) const {
    const fs::path out = fs::path(profile_) / "converted";
    fs::create_directories(out);
    const fs::path result = out / (fs::path(document).stem().string() + "." + extension);
    fs::remove(result);
    // The office needs a UTF-8 character type to load a file with a Cyrillic
    // name, and its output goes to a log so no pipe is left to it.
    Run("env -u LC_ALL LC_CTYPE=C.UTF-8 timeout 180 /usr/lib/libreoffice/program/soffice --headless --norestore "
        "--nologo --nodefault --nolockcheck -env:UserInstallation=file://" +
            profile_ + " --convert-to " + ShellQuoted(filter) + " --outdir " + ShellQuoted(out.string()) + " " +
            ShellQuoted(document),
        profile_ + "/convert.log");
    if (!fs::exists(result)) {
        throw std::runtime_error("LibreOffice wrote no " + result.string() + "\n" +
                                 ReadWholeFile(profile_ + "/convert.log"));
    }
    return ReadWholeFile(result);
}

std::vector<std::string> Office::BodyLines(const std::string& document) const {
    std::string text = Convert(document, "txt:Text (encoded):UTF8", "txt");
    if (text.rfind("\xEF\xBB\xBF", 0) == 0) {
        text.erase(0, 3);
    }
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (!line.empty()) {
            lines.push_back(line);
        }
    }
    return lines;
}

std::vector<std::string> Office::HeaderAndFooterTexts(const std::string& document) const {
    const std::string html = Convert(document, "html:HTML (StarWriter):UTF8", "html");
    std::vector<std::string> texts;
    for (const char* title : {"<div title=\"header\"", "<div title=\"footer\""}) {
        const std::size_t begin = html.find(title);
        if (begin == std::string::npos) {
            texts.emplace_back();
            continue;
        }
        const std::size_t end = html.find("</div>", begin);
        texts.push_back(HtmlText(html.substr(begin, end - begin)));
    }
    return texts;
}

}  // namespace tarnfold::testing
