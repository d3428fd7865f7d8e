// Whether TERM names a terminal ncurses can drive, asked of the terminal
// database alone. Apart from terminal_front_end.cc: <term.h> defines
// capability names such as "lines" and "columns" as macros.
#include <curses.h>
#include <term.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "toolkit/terminal/terminal_front_end.h"

namespace toolkit {

std::string TerminalProblem() {
  const char* name = std::getenv("TERM");
  if (!name || !*name) return "the terminal type is not set (TERM)";
  const std::string type = std::string("the terminal type '") + name + "'";
  int error = 0;
  if (setupterm(name, STDOUT_FILENO, &error) == OK) {
    // Without cursor addressing (dumb) ncurses draws the form as one
    // scrolling line.
    const char* move = tigetstr(const_cast<char*>("cup"));
    const bool addressable = move != nullptr && move != reinterpret_cast<char*>(-1);
    del_curterm(cur_term);
    return addressable ? "" : type + " cannot move the cursor (TERM)";
  }
  if (error == 1) return type + " is a hardcopy terminal (TERM)";
  if (error == -1) return type + " cannot be looked up: no terminal database (terminfo)";
  return type + " is not known (TERM)";
}

}  // namespace toolkit
