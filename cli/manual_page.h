// pelvaro-id's manual page as plain text, for --help and the usage message,
// so that the page is the one place where the program is described.
#pragma once

#include <string>
#include <string_view>

namespace pelvaro::cli {

// The page's sections as text filled to 79 columns: the lines of SYNOPSIS
// under "Usage: ", DESCRIPTION as it is, each other section under its title
// ("EXIT STATUS" becomes "Exit status:"), indented by two. NAME is left out.
//
// The page may use these requests: .TH, .SH, .PP, .TP (its tag on the next
// line), .br, .B and .I (their words shown plainly), .nf and .fi, and comments
// (.\"); and these escapes: \fB, \fI, \fR, \fP, \-, \e, \&, \(aq, \(dq and "\ ",
// a space that never breaks a line. Anything else is shown as it is.
std::string ManualPageText(std::string_view page);

// Only the SYNOPSIS section's lines, under "Usage: ".
std::string ManualPageUsage(std::string_view page);

}  // namespace pelvaro::cli
