// Work done in several processes at once, as host sessions sharing a folder do.
#pragma once

#include <functional>

// Runs work(0) ... work(count - 1), each in a child process of its own, all started before
// any is waited for. True when every child ended normally with work's result true.
bool EachInAProcessOfItsOwn(int count, const std::function<bool(int)>& work);
