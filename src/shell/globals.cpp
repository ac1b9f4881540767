#include "shell/globals.h"

#include "shell/file_system.h"
#include "shell/settings.h"

namespace tarn {

std::unique_ptr<cSettings> gSettings;
FrontEnd* frmMain = nullptr;

namespace {
RealFileSystem real_files;
}  // namespace

FileSystem* gFiles = &real_files;

}  // namespace tarn
