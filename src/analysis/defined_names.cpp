#include "analysis/defined_names.h"

#include <iterator>
#include <utility>

#include "analysis/file_groups.h"
#include "datadb/database.h"
#include "platform/ascii_case.h"
#include "walk/walk.h"

namespace tarn {

namespace {

std::string IdList(const std::vector<std::int32_t>& ids) {
  std::string list;
  for (std::int32_t id : ids) list += (list.empty() ? "" : ", ") + std::to_string(id);
  return list;
}

}  // namespace

NameSets CollectNames(Database& db, const std::vector<std::int32_t>& targets,
                      NameSpellings& spellings) {
  NameSets sets;
  Statement rows = db.Prepare(
      "SELECT e.EntryID, v.Value FROM Entries e JOIN \"Values\" v ON v.DB_ID = "
      "(SELECT w.DB_ID FROM \"Values\" w WHERE w.Link = e.DB_ID ORDER BY w.DB_ID LIMIT 1) "
      "WHERE e.EntryID IN (" +
      IdList(targets) + ") AND v.Value IS NOT NULL");
  while (rows.Step()) {
    const auto target = static_cast<std::int32_t>(rows.Int(0));
    std::string name = rows.Text(1);
    if (sets[target].insert(AsciiLowered(name)).second) {
      spellings[target].push_back(std::move(name));
    }
  }
  return sets;
}

std::string GroupedNames::Key(const std::string& file, std::string_view name) const {
  auto group = group_of_file.find(file);
  std::string key = group == group_of_file.end() ? std::string("?") : std::to_string(group->second);
  key += '\n';
  key += AsciiLowered(name);
  return key;
}

GroupedNames CollectGroupedNames(Database& db, const std::vector<std::int32_t>& local_targets) {
  std::vector<std::string> files;
  Statement stored = db.Prepare("SELECT DISTINCT File FROM Sections WHERE File IS NOT NULL");
  while (stored.Step()) files.push_back(stored.Text(0));
  std::vector<NamedFile> named;
  Statement values = db.Prepare(
      "SELECT s.File, v.Value FROM Entries e JOIN \"Values\" v ON v.Link = e.DB_ID "
      "JOIN Sections s ON s.DB_ID = e.Link WHERE e.EntryID IN (" +
      IdList(
          std::vector<std::int32_t>(std::begin(kReferenceEntryIds), std::end(kReferenceEntryIds))) +
      ") AND v.Value IS NOT NULL AND s.File IS NOT NULL ORDER BY e.DB_ID, v.DB_ID");
  while (values.Step()) named.push_back({values.Text(0), values.Text(1)});
  FileGroups groups(files, named);
  GroupedNames grouped;
  for (const std::string& file : files) grouped.group_of_file.emplace(file, groups.GroupOf(file));
  Statement rows = db.Prepare(
      "SELECT e.EntryID, v.Value, s.File FROM Entries e JOIN \"Values\" v ON v.DB_ID = "
      "(SELECT w.DB_ID FROM \"Values\" w WHERE w.Link = e.DB_ID ORDER BY w.DB_ID LIMIT 1) "
      "JOIN Sections s ON s.DB_ID = e.Link WHERE e.EntryID IN (" +
      IdList(local_targets) + ") AND v.Value IS NOT NULL");
  while (rows.Step()) {
    grouped.names[static_cast<std::int32_t>(rows.Int(0))].insert(
        grouped.Key(rows.Text(2), rows.Text(1)));
  }
  return grouped;
}

}  // namespace tarn
