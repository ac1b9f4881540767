#include "shell/globals.h"

#include "datadb/data_tables.h"
#include "shell/file_system.h"
#include "shell/settings.h"

namespace tarn {

std::unique_ptr<cSettings> gSettings;
FrontEnd* frmMain = nullptr;
std::unique_ptr<DataDB> dbData;
std::unique_ptr<SectionsCursor> rstSections;
std::unique_ptr<EntriesCursor> rstEntries;
std::unique_ptr<ValuesCursor> rstValues;

namespace {
RealFileSystem real_files;
}  // namespace

FileSystem* gFiles = &real_files;

}  // namespace tarn
