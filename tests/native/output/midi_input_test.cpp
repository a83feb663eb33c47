#include "output/midi_input.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
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
  EXPECT_EQ(port.calls, (Calls{"count", "open", "start"}));
}

TEST_F(MidiInputTest, NoDeviceGivesOneAndOpensNothing) {
  port.devices = 0;
  EXPECT_EQ(input->open(), MidiInputResult::kNoDevice);
  EXPECT_FALSE(input->isOpen());
  EXPECT_EQ(port.calls, (Calls{"count"}));
}

TEST_F(MidiInputTest, FailedOpenGivesTwo) {
  port.opens = false;
  EXPECT_EQ(input->open(), MidiInputResult::kError);
  EXPECT_FALSE(input->isOpen());
  EXPECT_EQ(port.calls, (Calls{"count", "open"}));
}

TEST_F(MidiInputTest, FailedStartGivesTwoWithTheDeviceClosedAgain) {
  port.starts = false;
  EXPECT_EQ(input->open(), MidiInputResult::kError);
  EXPECT_FALSE(input->isOpen());
  EXPECT_EQ(port.calls, (Calls{"count", "open", "start", "close"}));

  port.starts = true;
  port.calls.clear();
  EXPECT_EQ(input->open(), MidiInputResult::kOk);
  EXPECT_EQ(port.calls, (Calls{"count", "open", "start"})) << "the next open starts over";
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
