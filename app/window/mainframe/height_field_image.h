// The image a height field takes its heights from: chosen when the height
// field is placed and changed in the Properties panel. An image is taken
// only when the image library can read it (GIF and Targa), or, for the
// formats the renderer reads but the library does not (PNG, PGM, PPM), when
// the file starts as such a file does.
#pragma once

#include <QString>
#include <functional>
#include <string>

#include "kxcore.h"

class QWidget;

namespace kx::app {

// Why the file cannot serve as a height field's image; empty when it can.
std::string heightFieldImageProblem(const std::string& path);

// Asks for an image with a file dialog until a usable one is chosen or the
// user cancels (an empty text then). Each refused file is explained.
QString askHeightFieldImage(QWidget* parent, const QString& start = {});

// The image file a height field names; empty when it names none.
std::string heightFieldImageOf(const CadObject* obj);

}  // namespace kx::app
