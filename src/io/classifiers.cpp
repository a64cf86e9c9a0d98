#include "io/classifiers.hpp"

#include <algorithm>
#include <array>
#include <map>
#include <unordered_map>
#include <unordered_set>

#include "io/input_file.hpp"
#include "platform/matrix/text.hpp"

namespace varnok::io {

namespace {

// How many loaded specimens a refusal names before "and N more".
constexpr std::size_t kNamedInMessages = 5;

[[noreturn]] void fail(const std::string& file, const std::string& what) {
  throw DataFileError("The table " + file + " could not be loaded: " + what);
}

bool isControl(unsigned char c) {
  return (c < 0x20 && c != '\t' && c != '\r' && c != '\n') || c == 0x7f;
}

// The separator the header row (up to its first line end outside quotes)
// uses most; a comma when it uses none.
char separatorOf(std::string_view text) {
  std::array<std::size_t, 3> counts{};
  // On a tie the rarer separator wins: a tab or a semicolon is seldom part
  // of a name, a comma often is.
  constexpr std::array<char, 3> kSeparators = {'\t', ';', ','};
  bool quoted = false;
  for (char c : text) {
    if (c == '"') quoted = !quoted;
    if (quoted) continue;
    if (c == '\n' || c == '\r') break;
    for (std::size_t k = 0; k < kSeparators.size(); ++k) counts[k] += c == kSeparators[k] ? 1 : 0;
  }
  const auto most = std::max_element(counts.begin(), counts.end());
  return *most == 0 ? ',' : kSeparators[static_cast<std::size_t>(most - counts.begin())];
}

std::string_view trimBlanks(std::string_view s, char separator) {
  const auto blank = [separator](char c) { return c == ' ' || (c == '\t' && separator != '\t'); };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
}

std::string quoted(std::string_view s) {
  return "\"" + quoteForMessage(s) + "\"";
}

std::string listed(const std::vector<std::string>& names) {
  std::string out;
  const std::size_t shown = std::min(names.size(), kNamedInMessages);
  for (std::size_t k = 0; k < shown; ++k) {
    if (k > 0) out += k + 1 == shown && names.size() == shown ? " and " : ", ";
    out += quoted(names[k]);
  }
  if (names.size() > shown) out += " and " + std::to_string(names.size() - shown) + " more";
  return out;
}

}  // namespace

ClassifierTable parseClassifierTable(std::string_view bytes, const std::string& file) {
  if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
  if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF"))
    fail(file, "it looks like a UTF-16 text file; save it as CSV (UTF-8).");
  long line = 1;
  for (char c : bytes) {
    if (isControl(static_cast<unsigned char>(c)))
      fail(file, "it looks like a binary file, not a table (line " + std::to_string(line) +
                     " holds the byte " + quoteForMessage(std::string_view(&c, 1)) + ").");
    line += c == '\n' ? 1 : 0;
  }
  const std::string text = utf8FromFile(bytes);
  const char sep = separatorOf(text);

  ClassifierTable table;
  std::vector<std::string> record;
  bool haveHeader = false;
  line = 1;
  long recordLine = 1;
  std::size_t i = 0;
  const std::size_t n = text.size();
  // Ends the record at hand: blank lines are no rows; the first row is the
  // header, every other must have as many fields.
  const auto endRecord = [&]() {
    const bool blank = record.size() == 1 && record[0].empty();
    if (!blank) {
      if (!haveHeader) {
        table.header = std::move(record);
        haveHeader = true;
      } else {
        if (record.size() != table.header.size())
          fail(file, "line " + std::to_string(recordLine) + " has " +
                         std::to_string(record.size()) + " fields, but the header has " +
                         std::to_string(table.header.size()) + ".");
        table.rows.push_back(std::move(record));
        table.lines.push_back(recordLine);
      }
    }
    record.clear();
  };
  while (i < n || !record.empty()) {
    // One field, starting at i.
    std::string field;
    std::size_t start = i;
    while (start < n && (text[start] == ' ' || (text[start] == '\t' && sep != '\t'))) ++start;
    if (start < n && text[start] == '"') {
      const long opened = line;
      std::size_t k = start + 1;
      for (;;) {
        if (k >= n)
          fail(file, "the quoted field that starts on line " + std::to_string(opened) +
                         " is not closed.");
        if (text[k] == '"') {
          if (k + 1 < n && text[k + 1] == '"') {
            field += '"';
            k += 2;
            continue;
          }
          ++k;
          break;
        }
        if (text[k] == '\n' || (text[k] == '\r' && (k + 1 >= n || text[k + 1] != '\n'))) ++line;
        field += text[k++];
      }
      while (k < n && (text[k] == ' ' || (text[k] == '\t' && sep != '\t'))) ++k;
      if (k < n && text[k] != sep && text[k] != '\n' && text[k] != '\r')
        fail(file, "line " + std::to_string(line) + " has text after the closing quote of " +
                       quoted(field) + "; a quote inside a quoted field is written twice.");
      i = k;
    } else {
      std::size_t k = i;
      while (k < n && text[k] != sep && text[k] != '\n' && text[k] != '\r') ++k;
      field = std::string(trimBlanks(std::string_view(text).substr(i, k - i), sep));
      i = k;
    }
    record.push_back(std::move(field));
    if (i < n && text[i] == sep) {
      ++i;
      continue;
    }
    // A line end or the end of the text ends the record.
    if (i < n && text[i] == '\r') ++i;
    if (i < n && text[i] == '\n') ++i;
    endRecord();
    ++line;
    recordLine = line;
    if (i >= n) break;
  }

  if (!haveHeader) fail(file, "it is empty; the first line names the columns.");
  for (std::size_t c = 0; c < table.header.size(); ++c) {
    if (table.header[c].empty())
      fail(file, "column " + std::to_string(c + 1) + " of the header has no name.");
    for (std::size_t d = 0; d < c; ++d)
      if (table.header[d] == table.header[c])
        fail(file, "two columns are named " + quoted(table.header[c]) + ".");
  }
  if (table.rows.empty()) fail(file, "it has no rows below its header.");
  return table;
}

MatchedClassifiers matchClassifiers(const ClassifierTable& table,
                                    const std::vector<std::string>& ids, std::size_t count,
                                    const std::string& file) {
  MatchedClassifiers out;
  auto& cl = out.classifiers;
  const std::size_t columns = table.header.size();
  const bool named = !ids.empty() && ids.size() == count;
  if (!named) {
    if (table.rows.size() != count)
      fail(file, "it has " + std::to_string(table.rows.size()) + " rows, but " +
                     std::to_string(count) +
                     " specimens are loaded; the data file names no specimen, so the table "
                     "needs one row per specimen, in the order of the data file.");
    cl.columns = table.header;
    cl.values.assign(columns, std::vector<std::string>(count));
    for (std::size_t r = 0; r < count; ++r)
      for (std::size_t c = 0; c < columns; ++c) cl.values[c][r] = table.rows[r][c];
    return out;
  }

  // The ID column names the most loaded specimens.
  const std::unordered_set<std::string> loaded(ids.begin(), ids.end());
  std::size_t idColumn = 0, best = 0;
  for (std::size_t c = 0; c < columns; ++c) {
    std::unordered_set<std::string> found;
    for (const auto& row : table.rows)
      if (loaded.count(row[c])) found.insert(row[c]);
    if (found.size() > best) {
      best = found.size();
      idColumn = c;
    }
  }
  if (best == 0)
    fail(file, "no column holds the IDs of the loaded specimens (such as " +
                   listed({ids.begin(), ids.begin() + std::min<std::ptrdiff_t>(2, ids.size())}) +
                   ").");
  if (columns < 2) fail(file, "it has no column besides the IDs.");

  std::unordered_map<std::string, std::size_t> rowOf;
  for (std::size_t r = 0; r < table.rows.size(); ++r) {
    const std::string& id = table.rows[r][idColumn];
    if (!loaded.count(id)) {
      ++out.ignoredRows;
      continue;
    }
    if (auto [at, fresh] = rowOf.emplace(id, r); !fresh)
      fail(file, "the ID " + quoted(id) + " appears twice (lines " +
                     std::to_string(table.lines[at->second]) + " and " +
                     std::to_string(table.lines[r]) + ").");
  }
  std::vector<std::string> missing;
  for (const std::string& id : ids)
    if (!rowOf.count(id) && std::find(missing.begin(), missing.end(), id) == missing.end())
      missing.push_back(id);
  if (!missing.empty())
    fail(file, std::to_string(missing.size()) +
                   (missing.size() == 1 ? " loaded specimen has" : " loaded specimens have") +
                   " no row: " + listed(missing) + ".");

  cl.idColumn = table.header[idColumn];
  for (std::size_t c = 0; c < columns; ++c) {
    if (c == idColumn) continue;
    cl.columns.push_back(table.header[c]);
    std::vector<std::string> values(count);
    for (std::size_t s = 0; s < count; ++s) values[s] = table.rows[rowOf.at(ids[s])][c];
    cl.values.push_back(std::move(values));
  }
  return out;
}

void LoadClassifiers(session::ActionContext& ctx) {
  auto& session = ctx.session;
  auto& dialogs = ctx.window.dialogs();
  if (session.loadedData().size() == 0) {
    dialogs.msgbox("Load a landmark data file first: the table is matched to its specimens.",
                   kClassifiersTitle);
    return;
  }
  auto choice = dialogs.uigetfile("*.csv;*.tsv;*.txt", "Enter the table of classifiers (CSV)",
                                  session.folder);
  if (!choice) return;
  const std::string path = session.resolve(choice->folder + choice->name);
  const std::string name = quoteForMessage(choice->name, 255);
  MatchedClassifiers matched;
  try {
    InputFile in(path, name, kMaxClassifierFileBytes);
    matched = matchClassifiers(parseClassifierTable(in.readAll(), name), session.loadedIds,
                               static_cast<std::size_t>(session.loadedData().rows()), name);
  } catch (const DataFileError& e) {
    dialogs.msgbox(e.what(), kClassifiersTitle);
    return;
  }
  session.changeFolder(choice->folder);
  matched.classifiers.file = choice->name;
  std::string columns;
  for (const std::string& c : matched.classifiers.columns)
    columns += (columns.empty() ? "" : ", ") + c;
  const auto& cl = matched.classifiers;
  ctx.console.line("Read " + std::to_string(cl.columns.size()) +
                   (cl.columns.size() == 1 ? " classifier (" : " classifiers (") + columns +
                   ") for " + std::to_string(session.loadedData().rows()) + " specimens from " +
                   choice->name);
  if (matched.ignoredRows > 0)
    ctx.console.line("Left out " + std::to_string(matched.ignoredRows) +
                     (matched.ignoredRows == 1 ? " row" : " rows") + " of " + choice->name +
                     " whose IDs are not loaded");
  session.classifiers = std::move(matched.classifiers);
}

}  // namespace varnok::io
