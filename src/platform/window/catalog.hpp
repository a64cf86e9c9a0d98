// Catalog: what the window may know of the callback a control sends.
//
// The window knows no action by name. It asks the program's catalog what a
// callback string does, as far as the window's own conveniences need it:
// which kind of file its dialogs open (each kind has its remembered folder),
// which display setting it chooses (remembered between runs), and whether a
// session script records it.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace varnok::window {

// The kinds of file whose folders are remembered apart.
enum class FileKind { Data, GroupList, SymbolTable, Reference, Results, Picture };

struct CallbackFacts {
  // The kind of file the callback opens or saves; none for the others.
  std::optional<FileKind> file;
  // The display setting a menu choice of this callback sets ("density",
  // "lineWidth", ...); empty for other callbacks.
  std::string setting;
  // The black-and-white switch of the group symbols, whose state is
  // remembered rather than the callback.
  bool blackAndWhiteSwitch = false;
  // It chooses how the groups are drawn (a symbol table or the switch), so
  // the remembered switch is not put back over it.
  bool choosesSymbols = false;
  // A session script records it (a window command such as Quit is not).
  bool recorded = true;
};

class Catalog {
 public:
  virtual ~Catalog() = default;
  // What the callback string does; all defaults for one the catalog does not know.
  virtual CallbackFacts factsOf(std::string_view callback) const = 0;
  // The display settings of factsOf, in the order they are put back.
  virtual std::vector<std::string> displaySettings() const = 0;
};

}  // namespace varnok::window
