#include "tests/win32/support/harness.h"

#include <algorithm>
#include <cwchar>
#include <regex>
#include <set>

#include "app/string_table_win32.h"

namespace murvane::test {

void pump() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message != WM_QUIT) DispatchMessageW(&message);
  }
}

namespace {

constexpr LANGID kEnglish = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
constexpr LANGID kJapanese = MAKELANGID(LANG_JAPANESE, SUBLANG_JAPANESE_JAPAN);

// The English text's template (places %1-%9) matched against it, and the
// same id's template in the language filled with what the places held. Of
// templates that match, the one with the most places: "%1: %2 notes" would
// take a name and its comma for its count.
std::optional<std::wstring> translated(const std::wstring& english, LANGID language) {
  std::optional<std::wstring> best;
  std::size_t bestPlaces = 0;
  for (std::int32_t id = kFirstStringId; id <= kLastStringId; ++id) {
    const std::wstring from = resourceString(id, kEnglish).value_or(L"");
    std::wstring pattern;
    std::vector<wchar_t> places;
    for (std::size_t i = 0; i < from.size(); ++i) {
      if (from[i] == L'%' && i + 1 < from.size() && from[i + 1] >= L'1' && from[i + 1] <= L'9') {
        places.push_back(from[++i]);
        pattern += L"(.*)";
      } else {
        if (std::wcschr(L"\\^$.|?*+()[]{}", from[i]) != nullptr) pattern += L'\\';
        pattern += from[i];
      }
    }
    std::wsmatch held;
    if (from.empty() || (best && places.size() <= bestPlaces) ||
        !std::regex_match(english, held, std::wregex(pattern))) {
      continue;
    }
    const std::wstring to = resourceString(id, language).value_or(L"");
    std::wstring filled;
    for (std::size_t i = 0; i < to.size(); ++i) {
      const auto place = i + 1 < to.size() && to[i] == L'%' ? std::find(places.begin(), places.end(), to[i + 1])
                                                            : places.end();
      if (place == places.end()) {
        filled += to[i];
      } else {
        filled += held[static_cast<std::size_t>(place - places.begin()) + 1].str();
        ++i;
      }
    }
    best = filled;
    bestPlaces = places.size();
  }
  return best;
}

}  // namespace

LANGID testLanguage() {
  static const struct {
    const wchar_t* name;
    LANGID language;
  } kLanguages[] = {{L"ja", kJapanese},
                    {L"zh-CN", MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED)},
                    {L"zh-TW", MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_TRADITIONAL)},
                    {L"ko", MAKELANGID(LANG_KOREAN, SUBLANG_KOREAN)}};
  wchar_t value[8] = {};
  const DWORD length = GetEnvironmentVariableW(L"MURVANE_TEST_LANGUAGE", value, 8);
  for (const auto& known : kLanguages) {
    if (length > 0 && length < 8 && std::wcscmp(value, known.name) == 0) return known.language;
  }
  return kEnglish;
}

bool expectJapanese() { return testLanguage() == kJapanese; }

const wchar_t* inLanguage(const wchar_t* english, const wchar_t* japanese) {
  if (testLanguage() == kJapanese) return japanese;
  return inLanguage(english);
}

const wchar_t* inLanguage(const wchar_t* english) {
  const LANGID language = testLanguage();
  if (language == kEnglish) return english;
  // Kept for the life of the test, as the literals are.
  static std::set<std::wstring> texts;
  const auto text = translated(english, language);
  return texts.insert(text.value_or(L"(no such English text: " + std::wstring(english) + L")")).first->c_str();
}

std::optional<std::wstring> resourceString(std::int32_t id, LANGID language) {
  HMODULE module = GetModuleHandleW(nullptr);
  const auto block = static_cast<WORD>(id / 16 + 1);
  HRSRC found = FindResourceExW(module, MAKEINTRESOURCEW(6), MAKEINTRESOURCEW(block), language);
  if (found == nullptr) {
    return std::nullopt;
  }
  const auto* data = static_cast<const WCHAR*>(LockResource(LoadResource(module, found)));
  const WCHAR* end = data + SizeofResource(module, found) / sizeof(WCHAR);
  for (int index = 0; data < end; ++index) {
    const WORD length = *data++;
    if (index == id % 16) {
      if (length == 0 || data + length > end) {
        return std::nullopt;
      }
      return std::wstring(data, length);
    }
    data += length;
  }
  return std::nullopt;
}

const StringTable& resourceStrings() {
  static StringTable table = [] {
    StringTable loaded;
    ResourceStringLoader loader(GetModuleHandleW(nullptr));
    loaded.load(loader);
    return loaded;
  }();
  return table;
}

RECT placeInParent(HWND control) {
  RECT place{};
  GetWindowRect(control, &place);
  MapWindowPoints(HWND_DESKTOP, GetParent(control), reinterpret_cast<POINT*>(&place), 2);
  return place;
}

int droppedHeight(HWND comboBox) {
  // Wine gives the dropped rectangle the height of the list alone (Windows
  // counts the box in), so the box is added here.
  RECT dropped{};
  SendMessageW(comboBox, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped));
  RECT box{};
  GetWindowRect(comboBox, &box);
  return (box.bottom - box.top) + (dropped.bottom - dropped.top);
}

namespace {

void sendKey(WORD vk, bool up) {
  INPUT input = {};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = vk;
  input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  SendInput(1, &input, sizeof(input));
}

bool isDown(WORD vk) { return (GetKeyState(vk) & 0x8000) != 0; }

}  // namespace

