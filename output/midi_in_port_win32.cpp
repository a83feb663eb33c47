#include "output/midi_in_port_win32.h"

#include <windows.h>

#include <mmsystem.h>

#include <string>
#include <vector>

#include "output/midi_input.h"

namespace murvane {
namespace {

// Runs on the platform's MIDI thread.
void CALLBACK midiInProc(HMIDIIN, UINT message, DWORD_PTR instance, DWORD_PTR packed, DWORD_PTR) {
  auto* receiver = reinterpret_cast<MidiInput*>(instance);
  if (receiver == nullptr || message != MIM_DATA) return;
  receiver->receive(static_cast<std::uint32_t>(packed));
}

class Win32MidiInPort final : public MidiInPort {
 public:
  ~Win32MidiInPort() override { close(); }

  std::vector<std::wstring> deviceNames() override {
    std::vector<std::wstring> names;
    const UINT count = midiInGetNumDevs();
    for (UINT device = 0; device < count; ++device) {
      // A device that will not describe itself keeps its place, nameless,
      // so that the numbers stay the system's.
      MIDIINCAPSW caps{};
      if (midiInGetDevCapsW(device, &caps, sizeof caps) != MMSYSERR_NOERROR) caps.szPname[0] = L'\0';
      caps.szPname[MAXPNAMELEN - 1] = L'\0';
      names.emplace_back(caps.szPname);
    }
    return names;
  }

  bool open(std::uint32_t device, MidiInput& receiver) override {
    if (midiInOpen(&handle_, device, reinterpret_cast<DWORD_PTR>(&midiInProc), reinterpret_cast<DWORD_PTR>(&receiver),
                   CALLBACK_FUNCTION) != MMSYSERR_NOERROR) {
      handle_ = nullptr;
      return false;
    }
    return true;
  }

  bool start() override { return handle_ != nullptr && midiInStart(handle_) == MMSYSERR_NOERROR; }

  void stop() override {
    if (handle_ != nullptr) midiInStop(handle_);
  }

  void reset() override {
    if (handle_ != nullptr) midiInReset(handle_);
  }

  void close() override {
    if (handle_ == nullptr) return;
    midiInClose(handle_);
    handle_ = nullptr;
  }

 private:
  HMIDIIN handle_ = nullptr;
};

}  // namespace

std::unique_ptr<MidiInPort> makeWin32MidiInPort() { return std::make_unique<Win32MidiInPort>(); }

}  // namespace murvane
