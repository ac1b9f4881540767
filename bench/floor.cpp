// The floor under TARN's full analysis of a game folder: the least work any program doing the
// same job must do. It reads every file under the folder once with plain buffered reads, then
// stores as many section, entry and value rows as TARN stored into a fresh KV.MDB of the same
// schema (made by InitDataDB, as "Init DB" makes it) through plain prepared inserts in one
// transaction. Run after TARN on the same folder, it puts TARN's time beside the cost of the
// file system and of SQLite alone.
//
//   bench_floor WORLD KV_MDB SECTIONS ENTRIES VALUES
//
// Prints "key value" lines: files, bytes, read_seconds, store_seconds, wall_seconds, rows,
// peak_kb (the process's peak resident set).
#include <sys/resource.h>
#include <unistd.h>

#include <array>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "bench_support.h"
#include "datadb/init_data_db.h"

namespace {

using tarn::bench::BenchSetup;
using tarn::bench::Clock;
using tarn::bench::Seconds;

namespace fs = std::filesystem;

bool ParseCount(const char* text, long long& out) {
  std::string_view view(text);
  auto [end, ec] = std::from_chars(view.data(), view.data() + view.size(), out);
  return ec == std::errc() && end == view.data() + view.size() && out >= 0;
}

struct ReadTotals {
  long long files = 0;
  long long bytes = 0;
};

ReadTotals ReadEveryFile(const fs::path& folder) {
  ReadTotals totals;
  static std::array<char, 1 << 16> buffer;
  for (const auto& item : fs::recursive_directory_iterator(folder)) {
    if (!item.is_regular_file()) continue;
    std::FILE* file = std::fopen(item.path().c_str(), "rb");
    if (file == nullptr) {
      std::fprintf(stderr, "bench_floor: cannot open %s\n", item.path().c_str());
      std::exit(1);
    }
    std::size_t got = 0;
    while ((got = std::fread(buffer.data(), 1, buffer.size(), file)) > 0) {
      totals.bytes += static_cast<long long>(got);
    }
    std::fclose(file);
    ++totals.files;
  }
  return totals;
}

// Entries.EntryID is indexed, and the index insert of a line lands next to the earlier lines
// of its rule: the more rules a stretch of lines spreads over, the more index pages are
// touched, which costs more once the index outgrows SQLite's page cache. The floor spreads
// its lines as a game does: a file holds a run of sections of one kind, a kind of section
// uses a handful of rules, and there are about as many rules as the shipped set has (a
// game's lines show some 7 rules per 100 lines, 14 per 1,000 and 26 per 10,000).
constexpr long long kSectionsPerRun = 200;
constexpr long long kSectionKinds = 46;
constexpr long long kRulesPerKind = 8;

std::int64_t EntryRule(long long section, int line) {
  const long long kind = section / kSectionsPerRun * 17 % kSectionKinds;
  return 2001 + kind * kRulesPerKind + (line - 1) % kRulesPerKind;
}

// Stores the rows: entries spread evenly over the sections, values over the entries, each
// row linked to the one it belongs to, as TARN links them.
void StoreRows(tarn::Database& db, const std::string& file, long long sections, long long entries,
               long long values) {
  // Texts of the lengths a game's values have: numbers, nicknames, file names.
  static constexpr std::array<std::string_view, 8> kTexts = {
      "12",  "-1500.25", "kv_vesk_ice_07", "255", "true", "solar\\models\\kv_rock_03.cmp",
      "0.5", "kv_guard"};
  db.Exec("BEGIN");
  auto section = db.Prepare("INSERT INTO Sections (Area, Section, File, Line) VALUES (?, ?, ?, ?)");
  auto entry = db.Prepare("INSERT INTO Entries (Entry, EntryID, Link, Line) VALUES (?, ?, ?, ?)");
  auto value = db.Prepare("INSERT INTO \"Values\" (Link, Value) VALUES (?, ?)");
  long long next_entry = 0;
  long long next_value = 0;
  for (long long s = 0; s < sections; ++s) {
    section.BindText(1, "ships");
    section.BindText(2, "ship");
    section.BindText(3, file);
    section.BindInt(4, s * 10 + 3);
    section.Step();
    section.Reset();
    const std::int64_t section_id = db.LastInsertRowId();
    const long long entries_end = sections == 0 ? 0 : entries * (s + 1) / sections;
    for (int line = 1; next_entry < entries_end; ++next_entry, ++line) {
      entry.BindText(1, "nickname");
      entry.BindInt(2, EntryRule(s, line));
      entry.BindInt(3, section_id);
      entry.BindInt(4, s * 10 + 3 + line);
      entry.Step();
      entry.Reset();
      const std::int64_t entry_id = db.LastInsertRowId();
      const long long values_end = values * (next_entry + 1) / entries;
      for (; next_value < values_end; ++next_value) {
        value.BindInt(1, entry_id);
        value.BindText(2, kTexts[static_cast<std::size_t>(next_value) % kTexts.size()]);
        value.Step();
        value.Reset();
      }
    }
  }
  db.Exec("COMMIT");
}

}  // namespace

int main(int argc, char** argv) {
  long long sections = 0;
  long long entries = 0;
  long long values = 0;
  if (argc != 6 || !ParseCount(argv[3], sections) || !ParseCount(argv[4], entries) ||
      !ParseCount(argv[5], values) || (sections == 0 && entries > 0) ||
      (entries == 0 && values > 0)) {
    std::fprintf(stderr, "usage: bench_floor WORLD KV_MDB SECTIONS ENTRIES VALUES\n");
    return 2;
  }
  const fs::path world = argv[1];
  const fs::path kv = fs::absolute(argv[2]);
  const fs::path settings =
      fs::temp_directory_path() / ("tarn-floor-" + std::to_string(::getpid()));
  fs::remove_all(settings);
  fs::create_directories(settings);
  fs::create_directories(kv.parent_path());
  auto setup = std::make_unique<BenchSetup>(settings.string());

  const auto start = Clock::now();
  const ReadTotals read = ReadEveryFile(world);
  const auto read_end = Clock::now();
  std::unique_ptr<tarn::DataDB> data;
  if (!tarn::InitDataDB(setup->log, setup->files, setup->settings.SettingsDB(),
                        kv.parent_path().string(), kv.filename().string(), data)) {
    std::fprintf(stderr, "bench_floor: cannot create %s (see %s/tarn.log)\n", kv.c_str(),
                 settings.c_str());
    return 1;
  }
  StoreRows(data->Db(), (world / "DATA/SHIPS/shiparch.ini").string(), sections, entries, values);
  data.reset();
  const auto end = Clock::now();

  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  std::printf("files %lld\nbytes %lld\n", read.files, read.bytes);
  std::printf("read_seconds %.3f\nstore_seconds %.3f\nwall_seconds %.3f\n",
              Seconds(read_end - start), Seconds(end - read_end), Seconds(end - start));
  std::printf("rows %lld\npeak_kb %ld\n", sections + entries + values, usage.ru_maxrss);
  setup.reset();
  fs::remove_all(settings);
  return 0;
}
