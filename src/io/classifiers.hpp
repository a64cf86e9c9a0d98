// Classifiers: the study's own table of its specimens (species, sex,
// locality, age class), read so that the groups can come from it instead of
// a file of group codes.
//
// The table has a header row naming its columns and one row per specimen.
// Fields are separated by commas, semicolons or tabs (whichever the header
// row uses most, a tab or a semicolon before a comma on a tie); a field may
// be quoted as RFC 4180 says (separators, line ends and doubled quotes
// inside); blanks around an unquoted field are dropped; lines end in LF,
// CR LF or CR; a UTF-8 byte-order mark is skipped, and a file that is not
// UTF-8 is read as Latin-1 (utf8FromFile's rule).
//
// The ID column is the one whose values name the loaded specimens (TPS ID=,
// else IMAGE=; NTS row labels); every other column is a classifier. Rows of
// IDs that are not loaded are left out. Data without names need a table of
// exactly one row per specimen in file order, and then every column is a
// classifier.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "session/action_context.hpp"

namespace varnok::io {

// The largest table read (bytes).
inline constexpr long long kMaxClassifierFileBytes = 64LL << 20;

// A table as read: its column names and its rows of fields, with the line
// each row starts on (1-based) for messages.
struct ClassifierTable {
  std::vector<std::string> header;
  std::vector<std::vector<std::string>> rows;
  std::vector<long> lines;
};

// Reads the table from its bytes, naming it file in messages. Throws
// DataFileError for a UTF-16 or binary file, a quote left open, text after a
// closing quote, a row with more or fewer fields than the header, a column
// without a name or two of one name, and a table without rows.
ClassifierTable parseClassifierTable(std::string_view bytes, const std::string& file);

// The table matched to the loaded specimens: ids are their names (empty
// when the data file gives none), count how many are loaded. ignoredRows
// counts the rows of IDs that are not loaded. Throws DataFileError when no
// column holds the IDs, a loaded specimen has no row (naming the first few),
// an ID has two rows, no column is left for classifiers, or (without IDs)
// the table does not have one row per specimen.
struct MatchedClassifiers {
  session::Session::Classifiers classifiers;
  long ignoredRows = 0;
};
MatchedClassifiers matchClassifiers(const ClassifierTable& table,
                                    const std::vector<std::string>& ids, std::size_t count,
                                    const std::string& file);

// File > Load Classifiers...: asks for the table, reads and matches it, and
// keeps it in the session; a bad table is reported in a message box and
// the classifiers stay as they were. The groups do not change until Group By.
void LoadClassifiers(session::ActionContext& ctx);

inline constexpr const char* kClassifiersTitle = "Load Classifiers";

}  // namespace varnok::io
