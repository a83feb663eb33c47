#include "bindings/portable_ini_store.h"

#include <algorithm>
#include <exception>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <system_error>
#include <type_traits>
#include <utility>
#include <vector>

namespace murvane {

namespace {

// The file is kept as lines of raw bytes, so that every line this store does
// not change is written back byte for byte whatever its code page; only the
// text used to find sections and keys is decoded.
enum class Encoding { kAnsi, kUtf8, kUtf16Le, kUtf16Be };

struct Line {
  std::string content;
  std::string lineBreak;  // empty on a last line without one
  std::wstring text;  // content decoded
};

struct Document {
  Encoding encoding = Encoding::kAnsi;
  std::string bom;
  std::vector<Line> lines;
  bool oddLength = false;  // UTF-16 with a byte left over
};

// Blanks as the private-profile services trim them; ^Z is a DOS end of file.
constexpr bool isBlank(wchar_t c) {
  return c == L' ' || c == L'\t' || c == L'\n' || c == L'\v' || c == L'\f' || c == L'\r' || c == 0x1A;
}

std::wstring_view trim(std::wstring_view text) {
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  return text;
}

constexpr wchar_t foldCase(wchar_t c) { return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c; }

bool equalsIgnoringCase(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (foldCase(a[i]) != foldCase(b[i])) return false;
  }
  return true;
}

std::wstring decodeUtf8(std::string_view bytes) {
  std::wstring text;
  std::size_t i = 0;
  while (i < bytes.size()) {
    const auto lead = static_cast<unsigned char>(bytes[i]);
    std::size_t extra = 0;
    char32_t code = lead;
    if (lead >= 0xC2 && lead < 0xE0) {
      extra = 1;
      code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead < 0xF0) {
      extra = 2;
      code = lead & 0x0F;
    } else if (lead >= 0xF0 && lead < 0xF5) {
      extra = 3;
      code = lead & 0x07;
    } else if (lead >= 0x80) {
      text.push_back(L'\xFFFD');
      ++i;
      continue;
    }
    bool valid = i + extra < bytes.size();
    for (std::size_t k = 1; valid && k <= extra; ++k) {
      const auto next = static_cast<unsigned char>(bytes[i + k]);
      valid = (next & 0xC0) == 0x80;
      code = (code << 6) | (next & 0x3F);
    }
    if (!valid) {
      text.push_back(L'\xFFFD');
      ++i;
      continue;
    }
    i += extra + 1;
    if (code >= 0x10000 && sizeof(wchar_t) == 2) {
      code -= 0x10000;
      text.push_back(static_cast<wchar_t>(0xD800 + (code >> 10)));
      text.push_back(static_cast<wchar_t>(0xDC00 + (code & 0x3FF)));
    } else {
      text.push_back(static_cast<wchar_t>(code));
    }
  }
  return text;
}

constexpr bool isHighSurrogate(char32_t c) { return c >= 0xD800 && c < 0xDC00; }
constexpr bool isLowSurrogate(char32_t c) { return c >= 0xDC00 && c < 0xE000; }

// A character beyond U+FFFF is one wchar_t where wchar_t has 32 bits and a
// surrogate pair where it has 16; encoded half by half, the pair would make
// UTF-8 that no reader accepts. A lone surrogate is passed on as it is.
std::u32string codePoints(std::wstring_view text) {
  std::u32string codes;
  for (std::size_t i = 0; i < text.size(); ++i) {
    auto code = static_cast<char32_t>(static_cast<std::make_unsigned_t<wchar_t>>(text[i]));
    if (isHighSurrogate(code) && i + 1 < text.size()) {
      const auto next = static_cast<char32_t>(static_cast<std::make_unsigned_t<wchar_t>>(text[i + 1]));
      if (isLowSurrogate(next)) {
        code = 0x10000 + ((code - 0xD800) << 10) + (next - 0xDC00);
        ++i;
      }
    }
    codes.push_back(code);
  }
  return codes;
}

void appendUtf8(std::string& bytes, char32_t code) {
  // UTF-8 has no form for a surrogate.
  if (isHighSurrogate(code) || isLowSurrogate(code) || code > 0x10FFFF) code = 0xFFFD;
  if (code < 0x80) {
    bytes.push_back(static_cast<char>(code));
  } else if (code < 0x800) {
    bytes.push_back(static_cast<char>(0xC0 | (code >> 6)));
    bytes.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else if (code < 0x10000) {
    bytes.push_back(static_cast<char>(0xE0 | (code >> 12)));
    bytes.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    bytes.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else {
    bytes.push_back(static_cast<char>(0xF0 | (code >> 18)));
    bytes.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
    bytes.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    bytes.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  }
}

// A lone surrogate goes out as the unit it is, as the platform writes it.
void appendUtf16(std::string& bytes, char32_t code, bool littleEndian) {
  const auto put = [&](char32_t unit) {
    const auto low = static_cast<char>(unit & 0xFF);
    const auto high = static_cast<char>((unit >> 8) & 0xFF);
    bytes.push_back(littleEndian ? low : high);
    bytes.push_back(littleEndian ? high : low);
  };
  if (code > 0x10FFFF) code = 0xFFFD;
  if (code < 0x10000) {
    put(code);
    return;
  }
  code -= 0x10000;
  put(0xD800 + (code >> 10));
  put(0xDC00 + (code & 0x3FF));
}

// Only what this store writes itself is encoded: section, key and value.
std::string encode(std::wstring_view text, Encoding encoding) {
  std::string bytes;
  for (const char32_t code : codePoints(text)) {
    switch (encoding) {
      case Encoding::kAnsi:
        bytes.push_back(code < 0x80 ? static_cast<char>(code) : '?');
        break;
      case Encoding::kUtf8:
        appendUtf8(bytes, code);
        break;
      case Encoding::kUtf16Le:
      case Encoding::kUtf16Be:
        appendUtf16(bytes, code, encoding == Encoding::kUtf16Le);
        break;
    }
  }
  return bytes;
}

std::wstring decode(std::string_view bytes, Encoding encoding) {
  std::wstring text;
  switch (encoding) {
    case Encoding::kAnsi:
      // The code page is not known here; names and values that matter are ASCII.
      for (const char c : bytes) text.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
      break;
    case Encoding::kUtf8:
      text = decodeUtf8(bytes);
      break;
    case Encoding::kUtf16Le:
    case Encoding::kUtf16Be:
      for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const auto first = static_cast<unsigned char>(bytes[i]);
        const auto second = static_cast<unsigned char>(bytes[i + 1]);
        const auto unit = static_cast<char32_t>(encoding == Encoding::kUtf16Le ? (second << 8) | first
                                                                               : (first << 8) | second);
        // Where wchar_t has 32 bits a pair is one character, as from UTF-8.
        if (sizeof(wchar_t) == 4 && isLowSurrogate(unit) && !text.empty() &&
            isHighSurrogate(static_cast<char32_t>(text.back()))) {
          const auto high = static_cast<char32_t>(text.back());
          text.back() = static_cast<wchar_t>(0x10000 + ((high - 0xD800) << 10) + (unit - 0xDC00));
        } else {
          text.push_back(static_cast<wchar_t>(unit));
        }
      }
      break;
  }
  return text;
}

Document parseDocument(std::string_view bytes) {
  Document document;
  std::string_view rest(bytes);
  if (rest.substr(0, 3) == "\xEF\xBB\xBF") {
    document.encoding = Encoding::kUtf8;
  } else if (rest.substr(0, 2) == "\xFF\xFE") {
    document.encoding = Encoding::kUtf16Le;
  } else if (rest.substr(0, 2) == "\xFE\xFF") {
    document.encoding = Encoding::kUtf16Be;
  }
  const std::size_t bomSize = document.encoding == Encoding::kUtf8 ? 3 : document.encoding == Encoding::kAnsi ? 0 : 2;
  document.bom = std::string(rest.substr(0, bomSize));
  rest.remove_prefix(bomSize);

  const bool wide = document.encoding == Encoding::kUtf16Le || document.encoding == Encoding::kUtf16Be;
  const std::size_t unit = wide ? 2 : 1;
  document.oddLength = wide && rest.size() % 2 != 0;
  // A line ends at CR LF, LF or a lone CR, as the platform reads it.
  const std::string lineFeed = encode(L"\n", document.encoding);
  const std::string carriageReturn = encode(L"\r", document.encoding);
  while (!rest.empty()) {
    std::size_t contentEnd = rest.size();
    std::size_t end = rest.size();
    for (std::size_t i = 0; i + unit <= rest.size(); i += unit) {
      if (rest.compare(i, unit, lineFeed) == 0) {
        contentEnd = i;
        end = i + unit;
        break;
      }
      if (rest.compare(i, unit, carriageReturn) == 0) {
        contentEnd = i;
        end = i + unit;
        if (rest.compare(end, unit, lineFeed) == 0) end += unit;
        break;
      }
    }
    Line line;
    line.content = std::string(rest.substr(0, contentEnd));
    line.lineBreak = std::string(rest.substr(contentEnd, end - contentEnd));
    line.text = decode(line.content, document.encoding);
    document.lines.push_back(std::move(line));
    rest.remove_prefix(end);
  }
  return document;
}

enum class LineKind { kBlank, kSection, kKey };

struct ParsedLine {
  LineKind kind = LineKind::kBlank;
  std::wstring_view name;
  std::optional<std::wstring_view> value;  // none for a key line without '='
};

// The platform keeps names and values as C strings: a NUL ends them.
std::wstring_view untilNul(std::wstring_view text) { return text.substr(0, text.find(L'\0')); }

ParsedLine parseLine(std::wstring_view text) {
  ParsedLine parsed;
  text = trim(text);
  if (text.empty()) return parsed;
  if (text.front() == L'[') {
    const std::size_t close = text.rfind(L']');
    if (close != std::wstring_view::npos) {
      parsed.kind = LineKind::kSection;
      parsed.name = untilNul(trim(text.substr(1, close - 1)));
      return parsed;
    }
  }
  parsed.kind = LineKind::kKey;
  const std::size_t equals = text.find(L'=');
  if (equals == std::wstring_view::npos) {
    parsed.name = untilNul(text);
    return parsed;
  }
  parsed.name = untilNul(trim(text.substr(0, equals)));
  parsed.value = untilNul(trim(text.substr(equals + 1)));
  return parsed;
}

// Where a section and one of its keys are: only the first section of that
// name counts, and in it the first line of that key.
struct Location {
  std::optional<std::size_t> section;
  std::optional<std::size_t> key;
  std::size_t lastContent = 0;  // last non-blank line of the section
};

Location locate(const Document& document, std::wstring_view section, std::wstring_view key) {
  Location location;
  bool inside = false;
  for (std::size_t i = 0; i < document.lines.size(); ++i) {
    const ParsedLine line = parseLine(document.lines[i].text);
    if (line.kind == LineKind::kSection) {
      if (inside) break;
      if (equalsIgnoringCase(line.name, section)) {
        inside = true;
        location.section = i;
        location.lastContent = i;
      }
      continue;
    }
    if (!inside || line.kind == LineKind::kBlank) continue;
    location.lastContent = i;
    if (!location.key && equalsIgnoringCase(line.name, key)) location.key = i;
  }
  return location;
}

// What the platform hands back into a buffer of kIniValueMaxLength + 1
// characters: matching quotes around the value are dropped, and when the
// value without its opening quote fits the buffer, its last character goes
// as well (normally the closing quote, but the platform drops it even after
// cutting the value short).
std::wstring asPlatformReturns(std::wstring_view value, std::size_t longest) {
  bool quoted = false;
  if (value.size() > 1 && (value.front() == L'"' || value.front() == L'\'') && value.back() == value.front()) {
    quoted = true;
    value.remove_prefix(1);
  }
  std::wstring result(value.substr(0, longest));
  if (quoted && value.size() <= longest + 1 && !result.empty()) result.pop_back();
  return result;
}

// False when the file already holds that value.
bool update(Document& document, std::wstring_view section, std::wstring_view key, std::wstring_view value) {
  const Encoding encoding = document.encoding;
  const std::string lineBreak = encode(L"\r\n", encoding);
  const Location location = locate(document, section, key);
  if (location.key) {
    Line& line = document.lines[*location.key];
    const ParsedLine parsed = parseLine(line.text);
    if (parsed.value && *parsed.value == value) return false;
    std::wstring text(parsed.name);
    text += L'=';
    text += value;
    line.content = encode(text, encoding);
    line.text = std::move(text);
    return true;
  }

  std::wstring text(key);
  text += L'=';
  text += value;
  Line added{encode(text, encoding), lineBreak, text};
  if (location.section) {
    Line& last = document.lines[location.lastContent];
    if (last.lineBreak.empty()) last.lineBreak = lineBreak;
    document.lines.insert(document.lines.begin() + static_cast<std::ptrdiff_t>(location.lastContent) + 1,
                          std::move(added));
    return true;
  }

  if (!document.lines.empty()) {
    Line& last = document.lines.back();
    if (last.lineBreak.empty()) last.lineBreak = lineBreak;
    document.lines.push_back(Line{std::string(), lineBreak, std::wstring()});
  }
  std::wstring header = L"[";
  header += section;
  header += L']';
  document.lines.push_back(Line{encode(header, encoding), lineBreak, header});
  document.lines.push_back(std::move(added));
  return true;
}

// Every line of the key in the section that a read looks in: a later line
// of the same key would otherwise be found by the next read. False when
// there is none.
bool erase(Document& document, std::wstring_view section, std::wstring_view key) {
  bool erased = false;
  for (Location location = locate(document, section, key); location.key; location = locate(document, section, key)) {
    document.lines.erase(document.lines.begin() + static_cast<std::ptrdiff_t>(*location.key));
    erased = true;
  }
  return erased;
}

enum class Change { kChanged, kAlreadyHeld, kRefused };

// value: none takes the key out.
Change changeIniValue(std::string& file, std::wstring_view section, std::wstring_view key,
                      std::optional<std::wstring_view> value) {
  Document document = parseDocument(file);
  if (document.oddLength) return Change::kRefused;
  const bool changed = value ? update(document, section, key, *value) : erase(document, section, key);
  if (!changed) return Change::kAlreadyHeld;
  std::string bytes = document.bom;
  for (const Line& line : document.lines) {
    bytes += line.content;
    bytes += line.lineBreak;
  }
  file = std::move(bytes);
  return Change::kChanged;
}

class PortableIniStore final : public IniStore {
 public:
  explicit PortableIniStore(std::filesystem::path path) : path_(std::move(path)) {}

  bool exists() override {
    std::error_code error;
    return std::filesystem::exists(path_, error);
  }

  std::wstring read(std::wstring_view section, std::wstring_view key) override {
    std::string bytes;
    if (!readFile(bytes)) return {};
    return readIniValue(bytes, section, key);
  }

  std::wstring readText(std::wstring_view section, std::wstring_view key) override {
    std::string bytes;
    if (!readFile(bytes)) return {};
    return readIniText(bytes, section, key);
  }

  std::vector<std::wstring> sectionNames() override {
    std::string bytes;
    if (!readFile(bytes)) return {};
    return iniSectionNames(bytes);
  }

  bool write(std::wstring_view section, std::wstring_view key, std::wstring_view value) override {
    return change(section, key, value);
  }

  bool remove(std::wstring_view section, std::wstring_view key) override {
    std::error_code error;
    // Nothing to take out of a file that is not there, and none is made.
    if (!std::filesystem::exists(path_, error)) return !error;
    return change(section, key, std::nullopt);
  }

 private:
  bool change(std::wstring_view section, std::wstring_view key, std::optional<std::wstring_view> value) {
    std::string bytes;
    std::error_code error;
    if (std::filesystem::exists(path_, error)) {
      // A file that exists but cannot be read is left alone, not replaced.
      if (!readFile(bytes)) return false;
    } else if (error) {
      return false;
    }
    switch (changeIniValue(bytes, section, key, value)) {
      case Change::kChanged:
        return replaceFile(bytes);
      case Change::kAlreadyHeld:
        return true;
      case Change::kRefused:
        break;
    }
    return false;
  }

  bool readFile(std::string& bytes) const {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path_, error)) return false;
    std::ifstream file(path_, std::ios::binary);
    if (!file) return false;
    // The standard library reports some read errors only by throwing.
    try {
      bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    } catch (const std::exception&) {
      bytes.clear();
      return false;
    }
    return !file.bad();
  }

