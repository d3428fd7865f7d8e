// What the toolkit shows and reads on behalf of the program that uses it.
// The program hands these to CreateFrontEnd (front_ends.h); the toolkit
// knows no program's names of its own.
#ifndef DEXT_TOOLKIT_APPLICATION_H_
#define DEXT_TOOLKIT_APPLICATION_H_

#include <string>

namespace toolkit {

struct Application {
  // The title of a message box whose caller gives none (Windows-1252).
  // Empty: such a box has no title.
  std::string title;
  // The window class (X11 WM_CLASS) of the form's window. Empty: FLTK's
  // default.
  std::string window_class;
  // The environment variable whose value (window, terminal or headless)
  // picks the front end. Empty: none is read, the front end is picked by
  // the circumstances alone.
  std::string front_end_variable;
  // The environment variable holding the key script of a headless run
  // (ParseKeyScript). Empty: none is read, a headless run has no keys.
  std::string key_script_variable;
};

}  // namespace toolkit

#endif  // DEXT_TOOLKIT_APPLICATION_H_
