// Measures how fast sections are stored into KV.MDB: one million entry lines of three values
// each go through Section::Store, and, in the same run, the same rows go into the same schema
// through plain prepared inserts in one transaction (the floor). Prints rows per second of
// both and their ratio.
//
//   store_bench [LINES]     (default 1000000; best of three alternating rounds)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "bench_support.h"
#include "datadb/init_data_db.h"
#include "model/entry.h"
#include "model/section.h"

namespace {

using tarn::bench::BenchSetup;
using tarn::bench::Clock;
using tarn::bench::Seconds;

constexpr int kLinesPerSection = 1000;
constexpr int kRounds = 3;

struct Measure {
  double seconds = 0;
  long rows = 0;
};

// A fresh KV.MDB in folder.
std::unique_ptr<tarn::DataDB> NewDataDB(BenchSetup& setup, const std::string& folder) {
  std::unique_ptr<tarn::DataDB> data;
  if (!tarn::InitDataDB(setup.log, setup.files, setup.settings.SettingsDB(), folder, "KV.MDB",
                        data)) {
    std::exit(1);
  }
  return data;
}

Measure StoreThroughSections(BenchSetup& setup, const std::string& folder, long lines) {
  std::unique_ptr<tarn::DataDB> data = NewDataDB(setup, folder);
  tarn::Section section;
  section.SetSectionName("Ship");
  tarn::Entry& entry = section.Add("hp", 3, true, false, false, 2001, "HP");
  entry.AddValue("count", 1, 1, false);
  entry.AddValue("scale", 2, 2, false);
  entry.AddValue("name", 3, 3, false);

  Measure m;
  Clock::duration storing{};
  long line = 0;
  while (line < lines) {
    for (int i = 0; i < kLinesPerSection && line < lines; ++i, ++line) {
      entry.SetValues("hp", "12, 0.5, kv_fighter_hardpoint", i + 1);
    }
    section.SetFile("/game/DATA/SHIPS/shiparch.ini");
    section.SetLineNo(static_cast<std::int32_t>(line));
    section.SetArea("ships");
    auto start = Clock::now();
    section.Store(*data);
    storing += Clock::now() - start;
    section.Clear();
    ++m.rows;
  }
  auto start = Clock::now();
  data.reset();
  storing += Clock::now() - start;
  m.seconds = Seconds(storing);
  m.rows += lines * 4;
  return m;
}

Measure StoreThroughPlainInserts(BenchSetup& setup, const std::string& folder, long lines) {
  std::unique_ptr<tarn::DataDB> data = NewDataDB(setup, folder);
  tarn::Database& db = data->Db();
  auto start = Clock::now();
  db.Exec("BEGIN");
  auto section = db.Prepare("INSERT INTO Sections (Area, Section, File, Line) VALUES (?, ?, ?, ?)");
  auto entry = db.Prepare("INSERT INTO Entries (Entry, EntryID, Link, Line) VALUES (?, ?, ?, ?)");
  auto value = db.Prepare("INSERT INTO \"Values\" (Link, Value) VALUES (?, ?)");
  Measure m;
  long line = 0;
  while (line < lines) {
    section.BindText(1, "ships");
    section.BindText(2, "ship");
    section.BindText(3, "/game/DATA/SHIPS/shiparch.ini");
    section.BindInt(4, line);
    section.Step();
    section.Reset();
    std::int64_t section_id = db.LastInsertRowId();
    ++m.rows;
    for (int i = 0; i < kLinesPerSection && line < lines; ++i, ++line) {
      entry.BindText(1, "hp");
      entry.BindInt(2, 2001);
      entry.BindInt(3, section_id);
      entry.BindInt(4, i + 1);
      entry.Step();
      entry.Reset();
      std::int64_t entry_id = db.LastInsertRowId();
      for (const char* text : {"12", "0.5", "kv_fighter_hardpoint"}) {
        value.BindInt(1, entry_id);
        value.BindText(2, text);
        value.Step();
        value.Reset();
      }
      m.rows += 4;
    }
  }
  db.Exec("COMMIT");
  section = tarn::Statement();
  entry = tarn::Statement();
  value = tarn::Statement();
  data.reset();
  m.seconds = Seconds(Clock::now() - start);
  return m;
}

}  // namespace

int main(int argc, char** argv) {
  const long lines = argc > 1 ? std::atol(argv[1]) : 1000000;
  const auto folder = std::filesystem::temp_directory_path() / "tarn-store-bench";
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  BenchSetup setup(folder.string());

  // Rounds alternate between the two, and each keeps its best, so that a burst of other
  // work on the machine does not decide the ratio.
  Measure floor, tarn;
  for (int round = 0; round < kRounds; ++round) {
    Measure f = StoreThroughPlainInserts(setup, folder.string(), lines);
    Measure t = StoreThroughSections(setup, folder.string(), lines);
    if (round == 0 || f.seconds < floor.seconds) floor = f;
    if (round == 0 || t.seconds < tarn.seconds) tarn = t;
  }

  std::printf("lines %ld, values %ld\n", lines, lines * 3);
  std::printf("plain prepared inserts: %9ld rows in %6.2f s = %10.0f rows/s\n", floor.rows,
              floor.seconds, floor.rows / floor.seconds);
  std::printf("Section::Store:         %9ld rows in %6.2f s = %10.0f rows/s\n", tarn.rows,
              tarn.seconds, tarn.rows / tarn.seconds);
  std::printf("ratio (Store / plain):  %.2f\n",
              (tarn.rows / tarn.seconds) / (floor.rows / floor.seconds));
  std::filesystem::remove_all(folder);
  return 0;
}
