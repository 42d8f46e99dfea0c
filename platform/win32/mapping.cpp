// Read-only file mappings over a section object.
#include <string>

#include "platform/fault_table.h"
#include "platform/win32/win32_internal.h"

namespace platform {

struct Mapping {
  const void* view;
};

Mapping* MapFile(std::string_view path, const std::uint8_t** data, std::int64_t* size) {
  if (CallFails(Op::kOpen)) return nullptr;
  // Others may read the file meanwhile, but not write it.
  HANDLE file = CreateFileA(std::string(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return nullptr;
  LARGE_INTEGER length;
  HANDLE section = nullptr;
  // A view must fit the address space: refuse what a 32-bit process cannot map.
  if (GetFileSizeEx(file, &length) && length.QuadPart > 0 &&
      static_cast<std::uint64_t>(length.QuadPart) <= SIZE_MAX / 2) {
    section = CreateFileMappingA(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
  }
  CloseHandle(file);
  if (section == nullptr) return nullptr;
  const void* view = MapViewOfFile(section, FILE_MAP_READ, 0, 0, 0);
  CloseHandle(section);  // the view keeps the section alive
  if (view == nullptr) return nullptr;
  *data = static_cast<const std::uint8_t*>(view);
  *size = length.QuadPart;
  return new Mapping{view};
}

void UnmapFile(Mapping* mapping) {
  if (mapping == nullptr) return;
  UnmapViewOfFile(mapping->view);
  delete mapping;
}

}  // namespace platform
