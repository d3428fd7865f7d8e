// Runs the terminal front end for the tmux test:
//   toolkit_terminal_demo box STYLE TEXT   shows a message box ("\n" in TEXT
//                                          starts a line), then prints
//                                          "answer N"
// The output comes after the terminal is given back.
#include <iostream>
#include <memory>
#include <string>

#include "toolkit/message_box.h"
#include "toolkit/terminal/terminal_front_end.h"

namespace {

std::string Unescape(const std::string& text) {
  std::string lines;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text.compare(i, 2, "\\n") == 0) {
      lines += '\n';
      ++i;
    } else {
      lines += text[i];
    }
  }
  return lines;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc == 4 ? argv[1] : "";
  if (mode != "box") {
    std::cerr << "usage: toolkit_terminal_demo box STYLE TEXT\n";
    return 64;
  }
  std::string result;
  {
    std::unique_ptr<toolkit::FrontEnd> front_end = toolkit::CreateTerminalFrontEnd();
    toolkit::SetFrontEnd(front_end.get());
    result = "answer " + std::to_string(toolkit::MessageBox(Unescape(argv[3]), std::stoi(argv[2])));
    toolkit::SetFrontEnd(nullptr);
  }
  std::cout << result << std::endl;
  return 0;
}
