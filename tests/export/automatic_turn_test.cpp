// The automatic export's turn, Kronilog.lock opened without sharing: natively with the
// platform's stand-in, and under Wine with Windows' own CreateFileA (tests/wine builds this
// file too).
#include <gtest/gtest.h>

#include <filesystem>

#if !defined(_WIN32)
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "export/automatic_turn.h"
#include "tests/support/work_folder.h"

namespace {

namespace fs = std::filesystem;

// Each test in a work folder of its own.
class AutomaticTurn : public ::testing::Test {
  testsupport::WorkFolder folder_;
};

TEST_F(AutomaticTurn, OneHolderAtATimeUntilItsHandleIsClosed) {
  HANDLE first;
  HANDLE second;
  ASSERT_EQ(TakeAutomaticTurn(&first), TurnResult::kTaken);
  EXPECT_NE(first, INVALID_HANDLE_VALUE);
  EXPECT_EQ(TakeAutomaticTurn(&second), TurnResult::kHeldElsewhere);  // another export is under way
  EndAutomaticTurn(first);
  ASSERT_EQ(TakeAutomaticTurn(&second), TurnResult::kTaken);
  EXPECT_NE(second, INVALID_HANDLE_VALUE);
  EndAutomaticTurn(second);
  EXPECT_TRUE(fs::is_regular_file(kAutomaticTurnFile));

  // A lock file made read-only still serves: the turn is in the sharing, not in the writing.
  fs::permissions(kAutomaticTurnFile, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  ASSERT_EQ(TakeAutomaticTurn(&first), TurnResult::kTaken);
  EXPECT_EQ(TakeAutomaticTurn(&second), TurnResult::kHeldElsewhere);
  EndAutomaticTurn(first);
  fs::permissions(kAutomaticTurnFile, fs::perms::owner_all);

  // A folder that takes no lock file does not stop the export, which goes on unguarded.
  fs::remove(kAutomaticTurnFile);
  fs::create_directory(kAutomaticTurnFile);
  HANDLE none;
  EXPECT_EQ(TakeAutomaticTurn(&none), TurnResult::kNoLock);
  EXPECT_EQ(none, INVALID_HANDLE_VALUE);
  EndAutomaticTurn(none);
}

#if !defined(_WIN32)
// A holder killed in the middle of its export leaves no turn behind.
TEST_F(AutomaticTurn, AKilledHolderLeavesTheTurnFree) {
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    HANDLE turn;
    const char taken = TakeAutomaticTurn(&turn) == TurnResult::kTaken ? 'y' : 'n';
    if (write(ready[1], &taken, 1) != 1) _exit(1);
    pause();
    _exit(0);
  }
  char taken = 0;
  ASSERT_EQ(read(ready[0], &taken, 1), 1);
  ASSERT_EQ(taken, 'y');
  HANDLE turn;
  EXPECT_EQ(TakeAutomaticTurn(&turn), TurnResult::kHeldElsewhere);
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  ASSERT_EQ(TakeAutomaticTurn(&turn), TurnResult::kTaken);
  EndAutomaticTurn(turn);
  close(ready[0]);
  close(ready[1]);
}
#endif

}  // namespace
