#pragma once
// The page recorder of the report engine: the paint device report pages are drawn on. It writes
// the picture format of QPicture byte for byte (a page recorded here is the page a QPicture, as
// TRpMetafile, would hold after the same painter calls), into one growing buffer, and seals the
// page with a checksum computed eight bytes a step. Texts drawn through rpDrawText are written
// straight into the page when they are plain (one font, characters the font has, left to right):
// QPainter would shape them first, only for the shaped glyphs to be dropped by the recording.
#include <QByteArray>
#include <QPaintDevice>
#include <QPicture>
#include <QPoint>
#include <QRect>
#include <QString>
#include <memory>

class QPainter;

namespace cotavia {

// A page picture of the page store, recorded (by TRpPageRecorder) at the page store's fixed
// resolution (96 dpi on every machine). Its bounding rectangle is the whole page (0, 0, page
// width, page height in page pixels).
class TRpMetafile : public QPicture {
 public:
  TRpMetafile() = default;
  explicit TRpMetafile(const QPicture& p) : QPicture(p) {}
  // The metric a device of this picture's extent reports (the page recorder's own).
  int metricOf(PaintDeviceMetric m) const { return metric(m); }

 protected:
  int metric(PaintDeviceMetric m) const override;
};

namespace rpdetail {
class TRpRecordEngine;
}

class TRpPageRecorder final : public QPaintDevice {
 public:
  // A page whose bounding rectangle is `bounds` (not empty), as set on a QPicture before painting.
  explicit TRpPageRecorder(const QRect& bounds);
  ~TRpPageRecorder() override;
  TRpPageRecorder(const TRpPageRecorder&) = delete;
  TRpPageRecorder& operator=(const TRpPageRecorder&) = delete;

  QPaintEngine* paintEngine() const override;
  int devType() const override;
  // The recorded picture (as QPicture::data() holds it); complete once the painter has ended.
  const QByteArray& data() const;

 protected:
  int metric(PaintDeviceMetric m) const override;

 private:
  std::unique_ptr<TRpMetafile> shape_;  // a picture of the same extent: the device's metrics
  std::unique_ptr<rpdetail::TRpRecordEngine> engine_;
};

// Draws text with its baseline starting at p, as painter.drawText(p, text) does on any device.
void rpDrawText(QPainter& painter, const QPoint& p, const QString& text);

}  // namespace cotavia
