// Windows' path rules behind the file-system interface: drive letters and UNC paths, ".."
// past the game folder, junctions, device names, long paths, letter case, the lock, and a
// report another program holds open. Compiled for Windows only; run under Wine in CI.
#include <windows.h>
#include <winioctl.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/error.h"
#include "platform/file_system.h"
#include "platform/folder_lock.h"
#include "platform/windows_text.h"
#include "support/world.h"

namespace tarn {
namespace {

using ::testing::HasSubstr;

// The description of the error opening path raises; empty when it opens.
std::string Refusal(RealFileSystem& files, const std::string& path) {
  try {
    files.OpenForReading(path);
    return "";
  } catch (const TarnError& error) {
    return std::to_string(error.Number()) + " " + error.Description();
  }
}

// Makes link a junction to target; false where the system cannot (Wine cannot).
bool MakeJunction(const std::wstring& link, const std::wstring& target) {
  if (!::CreateDirectoryW(link.c_str(), nullptr)) return false;
  const std::wstring substitute = L"\\??\\" + FullPath(target);
  std::vector<char> buffer(sizeof(REPARSE_GUID_DATA_BUFFER) + 2 * substitute.size() + 64);
  struct MountPoint {
    DWORD tag;
    WORD length, reserved, substitute_offset, substitute_length, print_offset, print_length;
    wchar_t path[1];
  }* data = reinterpret_cast<MountPoint*>(buffer.data());
  const WORD bytes = static_cast<WORD>(substitute.size() * sizeof(wchar_t));
  *data = {IO_REPARSE_TAG_MOUNT_POINT, static_cast<WORD>(12 + bytes), 0, 0, bytes,
           static_cast<WORD>(bytes + 2), 0, {}};
  std::copy(substitute.begin(), substitute.end(), data->path);
  HANDLE h = ::CreateFileW(link.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                           FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  DWORD returned = 0;
  const bool made = h != INVALID_HANDLE_VALUE &&
                    ::DeviceIoControl(h, FSCTL_SET_REPARSE_POINT, data, 8 + 12 + bytes, nullptr,
                                      0, &returned, nullptr);
  if (h != INVALID_HANDLE_VALUE) ::CloseHandle(h);
  if (!made) ::RemoveDirectoryW(link.c_str());
  return made;
}

TEST(WindowsPathTest, DeviceNamesInAnyCaseWithOrWithoutExtension) {
  for (const char* name : {"CON", "con", "Nul.ini", "PRN.txt", "aux", "COM1", "com9.ini", "LPT1",
                           "lpt9.dat", "CON .ini"}) {
    EXPECT_TRUE(IsDeviceName(name)) << name;
  }
  for (const char* name : {"COM0", "LPT10", "CONSOLE.ini", "NULL", "xCON", "COM", ""}) {
    EXPECT_FALSE(IsDeviceName(name)) << name;
  }
  testing::TempDir game;
  RealFileSystem files;
  files.Confine(game.Path(), false);
  for (const char* name : {"\\DATA\\NUL.ini", "\\DATA\\con", "\\COM3\\x.ini"}) {
    EXPECT_EQ(Refusal(files, game.Path() + name), "53 File not found: it is a device") << name;
  }
}

TEST(WindowsPathTest, DriveLettersAndUncPathsTakeTheLongForm) {
  EXPECT_EQ(FullPath(L"C:/Games/Kestrovar/../K2/./DATA"), L"C:\\Games\\K2\\DATA");
  EXPECT_EQ(LongPath(L"C:/Games/K2"), L"\\\\?\\C:\\Games\\K2");
  EXPECT_EQ(LongPath(L"\\\\server\\share\\Game"), L"\\\\?\\UNC\\server\\share\\Game");
  EXPECT_EQ(WithoutLongPrefix(L"\\\\?\\UNC\\server\\share\\Game"), L"\\\\server\\share\\Game");
  EXPECT_TRUE(InsideFolder(L"c:\\games\\k2\\DATA\\a.ini", L"C:\\Games\\K2\\"));
  EXPECT_TRUE(InsideFolder(L"\\\\Server\\Share\\a.ini", L"\\\\server\\share"));
  EXPECT_FALSE(InsideFolder(L"C:\\Games\\K20\\a.ini", L"C:\\Games\\K2"));
  EXPECT_FALSE(InsideFolder(L"D:\\Games\\K2\\a.ini", L"C:\\Games\\K2"));
}

TEST(WindowsPathTest, LetterCaseIsTheFileSystemsAndDotDotStaysInTheGameFolder) {
  testing::TempDir root;
  testing::WriteWorld(root.Path(), {{"game/DATA/Ships/ShipArch.ini", "inside"},
                                    {"secret.ini", "outside"}});
  RealFileSystem files;
  const std::string game = root.Path() + "\\game";
  files.Confine(game, false);
  auto input = files.OpenForReading(game + "\\data\\SHIPS\\shiparch.INI");
  EXPECT_EQ(input->DiskPath(), game + "\\DATA\\Ships\\ShipArch.ini");
  EXPECT_EQ(Refusal(files, game + "\\DATA\\..\\..\\secret.ini"),
            "53 File not found: it lies outside the game folder");
  EXPECT_EQ(Refusal(files, game + "\\DATA\\missing.ini"), "53 File not found");
  EXPECT_EQ(Refusal(files, game + "\\NONE\\missing.ini"), "76 Path not found");
  EXPECT_EQ(Refusal(files, game + "\\DATA"), "53 File not found: it is a folder");
}

TEST(WindowsPathTest, JunctionOutOfTheGameFolderIsRefusedUnlessFollowed) {
  testing::TempDir root;
  testing::WriteWorld(root.Path(), {{"game/DATA/a.ini", "a"}, {"outside/b.ini", "b"}});
  const std::string game = root.Path() + "\\game";
  if (!MakeJunction(WidenUtf8(game + "\\DATA\\out"), WidenUtf8(root.Path() + "\\outside"))) {
    GTEST_SKIP() << "this system cannot make junctions (Wine); the Windows runner's job does";
  }
  RealFileSystem files;
  files.Confine(game, false);
  EXPECT_THAT(Refusal(files, game + "\\DATA\\out\\b.ini"),
              HasSubstr("a link leads out of the game folder"));
  files.Confine(game, true);
  EXPECT_EQ(Refusal(files, game + "\\DATA\\out\\b.ini"), "");
}

TEST(WindowsPathTest, PathsLongerThan260CharactersAreWrittenAndRead) {
  testing::TempDir root;
  std::string folder = root.Path();
  RealFileSystem files;
  while (folder.size() < 300) {
    folder += "\\" + std::string(40, 'f');
    ASSERT_TRUE(::CreateDirectoryW(LongPath(WidenUtf8(folder)).c_str(), nullptr));
  }
  const std::string path = folder + "\\KV01.ini";
  files.WriteWholeFile(path, "[System]\r\n");
  char buffer[16] = {};
  EXPECT_EQ(files.OpenForReading(path)->Read(buffer, sizeof buffer), 10u);
  files.AppendToFile(path, "x");
  EXPECT_EQ(files.ListFolder(folder), std::vector<std::string>{"KV01.ini"});
  EXPECT_TRUE(files.IdentityOf(path).has_value());
}

// A home that cannot be locked is most often the zip unpacked where the user may not write;
// the log folder, which a run may go on without, says nothing.
TEST(WindowsLockTest, HomeThatCannotBeLockedSaysWhereToUnzipAndWhy) {
  testing::TempDir dir;
  const std::string missing = dir.File("missing");
  std::string why;
  EXPECT_EQ(FolderLock::TakeOrSay(missing, "home", "home folder", FolderLock::Need::kRequired,
                                  why),
            nullptr);
  EXPECT_THAT(why, HasSubstr("cannot lock the home folder " + missing + ": " + missing +
                             "\\.tarn-home.lock cannot be opened: "));
  EXPECT_THAT(why, HasSubstr("; unzip TARN into a folder you can write to, or give --home"));
  EXPECT_EQ(FolderLock::TakeOrSay(missing, "log", "log folder", FolderLock::Need::kIfPossible,
                                  why),
            nullptr);
  EXPECT_EQ(why, "");
  const std::string lock_file = JoinPath(dir.Path(), ".tarn-home.lock");
  ::CreateDirectoryW(WidenUtf8(lock_file).c_str(), nullptr);
  FolderLock::TakeOrSay(dir.Path(), "home", "home folder", FolderLock::Need::kRequired, why);
  EXPECT_EQ(why, "cannot lock the home folder " + dir.Path() + ": " + lock_file + " is a folder");
}

TEST(WindowsWholeWriteTest, FileHeldOpenByAnotherProgramIsNamedAfterRetrying) {
  testing::TempDir dir;
  RealFileSystem files;
  const std::string report = dir.Path() + "\\r.json";
  files.WriteWholeFile(report, "old");
  // As an editor that keeps the file open without letting others replace it.
  HANDLE editor = ::CreateFileW(WidenUtf8(report).c_str(), GENERIC_READ, FILE_SHARE_READ,
                                nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(editor, INVALID_HANDLE_VALUE);
  try {
    files.WriteWholeFile(report, "new");
    ::CloseHandle(editor);
    GTEST_SKIP() << "this system replaces a file another program holds open (Wine)";
  } catch (const TarnError& error) {
    ::CloseHandle(editor);
    EXPECT_EQ(error.Number(), kErrPathFileAccess);
    EXPECT_THAT(error.Description(), HasSubstr(report));
    EXPECT_THAT(error.Description(), HasSubstr("holds it open"));
  }
  EXPECT_EQ(testing::ReadFile(report), "old");
  EXPECT_EQ(files.ListFolder(dir.Path()), std::vector<std::string>{"r.json"});
}

TEST(WindowsWholeWriteTest, FolderReplacedWholeAndLeftoversOfGoneRunsRemoved) {
  testing::TempDir dir;
  RealFileSystem files;
  const std::string out = dir.Path() + "\\out";
  files.ReplaceFolder(out, {{"a.rules", "old a"}, {"b.rules", "old b"}});
  testing::WriteFile(dir.Path() + "\\.out.tarn-999999999.old", "left by a killed run");
  files.ReplaceFolder(out, {{"a.rules", "new a"}});
  EXPECT_EQ(files.ListFolder(out), std::vector<std::string>{"a.rules"});
  EXPECT_EQ(testing::ReadFile(out + "\\a.rules"), "new a");
  EXPECT_EQ(files.ListFolder(dir.Path()), std::vector<std::string>{"out"});
  EXPECT_FALSE(IsLeftover(".r.json.tarn-" + std::to_string(::GetCurrentProcessId()) + ".tmp",
                          std::time(nullptr)));
}

}  // namespace
}  // namespace tarn
