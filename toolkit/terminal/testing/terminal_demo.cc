// Runs the terminal front end for the tmux test:
//   toolkit_terminal_demo box STYLE TEXT   shows a message box ("\n" in TEXT
//                                          starts a line) titled "Toolkit
//                                          demo", then prints "answer N"
//   toolkit_terminal_demo form COLS ROWS   shows a form of that many columns
//                                          and rows with a text box; Escape
//                                          ends it and prints "typed [text]"
// The output comes after the terminal is given back. The front end is
// chosen as for any application, TOOLKIT_DEMO_UI naming it; one that cannot
// be used ends the demo with status 69.
#include <exception>
#include <iostream>
#include <memory>
#include <string>

#include "toolkit/controls.h"
#include "toolkit/form.h"
#include "toolkit/front_ends.h"
#include "toolkit/message_box.h"
#include "toolkit/terminal/grid.h"

namespace {

struct Escaped {};

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
  if (mode != "box" && mode != "form") {
    std::cerr << "usage: toolkit_terminal_demo box STYLE TEXT | form COLS ROWS\n";
    return 64;
  }
  std::string result;
  {
    toolkit::Application application;
    application.title = "Toolkit demo";
    application.front_end_variable = "TOOLKIT_DEMO_UI";
    std::unique_ptr<toolkit::FrontEnd> front_end;
    try {
      front_end = toolkit::CreateFrontEnd(application);
    } catch (const std::exception& problem) {
      std::cerr << "toolkit_terminal_demo: " << problem.what() << "\n";
      return 69;
    }
    toolkit::SetFrontEnd(front_end.get());
    if (mode == "box") {
      result =
          "answer " + std::to_string(toolkit::MessageBox(Unescape(argv[3]), std::stoi(argv[2])));
    } else {
      toolkit::Form form("demo");
      form.Caption = "Demo";
      form.ClientWidth = std::stoi(argv[2]) * toolkit::kTwipsPerColumn;
      form.ClientHeight = std::stoi(argv[3]) * toolkit::kTwipsPerRow;
      form.KeyPreview = true;
      form.on_key_down = [](int16_t& key_code, int) {
        if (key_code == toolkit::kKeyEscape) throw Escaped{};
      };
      auto& box = form.Add(std::make_unique<toolkit::TextBox>("entry"));
      box.Left = toolkit::kTwipsPerColumn;
      box.Width = 20 * toolkit::kTwipsPerColumn;
      box.Height = toolkit::kTwipsPerRow;
      form.Show();
      form.SetFocus(box);
      try {
        toolkit::RunEventLoop();
      } catch (const Escaped&) {
      }
      result = "typed [" + box.Text() + "]";
    }
    toolkit::SetFrontEnd(nullptr);
  }
  std::cout << result << std::endl;
  return 0;
}
