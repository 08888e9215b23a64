#pragma once
// The 16 × 16 command pictures, by a command's picture index: the desktop icon
// theme's picture of the command's freedesktop icon name, or the program's own
// drawing (shipped as a resource) where the theme has none of that name.

#include <QIcon>
#include <QString>

// How many commands have a picture; indexes run from 0 to one less.
int CommandPictureCount();
// The freedesktop icon name of a picture index; empty for none.
QString CommandPictureName(int index);
// The picture of an index; a null icon for a negative or unknown index.
QIcon CommandPicture(int index);
// The program's own drawing of an index, never the theme's.
QIcon OwnCommandPicture(int index);
// The same rule for a picture by its freedesktop name, for the menu items
// of commands that have no button: the theme's picture, else the program's
// own drawing of that name (a null icon when there is none).
QIcon NamedPicture(const QString& name);

// Off: CommandPicture gives the program's own drawings whatever the theme has,
// so a screenshot or a test shows the same pictures on every desktop. On at start.
void UseThemePictures(bool on);
