#include "app/app_host_win32.h"

#include <algorithm>
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
#include "playback/player_win32.h"
#include "playback/playlist.h"
#include "playback/song_setup.h"
#include "playback/wake_event_win32.h"

namespace murvane {
namespace {

// What Slower and Faster change the speed by, in percentage points.
constexpr int kSpeedStep = 10;

constexpr wchar_t kKeptQueueName[] = L"Murvane.queue.m3u8";

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
  services.songFiles = makePlatformSongFiles();
  const std::wstring path = iniPath != nullptr ? iniPath : L"";
  services.iniReader = [path] { return makeWin32IniStore(path); };
  if (iniPath != nullptr && *iniPath != L'\0') services.keptQueue = std::filesystem::path(iniPath).parent_path() / kKeptQueueName;
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
  endAdvance();
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

// The song's own section over [Options], and AutoSuggest on its notes.
AppHost::Keys AppHost::prepareKeys() const {
  SongSetup setup = setUpSong(*services_.iniStore, *bindings_, fileLoaded_ ? std::wstring_view(songHash_) : L"",
                              fileLoaded_ ? &noteCounts_ : nullptr);
  return Keys{std::move(setup.song.options), std::move(setup.layout)};
}

void AppHost::run(Event event, const std::wstring& droppedFile) {
  // Whatever the user does meanwhile ends the wait for the next song.
  if (event != Event::kPlaybackEnded) endAdvance();
  for (Step step : planFor(event, view(), player_ != nullptr)) take(step, droppedFile);
  if (event == Event::kPlaybackEnded) advanceIfEnded();
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
    case Step::kNextSong:
      moveInQueue(QueueMove::kNext);
      break;
    case Step::kPreviousSong:
      moveInQueue(QueueMove::kPrevious);
      break;
    case Step::kLoadDroppedFile: {
      const std::filesystem::path path(droppedFile);
      const LoadResult result = load(path);
      shown_->showLoaded(path, fileLoaded_);
      if (current_ && *current_ < failures_.size()) {
        failures_[*current_] = fileLoaded_ ? std::nullopt : std::optional<LoadResult>(result);
        shown_->queueChanged(false);
      }
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
    playToKeyboard(waitSameTarget_);
  } else {
    openMidiInput();
  }
  shown_->refreshStatus();
}

void AppHost::playToKeyboard(bool sameTarget) {
  if (waitForModifiers(Waiting::kKeys)) {
    waitSameTarget_ = sameTarget;
    return;
  }
  const Keys keys = prepareKeys();
  player_->setOptions(keys.options, keys.chosen());
  keyboard_->useLayout(keys.chosen());
  TargetGate* gate = guardFor(keys.options, sameTarget);
  seekStepMillis_ = keys.options.seekStep * 1000;
  songGapMillis_ = keys.options.songGap;
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
  const LoadResult result = load(path);
  if (fileLoaded_) shown_->showLoaded(path, true);
  if (current_ && *current_ < failures_.size() && !fileLoaded_) failures_[*current_] = result;
}

// The song is planned as the options now read would play it to keys, so
// that the next F11 finds its plan made, however long the file. A file that
// does not load still counts as a load: nothing is loaded after it.
LoadResult AppHost::load(const std::filesystem::path& path) {
  ReadSong song = readSong(*makePlatformFileReader(), path);
  fileLoaded_ = song.result == LoadResult::kOk;
  noteCounts_ = std::move(song.counts);
  songHash_ = fileLoaded_ ? std::move(song.hash) : std::wstring();
  const Keys keys = prepareKeys();
  player_->setOptions(keys.options, keys.chosen());
  player_->load(std::move(song.file));
  return song.result;
}

bool AppHost::keysBlockedNow() {
  return services_.integrityProbe && keysBlockedByIntegrity(services_.integrityProbe->read());
}

// sameTarget: the queue moves on to the window the song before played into,
// whatever is in front by then.
TargetGate* AppHost::guardFor(const PlayOptions& options, bool sameTarget) {
  if (!options.focusGuard || !focusGuard_) return nullptr;
  // The hotkey has just been pressed with the target in front.
  if (!sameTarget || focusGuard_->target() == 0) focusGuard_->engage();
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

// The queue.

void AppHost::newQueue(std::vector<std::filesystem::path> songs) {
  const bool before = queue_.size() > 1;
  queue_ = std::move(songs);
  failures_.assign(queue_.size(), std::nullopt);
  current_ = queue_.empty() ? std::nullopt : std::optional<std::size_t>(0);
  keepQueue();
  shown_->queueChanged(queue_.size() > 1 || before);
}

// A queue of one song is kept only when a kept queue is there to replace:
// a user who never queues two songs never finds the file.
void AppHost::keepQueue() {
  SongFiles* files = services_.songFiles.get();
  if (files == nullptr || services_.keptQueue.empty()) return;
  if (queue_.size() <= 1 && files->kindOf(services_.keptQueue) == SongFiles::Kind::kMissing) return;
  files->replace(services_.keptQueue, playlistText(queue_));  // a failure keeps the last good queue
}

void AppHost::drop(const std::vector<std::filesystem::path>& items) {
  if (items.empty()) return;
  SongFiles* files = services_.songFiles.get();
  newQueue(files != nullptr ? expandItems(*files, items) : items);
  run(Event::kFileDropped, queue_.front().native());
}

void AppHost::start(const std::vector<std::filesystem::path>& items) {
  SongFiles* files = services_.songFiles.get();
  if (!items.empty()) {
    newQueue(files != nullptr ? expandItems(*files, items) : items);
    loadQuietly(queue_.front());
    return;
  }
  std::string bytes;
  if (files == nullptr || services_.keptQueue.empty() ||
      !files->readAll(services_.keptQueue, kLargestPlaylist, bytes)) {
    return;
  }
  std::vector<std::filesystem::path> kept = playlistEntries(bytes, services_.keptQueue.parent_path());
  if (kept.size() <= 1) return;
  newQueue(std::move(kept));
  loadQuietly(queue_.front());
}

QueueView AppHost::queueView() {
  QueueView view{queue_.size(), current_, queueLoops_ ? QueueLoop::kQueue : QueueLoop::kOff, 0};
  if (player_ && player_->playing()) view.playedMillis = player_->positionMillis();
  return view;
}

std::optional<LoadResult> AppHost::failureOf(std::size_t index) const {
  return index < failures_.size() ? failures_[index] : std::nullopt;
}

void AppHost::endAdvance() {
  if (!advancing_) return;
  advancing_ = false;
  if (window_ != nullptr) KillTimer(window_, kAdvanceTimerId);
}

// Once per end: the next start clears the player's mark of it.
void AppHost::advanceIfEnded() {
  if (!player_ || player_->playing() || advancing_ || window_ == nullptr) return;
  const SongEnd end{player_->reachedEnd(), player_->output() == keyboard_.get()};
  const std::optional<std::uint32_t> wait = advanceAfter(end, queueView(), songGapMillis_);
  if (!wait) return;
  advancing_ = true;
  // A timer of 0 ms still comes through the queue, after what waits there.
  SetTimer(window_, kAdvanceTimerId, std::max<UINT>(*wait, USER_TIMER_MINIMUM), nullptr);
}

void AppHost::advance() {
  if (!advancing_) return;
  endAdvance();
  if (!player_ || stateOf(view()) != ControllerState::kIdle) return;
  playFirstOf(songsToTry(QueueMove::kEnded, queueView()), PlayAs::kKeys);
  shown_->refreshStatus();
  showProgress();
}

void AppHost::moveInQueue(QueueMove move) {
  if (!player_ || queue_.empty()) return;
  endAdvance();
  const ControllerState state = stateOf(view());
  const PlayAs as = state == ControllerState::kPlayingToKeys ? PlayAs::kKeys
                    : state == ControllerState::kTestPlaying  ? PlayAs::kTest
                                                              : PlayAs::kNone;
  const std::vector<std::size_t> songs = songsToTry(move, queueView());
  if (songs.empty()) {
    player_->stop();  // past the last song without the loop: it stops
    return;
  }
  playFirstOf(songs, as);
}

void AppHost::playFirstOf(const std::vector<std::size_t>& songs, PlayAs as) {
  bool found = false;
  for (const std::size_t index : songs) {
    if (index >= queue_.size()) continue;
    // The current song again (Previous after 3 s) is not read again.
    if (!(current_ == index && fileLoaded_)) {
      current_ = index;
      const LoadResult result = load(queue_[index]);
      failures_[index] = fileLoaded_ ? std::nullopt : std::optional<LoadResult>(result);
      shown_->showLoaded(queue_[index], fileLoaded_);
      shown_->queueChanged(false);
    }
    if (fileLoaded_) {
      found = true;
      break;
    }
  }
  if (!found) return;
  switch (as) {
    case PlayAs::kKeys:
      midiIn_->close();
      playToKeyboard(/*sameTarget=*/true);
      break;
    case PlayAs::kTest:
      playToMidiOut();
      break;
    case PlayAs::kNone:
      break;
  }
}

void AppHost::loadQueued(std::size_t index) {
  if (index >= queue_.size()) return;
  current_ = index;
  run(Event::kFileDropped, queue_[index].native());
}

void AppHost::removeQueued(std::vector<std::size_t> indexes) {
  std::sort(indexes.begin(), indexes.end());
  indexes.erase(std::unique(indexes.begin(), indexes.end()), indexes.end());
  while (!indexes.empty() && indexes.back() >= queue_.size()) indexes.pop_back();
  if (indexes.empty()) return;
  current_ = currentAfterRemoval(current_, indexes);
  for (auto it = indexes.rbegin(); it != indexes.rend(); ++it) {
    queue_.erase(queue_.begin() + static_cast<std::ptrdiff_t>(*it));
    failures_.erase(failures_.begin() + static_cast<std::ptrdiff_t>(*it));
  }
  keepQueue();
  shown_->queueChanged(false);
}

QueueLoop AppHost::queueLoop() {
  if (queueLoops_) return QueueLoop::kQueue;
  return readPlayOptions(*services_.iniStore).loop ? QueueLoop::kSong : QueueLoop::kOff;
}

// Song is the Loop option; the two others take it off, so that a song
// does not loop in place of the queue.
bool AppHost::setQueueLoop(QueueLoop loop) {
  queueLoops_ = loop == QueueLoop::kQueue;
  PlayOptions options = readPlayOptions(*services_.iniStore);
  options.loop = loop == QueueLoop::kSong;
  return writePlayOptions(*services_.iniStore, options);
}

bool AppHost::saveQueue(const std::filesystem::path& path) {
  SongFiles* files = services_.songFiles.get();
  return files != nullptr && files->replace(path, playlistText(queue_));
}

void AppHost::seekTo(std::uint64_t millis) {
  if (!player_ || !player_->playing()) return;
  player_->seek(millis);
  showProgress();
}

}  // namespace murvane
