// quirella-batch's command line: what it accepts, and what is a usage error.
#include "app/BatchOptions.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using testing::ElementsAre;

namespace {

TEST(BatchOptions, DefaultsKeepTheWordProcessorsPrinterAndOneCopy) {
    const BatchOptions o = parseBatchOptions({"a.doc"});
    EXPECT_EQ(o.printer, "系统缺省打印机");
    EXPECT_EQ(o.copies, "1");
    EXPECT_FALSE(o.show);
    EXPECT_EQ(o.pause, std::chrono::milliseconds(1000));
    EXPECT_EQ(o.callLimit, std::chrono::milliseconds(180000));  // as the Writer bridge's
    EXPECT_FALSE(o.dryRun);
    EXPECT_THAT(o.files, ElementsAre("a.doc"));
}

TEST(BatchOptions, EveryOptionInBothSpellings) {
    const BatchOptions o = parseBatchOptions({"-p", "HP 1", "--copies", "-2", "--show", "--pause-ms", "0",
                                              "--dry-run", "--fail", "Open:2", "--fail=Quit", "a.doc", "--",
                                              "-b.doc", "-"});
    EXPECT_EQ(o.printer, "HP 1");
    EXPECT_EQ(o.copies, "-2");  // the value is taken as it is: the run judges it
    EXPECT_TRUE(o.show);
    EXPECT_EQ(o.pause, std::chrono::milliseconds(0));
    EXPECT_TRUE(o.dryRun);
    ASSERT_EQ(o.failures.size(), 2u);
    EXPECT_EQ(o.failures[0].member, "Open");
    EXPECT_EQ(o.failures[0].call, 2);
    EXPECT_EQ(o.failures[1].member, "Quit");
    EXPECT_EQ(o.failures[1].call, 0);
    EXPECT_THAT(o.files, ElementsAre("a.doc", "-b.doc", "-"));

    const BatchOptions l = parseBatchOptions({"--printer=", "-n", "", "x.doc"});
    EXPECT_EQ(l.printer, "");
    EXPECT_EQ(l.copies, "");

    EXPECT_EQ(parseBatchOptions({"--call-limit-ms", "1500", "a.doc"}).callLimit, std::chrono::milliseconds(1500));
    EXPECT_EQ(parseBatchOptions({"--call-limit-ms=1", "a.doc"}).callLimit, std::chrono::milliseconds(1));
}

TEST(BatchOptions, NoFileIsARequestNotAUsageError) {
    EXPECT_TRUE(parseBatchOptions({"--dry-run"}).files.empty());
    EXPECT_TRUE(parseBatchOptions({"--list-printers"}).listPrinters);
}

TEST(BatchOptions, UsageErrors) {
    const std::vector<std::vector<std::string>> cases = {
        {"--bogus", "a.doc"},
        {"-x"},
        {"a.doc", "-p"},
        {"--copies"},
        {"--pause-ms", "-1", "a.doc"},
        {"--pause-ms", "1.5", "a.doc"},
        {"--pause-ms", "", "a.doc"},
        {"--call-limit-ms", "0", "a.doc"},  // no call could ever be answered
        {"--call-limit-ms", "-5", "a.doc"},
        {"--call-limit-ms", "3s", "a.doc"},
        {"--list-printers", "--call-limit-ms", "10"},
        {"--fail", "Open", "a.doc"},                // without --dry-run
        {"--dry-run", "--fail", "Open:0", "a.doc"},
        {"--dry-run", "--fail", "Open:x", "a.doc"},
        {"--dry-run", "--fail", ":2", "a.doc"},
        {"--show=yes", "a.doc"},
        {"--list-printers", "a.doc"},
        {"--list-printers", "--dry-run"},
    };
    for (const auto& args : cases) {
        SCOPED_TRACE(testing::PrintToString(args));
        EXPECT_THROW(parseBatchOptions(args), UsageError);
    }
}

}  // namespace
