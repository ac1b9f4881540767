#include "shell/globals.h"

#include "datadb/data_tables.h"
#include "model/section.h"
#include "shell/file_system.h"
#include "shell/settings.h"

namespace tarn {

std::unique_ptr<cSettings> gSettings;
FrontEnd* frmMain = nullptr;
std::unique_ptr<DataDB> dbData;
std::unique_ptr<SectionsCursor> rstSections;
std::unique_ptr<EntriesCursor> rstEntries;
std::unique_ptr<ValuesCursor> rstValues;
std::unique_ptr<KeyedCollection<cSection>> colRules;
std::unique_ptr<KeyedCollection<std::string>> colParsedFiles;

namespace {
RealFileSystem real_files;
}  // namespace

FileSystem* gFiles = &real_files;

}  // namespace tarn
