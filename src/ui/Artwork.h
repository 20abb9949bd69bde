#pragma once

#include <QImage>
#include <QPixmap>

namespace quillane {

// Icon 128: 32 x 32, colours of the 16-colour palette.
QPixmap programIcon();

// Bitmaps 131 and 133: 33 x 33, two colours. A framed square crossed by the flip diagonal,
// a marker square in one corner and a curved arrow to where the flip takes it. 131 shows the
// main diagonal (top left to bottom right) with the marker at the bottom left; 133 is its
// mirror image top to bottom. Any other id gives a null image.
QImage diagonalBitmapImage(int id);
QPixmap diagonalBitmap(int id);

}  // namespace quillane
