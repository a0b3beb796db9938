// One print at a time per queue among the user's runs: the turn that keeps another run of ours from
// putting a job on the queue while a print waits for its own.
#include "writer/OfficeProfile.h"
#include "writer/QueueTurn.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <set>
#include <thread>
#include <unistd.h>

using namespace std::chrono_literals;
using writer::QueueTurn;

TEST(QueueTurn, ASecondPrintOnTheSameQueueWaitsForTheFirst) {
    std::atomic<bool> secondHeld{false};
    std::thread second;
    {
        const QueueTurn first("Quirella-PDF", 1s);
        ASSERT_TRUE(first.held());
        second = std::thread([&] {
            const QueueTurn turn("Quirella-PDF", 60s);
            secondHeld = turn.held();
        });
        std::this_thread::sleep_for(300ms);
        EXPECT_FALSE(secondHeld) << "the second print went ahead while the first held the queue";
    }
    second.join();
    EXPECT_TRUE(secondHeld);
}

TEST(QueueTurn, OtherQueuesDoNotWaitAndAStuckHolderStopsNoOneForLong) {
    const QueueTurn first("Quirella-PDF", 1s);
    ASSERT_TRUE(first.held());
    EXPECT_TRUE(QueueTurn("Another-Queue", 0ms).held());

    const auto start = std::chrono::steady_clock::now();
    const QueueTurn late("Quirella-PDF", 200ms);
    EXPECT_FALSE(late.held());  // it prints all the same, telling its job by the user alone
    EXPECT_LT(std::chrono::steady_clock::now() - start, 30s);
}

TEST(QueueTurn, AnyQueueNameStaysInsideTheCacheFolder) {
    const std::filesystem::path folder = writer::cacheDirectory() / "office";
    const auto turnFiles = [&] {
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(folder.parent_path()))
            if (entry.path().filename().string().starts_with("queue-")) names.insert(entry.path().string());
        return names;
    };
    const std::set<std::string> before = turnFiles();
    // Names of this run's own, so that an earlier run's files cannot stand in for them.
    const std::string run = std::to_string(getpid());
    const std::string kNames[] = {"../../escape" + run, "/etc/passwd" + run, "名字 with space" + run, run};
    for (const std::string& name : kNames) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(QueueTurn(name, 1s).held());
    }
    std::set<std::string> added;
    for (const std::string& file : turnFiles())
        if (!before.contains(file)) added.insert(file);
    EXPECT_EQ(added.size(), std::size(kNames));  // one each, none shared
    for (const std::string& file : added) EXPECT_EQ(std::filesystem::path(file).parent_path(), folder) << file;
    EXPECT_FALSE(std::filesystem::exists(folder.parent_path().parent_path() / ("escape" + run)));
}
