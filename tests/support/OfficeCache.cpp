// The offices these tests start, and the quirella-batch runs they make, keep their profiles in the
// build tree (QUIRELLA_OFFICE_CACHE), never in the user's cache, where other runs of the user live and
// where the tests' checks for leftover offices would not look.
#include <csignal>
#include <cstdlib>

namespace {

const int kPrivateCache = setenv("XDG_CACHE_HOME", QUIRELLA_OFFICE_CACHE, 1);

}  // namespace

namespace {

// These tests kill offices that their own process may be writing to, as the programs do (they
// ignore SIGPIPE when they start): a write to a dead office fails the call instead of the test run.
const auto kNoPipeSignal = signal(SIGPIPE, SIG_IGN);

}  // namespace
