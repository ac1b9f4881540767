// Windows only: the boundary between TARN's 8-bit paths and Windows' wide-character calls.
// Inside, a path is UTF-8 (what the command line was given, what the user's folders are
// called); a path the walk composed from what the game's files say is in the game's code
// page, 1252, as the game itself passes it to Windows. Both become UTF-16 here, and nowhere
// else.
#pragma once

#ifdef _WIN32

#include <cstdint>
#include <string>
#include <string_view>

namespace tarn {

// UTF-8 to UTF-16 and back; a malformed sequence becomes U+FFFD.
std::wstring WidenUtf8(std::string_view utf8);
std::string NarrowToUtf8(std::wstring_view wide);

// True when every character of the UTF-8 text has a byte in the game's code page, so that
// a folder of that name can stand in the walk's paths and in tarn.log.
bool FitsGameCodePage(std::string_view utf8);

// The path as Windows' calls take it whatever its length: made absolute, "." and ".."
// taken out, "/" turned into "\", and given the "\\?\" (or "\\?\UNC\") prefix that lifts
// the limit of 260 characters. An empty path is the current folder.
std::wstring LongPath(std::wstring_view path);

// The absolute form of path, "." and ".." taken out by their text alone, without the prefix.
std::wstring FullPath(std::wstring_view path);

// path without a "\\?\" or "\\?\UNC\" prefix (the latter gives "\\" back).
std::wstring WithoutLongPrefix(std::wstring_view path);

// True when name (one component of a path) names one of Windows' devices, CON, PRN, AUX,
// NUL, COM1-COM9 or LPT1-LPT9, in any letter case, with or without an extension: a file of
// that name in any folder opens the device.
bool IsDeviceName(std::string_view name);

// True when some component of path (split at "/" and "\") is a device name.
bool NamesDevice(std::string_view path);

// path is folder or lies below it, letter case ignored as Windows ignores it; both absolute,
// without the long-path prefix.
bool InsideFolder(std::wstring_view path, std::wstring_view folder);

// The system's message for a Windows error code, without its line end.
std::string WindowsErrorText(std::uint32_t code);

// Seconds since 1970 of a FILETIME given as its two halves.
std::int64_t UnixSeconds(std::uint32_t low, std::uint32_t high);

}  // namespace tarn

#endif  // _WIN32