  // The new text goes to a file beside the original that then replaces it,
  // so a failed write leaves the original as it was.
  bool replaceFile(const std::string& bytes) const {
    std::error_code error;
    std::filesystem::path target = path_;
    if (std::filesystem::is_symlink(path_, error)) {
      target = std::filesystem::canonical(path_, error);
      if (error) return false;
    }
    std::filesystem::path temporary = target;
    temporary += ".tmp";
    std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
    if (!file) return false;
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (!file) {
      std::filesystem::remove(temporary, error);
      return false;
    }
    const auto status = std::filesystem::status(target, error);
    if (!error && std::filesystem::exists(status)) {
      std::filesystem::permissions(temporary, status.permissions(), error);
    }
    std::filesystem::rename(temporary, target, error);
    if (!error) return true;
    std::filesystem::remove(temporary, error);
    return false;
  }

  std::filesystem::path path_;
};

}  // namespace

namespace {

std::wstring readCut(std::string_view file, std::wstring_view section, std::wstring_view key, std::size_t longest) {
  const Document document = parseDocument(file);
  const Location location = locate(document, section, key);
  if (!location.key) return {};
  const ParsedLine line = parseLine(document.lines[*location.key].text);
  if (!line.value) return {};
  return asPlatformReturns(*line.value, longest);
}

}  // namespace

