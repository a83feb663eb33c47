// The multimedia MIDI layer as this machine has it: no output driver and no
// input device, so the MIDI mapper refuses to open and input finds no device.
#include <windows.h>

#include <mmsystem.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "output/midi_in_port_win32.h"
#include "output/midi_input.h"
#include "output/midi_out_port_win32.h"
#include "output/midi_synthesizer.h"
#include "tests/support/synthesizer_double.h"

namespace murvane {
namespace {

// Passes every call to the real port and notes its name.
class CountingMidiOutPort final : public MidiOutPort {
 public:
  explicit CountingMidiOutPort(MidiOutPort& real) : real_(real) {}
  bool open() override {
    calls.push_back("open");
    return real_.open();
  }
  void sendShortMessage(std::uint32_t message) override {
    calls.push_back("send");
    real_.sendShortMessage(message);
  }
  void reset() override {
    calls.push_back("reset");
    real_.reset();
  }
  void close() override {
    calls.push_back("close");
    real_.close();
  }

  std::vector<std::string> calls;

 private:
  MidiOutPort& real_;
};


TEST(MidiOutput, MapperThatCannotOpenLeavesTheSynthesizerSilentAndClosed) {
  if (midiOutGetNumDevs() != 0) GTEST_SKIP() << "this machine has a MIDI output device";
  std::unique_ptr<MidiOutPort> real = makeWin32MidiOutPort();
  CountingMidiOutPort port(*real);
  {
    MidiSynthesizer synth(port);
    EXPECT_FALSE(synth.open());
    synth.noteOn(60);
    synth.noteOff(60);
    synth.allNotesOff();
    synth.close();
    EXPECT_FALSE(synth.open()) << "a later open tries again";
  }
  EXPECT_EQ(port.calls, (std::vector<std::string>{"open", "open"}));
}

TEST(MidiInputDevice, NoInputDeviceGivesResultOne) {
  if (midiInGetNumDevs() != 0) GTEST_SKIP() << "this machine has a MIDI input device";
  std::unique_ptr<MidiInPort> port = makeWin32MidiInPort();
  test::RecordingSynthesizer target;
  MidiInput input(target, *port);
  EXPECT_EQ(input.open(), MidiInputResult::kNoDevice);
  EXPECT_FALSE(input.isOpen());
  input.close();
}

}  // namespace
}  // namespace murvane
