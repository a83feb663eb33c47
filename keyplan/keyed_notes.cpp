#include "keyplan/keyed_notes.h"

#include "bindings/note_range.h"

namespace murvane {

KeyedNotes defaultKeyedNotes() {
  KeyedNotes keyed;
  for (int note = 0; note < 128; ++note) keyed[static_cast<std::size_t>(note)] = isKeyNote(note);
  return keyed;
}

}  // namespace murvane
