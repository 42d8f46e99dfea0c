// The settings store: one process-wide key = value file.
//
// The file is read whole into one buffer. Only the entries before the first
// group header can be looked up or changed, so only those become entries;
// everything from the first group header on stays as read and is re-emitted
// line by line when the file is written back. New keys are appended to the
// entries, which puts them after the last line before the first group
// header. When the file starts with a group header there are no such
// entries, so new keys go to the front of the file.
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "support/settings_internal.h"
#include "support/support.h"

using settings_detail::LineKind;
using settings_detail::ParsedLine;

namespace {

// A text inside the file's content, or (with kOwned set in pos) inside the
// store's buffer of written texts. 32-bit fields keep an entry small, so a
// file of millions of short lines stays affordable.
struct Span {
  std::uint32_t pos = 0;
  std::uint32_t length = 0;
};
constexpr std::uint32_t kOwned = 0x80000000u;
constexpr std::size_t kMaxText = 0x7FFFFFFFu;

struct SettingsEntry {
  Span key;
  Span value;  // the comment text for a comment
  LineKind kind = LineKind::kKey;
};

struct Store {
  bool active = false;  // a file is open or a name is remembered
  platform::File* file = nullptr;
  std::string rememberedName;  // only when open found no file it could open
  std::unique_ptr<char[]> content;
  std::size_t contentSize = 0;
  std::size_t tailBegin = 0;           // the first group header line, or contentSize
  std::string owned;                   // texts stored by writes
  std::vector<SettingsEntry> entries;  // the lines before the first group header
  bool utf8 = false;
  bool loaded = true;  // false when the content could not be read into memory
  bool changed = false;
};

Store g_store;

std::string_view ContentView() { return {g_store.content.get(), g_store.contentSize}; }

std::string_view TextOf(Span span) {
  if (span.pos & kOwned) {
    return std::string_view(g_store.owned).substr(span.pos & ~kOwned, span.length);
  }
  return ContentView().substr(span.pos, span.length);
}

Span ContentSpan(std::size_t begin, std::size_t length) {
  return {static_cast<std::uint32_t>(begin), static_cast<std::uint32_t>(length)};
}

bool Own(std::string_view text, Span* span) {
  if (text.size() > kMaxText - g_store.owned.size()) return false;
  span->pos = static_cast<std::uint32_t>(g_store.owned.size()) | kOwned;
  span->length = static_cast<std::uint32_t>(text.size());
  g_store.owned.append(text);
  return true;
}

// Parses the lines up to the first group header into entries.
void ParseContent() {
  std::string_view text = ContentView();
  std::size_t pos = 0;
  if (text.size() >= 3 && text.substr(0, 3) == "\xEF\xBB\xBF") {
    g_store.utf8 = true;
    pos = 3;
  }
  g_store.tailBegin = text.size();
  ParsedLine line;
  while (settings_detail::NextLine(text, &pos, &line)) {
    if (line.kind == LineKind::kGroup) {
      g_store.tailBegin = line.lineBegin;
      break;
    }
    g_store.entries.push_back({ContentSpan(line.keyBegin, line.keyLength),
                               ContentSpan(line.valueBegin, line.valueLength), line.kind});
  }
}

// Reads the whole file into memory; false when it cannot be had.
bool LoadContent(platform::File* file) {
  const std::int64_t size = platform::FileSize(file);
  if (size < 0 || static_cast<std::uint64_t>(size) > kMaxText) return false;
  const auto wanted = static_cast<std::size_t>(size);
  g_store.content.reset(new (std::nothrow) char[wanted == 0 ? 1 : wanted]);
  if (!g_store.content) return false;
  std::size_t got = 0;
  // One read brings the whole file; the loop only matters if the system
  // hands it over in pieces.
  while (got < wanted) {
    const std::int64_t n = platform::ReadFile(file, g_store.content.get() + got,
                                              static_cast<std::int64_t>(wanted - got));
    if (n < 0) return false;
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  g_store.contentSize = got;
  ParseContent();
  return true;
}

// The position of the first key entry matching `key`, or -1. The length
// test first keeps a search through millions of lines cheap.
std::ptrdiff_t Find(std::string_view key) {
  const SettingsEntry* const entries = g_store.entries.data();
  const std::size_t count = g_store.entries.size();
  const std::size_t length = key.size();
  for (std::size_t i = 0; i < count; ++i) {
    const SettingsEntry& e = entries[i];
    if (e.key.length != length || e.kind != LineKind::kKey) continue;
    if (settings_detail::SameKey(TextOf(e.key), key)) return static_cast<std::ptrdiff_t>(i);
  }
  return -1;
}

// The caller's key as it appears in the file.
std::string FileForm(std::string_view text) {
  return g_store.utf8 ? settings_detail::EncodeUtf8(text) : std::string(text);
}

// Walks the written form of the file: the mark line, the entries, then every
// line from the first group header on. `emit` gets kind, key and value.
template <typename Emit>
void ForEachWrittenLine(Emit emit) {
  for (const SettingsEntry& e : g_store.entries) emit(e.kind, TextOf(e.key), TextOf(e.value));
  std::string_view text = ContentView();
  std::size_t pos = g_store.tailBegin;
  ParsedLine line;
  while (settings_detail::NextLine(text, &pos, &line)) {
    emit(line.kind, text.substr(line.keyBegin, line.keyLength),
         text.substr(line.valueBegin, line.valueLength));
  }
}

constexpr std::string_view kMarkLine = "\xEF\xBB\xBF\r\n";

// Builds the new content in one exactly sized buffer and writes it from the
// start of the file in one call, then cuts the file behind it.
void WriteBack() {
  if (g_store.file == nullptr) {
    g_store.file = platform::OpenFile(g_store.rememberedName, platform::OpenMode::kOpenOrCreate);
    if (g_store.file == nullptr) return;
  }
  std::uint64_t size = g_store.utf8 ? kMarkLine.size() : 0;
  ForEachWrittenLine([&size](LineKind kind, std::string_view key, std::string_view value) {
    size += settings_detail::WrittenLength(kind, key.size(), value.size());
  });
  if (size > static_cast<std::uint64_t>(INT64_MAX) || size > SIZE_MAX) return;
  std::unique_ptr<char[]> out(new (std::nothrow) char[size == 0 ? 1 : size]);
  if (!out) return;
  char* end = out.get();
  if (g_store.utf8) {
    std::memcpy(end, kMarkLine.data(), kMarkLine.size());
    end += kMarkLine.size();
  }
  ForEachWrittenLine([&end](LineKind kind, std::string_view key, std::string_view value) {
    end = settings_detail::WriteLine(end, kind, key, value);
  });
  if (end != out.get() + size) return;  // never write a buffer that was not filled exactly
  const auto length = static_cast<std::int64_t>(size);
  // Errors of these calls are not reported: the store has no one to tell.
  if (platform::SeekFile(g_store.file, 0)) {
    platform::WriteFile(g_store.file, out.get(), length);
    platform::TruncateFile(g_store.file, length);
  }
}

void StoreValue(std::string_view key, std::string_view value) {
  if (!g_store.active || !g_store.loaded) return;
  const std::string fileKey = FileForm(key);
  Span keySpan, valueSpan;
  if (!Own(fileKey, &keySpan) || !Own(FileForm(value), &valueSpan)) return;
  const std::ptrdiff_t at = Find(fileKey);
  if (at >= 0) {
    g_store.entries[static_cast<std::size_t>(at)].key = keySpan;
    g_store.entries[static_cast<std::size_t>(at)].value = valueSpan;
  } else {
    g_store.entries.push_back({keySpan, valueSpan, LineKind::kKey});
  }
  g_store.changed = true;
}

// The stored value of a key in the file's own form, or false when absent.
bool Lookup(std::string_view key, std::string_view* value) {
  if (!g_store.active) return false;
  const std::ptrdiff_t at = Find(FileForm(key));
  if (at < 0) return false;
  *value = TextOf(g_store.entries[static_cast<std::size_t>(at)].value);
  return true;
}

}  // namespace

namespace SettingsFile {

int open(std::string_view name) {
  close();
  platform::File* file = platform::OpenFile(name, platform::OpenMode::kReadWriteDenyWrite);
  if (file == nullptr) file = platform::OpenFile(name, platform::OpenMode::kReadDenyWrite);
  g_store.active = true;
  if (file == nullptr) {
    g_store.rememberedName = std::string(name);
    return 0;
  }
  g_store.file = file;
  // Content that cannot be read leaves the store empty; it is then never
  // written back either, so the file on disk cannot lose what it holds.
  if (!LoadContent(file)) {
    g_store.loaded = false;
    g_store.entries.clear();
  }
  return 1;
}

std::int32_t readInt(std::string_view key, std::int32_t def) {
  std::string_view value;
  if (!Lookup(key, &value)) return def;
  return settings_detail::ParseInt(value);
}

std::string readString(std::string_view key, std::string_view def) {
  std::string_view value;
  if (!Lookup(key, &value)) return std::string(def);
  while (!value.empty() && settings_detail::IsBlank(value.front())) value.remove_prefix(1);
  std::string text;
  if (g_store.utf8) {
    if (!settings_detail::DecodeUtf8(value, &text)) return std::string();
  } else {
    text.assign(value);
  }
  while (!text.empty() && settings_detail::IsBlank(text.back())) text.pop_back();
  return text;
}

void close() {
  if (g_store.active && g_store.changed && g_store.loaded) WriteBack();
  if (g_store.file != nullptr) platform::CloseFile(g_store.file);
  g_store = Store{};
}

namespace {

int CreateWith(std::string_view name, platform::OpenMode mode) {
  close();
  platform::File* file = platform::OpenFile(name, mode);
  if (file == nullptr) return 0;
  g_store.active = true;
  g_store.file = file;
  return 1;
}

}  // namespace

int create(std::string_view name) { return CreateWith(name, platform::OpenMode::kCreateDenyWrite); }

int createNew(std::string_view name) { return CreateWith(name, platform::OpenMode::kCreateNew); }

void writeInt(std::string_view key, std::int32_t value) { StoreValue(key, std::to_string(value)); }

void writeString(std::string_view key, std::string_view value) { StoreValue(key, value); }

}  // namespace SettingsFile
