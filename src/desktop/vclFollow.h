#pragma once
// A command shown in another place with a look of its own (a menu item with
// a shorter caption, the tray menu, a tool-bar button): the item shows the
// command's state and a click runs the command, whose own state then wins.

class QAction;

enum TFollowFlag : int {
    ffState = 0,   // enabled, checkable and checked only
    ffText = 1,    // also the caption
    ffIcon = 2,    // also the picture
    ffVisible = 4, // also whether it is shown
};

// Binds item to command and returns item.
QAction* FollowCommand(QAction* item, QAction* command, int flags = ffState);
