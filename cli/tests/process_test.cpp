// pelvaro-id run as a process: its arguments, standard input, options and
// exit statuses, and how it meets a closed pipe, a full disk, a failed read, a
// terminal and a million lines.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace {

// Gives the next piece of standard input; an empty piece ends it.
using Feed = std::function<std::string()>;

struct Outcome {
    std::string out;
    std::string err;
    int status = -1;      // the exit status; -1 when a signal ended the program
    long maxRssKb = 0;    // the program's peak resident memory since it started, as last seen
    std::size_t fed = 0;  // bytes of input the program took
};

// Where the program's standard streams go instead of the pipes of the test,
// when set.
struct Streams {
    int in = -1;
    int out = -1;
    int err = -1;
};

Feed Bytes(std::string input) {
    return [input = std::move(input)]() mutable { return std::exchange(input, std::string()); };
}

// The input of Lines: lines that cycle through these addresses, made a piece
// at a time, so that the test holds no more of them than the program does.
const std::vector<std::string> kCycle = {"abc", "hello", "", "zzzzz"};
const std::vector<std::string> kCycleIds = {"999494", "2337520240", "0", "4232388018"};

Feed Lines(std::size_t count) {
    return [count, made = std::size_t{0}]() mutable {
        std::string piece;
        for (; made < count && piece.size() < 65536; ++made) piece += kCycle[made % kCycle.size()] + "\n";
        return piece;
    };
}

std::vector<char*> ArgumentVector(std::vector<std::string>& arguments) {
    std::vector<char*> argv{const_cast<char*>(PELVARO_ID)};
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    return argv;
}

void MakePipe(int ends[2]) { ASSERT_EQ(pipe2(ends, O_CLOEXEC), 0); }

// Starts pelvaro-id with these standard streams, and the default action for
// SIGPIPE, which the test itself ignores.
pid_t Start(std::vector<std::string> arguments, int in, int out, int err) {
    std::vector<char*> argv = ArgumentVector(arguments);
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(in, STDIN_FILENO);
        dup2(out, STDOUT_FILENO);
        dup2(err, STDERR_FILENO);
        std::signal(SIGPIPE, SIG_DFL);
        execv(argv[0], argv.data());
        _exit(127);
    }
    return pid;
}

