#pragma once

// Overview pictures of everything the generator draws, for a person to look
// at: pictures as the library dialog and the preview show them, icons on
// their buttons at screen size and twice that.

#include <QImage>
#include <QString>

#include <utility>
#include <vector>

using NamedImages = std::vector<std::pair<QString, QImage>>;

// Library figures (as 128-pixel thumbnails), bevel profiles (actual size) and
// the single pictures (the preview's overlays on black, as the preview shows them).
QImage pictureSheet(const NamedImages& figures, const NamedImages& profiles, const NamedImages& singles);

// Every icon, normal look on a normal button and checked look on a checked
// button, at screen size and at file size.
QImage iconSheet(const NamedImages& normalIcons, const NamedImages& checkedIcons);
