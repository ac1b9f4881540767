#include "analysis/name_check.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <exception>
#include <iterator>
#include <string>
#include <thread>
#include <tuple>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "analysis/defined_names.h"
#include "analysis/line_places.h"
#include "analysis/near_names.h"
#include "datadb/data_db.h"
#include "datadb/database.h"
#include "log/log.h"
#include "platform/ascii_case.h"
#include "platform/codepage.h"
#include "platform/error.h"
#include "report/reported_finding.h"
#include "rules/rule_tables.h"

namespace tarn {

namespace {

// The share of a target's lines, in thousandths, that may repeat a name the target defines
// already and still be reported one by one: the tolerance `rules learn` gives an identity.
constexpr std::int64_t kDuplicatePerMille = 10;

// A use of a name that no named kind defines, as the data database holds it.
struct Unknown {
  std::int64_t entry_row = 0;
  std::int64_t position = 0;
  std::string value;
  std::string entry;
  std::int32_t entry_line = 0;
  std::int64_t section_row = 0;
  std::string section;
  std::string file;
  std::int32_t section_line = 0;
  std::string targets;
  const std::vector<std::int32_t>* target_ids = nullptr;
};

// For each reference, "[Gun]nickname | [Munition]nickname": its targets in the rule set's
// spelling.
std::vector<std::string> TargetTexts(Database& settings_db,
                                     const std::vector<StoredNameReference>& references) {
  Statement name = settings_db.Prepare(
      "SELECT s.SectionName, e.EntryName FROM _bc_entries e "
      "JOIN _bc_sections s ON s.DB_ID = e.SectionID WHERE e.DB_ID = ?1");
  std::vector<std::string> texts;
  for (const StoredNameReference& reference : references) {
    std::string text;
    for (std::int32_t target : reference.targets) {
      name.BindInt(1, target);
      if (!text.empty()) text += " | ";
      text += name.Step() ? "[" + name.Text(0) + "]" + name.Text(1) : "#" + std::to_string(target);
      name.Reset();
    }
    texts.push_back(std::move(text));
  }
  return texts;
}

// The test tarn_defined(name) in the SQL of one connection: whether one of the chosen targets
// defines name. Each connection has its own, so that two threads may search at once.
class DefinedTest {
 public:
  DefinedTest(Database& db, const NameSets& sets)
      : db_(db), sets_(sets), test_([this](std::string_view name) { return Defines(name); }) {
    db_.DefineTextTest("tarn_defined", &test_);
  }
  ~DefinedTest() { db_.ForgetTextTest("tarn_defined"); }
  DefinedTest(const DefinedTest&) = delete;
  DefinedTest& operator=(const DefinedTest&) = delete;

  // The targets the next uses are looked up among.
  void Choose(const std::vector<std::int32_t>& targets) {
    chosen_.clear();
    for (std::int32_t target : targets) {
      auto names = sets_.find(target);
      if (names != sets_.end()) chosen_.push_back(&names->second);
    }
  }

 private:
  bool Defines(std::string_view name) {
    AsciiLowerInto(name, folded_);
    for (const std::unordered_set<std::string>* names : chosen_) {
      if (names->contains(folded_)) return true;
    }
    return false;
  }