void Finish(pid_t pid, Outcome& outcome) {
    int status = 0;
    waitpid(pid, &status, 0);
    outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The peak resident memory of a running program since it started (VmHWM):
// its own, unlike the peak that wait4 reports, which also counts the copy of
// the test process that fork made before the program was started in it. That
// copy grows with what the test has fed earlier runs (a sanitizer keeps freed
// blocks for a while), and would be taken for the program's. 0 until the
// copy has become pelvaro-id.
long PeakResidentKb(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    bool started = false;
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("Name:", 0) == 0) started = line.find("pelvaro-id") != std::string::npos;
        if (started && line.rfind("VmHWM:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
    }
    return 0;
}

// Reads what there is on fd onto text; closes fd at its end.
void Drain(int& fd, std::string& text) {
    char buffer[65536];
    const ssize_t got = read(fd, buffer, sizeof buffer);
    if (got > 0) {
        text.append(buffer, static_cast<std::size_t>(got));
    } else if (got == 0 || errno != EINTR) {
        close(fd);
        fd = -1;
    }
}

// Writes what it can of the input to fd, asking feed for more; closes fd at
// the end of the input or when the program has stopped reading.
void Supply(int& fd, Feed& feed, std::string& piece, Outcome& outcome) {
    if (piece.empty()) piece = feed();
    const ssize_t put = piece.empty() ? -1 : write(fd, piece.data(), piece.size());
    if (put > 0) {
        piece.erase(0, static_cast<std::size_t>(put));
        outcome.fed += static_cast<std::size_t>(put);
    } else if (piece.empty() || errno != EAGAIN) {
        close(fd);
        fd = -1;
    }
}

Outcome RunPelvaroId(std::vector<std::string> arguments, Feed feed = Bytes(""), Streams streams = {}) {
    std::signal(SIGPIPE, SIG_IGN);
    int in[2], out[2], err[2];
    MakePipe(in);
    MakePipe(out);
    MakePipe(err);
    const pid_t pid = Start(std::move(arguments), streams.in >= 0 ? streams.in : in[0],
                            streams.out >= 0 ? streams.out : out[1], streams.err >= 0 ? streams.err : err[1]);
    close(in[0]);
    close(out[1]);
    close(err[1]);
    fcntl(in[1], F_SETFL, O_NONBLOCK);
    int fds[3] = {in[1], out[0], err[0]};
    const int given[3] = {streams.in, streams.out, streams.err};
    for (int i = 0; i < 3; ++i)
        if (given[i] >= 0) close(std::exchange(fds[i], -1));
    Outcome outcome;
    std::string piece;
    while (std::any_of(std::begin(fds), std::end(fds), [](int fd) { return fd >= 0; })) {
        pollfd polls[3] = {{fds[0], POLLOUT, 0}, {fds[1], POLLIN, 0}, {fds[2], POLLIN, 0}};
        if (poll(polls, 3, -1) < 0) continue;
        if (polls[0].revents != 0) Supply(fds[0], feed, piece, outcome);
        if (polls[1].revents != 0) Drain(fds[1], outcome.out);
        if (polls[2].revents != 0) Drain(fds[2], outcome.err);
        outcome.maxRssKb = std::max(outcome.maxRssKb, PeakResidentKb(pid));
    }
    Finish(pid, outcome);
    return outcome;
}

std::size_t CountLines(const std::string& text) {
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

// --- Arguments ---

TEST(PelvaroId, WorksOutEachArgumentInOrder) {
    const Outcome outcome = RunPelvaroId({"abc", "ABC", "hello", ""});
    EXPECT_EQ(outcome.out, "999494\n999494\n2337520240\n0\n");
    EXPECT_EQ(outcome.err, "");
    EXPECT_EQ(outcome.status, 0);
}

TEST(PelvaroId, IgnoresStandardInputWhenGivenArguments) {
    EXPECT_EQ(RunPelvaroId({"a"}, Bytes("abc\n")).out, "97\n");
}

TEST(PelvaroId, DoubleDashEndsTheOptions) {
    const Outcome outcome = RunPelvaroId({"--", "-abc", "--help"});
    EXPECT_EQ(outcome.out, "47363039\n1004063359\n");
    EXPECT_EQ(outcome.status, 0);
}

TEST(PelvaroId, ArgumentNotValidUtf8IsNamedAndTheOthersWorkedOut) {
    const Outcome outcome = RunPelvaroId({"abc", "\xED\xA0\x80", "hello"});
    EXPECT_EQ(outcome.out, "999494\n2337520240\n");
    EXPECT_EQ(outcome.err, "pelvaro-id: argument 2: not valid UTF-8\n");
    EXPECT_EQ(outcome.status, 1);
}

// --- Standard input ---

TEST(PelvaroId, KnownIdNumbersFromStandardInput) {
    const Outcome outcome =
        RunPelvaroId({}, Bytes("\na\nabc\nABC\n abc\nabc \na.b\nhello\nHello\nabcdef\nzzzzz\ntest\n"));
    EXPECT_EQ(outcome.out,
              "0\n97\n999494\n999494\n33969126\n100948926\n994241\n2337520240\n2337520240\n3283514353\n"
              "4232388018\n120556948\n");
    EXPECT_EQ(outcome.status, 0);
}

TEST(PelvaroId, MixedLineEndingsAndALastLineWithoutOne) {
    const Outcome outcome = RunPelvaroId({}, Bytes("abc\r\nHello\n\r\na\rb\nzzzzz"));
    EXPECT_EQ(outcome.out, "999494\n2337520240\n0\n97\n98\n4232388018\n");
    EXPECT_EQ(outcome.err, "");
    EXPECT_EQ(outcome.status, 0);
}

TEST(PelvaroId, EmptyInputPrintsNothing) {
    const Outcome outcome = RunPelvaroId({});
    EXPECT_EQ(outcome.out, "");
    EXPECT_EQ(outcome.status, 0);
}

TEST(PelvaroId, SkipsAByteOrderMarkAtTheStart) {
    EXPECT_EQ(RunPelvaroId({}, Bytes(std::string("\xEF\xBB\xBF") + "abc\n")).out, "999494\n");
}

TEST(PelvaroId, OldMacLineEnds) {
    const Outcome outcome = RunPelvaroId({}, Bytes("abc\rhello\rtest\r"));
    EXPECT_EQ(outcome.out, "999494\n2337520240\n120556948\n");
    EXPECT_EQ(outcome.status, 0);
}

// What "cat a.txt b.txt | pelvaro-id" gives when each file starts with a mark.
TEST(PelvaroId, JoinedFilesEachWithAByteOrderMark) {
    const std::string utf8 = "\xEF\xBB\xBF";
    EXPECT_EQ(RunPelvaroId({}, Bytes(utf8 + "abc\r\n" + utf8 + "hello\r\n")).out, "999494\n2337520240\n");
    const std::string little(
        "\xFF\xFE"
        "a\0b\0c\0\r\0\n\0",
        12);
    const std::string big("\xFE\xFF\0h\0e\0l\0l\0o\0\r\0\n\0t\0e\0s\0t\0\r\0\n", 28);
    EXPECT_EQ(RunPelvaroId({}, Bytes(little + little)).out, "999494\n999494\n");
    const Outcome outcome = RunPelvaroId({}, Bytes(little + big));
    EXPECT_EQ(outcome.out, "999494\n2337520240\n120556948\n");
    EXPECT_EQ(outcome.status, 0);
}

TEST(PelvaroId, LineNotValidUtf8IsNamedAndTheOthersWorkedOut) {
    const Outcome outcome = RunPelvaroId({}, Bytes("abc\nhello\n\xC0\xAF\nzzzzz\n"));
    EXPECT_EQ(outcome.out, "999494\n2337520240\n4232388018\n");
    EXPECT_EQ(outcome.err, "pelvaro-id: line 3: not valid UTF-8\n");
    EXPECT_EQ(outcome.status, 1);
}

TEST(PelvaroId, ReadErrorIsReported) {
    const int directory = open("/", O_RDONLY | O_CLOEXEC);
    const Outcome outcome = RunPelvaroId({}, Bytes(""), {directory, -1});
    close(directory);
    EXPECT_EQ(outcome.err, "pelvaro-id: cannot read standard input: Is a directory\n");
    EXPECT_EQ(outcome.status, 1);
}

TEST(PelvaroId, Utf16InputWithAByteOrderMark) {
    const std::string little(
        "\xFF\xFE"
        "a\0b\0c\0\r\0\n\0h\0e\0l\0l\0o\0\r\0\n\0",
        26);
    EXPECT_EQ(RunPelvaroId({}, Bytes(little)).out, "999494\n2337520240\n");
    const std::string big("\xFE\xFF\0a\0b\0c\0\n\0H\0e\0l\0l\0o", 20);
    const Outcome outcome = RunPelvaroId({}, Bytes(big));
    EXPECT_EQ(outcome.out, "999494\n2337520240\n");
    EXPECT_EQ(outcome.err, "");
    EXPECT_EQ(outcome.status, 0);
}

TEST(PelvaroId, Utf16LoneSurrogateIsFoldedByItself) {
    // U+D83D alone has no code in 1252: "?", 63, then "a", 97.
    EXPECT_EQ(RunPelvaroId({}, Bytes(std::string("\xFF\xFE\x3D\xD8"
                                                 "a\0",
                                                 6)))
                  .out,
              "6460\n");
}

TEST(PelvaroId, LinesThatAreNoAddressesAreNamed) {
    struct Case {
        std::string input, out, err;
    };
    for (const Case& faulty : {
             Case{std::string("abc\na\0b\nhello\n", 14), "999494\n2337520240\n",
                  "pelvaro-id: line 2: contains a NUL character\n"},
             // UTF-16 without a byte-order mark is not folded into wrong numbers.
             Case{std::string("a\0b\0c\0\r\0\n\0", 10), "",
                  "pelvaro-id: line 1: contains a NUL character\npelvaro-id: line 2: contains a NUL "
                  "character\npelvaro-id: line 3: contains a NUL character\n"},
             Case{std::string("\xFF\xFE"
                              "a\0\n\0x",
                              7),
                  "97\n", "pelvaro-id: line 2: odd number of bytes in UTF-16 input\n"},
         }) {
        const Outcome outcome = RunPelvaroId({}, Bytes(faulty.input));
        EXPECT_EQ(outcome.out, faulty.out);
        EXPECT_EQ(outcome.err, faulty.err);
        EXPECT_EQ(outcome.status, 1);
    }
}

TEST(PelvaroId, MessagesKeepTheOrderOfTheInputInOneFile) {
    FILE* const file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    const int both = fileno(file);
    RunPelvaroId({}, Bytes(std::string("abc\n\xFF\nhello\n\0\n", 14)), {-1, both, both});
    RunPelvaroId({"abc", "\xFF", "hello"}, Bytes(""), {-1, both, both});
    std::string written(4096, '\0');
    written.resize(static_cast<std::size_t>(pread(both, written.data(), written.size(), 0)));
    std::fclose(file);
    EXPECT_EQ(written,
              "999494\npelvaro-id: line 2: not valid UTF-8\n2337520240\n"
              "pelvaro-id: line 4: contains a NUL character\n"
              "999494\npelvaro-id: argument 2: not valid UTF-8\n2337520240\n");
}

TEST(PelvaroId, WritesWhatIsWorkedOutBeforeAReadFailure) {
    // A pipe that is empty but not closed, read without waiting: the read fails.
    int ends[2];
    MakePipe(ends);
    ASSERT_EQ(write(ends[1], "abc\nhello\nzz", 12), 12);
    fcntl(ends[0], F_SETFL, O_NONBLOCK);
    const Outcome outcome = RunPelvaroId({}, Bytes(""), {ends[0], -1});
    close(ends[0]);
    close(ends[1]);
    EXPECT_EQ(outcome.out, "999494\n2337520240\n");  // written, though output to a pipe is kept in a buffer
    EXPECT_EQ(outcome.err, "pelvaro-id: cannot read standard input: Resource temporarily unavailable\n");
    EXPECT_EQ(outcome.status, 1);
}

// --- Code pages ---

TEST(PelvaroId, CodePage932GivesTheDoubleByteCode) {
    // U+3042 is 82 A0 in code page 932: -32096 as a signed 16-bit code.
    EXPECT_EQ(RunPelvaroId({"--code-page", "932", "\xE3\x81\x82"}).out, "4294935200\n");
    EXPECT_EQ(RunPelvaroId({"--code-page=932", "\xE3\x81\x82"}).out, "4294935200\n");
    EXPECT_EQ(RunPelvaroId({"\xE3\x81\x82"}).out, "63\n");  // 1252 cannot spell it: "?"
}

TEST(PelvaroId, CodePage1251LowerCasesCyrillic) {
    EXPECT_EQ(RunPelvaroId({"--code-page", "1251", "\xD0\x94"}).out,
              "228\n");  // U+0414 lower-cased to U+0434, E4
}

// As Windows gives the codes when its ANSI code page is UTF-8: one byte as
// it is, two as one 16-bit value, more as "?".
TEST(PelvaroId, CodePage65001GivesWhatAUtf8WindowsGives) {
    EXPECT_EQ(RunPelvaroId({"--code-page", "65001"}, Bytes("\xC3\xA9@x\n")).out, "4137399033\n");
    EXPECT_EQ(
        RunPelvaroId({"--code-page=65001", "\xC3\x89@x", "\xE4\xB8\xAD", "\xF0\x9F\x98\x80", "abc"}).out,
        "4137399033\n63\n6426\n999494\n");
}

TEST(PelvaroId, CodePageAppliesToStandardInput) {
    EXPECT_EQ(RunPelvaroId({"--code-page", "932"}, Bytes("\xE3\x81\x82\n")).out, "4294935200\n");
}

TEST(PelvaroId, UnknownCodePageNamesTheSupportedOnes) {
    for (const std::vector<std::string>& arguments : {std::vector<std::string>{"--code-page", "437", "abc"},
                                                      {"--code-page=x", "abc"},
                                                      {"--code-page="}}) {
        const Outcome outcome = RunPelvaroId(arguments);
        EXPECT_EQ(outcome.out, "");
        EXPECT_NE(outcome.err.find("pelvaro-id: unknown code page '"), std::string::npos) << outcome.err;
        EXPECT_NE(outcome.err.find("874, 932, 936, 949, 950, 1250 to 1258 and 65001"), std::string::npos);
        EXPECT_EQ(outcome.status, 2);
    }
}

// --- Usage, help and version ---

TEST(PelvaroId, UnknownOptionIsAUsageError) {
    const Outcome outcome = RunPelvaroId({"abc", "--bogus"});
    EXPECT_EQ(outcome.out, "");
    EXPECT_EQ(outcome.err.rfind("pelvaro-id: unknown option '--bogus'\nUsage: pelvaro-id ", 0), 0u)
        << outcome.err;
    EXPECT_EQ(outcome.status, 2);
}

// A value that cannot be shown as it is shows escaped, never as nothing.
TEST(PelvaroId, ValuesThatCannotBeShownAreEscaped) {
    struct Case {
        std::vector<std::string> arguments;
        std::string shown;
    };
    for (const Case& c :
         {Case{{"--code-page", "\xFF", "abc"}, "unknown code page '\\xFF'"},
          Case{{"--code-page", "\x1B[2J\t\\"}, "unknown code page '\\x1B[2J\\x09\\\\'"},
          Case{{"--code-page=\xC3\xA9\xF0\x9F\x98\x80"}, "unknown code page '\\u00E9\\U0001F600'"},
          Case{{"--\xC3\xA9\x7F"}, "unknown option '--\\u00E9\\x7F'"}}) {
        const Outcome outcome = RunPelvaroId(c.arguments);
        EXPECT_EQ(outcome.err.rfind("pelvaro-id: " + c.shown, 0), 0u) << outcome.err;
        EXPECT_EQ(outcome.status, 2);
    }
}

TEST(PelvaroId, MissingValueIsAUsageError) {
    const Outcome outcome = RunPelvaroId({"--code-page"});
    EXPECT_EQ(outcome.err.rfind("pelvaro-id: option '--code-page' needs a value\nUsage: ", 0), 0u)
        << outcome.err;
    EXPECT_EQ(outcome.status, 2);
}

TEST(PelvaroId, Version) {
    const Outcome outcome = RunPelvaroId({"--version"});
    EXPECT_EQ(outcome.out, "pelvaro-id " PELVARO_EXPECTED_VERSION "\n");
    EXPECT_EQ(outcome.status, 0);
}

TEST(PelvaroId, HelpGoesToStandardOutput) {
    const Outcome outcome = RunPelvaroId({"--help"});
    EXPECT_EQ(outcome.out.rfind("Usage: pelvaro-id [--code-page N] [--] [ADDRESS...]\n", 0), 0u);
    EXPECT_NE(outcome.out.find("the Pelvaro"), std::string::npos);
    EXPECT_NE(outcome.out.find("Ctrl+D"), std::string::npos);
    EXPECT_EQ(outcome.err, "");
    EXPECT_EQ(outcome.status, 0);
}

// --- Output errors ---

TEST(PelvaroId, ClosedOutputPipeEndsTheCommandQuietly) {
    int ends[2];
    MakePipe(ends);
    close(ends[0]);
    const Outcome arguments = RunPelvaroId({"abc"}, Bytes(""), {-1, ends[1]});
    const Outcome input = RunPelvaroId({}, Lines(10000000), {-1, ends[1]});  // some 40 MB
    close(ends[1]);
    EXPECT_EQ(arguments.err, "");
    EXPECT_EQ(arguments.status, 0);
    EXPECT_EQ(input.err, "");
    EXPECT_EQ(input.status, 0);
    EXPECT_LT(input.fed, 4000000u);  // it stopped long before the end of the input
}

TEST(PelvaroId, FullDiskIsAnError) {
    const int full = open("/dev/full", O_WRONLY | O_CLOEXEC);
    ASSERT_GE(full, 0);
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{"abc"}, std::vector<std::string>{}, {"--version"}}) {
        const Outcome outcome = RunPelvaroId(arguments, Bytes("abc\n"), {-1, full});
        EXPECT_EQ(outcome.err, "pelvaro-id: cannot write standard output: No space left on device\n");
        EXPECT_EQ(outcome.status, 1);
    }
    close(full);
}

