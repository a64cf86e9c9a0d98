// SessionFacts: what the window may know of the session behind it, for the
// conveniences it adds (remembered folders, recent files, restored settings).
#pragma once

#include <string>

namespace varnok::qt {

struct SessionFacts {
  // The session's current folder; empty until a file dialog has moved it.
  std::string folder;
  // The landmark data file last loaded (folder and name), and how many data
  // files were loaded so far: a change of the count means a load succeeded.
  std::string dataFile;
  unsigned long dataLoads = 0;
  // The permutation tests' settings as the Permutations dialog shows them
  // ("999 1": permutations and seed); empty when the program has none.
  std::string permutations;
  // The semilandmark check items, one '0' or '1' each: Read Curves as
  // Semilandmarks, Slide by Procrustes Distance, Slide Curve Ends; empty
  // when the program has none.
  std::string slidingChoices;
  // Whether an analysis has run on the data loaded (there are results to
  // save).
  bool hasResults = false;
};

}  // namespace varnok::qt
