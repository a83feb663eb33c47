#include "output/midi_in_port_win32.h"

#include <windows.h>

#include <mmsystem.h>

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

  std::uint32_t deviceCount() override { return midiInGetNumDevs(); }

  bool open(MidiInput& receiver) override {
    if (midiInOpen(&handle_, 0, reinterpret_cast<DWORD_PTR>(&midiInProc), reinterpret_cast<DWORD_PTR>(&receiver),
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
