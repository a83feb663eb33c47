#include "app/target_integrity_win32.h"

#include <windows.h>

namespace murvane {
namespace {

std::optional<std::uint32_t> integrityOf(HANDLE process) {
  HANDLE token = nullptr;
  if (!OpenProcessToken(process, TOKEN_QUERY, &token)) return std::nullopt;
  // The label's SID follows it in the same buffer; no SID is longer than
  // SECURITY_MAX_SID_SIZE.
  alignas(TOKEN_MANDATORY_LABEL) BYTE buffer[sizeof(TOKEN_MANDATORY_LABEL) + SECURITY_MAX_SID_SIZE];
  DWORD size = 0;
  const BOOL read = GetTokenInformation(token, TokenIntegrityLevel, buffer, sizeof buffer, &size);
  CloseHandle(token);
  if (!read) return std::nullopt;
  const PSID sid = reinterpret_cast<const TOKEN_MANDATORY_LABEL*>(buffer)->Label.Sid;
  if (sid == nullptr || !IsValidSid(sid)) return std::nullopt;
  const UCHAR count = *GetSidSubAuthorityCount(sid);
  if (count == 0) return std::nullopt;
  return static_cast<std::uint32_t>(*GetSidSubAuthority(sid, count - 1u));
}

class Win32IntegrityProbe final : public IntegrityProbe {
 public:
  IntegrityReading read() override {
    IntegrityReading reading;
    reading.own = integrityOf(GetCurrentProcess());
    HWND foreground = GetForegroundWindow();
    DWORD processId = 0;
    // No thread: the window has gone meanwhile, and nothing is in front.
    if (foreground == nullptr || GetWindowThreadProcessId(foreground, &processId) == 0) return reading;
    reading.foregroundWindow = true;
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
    if (process == nullptr) return reading;
    reading.foreground = integrityOf(process);
    CloseHandle(process);
    return reading;
  }
};

}  // namespace

std::unique_ptr<IntegrityProbe> makeWin32IntegrityProbe() { return std::make_unique<Win32IntegrityProbe>(); }

}  // namespace murvane
