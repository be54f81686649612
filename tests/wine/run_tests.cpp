// The binding tests' program: the tests and the plug-in code are here, and the stand-in
// WARNIK.dll beside it is loaded by the real loader before main.
#include <gtest/gtest.h>

extern "C" __declspec(dllimport) void StandInClear();

int main(int argc, char** argv) {
  StandInClear();  // also makes the program import from the stand-in, so it is loaded
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
