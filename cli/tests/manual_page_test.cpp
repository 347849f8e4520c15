// The manual page as help text: the requests and escapes the page may use, and
// the page itself as --help shows it.
#include "manual_page.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "manual_page_source.h"

namespace pelvaro::cli {
namespace {

constexpr std::string_view kPage = R"(.\" A comment, left out.
.TH TOOL 1 2026-01-01 Tool "User Commands"
.SH NAME
tool \- does things
.SH SYNOPSIS
\fBtool\fR [\fB\-\-flag\fR] \fIFILE\fR
.br
\fBtool \-\-help\fR
.SH DESCRIPTION
One two three four five six seven eight nine ten eleven twelve thirteen fourteen
fifteen sixteen.
Sentence on its own line.
.PP
Second\ paragraph with \(aqquotes\(aq, \(dqdouble\(dq, a back\eslash and \&.dot.
.SH "EXIT STATUS"
.TP
.B 0
fine
.TP
\fB\-\-much\-longer\-tag\fR \fIN\fR
text under the tag
.SH EXAMPLES
.nf
tool   a  b
tool \-\-flag
.fi
After.
)";

TEST(ManualPageText, SectionsFilledAndIndented) {
    EXPECT_EQ(ManualPageText(kPage),
              "Usage: tool [--flag] FILE\n"
              "       tool --help\n"
              "\n"
              "One two three four five six seven eight nine ten eleven twelve thirteen\n"
              "fourteen fifteen sixteen. Sentence on its own line.\n"
              "\n"
              "Second paragraph with 'quotes', \"double\", a back\\slash and .dot.\n"
              "\n"
              "Exit status:\n"
              "  0              fine\n"
              "  --much-longer-tag N\n"
              "                 text under the tag\n"
              "\n"
              "Examples:\n"
              "  tool   a  b\n"
              "  tool --flag\n"
              "  After.\n");
}

TEST(ManualPageText, LinesFillSeventyNineColumns) {
    const std::string word(75, 'a');
    EXPECT_EQ(ManualPageText(".SH DESCRIPTION\n" + word + " abc\n"), word + " abc\n");
    EXPECT_EQ(ManualPageText(".SH DESCRIPTION\n" + word + " abcd\n"), word + "\nabcd\n");
    EXPECT_EQ(ManualPageText(".SH OPTIONS\n.TP\nx\n" + word.substr(0, 58) + " abc d\n"),
              "Options:\n  x              " + word.substr(0, 58) + " abc\n                 d\n");
}

TEST(ManualPageText, UnbreakableSpaceKeepsWordsOnOneLine) {
    const std::string text = ManualPageText(
        ".SH DESCRIPTION\n"
        "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa h\\ =\\ h\\ *\\ 101\n");
    EXPECT_EQ(text,
              "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa\n"
              "h = h * 101\n");
}

TEST(ManualPageUsage, OnlyTheSynopsis) {
    EXPECT_EQ(ManualPageUsage(kPage), "Usage: tool [--flag] FILE\n       tool --help\n");
}

// pelvaro-id's own page, as its help shows it.
TEST(PelvaroIdHelp, FitsEightyColumnsAndHoldsNoTroff) {
    const std::string help = ManualPageText(kManualPage);
    std::size_t number = 0;
    for (std::size_t start = 0, end; start < help.size(); start = end + 1) {
        end = help.find('\n', start);
        const std::string_view line = std::string_view(help).substr(start, end - start);
        ++number;
        EXPECT_LE(line.size(), 79u) << "line " << number << ": " << line;
        for (const char* escape : {"\\f", "\\-", "\\(", "\\e", "\\&", "\\ "})
            EXPECT_EQ(line.find(escape), std::string_view::npos) << "line " << number << ": " << line;
        EXPECT_NE(line.substr(0, 1), ".") << "line " << number << ": " << line;
    }
}

TEST(PelvaroIdHelp, NamesEveryOptionAndExitStatus) {
    const std::string help = ManualPageText(kManualPage);
    EXPECT_EQ(help.rfind(ManualPageUsage(kManualPage), 0), 0u);
    EXPECT_EQ(ManualPageUsage(kManualPage),
              "Usage: pelvaro-id [--code-page N] [--] [ADDRESS...]\n"
              "       pelvaro-id --help | --version\n");
    for (const char* entry : {"\n  --code-page N, --code-page=N\n", "\n  --help ", "\n  --version ",
                              "\n  -- ", "\nExit status:\n  0 ", "\n  1 ", "\n  2 "})
        EXPECT_NE(help.find(entry), std::string::npos) << entry;
}

TEST(PelvaroIdHelp, SaysHowToEndTypedInput) {
    const std::string help = ManualPageText(kManualPage);
    EXPECT_NE(help.find("Ctrl+D"), std::string::npos);
    EXPECT_NE(help.find("Ctrl+Z then Enter"), std::string::npos);
}

}  // namespace
}  // namespace pelvaro::cli