  Database& db_;
  const NameSets& sets_;
  const Database::TextTest test_;
  std::vector<const std::unordered_set<std::string>*> chosen_;
  std::string folded_;
};

// The uses of one position that none of its targets defines, in one pass over the lines of
// the referring key. A value's position is its place among the values of its line, which are
// stored in order: the value at a fixed position is found through the line's values in the
// Link index. The pass reads only indexes and the values; the line, its section and the
// value's place count are looked up afterwards for the few values that name nothing.
void FindUnknown(Database& db, const StoredNameReference& reference, const std::string& targets,
                 Statement& details, const NameSets& sets, const GroupedNames& grouped,
                 std::vector<Unknown>& out) {
  const std::string at =
      "(SELECT w.DB_ID FROM \"Values\" w WHERE w.Link = e.DB_ID ORDER BY w.DB_ID "
      "LIMIT 1 OFFSET ?2 - 1)";
  const std::string values = reference.is_multi
                                 ? "JOIN \"Values\" v ON v.Link = e.DB_ID AND v.DB_ID >= " + at
                                 : "JOIN \"Values\" v ON v.DB_ID = " + at;
  // A position with local targets is tested here, not in the SQL: the test needs the file.
  const bool local = !reference.local_targets.empty();
  Statement rows = db.Prepare("SELECT e.DB_ID, v.DB_ID, v.Value" +
                              std::string(local ? ", s.File" : "") + " FROM Entries e " + values +
                              (local ? " JOIN Sections s ON s.DB_ID = e.Link" : "") +
                              " WHERE e.EntryID = ?1 AND v.Value IS NOT NULL AND v.Value <> ''" +
                              (local ? "" : " AND NOT tarn_defined(v.Value)"));
  rows.BindInt(1, reference.entry_id);
  rows.BindInt(2, reference.position);
  auto defined_in_group = [&](const std::string& name, const std::string& file) {
    const std::string folded = AsciiLowered(name);
    std::string key;
    for (std::int32_t target : reference.targets) {
      const bool in_group =
          std::find(reference.local_targets.begin(), reference.local_targets.end(), target) !=
          reference.local_targets.end();
      if (!in_group) {
        auto names = sets.find(target);
        if (names != sets.end() && names->second.contains(folded)) return true;
        continue;
      }
      auto names = grouped.names.find(target);
      if (names == grouped.names.end()) continue;
      if (key.empty()) key = grouped.Key(file, name);
      if (names->second.contains(key)) return true;
    }
    return false;
  };
  while (rows.Step()) {
    if (local && defined_in_group(rows.Text(2), rows.Text(3))) continue;
    Unknown use;
    use.entry_row = rows.Int(0);
    use.value = rows.Text(2);
    use.targets = targets;
    use.target_ids = &reference.targets;
    details.BindInt(1, use.entry_row);
    details.BindInt(2, rows.Int(1));
    if (details.Step()) {
      use.entry = details.Text(0);
      use.entry_line = static_cast<std::int32_t>(details.Int(1));
      use.section_row = details.Int(2);
      use.section = details.Text(3);
      use.file = details.Text(4);
      use.section_line = static_cast<std::int32_t>(details.Int(5));
      use.position = details.Int(6);
    }
    details.Reset();
    out.push_back(std::move(use));
  }
}

// Searches the positions that next hands out, on db, until there are none left; found[i]
// gets the unknown uses of references[i].
void SearchPositions(Database& db, const NameSets& sets, const GroupedNames& grouped,
                     const std::vector<StoredNameReference>& references,
                     const std::vector<std::string>& target_texts, std::atomic<std::size_t>& next,
                     std::vector<std::vector<Unknown>>& found, const std::atomic<bool>* cancel) {
  DefinedTest defined(db, sets);
  Statement details = db.Prepare(
      "SELECT e.Entry, e.Line, s.DB_ID, s.Section, s.File, s.Line, "
      "(SELECT count(*) FROM \"Values\" w WHERE w.Link = e.DB_ID AND w.DB_ID <= ?2) "
      "FROM Entries e JOIN Sections s ON s.DB_ID = e.Link WHERE e.DB_ID = ?1");
  for (std::size_t i = next++; i < references.size(); i = next++) {
    if (cancel != nullptr && cancel->load(std::memory_order_relaxed)) return;
    defined.Choose(references[i].targets);
    FindUnknown(db, references[i], target_texts[i], details, sets, grouped, found[i]);
  }
}

// The unknown uses of every reference, in the order of the references. The positions are
// searched by two threads at once, each on a connection of its own (the second only reads,
// which the write-ahead log lets it do beside the first); a second connection that cannot be
// opened leaves the work to the first.
std::vector<Unknown> SearchAllPositions(Database& db, const NameSets& sets,
                                        const GroupedNames& grouped,
                                        const std::vector<StoredNameReference>& references,
                                        const std::vector<std::string>& target_texts,
                                        const std::atomic<bool>* cancel) {
  std::atomic<std::size_t> next{0};
  std::vector<std::vector<Unknown>> found(references.size());
  std::exception_ptr helper_failure;
  std::thread helper;
  try {
    helper = std::thread(
        [&, second = Database::Open(db.FileName(), Database::Mode::kReadWrite)]() mutable {
          try {
            SearchPositions(second, sets, grouped, references, target_texts, next, found, cancel);
          } catch (...) {
            helper_failure = std::current_exception();
          }
        });
  } catch (const TarnError&) {
  }
  struct Join {
    std::thread& thread;
    std::atomic<std::size_t>& next;
    ~Join() {
      next = SIZE_MAX / 2;  // a failure of this thread ends the other's search too
      if (thread.joinable()) thread.join();
    }
  };
  {
    Join join{helper, next};
    SearchPositions(db, sets, grouped, references, target_texts, next, found, cancel);
  }  // the helper is done here, however this thread's search ended
  if (helper_failure) std::rethrow_exception(helper_failure);

  std::vector<Unknown> unknown;
  for (std::vector<Unknown>& uses : found) {
    unknown.insert(unknown.end(), std::make_move_iterator(uses.begin()),
                   std::make_move_iterator(uses.end()));
  }
  return unknown;
}

// The second and later lines of the target entry rules that define a name the rule's lines
// define already, letter case aside, in the order of the rows; each with where the name was
// defined first (in targets), its file relative to the game folder game, so that the finding
// reads (and is fingerprinted) the same wherever the folder lies. An identity may repeat a
// name or two (a good defined twice among hundreds), each a mistake to look at; a target
// whose lines repeat more of their names than kDuplicatePerMille has names that live in
// groups of files (the rooms of each base), which repeat by design, and none of its lines is
// reported.
std::vector<Unknown> FindDuplicates(Database& db, const std::vector<std::int32_t>& targets,
                                    const std::string& game) {
  std::vector<Unknown> duplicates;
  Statement rows = db.Prepare(
      "SELECT e.DB_ID, v.Value, e.Entry, e.Line, s.DB_ID, s.Section, s.File, s.Line "
      "FROM Entries e JOIN \"Values\" v ON v.DB_ID = "
      "(SELECT w.DB_ID FROM \"Values\" w WHERE w.Link = e.DB_ID ORDER BY w.DB_ID LIMIT 1) "
      "JOIN Sections s ON s.DB_ID = e.Link "
      "WHERE e.EntryID = ?1 AND v.Value IS NOT NULL AND v.Value <> '' ORDER BY e.DB_ID");
  for (std::int32_t target : targets) {
    std::unordered_map<std::string, std::string> first;  // folded name -> where it was defined
    const std::size_t before = duplicates.size();
    std::int64_t lines = 0;
    rows.BindInt(1, target);
    while (rows.Step()) {
      ++lines;
      std::string place =
          GameRelative(Utf8ToCp1252(rows.Text(6)), game) + " line " + std::to_string(rows.Int(3));
      auto [at, added] = first.try_emplace(AsciiLowered(rows.Text(1)), std::move(place));
      if (added) continue;
      Unknown use;
      use.entry_row = rows.Int(0);
      use.position = 1;
      use.value = rows.Text(1);
      use.entry = rows.Text(2);
      use.entry_line = static_cast<std::int32_t>(rows.Int(3));
      use.section_row = rows.Int(4);
      use.section = rows.Text(5);
      use.file = rows.Text(6);
      use.section_line = static_cast<std::int32_t>(rows.Int(7));
      use.targets = at->second;
      duplicates.push_back(std::move(use));
    }
    rows.Reset();
    const auto repeated = static_cast<std::int64_t>(duplicates.size() - before);
    if (repeated * 1000 > lines * kDuplicatePerMille) {
      duplicates.resize(before);
    }
  }
  std::sort(duplicates.begin(), duplicates.end(),
            [](const Unknown& a, const Unknown& b) { return a.entry_row < b.entry_row; });
  return duplicates;
}

}  // namespace

NameCheckCount CheckNames(Database& settings_db, DataDB& data, Log& log, const std::string& game,
                          const LinePlaces* places, const std::atomic<bool>* cancel) {
  NameCheckCount count;
  const std::vector<StoredNameReference> references = ReadNameReferences(settings_db);
  count.positions = static_cast<std::int64_t>(references.size());
  if (references.empty()) return count;
  data.Commit();
  Database& db = data.Db();

  std::vector<std::int32_t> all_targets;
  for (const StoredNameReference& reference : references) {
    all_targets.insert(all_targets.end(), reference.targets.begin(), reference.targets.end());
  }
  std::sort(all_targets.begin(), all_targets.end());
  all_targets.erase(std::unique(all_targets.begin(), all_targets.end()), all_targets.end());
  NameSpellings spellings;
  const NameSets sets = CollectNames(db, all_targets, spellings);
  std::vector<std::int32_t> local_targets;
  for (const StoredNameReference& reference : references) {
    local_targets.insert(local_targets.end(), reference.local_targets.begin(),
                         reference.local_targets.end());
  }
  std::sort(local_targets.begin(), local_targets.end());
  local_targets.erase(std::unique(local_targets.begin(), local_targets.end()), local_targets.end());
  const GroupedNames grouped =
      local_targets.empty() ? GroupedNames{} : CollectGroupedNames(db, local_targets);

  std::vector<Unknown> unknown = SearchAllPositions(db, sets, grouped, references,
                                                    TargetTexts(settings_db, references), cancel);
  if (cancel != nullptr && cancel->load()) {
    count.cancelled = true;
    return count;
  }
  std::sort(unknown.begin(), unknown.end(), [](const Unknown& a, const Unknown& b) {
    return std::tie(a.entry_row, a.position) < std::tie(b.entry_row, b.position);
  });

  // A section is told from others of its name by its nickname, as findings of "All" are.
  Statement nickname = db.Prepare(
      "SELECT v.Value FROM Entries e JOIN \"Values\" v ON v.Link = e.DB_ID "
      "WHERE e.Link = ?1 AND e.Entry = 'nickname' ORDER BY e.DB_ID, v.DB_ID LIMIT 1");
  const std::vector<Unknown> duplicates = FindDuplicates(db, all_targets, game);
  // The names of each set of targets, made at the first unknown use of that set.
  std::unordered_map<std::string, NearNames> hints;
  auto warn = [&](const Unknown& use, bool duplicate) {
    Finding finding{.kind = duplicate ? Finding::Kind::kSectionLine : Finding::Kind::kUnknownName,
                    .number = duplicate ? kErrDuplicateName : kErrUnknownReference,
                    .file = Utf8ToCp1252(use.file),
                    .line = use.entry_line,
                    .section = Utf8ToCp1252(use.section),
                    .index = use.entry_line - use.section_line,
                    .key = Utf8ToCp1252(use.entry),
                    .value = duplicate ? Utf8ToCp1252(use.value) + " (also " + use.targets + ")"
                                       : Utf8ToCp1252(use.value),
                    .target = duplicate ? std::string() : use.targets};
    if (!duplicate) {
      auto [near, added] = hints.try_emplace(use.targets);
      if (added && use.target_ids != nullptr) {
        for (std::int32_t target : *use.target_ids) {
          auto names = spellings.find(target);
          if (names == spellings.end()) continue;
          for (const std::string& name : names->second) near->second.Add(Utf8ToCp1252(name));
        }
      }
      finding.hint = near->second.Nearest(finding.value);
    }
    LinePlaces::Place place;
    if (places != nullptr && places->Find(static_cast<std::int32_t>(use.section_row),
                                          static_cast<std::int32_t>(use.entry_row), place)) {
      finding.disk_file = place.disk_file;
      finding.editor_line = place.editor_line;
      finding.binary = place.binary;
      finding.section_line = place.section_line;
      finding.same_name_before = place.same_name_before;
    }
    nickname.BindInt(1, use.section_row);
    if (nickname.Step() && !nickname.IsNull(0)) finding.nickname = Utf8ToCp1252(nickname.Text(0));
    nickname.Reset();
    log.WarnUnknownName(std::move(finding));
  };
  for (const Unknown& use : unknown) warn(use, false);
  for (const Unknown& use : duplicates) warn(use, true);
  count.unknown = static_cast<std::int64_t>(unknown.size());
  count.duplicates = static_cast<std::int64_t>(duplicates.size());
  return count;
}

}  // namespace tarn
