// The form's own 16 by 16 icon: a deal sheet with an arrow carrying it over.
#ifndef DEXT_TOOLKIT_WINDOW_ICON_H_
#define DEXT_TOOLKIT_WINDOW_ICON_H_

namespace toolkit {

inline constexpr int kIconSize = 16;

// The icon as XPM rows (header, colours, then 16 rows of 16 pixels), using
// colours of the 16-colour palette only.
const char* const* IconXpm();
int IconXpmLines();

}  // namespace toolkit

#endif  // DEXT_TOOLKIT_WINDOW_ICON_H_
