// tarn-mkdb OUT SQL...: runs the SQL files, in order, in one transaction on a new database
// and moves it to OUT only when all of them succeeded, so a broken source never leaves a
// half-built TARN.MDB beside the programs.
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "datadb/database.h"
#include "shell/error.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: tarn-mkdb OUT.MDB FILE.sql...\n");
    return 2;
  }
  const std::string out = argv[1];
  const std::string temp = out + ".tmp";
  std::remove(temp.c_str());
  try {
    auto db = tarn::Database::Open(temp, tarn::Database::Mode::kCreate);
    db.Exec("BEGIN");
    for (int i = 2; i < argc; ++i) {
      std::ifstream in(argv[i], std::ios::binary);
      if (!in) {
        std::fprintf(stderr, "tarn-mkdb: cannot read %s\n", argv[i]);
        return 1;
      }
      std::stringstream sql;
      sql << in.rdbuf();
      try {
        db.Exec(sql.str());
      } catch (const tarn::TarnError& error) {
        std::fprintf(stderr, "tarn-mkdb: %s: %s\n", argv[i], error.what());
        return 1;
      }
    }
    db.Exec("COMMIT");
    db.Close();
  } catch (const tarn::TarnError& error) {
    std::fprintf(stderr, "tarn-mkdb: %s\n", error.what());
    return 1;
  }
  if (std::rename(temp.c_str(), out.c_str()) != 0) {
    std::perror("tarn-mkdb: rename");
    return 1;
  }
  return 0;
}
