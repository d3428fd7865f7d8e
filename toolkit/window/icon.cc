#include "toolkit/window/icon.h"

namespace toolkit {

namespace {

// clang-format off
const char* const kIcon[] = {
    "16 16 6 1",
    "  c None",
    ". c #000000",
    "w c #FFFFFF",
    "g c #C0C0C0",
    "b c #000080",
    "y c #FFFF00",
    "..........      ",
    ".wwwwwwww..     ",
    ".w......w.w.    ",
    ".wwwwwwww....   ",
    ".w.......www.   ",
    ".wwwwwwwwwww.   ",
    ".w.....wwwww.   ",
    ".wwwwwwwww  b   ",
    ".w......ww  bb  ",
    ".wwwwwwwwbbbbbb ",
    ".w....wwwbbbbbbb",
    ".wwwwwwwwbbbbbb ",
    ".wggggggww  bb  ",
    ".wgyyyygww  b   ",
    ".wggggggwww.    ",
    "............    ",
};
// clang-format on

}  // namespace

const char* const* IconXpm() { return kIcon; }
int IconXpmLines() { return static_cast<int>(sizeof kIcon / sizeof kIcon[0]); }

}  // namespace toolkit
