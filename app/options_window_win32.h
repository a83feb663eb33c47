#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "app/hotkey_form.h"
#include "app/hotkeys.h"
#include "app/modal_window_win32.h"
#include "app/options_form.h"
#include "app/options_layout_win32.h"
#include "app/string_table.h"
#include "bindings/binding_table.h"
#include "bindings/ini_store.h"
#include "keyplan/keyed_notes.h"
#include "options/track_suggestion.h"

namespace murvane {

// What the main window hands over when "Options..." is chosen in its system
// menu. Nothing here is owned by the Options window.
struct OptionsWindowContext {
  HINSTANCE instance;
  HWND owner;  // the main window: owns the Options window, and the messages shown when it cannot open
  IniStore* store;
  const StringTable* strings;
  HBRUSH background;
  HotkeyControl* hotkeys;
  const NoteCounts* counts;  // of the loaded file, null when none is loaded; copied when the window opens
  // What the lists offer, copied when the window opens: the keyboard
  // layouts there are, and the MIDI input devices' names as the system
  // gives them.
  std::vector<LayoutChoice> layouts;
  std::vector<std::wstring> midiInDevices;
  KeyedNotes defaultKeyed = defaultKeyedNotes();  // the notes the key configuration has keys for
  // The loaded song's hash, empty when none is loaded: with "Only for this
  // song" OK writes its own section [Song HASH] instead of [Options].
  std::wstring songHash;
  // The application's bindings: the control hotkeys are set here, and the
  // hotkeys registered when the window closes are the table's.
  BindingTable* bindings = nullptr;
};

// Opens the Options window and returns when it has closed. The caller has
// already stopped playback and closed MIDI input; the options written count
// from the next start. The hotkeys are withdrawn while the window is open,
// so that nothing plays meanwhile, and registered again afterwards, unless
// the program is ending.
void runOptionsWindow(const OptionsWindowContext& context);

// One opening of the Options window, modal over its owner, built from
// kOptionsLayout. It shows the Options section as readPlayOptions reads it,
// and OK writes it back with writePlayOptions; likewise the control hotkeys
// of the bindings, which OK writes with storeControlHotkeys.
class OptionsWindow final : public ModalWindow {
 public:
  explicit OptionsWindow(const OptionsWindowContext& context);

  // Registers the window class on the first call in the life of the process
  // and does nothing afterwards.
  static void registerClass(HINSTANCE instance, HBRUSH background);

 private:
  bool takesDialogKeys() const override { return true; }
  bool createControls() override;
  void shown() override;
  bool answerCommand(int id) override;
  std::optional<LRESULT> answerMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

  std::wstring initialText(const ControlLayout& control, const OptionsEntry& entry) const;
  OptionsEntry entry() const;
  void showChannels(std::uint16_t channels);
  void suggest();
  void confirm();
  void refuse(const EntryReading& reading);
  ControlHotkeys enteredHotkeys() const;
  void refuseHotkey(const HotkeyRefusal& refusal);
  HWND fieldControl(OptionsField field) const;
  std::wstring fieldText(int id) const;
  // Fills the list and returns the name each of its entries stands for.
  std::vector<std::wstring> showChoices(int id, const ChoiceList& list);
  std::wstring chosenName(int id, const std::vector<std::wstring>& names, const std::wstring& opened) const;
  KeyedNotes keyedOf(const std::wstring& layout) const;

  IniStore* store_;
  NoteCounts counts_;  // a copy: the player that counted may go before this window
  bool fileLoaded_;
  std::vector<LayoutChoice> layouts_;
  std::vector<std::wstring> midiInDevices_;
  std::vector<std::wstring> layoutNames_;  // of the layout list's entries, in its order
  std::vector<std::wstring> deviceNames_;  // of the device list's entries, in its order
  KeyedNotes defaultKeyed_;
  KeyedNotes keyed_;  // of the layout the file names: what the boxes' "in range" counts
  OptionsEntry opened_;  // as the file held the options when the window opened
  std::wstring songHash_;
  bool ownAtOpening_ = false;  // the song had settings of its own when the window opened
  BindingTable* bindings_;  // the application's; not owned
  ControlHotkeys shownHotkeys_{};  // as the window opened with them
  std::array<HWND, kChannelCount> channelBoxes_{};
  HWND lastFocus_ = nullptr;  // the control to give the focus back to
};

}  // namespace murvane
