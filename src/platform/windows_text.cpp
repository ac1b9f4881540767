#include "platform/windows_text.h"

#include <windows.h>

#include <array>

namespace tarn {

namespace {

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

}  // namespace

std::wstring WidenUtf8(std::string_view utf8) {
  if (utf8.empty()) return {};
  const int size = static_cast<int>(utf8.size());
  const int n = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), n);
  return wide;
}

std::string NarrowToUtf8(std::wstring_view wide) {
  if (wide.empty()) return {};
  const int size = static_cast<int>(wide.size());
  const int n = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(n), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, utf8.data(), n, nullptr, nullptr);
  return utf8;
}

bool FitsGameCodePage(std::string_view utf8) {
  const std::wstring wide = WidenUtf8(utf8);
  if (wide.empty()) return true;
  BOOL lost = FALSE;
  const int size = static_cast<int>(wide.size());
  const int n = ::WideCharToMultiByte(1252, WC_NO_BEST_FIT_CHARS, wide.data(), size, nullptr, 0,
                                      nullptr, &lost);
  return n > 0 && !lost && wide.find(L'\uFFFD') == std::wstring::npos;
}

std::wstring FullPath(std::wstring_view path) {
  std::wstring given(path.empty() ? std::wstring_view(L".") : path);
  for (wchar_t& c : given) {
    if (c == L'/') c = L'\\';
  }
  if (given.starts_with(L"\\\\?\\")) return WithoutLongPrefix(given);
  DWORD n = ::GetFullPathNameW(given.c_str(), 0, nullptr, nullptr);
  std::wstring full(n, L'\0');
  n = ::GetFullPathNameW(given.c_str(), n, full.data(), nullptr);
  full.resize(n);
  return full.empty() ? given : full;
}

std::wstring LongPath(std::wstring_view path) {
  const std::wstring full = FullPath(path);
  if (full.starts_with(L"\\\\.\\")) return full;  // a device already
  if (full.starts_with(L"\\\\")) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

std::wstring WithoutLongPrefix(std::wstring_view path) {
  if (path.starts_with(L"\\\\?\\UNC\\")) return L"\\\\" + std::wstring(path.substr(8));
  if (path.starts_with(L"\\\\?\\")) return std::wstring(path.substr(4));
  return std::wstring(path);
}

bool IsDeviceName(std::string_view name) {
  // Windows also ignores what follows the first dot, and blanks before it.
  name = name.substr(0, name.find('.'));
  while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
  auto upper = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; };
  std::string base;
  for (char c : name) base += upper(c);
  static constexpr std::array<std::string_view, 4> kPlain = {"CON", "PRN", "AUX", "NUL"};
  for (std::string_view device : kPlain) {
    if (base == device) return true;
  }
  return base.size() == 4 && (base.starts_with("COM") || base.starts_with("LPT")) &&
         base[3] >= '1' && base[3] <= '9';
}

bool NamesDevice(std::string_view path) {
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find_first_of("/\\", start);
    if (end == std::string_view::npos) end = path.size();
    if (IsDeviceName(path.substr(start, end - start))) return true;
    start = end + 1;
  }
  return false;
}

bool InsideFolder(std::wstring_view path, std::wstring_view folder) {
  while (!folder.empty() && IsSeparator(folder.back())) folder.remove_suffix(1);
  if (path.size() < folder.size()) return false;
  if (::CompareStringOrdinal(path.data(), static_cast<int>(folder.size()), folder.data(),
                             static_cast<int>(folder.size()), TRUE) != CSTR_EQUAL) {
    return false;
  }
  return path.size() == folder.size() || IsSeparator(path[folder.size()]);
}

std::string WindowsErrorText(std::uint32_t code) {
  wchar_t* text = nullptr;
  const DWORD n = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US),
      reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string message = n > 0 ? NarrowToUtf8({text, n}) : "error " + std::to_string(code);
  if (text != nullptr) ::LocalFree(text);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                              message.back() == '.' || message.back() == ' ')) {
    message.pop_back();
  }
  return message;
}

std::int64_t UnixSeconds(std::uint32_t low, std::uint32_t high) {
  // FILETIME counts 100 ns steps since 1601.
  const std::int64_t ticks = static_cast<std::int64_t>((std::uint64_t{high} << 32) | low);
  return ticks / 10'000'000 - 11'644'473'600;
}

}  // namespace tarn
