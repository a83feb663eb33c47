#include "app/app_host_win32.h"

#include <utility>

#include "app/hotkeys_win32.h"
#include "app/modifier_keys_win32.h"
#include "app/target_integrity_win32.h"
#include "app/taskbar_progress_win32.h"
#include "bindings/ini_store_win32.h"
#include "output/key_injector_win32.h"
#include "output/midi_in_port_win32.h"
#include "output/midi_out_port_win32.h"
#include "playback/clock_win32.h"
#include "playback/load_song.h"
#include "playback/player_win32.h"
#include "playback/wake_event_win32.h"

namespace murvane {
namespace {

// What Slower and Faster change the speed by, in percentage points.
constexpr int kSpeedStep = 10;

}  // namespace

MainWindowServices makeWin32Services(const wchar_t* iniPath) {
  MainWindowServices services;
  services.iniStore = makeWin32IniStore(iniPath != nullptr ? iniPath : L"");
  services.keyInjector = makeWin32KeyInjector();
  services.midiOutPort = makeWin32MidiOutPort();
  services.midiInPort = makeWin32MidiInPort();
  services.integrityProbe = makeWin32IntegrityProbe();
  services.foregroundWindows = makeWin32ForegroundWindows();
  services.modifierKeys = makeWin32ModifierKeys();
  return services;
}

AppHost::AppHost(MainWindowServices services) : services_(std::move(services)) {
  bindings_ = loadBindings(*services_.iniStore);
  keyboard_ = std::make_unique<KeyboardSynthesizer>(*bindings_, *services_.keyInjector);
  midiOut_ = std::make_unique<MidiSynthesizer>(*services_.midiOutPort);
  liveClock_ = makeWin32Clock();
  liveKeys_ = std::make_unique<LiveKeyOutput>(*keyboard_, *liveClock_, makeWin32WakeEvent());
  midiIn_ = std::make_unique<MidiInput>(*liveKeys_, *services_.midiInPort);
  if (services_.foregroundWindows) focusGuard_ = std::make_unique<FocusGuard>(*services_.foregroundWindows);
}

AppHost::~AppHost() {
  detach();
  // Each goes before what it uses: the MIDI input callback drives the
  // keyboard, and the keyboard reads the bindings.
  midiIn_.reset();
  liveKeys_.reset();
  focusGuard_.reset();
  liveClock_.reset();
  midiOut_.reset();
  keyboard_.reset();
  bindings_.reset();
  services_ = {};
}

void AppHost::attach(HWND window, HostWindow& shown) {
  window_ = window;
  shown_ = &shown;
  hotkeyRegistrar_ = makeWin32HotkeyRegistrar(window);
  registerHotkeys();
  player_ = makeWin32Player(window);
  taskbarButtonMessage_ = RegisterWindowMessageW(L"TaskbarButtonCreated");
}

void AppHost::taskbarButtonCreated() {
  if (window_ == nullptr) return;
  taskbarProgress_.reset();
  taskbarProgress_ = makeWin32TaskbarProgress(window_);
  shownProgress_ = {};
  showProgress();
}

void AppHost::detach() {
  if (window_ == nullptr) return;
  unregisterHotkeys();
  endWait(waiting_);
  watchTarget(false);
  // Ends the worker and waits for it without a limit; a key that it left
  // down is released when the keyboard is destroyed.
  player_.reset();
  KillTimer(window_, kProgressTimerId);
  taskbarProgress_.reset();
  hotkeyRegistrar_.reset();
  window_ = nullptr;
}

void AppHost::registerHotkeys() {
  // Never on a window that is gone: the system would refuse each hotkey, and
  // the user would be told so three times.
  if (window_ == nullptr) return;
  if (bindings_ && hotkeyRegistrar_) murvane::registerHotkeys(*bindings_, registeredHotkeys_, *hotkeyRegistrar_, *this);
}

void AppHost::unregisterHotkeys() {
  if (hotkeyRegistrar_) murvane::unregisterHotkeys(registeredHotkeys_, *hotkeyRegistrar_);
}

void AppHost::showError(std::int32_t stringId) {
  if (shown_ != nullptr) shown_->showError(stringId);
}

ControllerView AppHost::view() const {
  ControllerView current;
  if (player_) {
    current.playing = player_->playing();
    current.outputIsMidiOut = player_->output() == midiOut_.get();
  }
  current.midiInputOpen = midiIn_ && midiIn_->isOpen();
  current.keysBlocked = keysBlocked_;
  // Nothing plays yet: the state is that of the start waited for, so that
  // Play/Stop, All stop and the rest end the wait as they would end it.
  if (waiting_ != Waiting::kNone) {
    current.waitingForModifiers = true;
    current.playing = waiting_ == Waiting::kKeys;
    current.outputIsMidiOut = false;
    current.midiInputOpen = waiting_ == Waiting::kMidiInput;
    return current;
  }
  // Each source's own flag, so that one left from an earlier use of the
  // other shows nothing.
  if (current.playing) {
    current.paused = player_->paused();
    current.pausedByUser = player_->pausedByUser();
    const int speed = player_->speed();
    if (speed != player_->startSpeed()) current.changedSpeed = speed;
  } else if (current.midiInputOpen) {
    current.paused = liveKeys_->paused();
  }
  return current;
}

AppHost::Keys AppHost::prepareKeys() const {
  Keys keys{readPlayOptions(*services_.iniStore), std::nullopt};
  if (!keys.options.layout.empty()) {
    ChosenLayout chosen = chooseLayout(*services_.iniStore, *bindings_, keys.options.layout);
    if (!chosen.unknown) keys.layout = std::move(chosen.layout);
  }
  return keys;
}

void AppHost::run(Event event, const std::wstring& droppedFile) {
  for (Step step : planFor(event, view(), player_ != nullptr)) take(step, droppedFile);
}

void AppHost::take(Step step, const std::wstring& droppedFile) {
  switch (step) {
    case Step::kStopPlayer:
      endWait(Waiting::kKeys);
      player_->stop();
      break;
    case Step::kCloseMidiInput:
      endWait(Waiting::kMidiInput);
      midiIn_->close();
      break;
    // Play and test never tell the user when they do not start.
    case Step::kPlayToKeyboard:
      playToKeyboard();
      break;
    case Step::kPlayToMidiOut:
      playToMidiOut();
      break;
    case Step::kOpenMidiInput:
      openMidiInput();
      break;
    case Step::kRefreshStatus:
      shown_->refreshStatus();
      showProgress();
      break;
    case Step::kOpenKeyConfig:
      shown_->openKeyConfig();
      break;
    case Step::kOpenOptions:
      shown_->openOptions();
      break;
    case Step::kTogglePause:
      if (player_->pausedByUser()) {
        player_->resume();
      } else {
        player_->pause();
      }
      break;
    case Step::kSeekBack:
      player_->seekBy(-seekStepMillis_);
      break;
    case Step::kSeekForward:
      player_->seekBy(seekStepMillis_);
      break;
    case Step::kSlower:
      player_->setSpeed(player_->speed() - kSpeedStep);
      break;
    case Step::kFaster:
      player_->setSpeed(player_->speed() + kSpeedStep);
      break;
    case Step::kLoadDroppedFile: {
      const std::filesystem::path path(droppedFile);
      const LoadResult result = load(path);
      shown_->showLoaded(path, fileLoaded_);
      if (const std::int32_t message = loadFailureMessage(result)) showError(message);
      break;
    }
  }
}

bool AppHost::waitForModifiers(Waiting source) {
  if (!services_.modifierKeys || !services_.modifierKeys->anyDown()) return false;
  // A file test playing gives way now, as it would to the start.
  player_->stop();
  waiting_ = source;
  SetTimer(window_, kModifierWaitTimerId, kModifierWaitMillis, nullptr);
  return true;
}

void AppHost::endWait(Waiting source) {
  if (waiting_ == Waiting::kNone || waiting_ != source) return;
  waiting_ = Waiting::kNone;
  KillTimer(window_, kModifierWaitTimerId);
}

void AppHost::followModifiers() {
  if (waiting_ == Waiting::kNone || services_.modifierKeys->anyDown()) return;
  const Waiting source = waiting_;
  endWait(source);
  if (source == Waiting::kKeys) {
    playToKeyboard();
  } else {
    openMidiInput();
  }
  shown_->refreshStatus();
}

void AppHost::playToKeyboard() {
  if (waitForModifiers(Waiting::kKeys)) return;
  const Keys keys = prepareKeys();
  player_->setOptions(keys.options, keys.chosen());
  keyboard_->useLayout(keys.chosen());
  TargetGate* gate = guardFor(keys.options);
  seekStepMillis_ = keys.options.seekStep * 1000;
  if (player_->start(*keyboard_, gate)) {
    keysBlocked_ = keysBlockedNow();
    watchTarget(gate != nullptr);
  }
}

void AppHost::playToMidiOut() {
  endWait(waiting_);
  Keys keys = prepareKeys();
  keys.options.repressGap = 0;  // a gap for a game's input, not for the ear
  seekStepMillis_ = keys.options.seekStep * 1000;
  player_->setOptions(keys.options, keys.chosen());
  player_->start(*midiOut_);
}

void AppHost::openMidiInput() {
  if (waitForModifiers(Waiting::kMidiInput)) return;
  const Keys keys = prepareKeys();
  liveKeys_->setOptions(keys.options, keys.chosen());
  keyboard_->useLayout(keys.chosen());
  TargetGate* gate = guardFor(keys.options);
  liveKeys_->setTargetGate(gate);
  // Opening the keyboard output only translates the bound keys, so that
  // the first notes played live do not wait for that on the input thread.
  keyboard_->open();
  if (const std::int32_t message = midiInputFailureMessage(midiIn_->open(keys.options.midiInDevice))) {
    showError(message);
  } else {
    keysBlocked_ = keysBlockedNow();
    watchTarget(gate != nullptr);
  }
}

void AppHost::loadQuietly(const std::filesystem::path& path) {
  load(path);
  if (fileLoaded_) shown_->showLoaded(path, true);
}

// The song is planned as the options now read would play it to keys, so
// that the next F11 finds its plan made, however long the file.
LoadResult AppHost::load(const std::filesystem::path& path) {
  const Keys keys = prepareKeys();
  player_->setOptions(keys.options, keys.chosen());
  const LoadResult result = loadSong(*player_, *makePlatformFileReader(), path, noteCounts_);
  fileLoaded_ = result == LoadResult::kOk;
  return result;
}

bool AppHost::keysBlockedNow() {
  return services_.integrityProbe && keysBlockedByIntegrity(services_.integrityProbe->read());
}

TargetGate* AppHost::guardFor(const PlayOptions& options) {
  if (!options.focusGuard || !focusGuard_) return nullptr;
  // The hotkey has just been pressed with the target in front.
  focusGuard_->engage();
  return focusGuard_.get();
}

void AppHost::watchTarget(bool on) {
  if (!on) {
    if (!foregroundHook_) return;
    foregroundHook_.reset();
    KillTimer(window_, kTargetCheckTimerId);
    return;
  }
  if (!foregroundHook_) foregroundHook_ = std::make_unique<ForegroundHook>(window_, kForegroundChangedMessage);
  SetTimer(window_, kTargetCheckTimerId, kTargetCheckMillis, nullptr);
}

// The worker and the MIDI input thread ask before each key as well; this is
// for the keys already down, which must come up at once, for the resume,
// and for the status.
void AppHost::followTarget() {
  if (!foregroundHook_ || !player_) return;
  switch (stateOf(view())) {
    case ControllerState::kPlayingToKeys:
      // A target gone stops the playback; its end is reported as any stop's.
      player_->followTarget();
      break;
    case ControllerState::kMidiInput:
      liveKeys_->followTarget();
      if (focusGuard_->presence() == TargetPresence::kGone) midiIn_->close();
      break;
    case ControllerState::kIdle:
    case ControllerState::kTestPlaying:
      break;
  }
  shown_->refreshStatusIfChanged();
}

void AppHost::showProgress() {
  if (!player_ || !taskbarProgress_) return;
  const ProgressShown now = progressOf(view(), player_->positionMillis(), player_->lengthMillis());
  if (now.state == ProgressState::kNone) {
    KillTimer(window_, kProgressTimerId);
  } else if (shownProgress_.state == ProgressState::kNone) {
    SetTimer(window_, kProgressTimerId, kProgressMillis, nullptr);
  }
  if (now == shownProgress_) return;
  shownProgress_ = now;
  taskbarProgress_->show(now);
}

ControllerView AppHost::statusView() {
  const ControllerView now = view();
  const ControllerState state = stateOf(now);
  // Nothing is left to guard; a new start engages the guard again.
  if (state == ControllerState::kIdle || state == ControllerState::kTestPlaying) watchTarget(false);
  return now;
}

// The Options window's layout list offers these besides the default (the
// bindings of the key configuration): the built-in ones and the INI file's.
std::vector<LayoutChoice> AppHost::offeredLayouts() const {
  std::vector<LayoutChoice> offered;
  for (const LayoutListing& entry : listLayouts(services_.iniStore.get())) {
    offered.push_back(LayoutChoice{entry.name, entry.layout.keyCount(), entry.layout.keyedNotes()});
  }
  return offered;
}

}  // namespace murvane
