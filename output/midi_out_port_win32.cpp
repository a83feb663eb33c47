#include "output/midi_out_port_win32.h"

#include <windows.h>

#include <mmsystem.h>

namespace murvane {
namespace {

class Win32MidiOutPort final : public MidiOutPort {
 public:
  ~Win32MidiOutPort() override { close(); }

  bool open() override {
    if (handle_ != nullptr) return true;
    if (midiOutOpen(&handle_, MIDI_MAPPER, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR) {
      handle_ = nullptr;
      return false;
    }
    return true;
  }

  void sendShortMessage(std::uint32_t message) override {
    if (handle_ != nullptr) midiOutShortMsg(handle_, message);
  }

  void reset() override {
    if (handle_ != nullptr) midiOutReset(handle_);
  }

  void close() override {
    if (handle_ == nullptr) return;
    midiOutClose(handle_);
    handle_ = nullptr;
  }

 private:
  HMIDIOUT handle_ = nullptr;
};

}  // namespace

std::unique_ptr<MidiOutPort> makeWin32MidiOutPort() { return std::make_unique<Win32MidiOutPort>(); }

}  // namespace murvane