std::wstring readIniValue(std::string_view file, std::wstring_view section, std::wstring_view key) {
  return readCut(file, section, key, kIniValueMaxLength);
}

std::wstring readIniText(std::string_view file, std::wstring_view section, std::wstring_view key) {
  return readCut(file, section, key, kIniTextMaxLength);
}

std::vector<std::wstring> iniSectionNames(std::string_view file) {
  std::vector<std::wstring> names;
  for (const Line& line : parseDocument(file).lines) {
    const ParsedLine parsed = parseLine(line.text);
    if (parsed.kind != LineKind::kSection) continue;
    const bool seen = std::any_of(names.begin(), names.end(),
                                  [&](const std::wstring& name) { return equalsIgnoringCase(name, parsed.name); });
    if (!seen) names.emplace_back(parsed.name);
  }
  return names;
}

bool writeIniValue(std::string& file, std::wstring_view section, std::wstring_view key, std::wstring_view value) {
  return changeIniValue(file, section, key, value) == Change::kChanged;
}

bool removeIniValue(std::string& file, std::wstring_view section, std::wstring_view key) {
  return changeIniValue(file, section, key, std::nullopt) == Change::kChanged;
}

std::unique_ptr<IniStore> makePortableIniStore(std::filesystem::path path) {
  return std::make_unique<PortableIniStore>(std::move(path));
}

}  // namespace murvane
