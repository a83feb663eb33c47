#include "output/midi_synthesizer.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "tests/support/midi_port_doubles.h"

namespace murvane {
namespace {

using Calls = std::vector<std::string>;

class MidiSynthesizerTest : public ::testing::Test {
 protected:
  Calls& calls() { return port.calls; }

  test::RecordingMidiOutPort port;
  std::optional<MidiSynthesizer> synth{std::in_place, port};
};

TEST_F(MidiSynthesizerTest, NotesPlayOnChannelOneAtFullVelocity) {
  ASSERT_TRUE(synth->open());
  synth->noteOn(60);
  synth->noteOff(60);
  synth->noteOn(0);
  synth->noteOn(127);
  EXPECT_EQ(calls(), (Calls{"open", "send 0x007f3c90", "send 0x00003c80", "send 0x007f0090", "send 0x007f7f90"}));
}

TEST_F(MidiSynthesizerTest, OpenTwiceOpensTheMapperOnce) {
  EXPECT_TRUE(synth->open());
  EXPECT_TRUE(synth->open());
  EXPECT_EQ(calls(), (Calls{"open"}));
}

TEST_F(MidiSynthesizerTest, AfterAFailedOpenEveryOperationDoesNothing) {
  port.opens = false;
  EXPECT_FALSE(synth->open());
  EXPECT_FALSE(synth->isOpen());
  synth->noteOn(60);
  synth->noteOff(60);
  synth->allNotesOff();
  synth->close();
  synth.reset();
  EXPECT_EQ(calls(), (Calls{"open"}));
}

TEST_F(MidiSynthesizerTest, AFailedOpenIsTriedAgainNextTime) {
  port.opens = false;
  EXPECT_FALSE(synth->open());
  port.opens = true;
  EXPECT_TRUE(synth->open());
  EXPECT_EQ(calls(), (Calls{"open", "open"}));
}

TEST_F(MidiSynthesizerTest, AllNotesOffResetsAndStaysOpen) {
  synth->open();
  synth->allNotesOff();
  synth->noteOn(60);
  EXPECT_EQ(calls(), (Calls{"open", "reset", "send 0x007f3c90"}));
}

TEST_F(MidiSynthesizerTest, CloseResetsThenClosesAndOpenOpensAgain) {
  synth->open();
  synth->close();
  synth->close();
  synth->noteOn(60);
  EXPECT_TRUE(synth->open());
  EXPECT_EQ(calls(), (Calls{"open", "reset", "close", "open"}));
}

TEST_F(MidiSynthesizerTest, DestroyingAnOpenSynthesizerResetsThenCloses) {
  synth->open();
  synth.reset();
  EXPECT_EQ(calls(), (Calls{"open", "reset", "close"}));
}

TEST_F(MidiSynthesizerTest, DestroyingAClosedSynthesizerTouchesNothing) {
  synth.reset();
  EXPECT_TRUE(calls().empty());
}

}  // namespace
}  // namespace murvane
