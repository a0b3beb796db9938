// The bounds on calls into the word processor's process: when a call rejected as busy is sent again,
// and for how long; which limits a thread's calls have.
#include "ole/CallGuard.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

using std::chrono::milliseconds;

ole::CallLimits limits(int answer, int busyRetry) {
    ole::CallLimits l;
    l.answer = milliseconds(answer);
    l.busyRetry = milliseconds(busyRetry);
    return l;
}

struct RetryCase {
    const char* name;
    int elapsed;
    std::optional<int> pause;
};
void PrintTo(const RetryCase& row, std::ostream* out) { *out << row.name; }

const RetryCase kRetries[] = {
    {"AtOnce", 0, 250},
    {"Midway", 90000, 250},
    {"LastPauseThatFits", 179750, 250},
    {"PauseWouldPassTheLimit", 179751, std::nullopt},
    {"AtTheLimit", 180000, std::nullopt},
    {"PastTheLimit", 600000, std::nullopt},
    {"ClockGoneBackwards", -1, std::nullopt},
};

class BusyRetry : public testing::TestWithParam<RetryCase> {};

TEST_P(BusyRetry, PausesUntilTheLimitThenGivesUp) {
    const std::optional<milliseconds> pause = ole::retryBusyAfter(milliseconds(GetParam().elapsed), ole::CallLimits{});
    if (GetParam().pause) {
        ASSERT_TRUE(pause);
        EXPECT_EQ(*pause, milliseconds(*GetParam().pause));
    } else {
        EXPECT_FALSE(pause);
    }
}

INSTANTIATE_TEST_SUITE_P(DefaultLimits, BusyRetry, testing::ValuesIn(kRetries),
                         [](const auto& row) { return std::string(row.param.name); });

TEST(CallGuard, SetsTheThreadsLimitsAndPutsThePreviousBack) {
    EXPECT_EQ(ole::currentCallLimits().answer, milliseconds(180000));
    {
        const ole::CallGuard outer(limits(5000, 100));
        EXPECT_EQ(ole::currentCallLimits().answer, milliseconds(5000));
        {
            const ole::CallGuard inner(limits(300, 10));
            EXPECT_EQ(ole::currentCallLimits().answer, milliseconds(300));
            EXPECT_EQ(ole::currentCallLimits().busyRetry, milliseconds(10));
        }
        EXPECT_EQ(ole::currentCallLimits().answer, milliseconds(5000));
    }
    EXPECT_EQ(ole::currentCallLimits().answer, milliseconds(180000));
}

TEST(CallOut, ARejectedCallIsSentAgainUntilItIsTaken) {
    const ole::CallGuard guard(limits(5000, 5));
    int attempts = 0;
    EXPECT_EQ(ole::callOut([&] { return ++attempts <= 3 ? RPC_E_CALL_REJECTED : S_OK; }), S_OK);
    EXPECT_EQ(attempts, 4);
}

TEST(CallOut, ACallRejectedPastTheLimitFailsAsRejected) {
    const ole::CallGuard guard(limits(100, 10));
    int attempts = 0;
    EXPECT_EQ(ole::callOut([&] {
                  ++attempts;
                  return RPC_E_CALL_REJECTED;
              }),
              RPC_E_CALL_REJECTED);
    EXPECT_GE(attempts, 2);
    EXPECT_LE(attempts, 11);  // no more pauses than fit into the limit
}

TEST(CallOut, OnlyARejectionIsSentAgain) {
    // Any other failure may have done something already: it is the caller's.
    const ole::CallGuard guard(limits(5000, 5));
    for (const HRESULT result : {DISP_E_EXCEPTION, RPC_E_DISCONNECTED, RPC_E_CALL_CANCELED, S_OK}) {
        SCOPED_TRACE(result);
        int attempts = 0;
        EXPECT_EQ(ole::callOut([&] {
                      ++attempts;
                      return result;
                  }),
                  result);
        EXPECT_EQ(attempts, 1);
    }
}

TEST(CallOut, OnlyACancelledCallSaysTheCalleeStoppedAnswering) {
    EXPECT_TRUE(ole::givenUpUnanswered(RPC_E_CALL_CANCELED));
    for (const HRESULT result : {S_OK, RPC_E_CALL_REJECTED, RPC_E_DISCONNECTED, DISP_E_EXCEPTION})
        EXPECT_FALSE(ole::givenUpUnanswered(result)) << result;
}

}  // namespace
