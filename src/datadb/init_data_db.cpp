#include "datadb/init_data_db.h"

namespace tarn {

bool InitDataDB(const std::string& /*program_folder*/, const std::string& /*file_name*/) {
  // The data database arrives with the model; until then "Init DB" always enables "All".
  return true;
}

}  // namespace tarn

namespace tarn {

void CloseDataDB() {}

}  // namespace tarn
