// The host's memory services: blocks the plug-in takes and gives back within one call.
#include "host/memory/memory.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unordered_map>
#include <vector>

#include "host/session/session_options.h"
#include "host/session/terminal.h"

namespace host {
namespace {

constexpr std::size_t kLargeBlock = 64 * 1024;
// About the most a 32-bit host process could still find in one piece; enough for the report
// of a million card transactions (about 265 MB) and its Base64 text (about 350 MB).
constexpr std::size_t kLargestRequest = 1024u * 1024 * 1024;
constexpr std::size_t kKeptLargeBlocks = 2;

struct Memory {
  std::unordered_map<void*, std::size_t> live;  // block -> size
  std::vector<std::pair<void*, std::size_t>> kept;  // large blocks given back, for reuse
  long requests = 0;
  long failAt = 0;  // the request number that fails, 0 = none
  long unknownFrees = 0;
  // A new session, and the emulator's end, give back the blocks still held, so that a leak
  // checker at exit sees only the plug-in's own losses.
  void Release() {
    for (auto& [block, size] : live) std::free(block);
    for (auto& [block, size] : kept) std::free(block);
    live.clear();
    kept.clear();
  }
  ~Memory() { Release(); }
};

Memory& memory() { return SessionState<Memory>(); }

// Counts the request; false when it is to fail (by the test hook or by its size).
bool Admit(int size) {
  Memory& m = memory();
  ++m.requests;
  if (m.failAt != 0 && m.requests == m.failAt) {
    m.failAt = 0;
    return false;
  }
  return size > 0 && static_cast<std::size_t>(size) <= kLargestRequest;
}

void* Grant(void* block, std::size_t size) {
  if (block != nullptr) memory().live.emplace(block, size);
  return block;
}

}  // namespace

int OutstandingBlocks() { return static_cast<int>(memory().live.size()); }
long AllocationCount() { return memory().requests; }
long UnknownFrees() { return memory().unknownFrees; }

void FailAllocation(int nth) {
  Memory& m = memory();
  m.failAt = nth > 0 ? m.requests + nth : 0;
}

void* HOSTAPI_CC HostAlloc(int size) {
  if (!Admit(size)) return nullptr;
  return Grant(std::malloc(static_cast<std::size_t>(size)), static_cast<std::size_t>(size));
}

void* HOSTAPI_CC HostAllocBlock(int kind, int size) {
  (void)kind;  // the plug-in always asks for kind 1
  if (!Admit(size)) return nullptr;
  std::size_t bytes = static_cast<std::size_t>(size);
  if (bytes < kLargeBlock) return Grant(std::calloc(1, bytes), bytes);

  Memory& m = memory();
  void* block = nullptr;
  for (auto it = m.kept.begin(); it != m.kept.end(); ++it) {
    if (it->second == bytes) {
      block = it->first;
      m.kept.erase(it);
      break;
    }
  }
  if (block == nullptr) block = std::malloc(bytes);
  if (block == nullptr) return nullptr;
  auto* bytesOf = static_cast<unsigned char*>(block);
  bytesOf[0] = 0;
  bytesOf[bytes - 1] = 0;
  return Grant(block, bytes);
}

int HOSTAPI_CC HostFree(void* block) {
  if (block == nullptr) return 0;
  Memory& m = memory();
  auto found = m.live.find(block);
  if (found == m.live.end()) {
    ++m.unknownFrees;
    char line[96];
    std::snprintf(line, sizeof line, "HostFree: %p is not a block the host gave out; left alone",
                  block);
    Say(line);
    return -1;
  }
  std::size_t size = found->second;
  m.live.erase(found);
  if (size >= kLargeBlock && m.kept.size() < kKeptLargeBlocks) {
    m.kept.emplace_back(block, size);
  } else {
    std::free(block);
  }
  return 0;
}

}  // namespace host
