// A stand-in host module WARNIK for in-process tests of the binding: every service records
// its ordinal when called and returns 0; any ordinals can be left out.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "platform/module_registry.h"

namespace fake_host {

struct Box {
  std::string text;
  std::string caption;
  unsigned type;
};

// Registers WARNIK without the given ordinals and points the plug-in's binding at it, with
// every slot unresolved again. Message boxes are answered from `answers` (then Abort).
void Install(const std::set<unsigned>& without, std::vector<int> answers = {});
void Uninstall();

const std::vector<Box>& Boxes();
const std::vector<unsigned>& Calls();
// The code pages HostConvertText was called with, in call order.
const std::vector<std::pair<int, int>>& Conversions();

}  // namespace fake_host
