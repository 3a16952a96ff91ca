#include "app/windows/desktop/language_resources.h"

#include <cstdint>
#include <cstring>

namespace brivonel::win32 {

ResourceBytes FindResourceIn(HMODULE module, const wchar_t* type, int id, LANGID language) {
  const wchar_t* name = MAKEINTRESOURCEW(id);
  HRSRC found = FindResourceExW(module, type, name, language);
  if (found == nullptr) found = FindResourceW(module, name, type);
  if (found == nullptr) return {};
  HGLOBAL loaded = LoadResource(module, found);
  const void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
  if (data == nullptr) return {};
  return {data, SizeofResource(module, found)};
}

HMENU LoadMenuIn(HMODULE module, int id, LANGID language) {
  const ResourceBytes menu = FindResourceIn(module, MAKEINTRESOURCEW(4), id, language);  // RT_MENU
  return menu.data != nullptr ? LoadMenuIndirectW(menu.data) : nullptr;
}

INT_PTR DialogBoxIn(HMODULE module, int id, LANGID language, HWND owner, DLGPROC procedure) {
  const ResourceBytes dialog = FindResourceIn(module, MAKEINTRESOURCEW(5), id, language);  // RT_DIALOG
  if (dialog.data == nullptr) return -1;
  return DialogBoxIndirectParamW(module, static_cast<LPCDLGTEMPLATEW>(dialog.data), owner,
                                 procedure, 0);
}

std::optional<std::u16string> LoadStringIn(HMODULE module, int id, LANGID language) {
  if (id < 0 || id > 0xFFFF) return std::nullopt;
  // Strings are kept sixteen to a block; block n + 1 holds ids 16n to 16n + 15.
  const ResourceBytes block =
      FindResourceIn(module, MAKEINTRESOURCEW(6), id / 16 + 1, language);  // RT_STRING
  if (block.data == nullptr) return std::nullopt;
  return StringOfBlock(block.data, block.size, id % 16);
}

std::optional<std::u16string> StringOfBlock(const void* block, std::size_t bytes, int index) {
  if (index < 0 || index > 15) return std::nullopt;
  const auto* at = static_cast<const unsigned char*>(block);
  const unsigned char* end = at + bytes;
  for (int i = 0;; ++i) {
    if (end - at < 2) return std::nullopt;
    std::uint16_t length;
    std::memcpy(&length, at, 2);
    at += 2;
    if (static_cast<std::size_t>(end - at) < length * std::size_t{2}) return std::nullopt;
    if (i == index) {
      if (length == 0) return std::nullopt;
      std::u16string text(length, u'\0');
      std::memcpy(text.data(), at, length * std::size_t{2});
      return text;
    }
    at += length * std::size_t{2};
  }
}

}  // namespace brivonel::win32
