#pragma once
#include <QString>

// The main window's two looks. Each is set on the main window alone and
// cascades to its children; a widget's own sheet keeps precedence.
namespace ThemeSheets {

// Dark: white captions on a navy background; the only sheet that names
// "bg-1.png", which is how the theme switch tells the looks apart.
extern const QString dark;
// Light: the form's own look on the grid background.
extern const QString light;

} // namespace ThemeSheets
