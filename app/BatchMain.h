// quirella-batch from its arguments to its exit status: parse, run, and map whatever escapes to a
// status of its own, so that no failure ends the program without a word.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

// `arguments` without the program's name.
int batchMain(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);
