#include "output/midi_input.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/midi_port_doubles.h"
#include "tests/support/synthesizer_double.h"

namespace murvane {
namespace {

using Calls = std::vector<std::string>;

class MidiInputTest : public ::testing::Test {
 protected:
  test::RecordingSynthesizer target;
  test::RecordingMidiInPort port;
  std::optional<MidiInput> input{std::in_place, target, port};
};

// --- Opening and closing ---

TEST_F(MidiInputTest, OpenConnectsToTheDeviceAndStartsIt) {
  EXPECT_EQ(input->open(), MidiInputResult::kOk);
  EXPECT_TRUE(input->isOpen());
  EXPECT_EQ(port.receiver, &*input);
  EXPECT_EQ(port.calls, (Calls{"names", "open 0", "start"}));
}

TEST_F(MidiInputTest, NoDeviceGivesOneAndOpensNothing) {
  port.devices = {};
  EXPECT_EQ(input->open(), MidiInputResult::kNoDevice);
  EXPECT_FALSE(input->isOpen());
  EXPECT_EQ(port.calls, (Calls{"names"}));
}

TEST_F(MidiInputTest, FailedOpenGivesTwo) {
  port.opens = false;
  EXPECT_EQ(input->open(), MidiInputResult::kError);
  EXPECT_FALSE(input->isOpen());
  EXPECT_EQ(port.calls, (Calls{"names", "open 0"}));
}

TEST_F(MidiInputTest, FailedStartGivesTwoWithTheDeviceClosedAgain) {
  port.starts = false;
  EXPECT_EQ(input->open(), MidiInputResult::kError);
  EXPECT_FALSE(input->isOpen());
  EXPECT_EQ(port.calls, (Calls{"names", "open 0", "start", "close"}));

  port.starts = true;
  port.calls.clear();
  EXPECT_EQ(input->open(), MidiInputResult::kOk);
  EXPECT_EQ(port.calls, (Calls{"names", "open 0", "start"})) << "the next open starts over";
}

// --- Choosing the device by its name ---

struct DeviceChoiceCase {
  const char* name;
  std::vector<std::wstring> devices;
  std::wstring wanted;
  MidiInputResult result;
  Calls calls;
};

TEST_F(MidiInputTest, TheDeviceIsChosenByTheNameTheSystemGivesIt) {
  const std::vector<std::wstring> three = {L"Keystation 49", L"loopMIDI Port", L"UM-ONE"};
  const DeviceChoiceCase cases[] = {
      {"a name found at index 2 opens 2", three, L"UM-ONE", MidiInputResult::kOk, {"names", "open 2", "start"}},
      {"no name opens the first", three, L"", MidiInputResult::kOk, {"names", "open 0", "start"}},
      {"a name not present opens nothing", three, L"Keystation 61", MidiInputResult::kNoDevice, {"names"}},
      // A name is the whole name: neither a part nor another case of it.
      {"a part of a name is not the name", three, L"UM", MidiInputResult::kNoDevice, {"names"}},
      {"another case is another name", three, L"um-one", MidiInputResult::kNoDevice, {"names"}},
      {"of two with one name the first", {L"A", L"Twin", L"Twin"}, L"Twin", MidiInputResult::kOk,
       {"names", "open 1", "start"}},
      {"no devices at all, no name", {}, L"", MidiInputResult::kNoDevice, {"names"}},
      {"no devices at all, a name", {}, L"UM-ONE", MidiInputResult::kNoDevice, {"names"}},
      // A device the system could not name is still counted, never chosen by name.
      {"a nameless device keeps the numbers", {L"", L"UM-ONE"}, L"UM-ONE", MidiInputResult::kOk,
       {"names", "open 1", "start"}},
  };
  for (const DeviceChoiceCase& c : cases) {
    SCOPED_TRACE(c.name);
    test::RecordingMidiInPort devices;
    devices.devices = c.devices;
    MidiInput choosing(target, devices);
    EXPECT_EQ(choosing.open(c.wanted), c.result);
    EXPECT_EQ(choosing.isOpen(), c.result == MidiInputResult::kOk);
    EXPECT_EQ(devices.calls, c.calls);
  }
}

TEST_F(MidiInputTest, OpenWhenOpenGivesZeroWithoutACall) {
  ASSERT_EQ(input->open(), MidiInputResult::kOk);
  port.calls.clear();
  EXPECT_EQ(input->open(), MidiInputResult::kOk);
  EXPECT_TRUE(port.calls.empty());
}

TEST_F(MidiInputTest, CloseStopsResetsAndClosesOnlyWhenOpen) {
  input->close();
  EXPECT_TRUE(port.calls.empty());

  input->open();
  port.calls.clear();
  input->close();
  input->close();
  EXPECT_FALSE(input->isOpen());
  EXPECT_EQ(port.calls, (Calls{"stop", "reset", "close"}));
}

TEST_F(MidiInputTest, ClosingReleasesNotesStillHeldOnTheInstrument) {
  input->open();
  input->receive(0x00643C90);
  input->close();
  EXPECT_EQ(target.calls(), (Calls{"on 60", "all off"}));
  input->close();
  EXPECT_EQ(target.calls(), (Calls{"on 60", "all off"}));
}

TEST_F(MidiInputTest, ACallbackAfterCloseReachesNothing) {
  input->open();
  MidiInput* late = port.receiver;  // what the device was given, still used by a callback on its way
  input->close();
  late->receive(0x00643C90);
  late->receive(0x00003C80);
  EXPECT_EQ(target.calls(), (Calls{"all off"}));
}

// A note-on whose delivery takes its time, for a close to meet.
class SlowNoteOn final : public Synthesizer {
 public:
  bool open() override { return true; }
  void close() override { add("close"); }
  void noteOn(std::uint8_t note) override {
    std::unique_lock lock(mutex_);
    entered_ = true;
    changed_.notify_all();
    changed_.wait(lock, [this] { return letGo_; });
    calls_.push_back("on " + std::to_string(note));
  }
  void noteOff(std::uint8_t note) override { add("off " + std::to_string(note)); }
  void allNotesOff() override { add("all"); }

