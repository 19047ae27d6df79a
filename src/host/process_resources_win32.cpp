#include "host/process_resources_win32.h"

#include <windows.h>
#include <psapi.h>

#include <cstdint>

namespace k9::host {
namespace {

// Handle numbers without a reuse count in their upper half: Wine takes such a
// number as the live object of that slot, as Windows did for 16-bit programs.
constexpr std::uintptr_t kLastHandleNumber = 0xFFFF;

unsigned CountGdiObjects() {
  unsigned count = 0;
  for (std::uintptr_t number = 1; number <= kLastHandleNumber; ++number) {
    if (::GetObjectType(reinterpret_cast<HGDIOBJ>(number)) != 0) ++count;
  }
  return count;
}

unsigned CountUserObjects() {
  const DWORD process = ::GetCurrentProcessId();
  unsigned count = 0;
  for (std::uintptr_t number = 2; number <= kLastHandleNumber; number += 2) {
    const HWND window = reinterpret_cast<HWND>(number);
    DWORD owner = 0;
    if (::IsWindow(window) && ::GetWindowThreadProcessId(window, &owner) != 0 && owner == process) {
      ++count;
    } else if (::IsMenu(reinterpret_cast<HMENU>(number))) {
      ++count;
    }
  }
  return count;
}

}  // namespace

std::string ProcessResources() {
  PROCESS_MEMORY_COUNTERS_EX memory = {};
  memory.cb = sizeof(memory);
  if (!::GetProcessMemoryInfo(::GetCurrentProcess(),
                              reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory),
                              sizeof(memory))) {
    return "";
  }
  // Wine leaves the private bytes at 0; its commit charge counts the same pages.
  const SIZE_T private_bytes =
      memory.PrivateUsage != 0 ? memory.PrivateUsage : memory.PagefileUsage;
  unsigned gdi = ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS);
  unsigned user = ::GetGuiResources(::GetCurrentProcess(), GR_USEROBJECTS);
  const bool system = gdi != 0 || user != 0;
  if (!system) {
    gdi = CountGdiObjects();
    user = CountUserObjects();
  }
  return "private=" + std::to_string(private_bytes) +
         " working=" + std::to_string(memory.WorkingSetSize) + " gdi=" + std::to_string(gdi) +
         " user=" + std::to_string(user) + " counted=" + (system ? "system" : "own");
}

}  // namespace k9::host
