#include "manual_page.h"

#include <vector>

namespace pelvaro::cli {

namespace {

constexpr std::size_t kWidth = 79;
constexpr std::size_t kSectionIndent = 2;
constexpr std::size_t kTagWidth = 15;  // a .TP paragraph's text starts this far right of its tag
constexpr char kUnbreakableSpace = '\x01';
constexpr std::string_view kUsage = "Usage: ";

// The text of a line with its escapes resolved.
std::string Plain(std::string_view line) {
    std::string text;
    for (std::size_t at = 0; at < line.size(); ++at) {
        if (line[at] != '\\' || at + 1 == line.size()) {
            text += line[at];
            continue;
        }
        const char escape = line[++at];
        const std::string_view rest = line.substr(at + 1);
        if (escape == 'f' && !rest.empty()) {
            ++at;  // a change of font: plain text has one
        } else if (escape == '-') {
            text += '-';
        } else if (escape == 'e') {
            text += '\\';
        } else if (escape == ' ') {
            text += kUnbreakableSpace;
        } else if (escape == '(' && (rest.substr(0, 2) == "aq" || rest.substr(0, 2) == "dq")) {
            text += rest[0] == 'a' ? '\'' : '"';
            at += 2;
        } else if (escape != '&') {
            text += '\\';
            text += escape;
        }
    }
    return text;
}

std::string_view Unquoted(std::string_view text) {
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"') return text.substr(1, text.size() - 2);
    return text;
}

// "EXIT STATUS" as "Exit status:".
std::string Heading(std::string_view title) {
    std::string heading(title);
    for (std::size_t i = 1; i < heading.size(); ++i)
        if (heading[i] >= 'A' && heading[i] <= 'Z') heading[i] = static_cast<char>(heading[i] - 'A' + 'a');
    return heading + ":";
}

class TextWriter {
public:
    explicit TextWriter(bool usageOnly) : usageOnly_(usageOnly) {}

    void Line(std::string_view line) {
        if (line.substr(0, 3) == ".\\\"") return;
        if (line.substr(0, 1) == ".") {
            const std::size_t space = line.find(' ');
            const std::string_view request =
                line.substr(1, space == std::string_view::npos ? space : space - 1);
            const std::string_view argument = space == std::string_view::npos ? "" : line.substr(space + 1);
            if (Request(request, Unquoted(argument))) return;
        }
        Text(Plain(line));
    }

    std::string Finish() {
        EndParagraph();
        return std::move(text_);
    }

private:
    // Acts on a request the page may use; false for any other.
    bool Request(std::string_view request, std::string_view argument) {
        if (request == "TH") return true;
        if (request == "SH") {
            EndParagraph();
            StartSection(argument);
        } else if (request == "PP" || request == "br" || request == "TP" || request == "nf" ||
                   request == "fi") {
            EndParagraph();
            blankLineDue_ = blankLineDue_ || request == "PP";
            tagDue_ = request == "TP";
            if (request == "nf" || request == "fi") noFill_ = request == "nf";
        } else if (request == "B" || request == "I") {
            Text(Plain(argument));
        } else {
            return false;
        }
        return true;
    }

    void StartSection(std::string_view title) {
        section_ = std::string(title);
        shown_ = usageOnly_ ? section_ == "SYNOPSIS" : section_ != "NAME";
        if (!shown_ || section_ == "SYNOPSIS") return;
        if (!text_.empty()) text_ += '\n';
        if (section_ != "DESCRIPTION") text_ += Heading(section_) + '\n';
        indent_ = section_ == "DESCRIPTION" ? 0 : kSectionIndent;
        blankLineDue_ = false;
    }

    void Text(const std::string& line) {
        if (!shown_) return;
        if (tagDue_) {
            tag_ = line;
            tagDue_ = false;
        } else if (noFill_) {
            EndParagraph();
            Write(std::string(indent_, ' ') + line);
        } else {
            for (std::size_t start = 0, end; start < line.size(); start = end + 1) {
                end = line.find(' ', start);
                if (end == std::string::npos) end = line.size();
                if (end > start) words_.push_back(line.substr(start, end - start));
            }
        }
    }

    // Writes out the paragraph read so far, filled.
    void EndParagraph() {
        if (words_.empty() && tag_.empty()) return;
        if (section_ == "SYNOPSIS") {
            std::string line = text_.empty() ? std::string(kUsage) : std::string(kUsage.size(), ' ');
            for (const std::string& word : words_) line += (&word == &words_.front() ? "" : " ") + word;
            Write(line);
            words_.clear();
            return;
        }
        std::string line(indent_, ' ');
        std::size_t indent = indent_;
        if (!tag_.empty()) {
            line += tag_;
            indent += kTagWidth;
            if (line.size() + 1 > indent) {
                Write(line);
                line.clear();
            }
            line.resize(indent, ' ');
        }
        bool lineHasWords = false;
        for (const std::string& word : words_) {
            if (lineHasWords && line.size() + 1 + word.size() > kWidth) {
                Write(line);
                line.assign(indent, ' ');
                lineHasWords = false;
            }
            line += (lineHasWords ? " " : "") + word;
            lineHasWords = true;
        }
        Write(line);
        words_.clear();
        tag_.clear();
    }

    void Write(std::string line) {
        if (blankLineDue_ && !text_.empty()) text_ += '\n';
        blankLineDue_ = false;
        while (!line.empty() && line.back() == ' ') line.pop_back();
        for (char& c : line)
            if (c == kUnbreakableSpace) c = ' ';
        text_ += line + '\n';
    }

    const bool usageOnly_;
    std::string text_;
    std::string section_;
    bool shown_ = false;
    std::size_t indent_ = 0;
    std::vector<std::string> words_;  // of the paragraph being read
    std::string tag_;                 // of the .TP paragraph being read
    bool tagDue_ = false;
    bool noFill_ = false;
    bool blankLineDue_ = false;
};

std::string Render(std::string_view page, bool usageOnly) {
    TextWriter writer(usageOnly);
    while (!page.empty()) {
        const std::size_t end = page.find('\n');
        writer.Line(page.substr(0, end));
        page.remove_prefix(end == std::string_view::npos ? page.size() : end + 1);
    }
    return writer.Finish();
}

}  // namespace

std::string ManualPageText(std::string_view page) { return Render(page, false); }

std::string ManualPageUsage(std::string_view page) { return Render(page, true); }

}  // namespace pelvaro::cli