// --- Streaming ---

// AddressSanitizer holds freed memory back for a while; without that hold,
// what shows is what the program itself keeps.
void ReleaseFreedMemoryAtOnce() {
#if defined(__SANITIZE_ADDRESS__)
    const char* const options = std::getenv("ASAN_OPTIONS");
    const std::string release = "quarantine_size_mb=0:thread_local_quarantine_size_kb=0";
    setenv("ASAN_OPTIONS", (options != nullptr ? std::string(options) + ":" + release : release).c_str(), 1);
#endif
}

// Memory in constant use is checked against the same program on a quarter of
// the input, not on a tiny one: what a run costs whatever its input (the
// sanitizers' allocators grow their own by a few megabytes once a run has
// moved some data) is then in both, and only growth with the input shows.
constexpr long kGrowthAllowedKb = 2048;

TEST(PelvaroId, MillionLinesInConstantMemory) {
    ReleaseFreedMemoryAtOnce();
    const std::size_t lines = 1000000;
    const Outcome quarter = RunPelvaroId({}, Lines(lines / 4));
    const Outcome large = RunPelvaroId({}, Lines(lines));
    ASSERT_EQ(large.status, 0);
    ASSERT_EQ(CountLines(large.out), lines);
    std::string expected;
    for (std::size_t i = 0; i < lines; ++i) expected += kCycleIds[i % kCycleIds.size()] + "\n";
    EXPECT_TRUE(large.out == expected);
    // A million lines of input are several megabytes; a program that kept them
    // would show it.
    EXPECT_LT(large.maxRssKb, quarter.maxRssKb + kGrowthAllowedKb)
        << "on a quarter of the input: " << quarter.maxRssKb << " KiB";
}

