// quirella-batch --help and --version as a process: on a terminal, in a pipe, with COLUMNS; and the
// one version, wherever it shows.
#include "support/Process.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <iterator>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const std::string kBatch = QUIRELLA_BATCH_PATH;

// The program's output on a pseudo-terminal `columns` wide, with COLUMNS unset.
std::string onTerminal(int columns, const std::vector<std::string>& arguments) {
    winsize size{};
    size.ws_row = 24;
    size.ws_col = static_cast<unsigned short>(columns);
    int terminal = -1;
    const pid_t pid = forkpty(&terminal, nullptr, nullptr, &size);
    if (pid < 0) return "forkpty failed";
    if (pid == 0) {
        unsetenv("COLUMNS");
        std::vector<char*> argv{const_cast<char*>(kBatch.c_str())};
        for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(kBatch.c_str(), argv.data());
        _exit(127);
    }
    std::string out;
    char buffer[4096];
    for (;;) {
        const ssize_t n = read(terminal, buffer, sizeof buffer);
        if (n > 0) out.append(buffer, static_cast<std::size_t>(n));
        else if (n < 0 && errno == EINTR) continue;
        else break;  // EIO once the program has closed its side
    }
    close(terminal);
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) out += "\n[exit status " + std::to_string(status) + "]";
    std::erase(out, '\r');  // the terminal's line discipline turns "\n" into "\r\n"
    return out;
}

std::string help(const std::string& columns) {
    const ProcessResult r = runProcess(kBatch, {"--help"}, {{"COLUMNS", columns}});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    return r.out;
}

TEST(BatchHelpCli, OnATerminalTheHelpTakesTheTerminalsWidth) {
    for (const int columns : {52, 100}) {
        SCOPED_TRACE(columns);
        EXPECT_EQ(onTerminal(columns, {"--help"}), help(std::to_string(columns)));
    }
    EXPECT_NE(help("52"), help("100"));
}

TEST(BatchHelpCli, InAPipeTheHelpIsEightyWideUnlessColumnsSaysOtherwise) {
    EXPECT_EQ(help(""), help("80"));
    const ProcessResult wide = runProcess(kBatch, {"--help"}, {{"COLUMNS", "120"}});
    EXPECT_NE(wide.out, help(""));
}

TEST(BatchHelpCli, VersionIsTheProjectsVersion) {
    const ProcessResult r = runProcess(kBatch, {"--version"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "quirella-batch " QUIRELLA_PROJECT_VERSION "\n");
    EXPECT_EQ(r.err, "");
}

// The About box's version is a fixed text of its layout: it must follow project()'s VERSION too.
TEST(BatchHelpCli, TheAboutBoxShowsTheSameVersion) {
    std::ifstream layout(QUIRELLA_SOURCE_DIR "/ui/AboutBox.ui");
    const std::string text{std::istreambuf_iterator<char>(layout), std::istreambuf_iterator<char>()};
    EXPECT_THAT(text, testing::HasSubstr("<string>Version" QUIRELLA_PROJECT_VERSION "</string>"));
}

TEST(BatchHelpCli, AUsageErrorStillShowsTheShortUsageOnStandardError) {
    const ProcessResult r = runProcess(kBatch, {"--version=2"});
    EXPECT_EQ(r.status, 64);
    EXPECT_EQ(r.out, "");
    EXPECT_THAT(r.err, testing::StartsWith("quirella-batch: --version takes no value\nusage: quirella-batch "));
}

}  // namespace
