// Icons drawn from SVG at the size and pixel density they are shown at, so
// that they stay crisp on high-density screens.
#pragma once

#include <QIcon>
#include <QString>

namespace velmo {

// The SVG file (a path or a ":/" resource) as an icon; a null icon when the
// file cannot be read or is no SVG.
QIcon SvgIcon(const QString& path);

// The picture of a main toolbar button: the desktop theme's icon where a
// standard one fits and the theme has it, else our own drawing; a null icon
// when the id has no picture.
QIcon ToolButtonPicture(unsigned id);

// The resource path of our own drawing of a button ("" when it has none).
QString ToolButtonDrawingPath(unsigned id);

} // namespace velmo
