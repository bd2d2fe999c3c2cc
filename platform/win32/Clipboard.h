// The clipboard: formats by number and by registered name, data as global memory blocks the
// clipboard owns once set. Text is offered in both CF_TEXT and CF_UNICODETEXT whichever was set,
// as Windows synthesises one from the other.
#pragma once

#include <cstdint>
#include <string>

#include "platform/win32/GlobalMemory.h"

namespace win32 {

using HWND = uint32_t;

inline constexpr uint32_t CF_TEXT = 1;
inline constexpr uint32_t CF_BITMAP = 2;
inline constexpr uint32_t CF_DIB = 8;
inline constexpr uint32_t CF_PALETTE = 9;
inline constexpr uint32_t CF_UNICODETEXT = 13;
inline constexpr uint32_t CF_ENHMETAFILE = 14;

// Fails (ERROR_ACCESS_DENIED) while the clipboard is open, ours or another program's.
bool OpenClipboard(HWND owner);
bool CloseClipboard();
bool EmptyClipboard();
// Takes ownership of the block (or, for CF_BITMAP, CF_PALETTE and CF_ENHMETAFILE, of the
// drawing object's handle); replaces data of the same format. 0 when the clipboard is closed.
uint32_t SetClipboardData(uint32_t format, uint32_t data);
// The clipboard's own handle: the caller reads it and must not free it.
uint32_t GetClipboardData(uint32_t format);
// Formats in the order they were set, the synthesised text format last; 0 ends the walk.
uint32_t EnumClipboardFormats(uint32_t format);
int CountClipboardFormats();
bool IsClipboardFormatAvailable(uint32_t format);
// The same name (ignoring case) always answers the same number, from 0xC000 up.
uint32_t RegisterClipboardFormatA(const char* name);
// Characters copied; 0 for predefined and unknown formats.
int GetClipboardFormatNameA(uint32_t format, char* buffer, int bufferSize);

// Control and inspection for tests, and text shortcuts for the simulated editors.
namespace clipboard {
// Another program holds the clipboard open: OpenClipboard fails until released.
void SetHeldByOtherProgram(bool held);
// Whether a program could open the clipboard now (nobody holds it open).
bool Available();
// The clipboard's text (CF_UNICODETEXT or the synthesised one), empty when there is none.
std::wstring Text();
// Replaces the whole clipboard by one text, as a program's copy does.
void SetText(const std::wstring& text);
// Bytes of one format ({} when absent), and setting one format's bytes, both without opening.
std::string Bytes(uint32_t format);
void SetBytes(uint32_t format, const std::string& bytes);
size_t OpenCount();
size_t EmptyCount();
bool IsOpen();
}  // namespace clipboard

}  // namespace win32