  void awaitEntered() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return entered_; });
  }
  void letGo() {
    std::lock_guard lock(mutex_);
    letGo_ = true;
    changed_.notify_all();
  }
  Calls calls() {
    std::lock_guard lock(mutex_);
    return calls_;
  }

 private:
  void add(std::string call) {
    std::lock_guard lock(mutex_);
    calls_.push_back(std::move(call));
  }

  std::mutex mutex_;
  std::condition_variable changed_;
  bool entered_ = false;
  bool letGo_ = false;
  Calls calls_;
};

TEST(MidiInputClose, ACallbackInFlightEndsBeforeTheNotesAreReleased) {
  SlowNoteOn target;
  test::RecordingMidiInPort port;
  MidiInput input(target, port);
  ASSERT_EQ(input.open(), MidiInputResult::kOk);
  MidiInput* receiver = port.receiver;
  std::thread callback([&] { receiver->receive(0x00643C90); });
  target.awaitEntered();
  std::thread closing([&] { input.close(); });
  // Time for a close that does not wait to release before the note-on ends.
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  target.letGo();
  callback.join();
  closing.join();
  EXPECT_EQ(target.calls(), (Calls{"on 60", "all"}));
}

TEST_F(MidiInputTest, DestroyingAnOpenInputClosesTheDevice) {
  input->open();
  port.calls.clear();
  input.reset();
  EXPECT_EQ(port.calls, (Calls{"stop", "reset", "close"}));
}

// --- Messages ---

struct MessageCase {
  const char* name;
  std::uint32_t message;
  Calls expected;
};

class Messages : public MidiInputTest, public ::testing::WithParamInterface<MessageCase> {};

TEST_P(Messages, NoteMessagesOfAnyChannelReachTheTarget) {
  ASSERT_EQ(input->open(), MidiInputResult::kOk);
  port.receiver->receive(GetParam().message);
  EXPECT_EQ(target.calls(), GetParam().expected);
}

TEST_F(MidiInputTest, EveryNoteMessageIsFlushedAsABatchOfItsOwn) {
  target.recordFlushes = true;
  ASSERT_EQ(input->open(), MidiInputResult::kOk);
  port.receiver->receive(0x00643C90);
  port.receiver->receive(0x007B00B0);  // a controller: nothing to send, nothing to flush
  port.receiver->receive(0x00643E90);
  port.receiver->receive(0x00003C80);
  EXPECT_EQ(target.calls(), (Calls{"on 60", "flush", "on 62", "flush", "off 60", "flush"}));
}

INSTANTIATE_TEST_SUITE_P(
    Statuses, Messages,
    ::testing::Values(MessageCase{"NoteOnChannel4", 0x00643C93, {"on 60"}},
                      MessageCase{"NoteOnChannel16", 0x00013C9F, {"on 60"}},
                      MessageCase{"NoteOnVelocityZeroIsNoteOff", 0x00003C90, {"off 60"}},
                      MessageCase{"NoteOff", 0x00403C80, {"off 60"}},
                      MessageCase{"NoteOffVelocityZero", 0x00003C8A, {"off 60"}},
                      MessageCase{"NoteOutsideKeyRangeStillPassedOn", 0x00641590, {"on 21"}},
                      MessageCase{"KeyPressure", 0x00403CA0, {}},
                      MessageCase{"ControlChange", 0x007B00B0, {}},
                      MessageCase{"ProgramChange", 0x000005C0, {}},
                      MessageCase{"ChannelPressure", 0x000040D0, {}},
                      MessageCase{"PitchBend", 0x004000E0, {}},
                      MessageCase{"SystemMessage", 0x000000F8, {}}),
    [](const auto& test) { return std::string(test.param.name); });

}  // namespace
}  // namespace murvane
