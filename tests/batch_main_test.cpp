// quirella-batch's main path: whatever escapes the run becomes a line on standard error and a status
// of its own, instead of ending the program in std::terminate.
#include "app/BatchMain.h"
#include "app/BatchRun.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>
#include <streambuf>

using testing::HasSubstr;
using testing::StartsWith;

namespace {

// An output that cannot be written, as a closed pipe or a full disk is to a stream that reports it.
class BrokenOutput : public std::streambuf {
protected:
    int_type overflow(int_type) override { return traits_type::eof(); }
    std::streamsize xsputn(const char*, std::streamsize) override { return 0; }
};

}  // namespace

TEST(BatchMain, AnErrorEscapingTheRunIsReportedWithAStatusOfItsOwn) {
    BrokenOutput broken;
    std::ostream out(&broken);
    out.exceptions(std::ios::badbit);
    std::ostringstream err;
    EXPECT_EQ(batchMain({"--help"}, out, err), kInternalError);
    EXPECT_THAT(err.str(), StartsWith("quirella-batch: "));
    EXPECT_EQ(err.str().back(), '\n');
}

TEST(BatchMain, UsageAndHelpKeepTheirStatuses) {
    std::ostringstream out, err;
    EXPECT_EQ(batchMain({"--no-such-option"}, out, err), kUsage);
    EXPECT_THAT(err.str(), HasSubstr("unknown option --no-such-option"));
    EXPECT_EQ(batchMain({"--version"}, out, err), kCompleted);
    EXPECT_THAT(out.str(), HasSubstr("quirella-batch"));
}
