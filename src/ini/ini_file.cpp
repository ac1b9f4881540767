#include "ini/ini_file.h"

#include <memory>

#include "ini/line_source.h"
#include "ini/section_reader.h"
#include "shell/error.h"
#include "shell/front_end.h"
#include "shell/globals.h"
#include "shell/log.h"

namespace tarn {

void ReadINIFile(const std::string& area, const std::string& path,
                 const FileReference& reference) {
  try {
    WriteLog("    Processing " + path);
    // Before the first "Init DB" there is no list: the run ends here, at its first file.
    if (!colParsedFiles) RaisePlatformError(kErrObjectNotSet);
    // The path counts as read before the file is opened, so a missing file is named once.
    colParsedFiles->Add(std::make_unique<std::string>(path), path);
    cFile file;
    file.SetFileName(path);
    // One buffer of 2048 lines serves every section of the file.
    auto buffer = std::make_unique<SectionBuffer>();
    while (ReadSection(*buffer, file)) {
      DoSection(area, *buffer);
      frmMain->ProcessEvents();
    }
  } catch (const TarnError& error) {
    switch (error.Number()) {
      case kErrPathNotFound:
      case kErrFileNotFound:
        WarnReference(reference, kErrCouldNotOpenReferredFile);
        return;
      case kErrDuplicateKey:
        WriteLog("Already parsed. Skipped.");
        return;
      default:
        ReportError(error, "ReadINIFile");
        EndProgram();
    }
  }
}

}  // namespace tarn
