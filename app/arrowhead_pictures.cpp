// Drawing the six arrowhead pictures.
#include "app/arrowhead_pictures.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <algorithm>
#include <cmath>

namespace ovix {

QPixmap ArrowheadPicture(int code, QSize size, qreal pixel_ratio, const QColor& color) {
  const qreal ratio = pixel_ratio > 0 ? pixel_ratio : 1.0;
  QPixmap picture(QSize(static_cast<int>(std::ceil(size.width() * ratio)),
                        static_cast<int>(std::ceil(size.height() * ratio))));
  picture.setDevicePixelRatio(ratio);
  picture.fill(Qt::transparent);

  QPainter painter(&picture);
  painter.setRenderHint(QPainter::Antialiasing);
  const qreal w = size.width(), h = size.height();
  const qreal pen_width = std::max<qreal>(1.0, h / 10.0);
  QPen pen(color, pen_width, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
  painter.setPen(pen);
  painter.setBrush(color);

  const qreal y = h / 2.0;
  const qreal start = pen_width;
  const qreal tip = w - pen_width;
  const qreal length = h * 0.8;  // along the line
  const qreal half = h * 0.3;    // across the line
  const QPointF end(tip, y);

  // The line runs up to where the head begins.
  auto line_to = [&](qreal x) { painter.drawLine(QPointF(start, y), QPointF(x, y)); };

  switch (code) {
    case 2: {  // triangle
      line_to(tip - length);
      painter.drawPolygon(QPolygonF{end, {tip - length, y - half}, {tip - length, y + half}});
      break;
    }
    case 3: {  // open
      line_to(tip);
      painter.setBrush(Qt::NoBrush);
      painter.drawPolyline(QPolygonF{{tip - length, y - half}, end, {tip - length, y + half}});
      break;
    }
    case 4: {  // stealth: a triangle notched at its back
      const qreal notch = tip - length * 0.5;
      const qreal wing = half * 1.15;
      line_to(notch);
      painter.drawPolygon(
          QPolygonF{end, {tip - length, y - wing}, {notch, y}, {tip - length, y + wing}});
      break;
    }
    case 5: {  // diamond
      line_to(tip - length);
      painter.drawPolygon(QPolygonF{
          end, {tip - length / 2, y - half}, {tip - length, y}, {tip - length / 2, y + half}});
      break;
    }
    case 6: {  // oval
      line_to(tip - 2 * half);
      painter.drawEllipse(QPointF(tip - half, y), half, half);
      break;
    }
    default:  // none
      line_to(tip);
      break;
  }
  return picture;
}

const char* ArrowheadStyleName(int code) {
  switch (code) {
    case 1: return "なし";
    case 2: return "三角";
    case 3: return "開いた矢印";
    case 4: return "鋭い矢印";
    case 5: return "ひし形";
    case 6: return "円";
    default: return "";
  }
}

}  // namespace ovix
