#pragma once
// The program's menus, dialogs and strings in one chosen language. The
// usual loaders (LoadMenu, LoadString, DialogBox) pick a block of the
// resource script by the thread's UI language, which Wine does not let a
// program change; these find the block of the language asked for, and fall
// back to whatever block the usual lookup finds when there is none in it.
#include <windows.h>

#include <cstddef>
#include <optional>
#include <string>

namespace brivonel::win32 {

// A resource's bytes, as the module holds them; empty when not found.
struct ResourceBytes {
  const void* data = nullptr;
  DWORD size = 0;
};
ResourceBytes FindResourceIn(HMODULE module, const wchar_t* type, int id, LANGID language);

// Null when the module has no such menu.
HMENU LoadMenuIn(HMODULE module, int id, LANGID language);

// The dialog's result, or -1 when it could not be shown.
INT_PTR DialogBoxIn(HMODULE module, int id, LANGID language, HWND owner, DLGPROC procedure);

// Nothing when the string is missing or empty (as LoadStringW's 0).
std::optional<std::u16string> LoadStringIn(HMODULE module, int id, LANGID language);

// String `index` (0 to 15) of a string-table block: sixteen strings, each
// its length in UTF-16 units and then the units. Nothing for an empty
// string or one the block's bytes do not hold.
std::optional<std::u16string> StringOfBlock(const void* block, std::size_t bytes, int index);

}  // namespace brivonel::win32