// Gives count bytes of input made by piece(), a piece at a time.
Feed Repeat(std::string piece, std::size_t count) {
    return [piece = std::move(piece), count]() mutable {
        const std::size_t size = std::min(piece.size(), count);
        count -= size;
        return piece.substr(0, size);
    };
}

// A valid line of `valid` bytes, a faulty one of `faulty` bytes, and "abc".
Feed LongLines(std::size_t valid, std::size_t faulty) {
    return [pieces = std::vector<Feed>{Repeat(std::string(65536, 'a'), valid), Bytes("\n\xFF"),
                                       Repeat(std::string(65536, 'b'), faulty), Bytes("\nabc\n")},
            at = std::size_t{0}]() mutable {
        for (; at < pieces.size(); ++at)
            if (std::string piece = pieces[at](); !piece.empty()) return piece;
        return std::string();
    };
}

TEST(PelvaroId, LongLineInConstantMemory) {
    ReleaseFreedMemoryAtOnce();
    // A valid line of 4 MB, each of its characters folded, and a faulty one
    // of 200 MB, only searched for its end: a program that kept the line
    // would need its bytes, and twice as many for its units.
    const std::size_t valid = 4 << 20;
    const std::size_t faulty = 200 << 20;
    const Outcome quarter = RunPelvaroId({}, LongLines(valid / 4, faulty / 4));
    const Outcome large = RunPelvaroId({}, LongLines(valid, faulty));
    // 97 * (1 + 101 + ... + 101^(2^22 - 1)) mod 2^32, worked out by the test.
    std::uint32_t expected = 0;
    for (std::size_t i = 0; i < valid; ++i) expected = expected * 101u + 97u;
    EXPECT_EQ(large.out, std::to_string(expected) + "\n999494\n");
    EXPECT_EQ(large.err, "pelvaro-id: line 2: not valid UTF-8\n");
    EXPECT_EQ(large.status, 1);
    EXPECT_LT(large.maxRssKb, quarter.maxRssKb + kGrowthAllowedKb)
        << "on a quarter of the input: " << quarter.maxRssKb << " KiB";
}

