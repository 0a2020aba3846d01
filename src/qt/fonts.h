#pragma once
// The window descriptions name Windows faces (Arial, Tahoma, MS Sans Serif, Verdana). Each is
// drawn with an installed face of the same widths where Debian has one, so that every text
// fits its control as it does on Windows; the table in fonts.cpp says which.

#include <QFont>
#include <QString>
#include <QStringList>

#include "ui/description.h"

namespace penwick::qt {

// Registers the stand-in faces that come as font files outside fontconfig (Wine's Tahoma and
// MS Sans Serif) from `folder`, unless a face of that name is installed already. A missing
// file is no failure: the next stand-in is used. Returns how many files were added.
int loadFaceFiles(const QString& folder);
// Where Debian's fonts-wine package puts them.
QString defaultFaceFolder();

// The Qt font that draws a description's font: its stand-in face, at the stand-in's size.
QFont toQFont(const ui::Font& font);

// A font in which every one of `texts` fits `room` pixels: `font` itself where they all fit,
// else the narrow stand-in at the same pixel size, then smaller sizes of it. For the few
// controls whose Windows layout was already too tight for their own entries.
QFont fittingFont(const QFont& font, const QStringList& texts, int room);

}  // namespace penwick::qt
