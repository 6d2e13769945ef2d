// The bitmap buttons and menu items of the main window as plain data: which
// image each shows, which image it shows while disabled and its tooltip
// (which is also its help text). The window builds its buttons from these
// rows, so the table is the single place that says what a button looks like.
#pragma once

#include <vector>

struct ButtonSpec {
    int id;
    const char* bitmap;          // relative to the program folder, "XPM/..."
    const char* disabledBitmap;  // nullptr: the toolkit greys the bitmap
    const char* tooltip;         // English catalog key; nullptr: none
};

struct MenuItemSpec {
    int id;           // 0: a separator
    const char* label;
};

// The two rows of six buttons in the left column, row 1 then row 2.
const std::vector<ButtonSpec>& LeftButtonSpecs();
// The window buttons at the top right: menu, minimise, maximise, close.
const std::vector<ButtonSpec>& WindowButtonSpecs();
// The tool row under the window buttons, left to right.
const std::vector<ButtonSpec>& ToolButtonSpecs();
// The edit popup menu of the menu button, top to bottom.
const std::vector<MenuItemSpec>& EditMenuSpecs();

// The row of `id` in any of the three button tables, or nullptr.
const ButtonSpec* FindButtonSpec(int id);

// The four tool buttons that act as one radio group, and their images.
bool IsToolGroupButton(int id);
const char* ToolGroupBitmap(int id, bool selected);

// The maximise button's image for the window's state.
const char* MaximiseBitmap(bool maximised);
