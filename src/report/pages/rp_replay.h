#pragma once
// Fast replay of recorded pages (internal to the export filters). QPicture::play reads every
// command of a page on the drawing thread and builds a new font for every text, which is then
// resolved again. Here a page's commands are read beforehand (on any thread) into a program whose
// fonts are shared by every page of the document, and the program draws the same calls on the
// painter as QPicture::play would. Pages with commands the reader does not know are left to
// QPicture::play.
#include <QFont>
#include <QHash>
#include <QPainter>
#include <QPainterPath>
#include <QPicture>
#include <QPolygonF>
#include <memory>
#include <mutex>
#include <variant>
#include <vector>

namespace cotavia::rpdetail {

// The resolution QPicture takes as the one its pages were recorded for (the screen's, as Qt
// reports it), across (x) or down.
int rpPictureDpi(bool x);

// The distinct fonts of a document's pages, by their recorded bytes. Thread-safe.
class TRpFontTable {
 public:
  // The font recorded as these bytes, or null when not seen yet.
  std::shared_ptr<const QFont> find(const QByteArray& recorded);
  // Adds the font read from these bytes (or returns the one already there).
  std::shared_ptr<const QFont> add(const QByteArray& recorded, const QFont& font);

 private:
  std::mutex lock_;
  QHash<QByteArray, std::shared_ptr<const QFont>> fonts_;
};

class TRpPageProgram {
 public:
  // Reads the commands of a recorded page, checking it as QPicture does (checksum, version);
  // null when the page holds a command this replay does not draw exactly as QPicture::play does
  // or is damaged. `damaged` is set for a page that passes QPicture's checks but that
  // QPicture::play must not be given: a command running past the page's end, or a count of points
  // larger than its command could hold (QPicture would read on for billions of them).
  static std::unique_ptr<TRpPageProgram> read(const QPicture& page, TRpFontTable& fonts, bool* damaged = nullptr);
  // The page's bounding rectangle, as QPicture::boundingRect gives it.
  QRect bounds() const { return bounds_; }
  // Whether programs can draw on the device: QPicture scales pages to a device whose resolution
  // differs from the screen's, which the programs do not.
  static bool usableOn(const QPaintDevice& device);
  // Draws the page at (0, 0): the same painter calls QPainter::drawPicture makes.
  void play(QPainter& painter) const;

  // The page's drawing commands, in order (what the PDF writer translates).
  struct Font {
    std::shared_ptr<const QFont> font;
  };
  struct Text {
    QPointF baseline;
    QString text;
    std::shared_ptr<const QFont> font;
    QSizeF size;
    int flags;
  };
  using Op = std::variant<QPen, QBrush, Font, QPainterPath, QPolygonF, Text, QRectF>;  // QRectF: an ellipse
  const std::vector<Op>& ops() const { return ops_; }

 private:
  std::vector<Op> ops_;
  QRect bounds_;
};

}  // namespace cotavia::rpdetail
