// Runs a program to its end and keeps what it wrote, for tests of command-line fronts.
#pragma once

#include <map>
#include <string>
#include <vector>

struct ProcessResult {
    int status = -1;  // the exit status; 128 + the signal if it was killed
    std::string out, err;
};

// `environment` entries are set (or, with an empty value, removed) on top of the test's own.
ProcessResult runProcess(const std::string& program, const std::vector<std::string>& arguments,
                         const std::map<std::string, std::string>& environment = {}, const std::string& workDir = {});

std::vector<std::string> splitLines(const std::string& text);
