// Input files: files opened for reading, addressed by a number the caller
// chooses or by the handle of a fresh object, with a small read-ahead buffer.
#include <cstdint>
#include <cstring>
#include <limits>
#include <map>
#include <memory>
#include <string_view>

#include "support/numbered_table.h"
#include "support/support.h"

namespace {

constexpr std::int64_t kReadAhead = 4096;

struct InputFile {
  InputFile() = default;
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;
  ~InputFile() { platform::CloseFile(file); }

  platform::File* file = nullptr;
  // Read-ahead bytes not yet delivered: buffer[offset, filled).
  unsigned char buffer[kReadAhead] = {};
  std::int64_t offset = 0;
  std::int64_t filled = 0;
};

using InputFileTable = NumberedTable<InputFile, 16>;

InputFileTable& numbered() {
  static InputFileTable table;
  return table;
}

// Handles of fresh objects start far above every number the table accepts,
// so a handle never names a numbered file. They fit a 32-bit intptr_t.
constexpr InputFileId kFirstHandle = InputFileId{1} << 30;
static_assert(kFirstHandle > InputFileTable::kMaxNumber);

struct FreshFiles {
  std::map<InputFileId, std::unique_ptr<InputFile>> open;
  InputFileId nextHandle = kFirstHandle;

  InputFileId newHandle() {
    do {
      nextHandle =
          nextHandle == std::numeric_limits<InputFileId>::max() ? kFirstHandle : nextHandle + 1;
    } while (open.count(nextHandle) != 0);
    return nextHandle;
  }
};

FreshFiles& fresh() {
  static FreshFiles files;
  return files;
}

InputFile* Find(InputFileId id) {
  if (id >= kFirstHandle) {
    auto it = fresh().open.find(id);
    return it != fresh().open.end() ? it->second.get() : nullptr;
  }
  return numbered().get(id);
}

// Hands out up to `count` read-ahead bytes; the number handed out.
std::int64_t TakeBuffered(InputFile* in, unsigned char* destination, std::int64_t count) {
  std::int64_t n = in->filled - in->offset;
  if (n > count) n = count;
  if (n <= 0) return 0;
  std::memcpy(destination, in->buffer + in->offset, static_cast<std::size_t>(n));
  in->offset += n;
  return n;
}

}  // namespace

InputFileId OpenInputFile(InputFileId number, std::string_view path) {
  const bool isHandle = number >= kFirstHandle;
  if (isHandle && fresh().open.count(number) == 0) return 0;
  if (!isHandle && number != -1 && (number < 0 || number > InputFileTable::kMaxNumber)) return 0;
  // Whatever the number or handle held is closed before the new file opens.
  CloseInputFile(number);
  platform::File* file = platform::OpenFile(path, platform::OpenMode::kReadDenyWrite);
  if (file == nullptr) return 0;
  if (number == -1 || isHandle) {
    const InputFileId handle = isHandle ? number : fresh().newHandle();
    auto in = std::make_unique<InputFile>();
    in->file = file;
    fresh().open[handle] = std::move(in);
    return handle;
  }
  numbered().allocate(number)->file = file;
  return 1;
}

std::int64_t InputFileLength(InputFileId number) {
  InputFile* in = Find(number);
  return in != nullptr ? platform::FileSize(in->file) : -1;
}

std::int64_t ReadInputFile(InputFileId number, void* destination, std::int64_t count) {
  InputFile* in = Find(number);
  if (in == nullptr || destination == nullptr || count <= 0) return 0;
  auto* out = static_cast<unsigned char*>(destination);
  std::int64_t delivered = TakeBuffered(in, out, count);
  if (delivered == count) return delivered;
  const std::int64_t got = platform::ReadFile(in->file, in->buffer, kReadAhead);
  in->offset = 0;
  in->filled = got > 0 ? got : 0;
  return delivered + TakeBuffered(in, out + delivered, count - delivered);
}

void CloseInputFile(InputFileId number) {
  if (number >= kFirstHandle) {
    fresh().open.erase(number);
  } else {
    numbered().release(number);
  }
}
