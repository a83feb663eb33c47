#include "output/midi_synthesizer.h"

namespace murvane {
namespace {

constexpr std::uint32_t kNoteOnChannel1 = 0x90;
constexpr std::uint32_t kNoteOffChannel1 = 0x80;
constexpr std::uint32_t kFullVelocity = 0x7F;

}  // namespace

MidiSynthesizer::MidiSynthesizer(MidiOutPort& port) : port_(port) {}

MidiSynthesizer::~MidiSynthesizer() { close(); }

bool MidiSynthesizer::open() {
  if (!open_) open_ = port_.open();
  return open_;
}

void MidiSynthesizer::close() {
  if (!open_) return;
  port_.reset();
  port_.close();
  open_ = false;
}

void MidiSynthesizer::noteOn(std::uint8_t note) {
  if (open_) port_.sendShortMessage(kNoteOnChannel1 | (std::uint32_t{note} << 8) | (kFullVelocity << 16));
}

void MidiSynthesizer::noteOff(std::uint8_t note) {
  if (open_) port_.sendShortMessage(kNoteOffChannel1 | (std::uint32_t{note} << 8));
}

void MidiSynthesizer::allNotesOff() {
  if (open_) port_.reset();
}

}  // namespace murvane
