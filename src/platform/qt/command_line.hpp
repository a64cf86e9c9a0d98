// What the words after the options of `varnok [WORD ...]` ask for: the
// window, a file opened in it (what a desktop passes for a double-clicked
// file), or a routine called by name with text arguments.
//
// The first word is a file when it ends in an extension the program opens
// (.vks session scripts; .tps, .nts and .txt landmark data; any case), or
// else when it names an existing file; otherwise it is a routine name.
// Routine names never hold a dot, so `varnok ROUTINE WORD...` keeps working
// whatever the words after the name are. A file comes alone.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace varnok::qt {

struct StartRequest {
  enum class Kind {
    Window,         // no words
    Routine,        // words[0] names the routine
    DataFile,       // loaded as Load Data would
    SessionScript,  // run in the window once the user says yes
    TooManyWords,   // a file followed by more words
  };
  Kind kind = Kind::Window;
  std::string file;
};

// isFile tells whether a path names an existing regular file.
StartRequest startRequest(const std::vector<std::string>& words,
                          const std::function<bool(const std::string&)>& isFile);

}  // namespace varnok::qt