TEST(PelvaroId, EndlessNulBytesInConstantMemory) {
    // What /dev/zero gives: one line, faulty from its first byte, that never ends.
    ReleaseFreedMemoryAtOnce();
    const std::size_t bytes = 300 << 20;
    const Outcome quarter = RunPelvaroId({}, Repeat(std::string(65536, '\0'), bytes / 4));
    const Outcome zeros = RunPelvaroId({}, Repeat(std::string(65536, '\0'), bytes));
    EXPECT_EQ(zeros.out, "");
    EXPECT_EQ(zeros.err, "pelvaro-id: line 1: contains a NUL character\n");
    EXPECT_EQ(zeros.status, 1);
    EXPECT_LT(zeros.maxRssKb, quarter.maxRssKb + kGrowthAllowedKb)
        << "on a quarter of the input: " << quarter.maxRssKb << " KiB";
}

// Waits up to a generous limit for a line on fd: only a hang guard.
std::string ReadLine(int fd) {
    std::string line;
    while (line.empty() || line.back() != '\n') {
        pollfd poll1 = {fd, POLLIN, 0};
        if (poll(&poll1, 1, 60000) <= 0) break;
        char byte;
        if (read(fd, &byte, 1) != 1) break;
        line += byte;
    }
    return line;
}

TEST(PelvaroId, AnswersEachLineAtOnceWhenInputIsATerminal) {
    const int terminal = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(terminal, 0);
    ASSERT_EQ(grantpt(terminal), 0);
    ASSERT_EQ(unlockpt(terminal), 0);
    const int input = open(ptsname(terminal), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(input, 0);
    int out[2];
    MakePipe(out);
    const pid_t pid = Start({}, input, out[1], STDERR_FILENO);
    close(input);
    close(out[1]);
    ASSERT_EQ(write(terminal, "abc\n", 4), 4);
    EXPECT_EQ(ReadLine(out[0]), "999494\n");          // before the input has ended
    ASSERT_EQ(write(terminal, "Hello\n\x04", 7), 7);  // Ctrl-D: the end of the input
    EXPECT_EQ(ReadLine(out[0]), "2337520240\n");
    Outcome outcome;
    Finish(pid, outcome);
    close(out[0]);
    close(terminal);
    EXPECT_EQ(outcome.status, 0);
}

}  // namespace
