#pragma once

#include <QPointF>
#include <QRectF>
#include <QSizeF>

#include "moved_centre.h"

namespace hosei {

// Where the guide circles lie over the picture in zoom mode. `area` is the picture area in
// the viewer's pixels, `image` the recorded image size in dots (both sides above zero);
// image points count x from the left edge and y from the bottom edge, in dots. A circle is
// its bounding box: left, top, width and height.

QPointF PicturePoint(const QRectF& area, const QSizeF& image, double x, double y);

// Where the vignetting correction starts around the image centre: `startPercent` of half
// the picture area's diagonal.
QRectF CentredVignettingCircle(const QRectF& area, double startPercent);

// Around a moved centre: `startPercent` of the distance from it to the farthest image
// corner, turned into pixels with the horizontal scale.
QRectF MovedVignettingCircle(const QRectF& area, const QSizeF& image, double startPercent,
                             const MovedCentre& centre);

// The region of a local brightness change: centre (x, y) and radius in dots.
QRectF FogGuideCircle(const QRectF& area, const QSizeF& image, double x, double y, double radius);

}  // namespace hosei
