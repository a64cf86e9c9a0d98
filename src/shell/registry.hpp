// The registry: every action and menu item a control of the window can send,
// with what the window needs to know of it.
//
// An entry is one of
// - a dispatcher action, sent as Varnoksw('NAME') or Varnoksw('NAME', arg);
// - a routine of the routine table that a menu item calls by name
//   (ExportResultsTable, CopyImageEPS(1), ...); the table holds its function;
// - a command of the window's own (Quit, About, ...), or an action of a
//   menu item of its own (FindMirrored, ...), which only a control or a
//   script line can send: a call by name from the command line does not
//   reach it;
// - a callback sub-routine of the main window (pushbutton4_Callback, ...),
//   which only writes that it is not implemented.
// Besides its function an entry tells the kind of file its dialogs open (the
// window remembers a folder for each), the display setting it chooses (the
// window remembers the choice between runs) and whether a session script
// records it. The window reads all of that through window::Catalog, so that
// it knows no action by name.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/matrix/value.hpp"
#include "platform/window/catalog.hpp"
#include "session/action_context.hpp"

namespace varnok::shell {

enum class EntryKind { Action, Routine, WindowCommand, SubRoutine };

struct Entry {
  std::string name;
  EntryKind kind = EntryKind::Action;
  // Action and WindowCommand: what runs (an action without one is not built
  // yet, and says so). Routine: the routine table's routine of this name.
  session::Action run = nullptr;
  std::optional<window::FileKind> file;
  std::string setting;
  bool blackAndWhiteSwitch = false;
  bool choosesSymbols = false;
  bool recorded = true;
};

// Every entry: the dispatcher's actions in matching order, the routines that
// menu items call, the window's commands, then the callback sub-routines.
const std::vector<Entry>& registry();

// The entry a call reaches, or null when it reaches none (then the routine
// table has the last word: a routine without an entry, an unknown name, or
// Varnoksw with a name it does not know). Varnoksw with a text first
// argument reaches that action's entry.
const Entry* entryOfCall(std::string_view name, const ValueList& args);

// The names of the dispatcher's actions, in matching order, and of the 44
// callback sub-routines (for checks of the layout file).
std::vector<std::string> actionNames();
std::vector<std::string> subroutineNames();

// The console line a callback sub-routine writes.
std::string subroutineLine(std::string_view name);

// The registry as the window sees it.
const window::Catalog& catalog();

}  // namespace varnok::shell