void pressKey(WORD vk) {
  sendKey(vk, false);
  pumpUntil([vk] { return isDown(vk); });
  pump();
}

void releaseKey(WORD vk) {
  sendKey(vk, true);
  pumpUntil([vk] { return !isDown(vk); });
  pump();
}

void typeKey(WORD vk) {
  pressKey(vk);
  releaseKey(vk);
}

void releaseModifiers() {
  for (int vk : {VK_SHIFT, VK_CONTROL, VK_MENU}) {
    if ((GetAsyncKeyState(vk) & 0x8000) != 0) sendKey(static_cast<WORD>(vk), true);
  }
  pump();
}

bool focusWindow(HWND window) {
  SetForegroundWindow(window);
  SetFocus(window);
  return pumpUntil([window] { return GetForegroundWindow() == window && GetFocus() == window; });
}

namespace {

MessageBoxCatcher* gCatcher = nullptr;

struct DialogSearch {
  const std::vector<HWND>* answered;
  HWND found;
};

BOOL CALLBACK findDialog(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<DialogSearch*>(context);
  if (classOf(window) != L"#32770" || !IsWindowVisible(window)) return TRUE;
  for (HWND done : *search->answered) {
    if (done == window) return TRUE;
  }
  search->found = window;
  return FALSE;
}

}  // namespace

MessageBoxCatcher::MessageBoxCatcher() : timer_(SetTimer(nullptr, 0, 20, &MessageBoxCatcher::onTimer)) {
  gCatcher = this;
}

MessageBoxCatcher::~MessageBoxCatcher() {
  KillTimer(nullptr, timer_);
  gCatcher = nullptr;
}

void CALLBACK MessageBoxCatcher::onTimer(HWND, UINT, UINT_PTR, DWORD) {
  if (gCatcher == nullptr) return;
  DialogSearch search{&gCatcher->answered_, nullptr};
  EnumThreadWindows(GetCurrentThreadId(), findDialog, reinterpret_cast<LPARAM>(&search));
  if (search.found == nullptr) return;
  gCatcher->seen.push_back(readMessageBox(search.found));
  gCatcher->answered_.push_back(search.found);
  PostMessageW(search.found, WM_COMMAND, IDOK, 0);
}

namespace {

CreationHook* gHook = nullptr;

}  // namespace

CreationHook::CreationHook(const wchar_t* windowClass)
    : windowClass_(windowClass), hook_(SetWindowsHookExW(WH_CBT, &CreationHook::onCbt, nullptr, GetCurrentThreadId())) {
  gHook = this;
}

CreationHook::~CreationHook() {
  UnhookWindowsHookEx(hook_);
  gHook = nullptr;
}

LRESULT CALLBACK CreationHook::onCbt(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_CREATEWND && gHook != nullptr) {
    const auto window = reinterpret_cast<HWND>(wParam);
    const HWND parent = reinterpret_cast<CBT_CREATEWNDW*>(lParam)->lpcs->hwndParent;
    if (classOf(window) == gHook->windowClass_ && gHook->refuseWindow) return 1;
    if (parent != nullptr && classOf(parent) == gHook->windowClass_) {
      if (static_cast<int>(gHook->children.size()) == gHook->refuseChild) {
        gHook->refuseChild = -1;
        return 1;
      }
      gHook->children.push_back(window);
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

void WindowWatcher::watch(const wchar_t* className, Handler handler) {
  std::lock_guard lock(mutex_);
  handlers_[className] = std::move(handler);
}

void WindowWatcher::onMessageBox(Handler handler) {
  std::lock_guard lock(mutex_);
  messageBoxHandler_ = std::move(handler);
}

std::vector<SeenMessageBox> WindowWatcher::messageBoxes() {
  std::lock_guard lock(mutex_);
  return boxes_;
}

void WindowWatcher::clear() {
  std::lock_guard lock(mutex_);
  boxes_.clear();
}

std::vector<std::wstring> WindowWatcher::overstayed() {
  std::lock_guard lock(mutex_);
  return overstayed_;
}

void WindowWatcher::closeOverstaying(std::map<HWND, std::chrono::steady_clock::time_point>& handled) {
  const auto now = std::chrono::steady_clock::now();
  for (auto it = handled.begin(); it != handled.end();) {
    if (!IsWindow(it->first)) {
      it = handled.erase(it);
    } else if (now - it->second > kOverstay) {
      {
        std::lock_guard lock(mutex_);
        overstayed_.push_back(classOf(it->first));
      }
      PostMessageW(it->first, WM_CLOSE, 0, 0);
      it = handled.erase(it);
    } else {
      ++it;
    }
  }
}

void WindowWatcher::run() {
  std::set<HWND> seen;
  std::map<HWND, std::chrono::steady_clock::time_point> handled;
  while (!stop_) {
    for (HWND dialog : topLevelWindows(L"#32770", Owner::kThisProcess)) {
      if (seen.insert(dialog).second) {
        const SeenMessageBox box = readMessageBox(dialog);
        Handler handler;
        {
          std::lock_guard lock(mutex_);
          boxes_.push_back(box);
          handler = messageBoxHandler_;
        }
        if (handler) handler(dialog);
      }
      PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    }
    std::map<std::wstring, Handler> handlers;
    {
      std::lock_guard lock(mutex_);
      handlers = handlers_;
    }
    for (auto& [className, handler] : handlers) {
      for (HWND window : topLevelWindows(className.c_str(), Owner::kThisProcess)) {
        if (seen.insert(window).second) {
          handler(window);
          handled.emplace(window, std::chrono::steady_clock::now());
        }
      }
    }
    closeOverstaying(handled);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

}  // namespace murvane::test
